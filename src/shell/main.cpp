// tovi2: the game.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "shell/startup.h"

namespace {

constexpr const char* kUsage =
    "usage: tovi2 [--dir DIR] [--fullscreen | --windowed]\n"
    "       tovi2 --headless [--dir DIR] --ticks N [--keys FILE] [--screenshot FILE.png]\n"
    "             [--dump-state FILE.json]\n"
    "\n"
    "Tovi2 is a 2D physics platform game. It runs in DIR (default: the current folder),\n"
    "which holds Config.dat, Data/, Levels/ and Rec/.\n"
    "\n"
    "  --dir DIR            run in DIR instead of the current folder\n"
    "  --fullscreen         start in full screen (this run only)\n"
    "  --windowed           start in an 800 x 600 window (this run only)\n"
    "  --headless           run without a display on the offscreen driver with a virtual\n"
    "                       clock: every frame advances 16 or 17 ms (60 frames are 1000\n"
    "                       ticks); stop after N game ticks, write the outputs, exit 0\n"
    "  --ticks N            game ticks (milliseconds) to run headless\n"
    "  --keys FILE          key script: one event per line, applied just before that\n"
    "                       tick runs (tick 0 is the first):\n"
    "                         TICK down KEY\n"
    "                         TICK up KEY\n"
    "                         TICK text STRING   (typed text: the rest of the line)\n"
    "                       KEY is a decimal key code, a key name (LEFT, RIGHT, UP, DOWN,\n"
    "                       SPACE, R, N, A..Z, KEY_0..KEY_9, F1..F12, ...), ESCAPE or ENTER;\n"
    "                       \"#\" starts a comment\n"
    "  --screenshot FILE    PNG of the last frame\n"
    "  --dump-state FILE    the game state as one JSON object\n"
    "  --help, --version\n";

bool ParseCount(const char* text, uint64_t& value) {
  const char* end = text + std::strlen(text);
  auto [p, ec] = std::from_chars(text, end, value);
  return ec == std::errc() && p == end && p != text;
}

// Reads the value of an option that takes one; false when it is missing.
bool TakeValue(int argc, char** argv, int& i, std::string& value) {
  if (i + 1 >= argc) return false;
  value = argv[++i];
  return true;
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "tovi2: %s\n\n%s", message.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  ProgramOptions options;
  bool haveTicks = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--version") {
      std::printf("tovi2 %s\n", TOVI2_VERSION);
      return 0;
    } else if (arg == "--fullscreen" || arg == "--windowed") {
      options.fullScreen = arg == "--fullscreen" ? 1 : 0;
    } else if (arg == "--headless") {
      options.headless = true;
    } else if (arg == "--ticks") {
      if (!TakeValue(argc, argv, i, value) || !ParseCount(value.c_str(), options.ticks))
        return UsageError("--ticks needs a number of ticks");
      haveTicks = true;
    } else if (arg == "--dir" || arg == "--keys" || arg == "--screenshot" ||
               arg == "--dump-state") {
      if (!TakeValue(argc, argv, i, value)) return UsageError(arg + " needs a value");
      std::string& target = arg == "--dir"          ? options.dir
                            : arg == "--keys"       ? options.keysFile
                            : arg == "--screenshot" ? options.screenshot
                                                    : options.dumpState;
      target = value;
    } else {
      return UsageError("unknown option " + arg);
    }
  }
  if (options.headless && !haveTicks) return UsageError("--headless needs --ticks N");
  if (!options.headless && (haveTicks || !options.keysFile.empty() || !options.screenshot.empty() ||
                            !options.dumpState.empty()))
    return UsageError("--ticks, --keys, --screenshot and --dump-state need --headless");
  return RunProgram(options);
}
