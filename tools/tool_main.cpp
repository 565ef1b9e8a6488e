// tovi2-tool: inspects the game's files for level makers and tests.
#include <cstdio>
#include <cstring>
#include <string>

#include "tool_commands.h"

namespace {

struct Subcommand {
  const char* name;
  int (*run)(const ToolArgs& args);
  const char* usage;
};

constexpr Subcommand kSubcommands[] = {
    {"dat", DatCommand,
     "dat dump FILE            the block/parameter tree of FILE as JSON\n"
     "  dat params FILE KEY...   typed reads of top-level parameters as JSON\n"},
    {"zip", ZipCommand,
     "zip list FILE            one line per member: name, compressed size, size, CRC-32,\n"
     "                           data descriptor (yes/no)\n"
     "  zip cat FILE MEMBER      the inflated member on standard output\n"},
    {"anim", AnimCommand,
     "anim info FILE           kind (image/frames/rig), frames, parts, box at the start\n"},
    {"level", LevelCommand,
     "level dump FILE          the level text the game would write back\n"
     "  level check FILE         layers, elements by kind, missing pattern files, joints and\n"
     "                           links naming no element, as JSON (status 1 if any is missing)\n"},
    {"script", ScriptCommand,
     "script check FILE        compiles a level or object script as the game does; prints\n"
     "                           every message, one a line (status 1 on an error)\n"
     "  script run FILE          compiles FILE as written and runs it; Print(S) writes a line\n"
     "  script dis FILE          the compiled code, one instruction a line\n"},
    {"replay", ReplayCommand,
     "replay dump FILE         a replay file's level, checksum, length, tracks with their\n"
     "                           keys (absolute times) and events, as JSON\n"},
};

void PrintUsage(FILE* to) {
  std::fputs("usage: tovi2-tool COMMAND ARGS...\n\n", to);
  for (const Subcommand& s : kSubcommands)
    std::fprintf(to, "  %s", s.usage);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
    PrintUsage(argc < 2 ? stderr : stdout);
    return argc < 2 ? 1 : 0;
  }
  for (const Subcommand& s : kSubcommands) {
    if (std::strcmp(argv[1], s.name) == 0) return s.run(ToolArgs(argv + 2, argv + argc));
  }
  std::fprintf(stderr, "tovi2-tool: unknown command \"%s\"\n", argv[1]);
  PrintUsage(stderr);
  return 1;
}
