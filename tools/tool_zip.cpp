// tovi2-tool zip: the members of a level package, and the content of one of them.
#include <cinttypes>
#include <cstdio>
#include <string>

#include "data/zip_file.h"
#include "tool_commands.h"
#include "tool_common.h"

namespace {

constexpr const char* kUsage =
    "usage: tovi2-tool zip list FILE\n"
    "       tovi2-tool zip cat FILE MEMBER\n"
    "  list: NAME<TAB>COMPRESSED<TAB>SIZE<TAB>CRC-32<TAB>DESCRIPTOR (yes/no), one per member\n"
    "  cat:  the inflated member, found with \"\\\" and \"/\" counting as the same separator\n";

int List(const TZipFile& zip) {
  for (int i = 0; i < zip.Count(); ++i) {
    const TZipLocalEntry& entry = zip.LocalEntry(i);
    std::fwrite(entry.FileName.data(), 1, entry.FileName.size(), stdout);
    std::printf("\t%" PRIu32 "\t%" PRIu32 "\t%08" PRIx32 "\t%s\n", entry.Header.CompressedSize,
                entry.Header.UncompressedSize, entry.Header.Crc32,
                entry.HasDataDescriptor() ? "yes" : "no");
  }
  return FlushOutput();
}

int Cat(const TZipFile& zip, const std::string& path, const std::string& member) {
  int index = zip.IndexOf(member);
  if (index < 0) {
    std::fprintf(stderr, "No member \"%s\" in \"%s\".\n", member.c_str(), path.c_str());
    return 1;
  }
  return PrintOutput(zip.Data(index));
}

}  // namespace

int ZipCommand(const ToolArgs& args) {
  bool list = args.size() == 2 && args[0] == "list";
  bool cat = args.size() == 3 && args[0] == "cat";
  if (!list && !cat) return UsageError(kUsage);
  return RunReportingErrors([&] {
    TZipFile zip;
    zip.LoadFromFile(args[1]);
    return list ? List(zip) : Cat(zip, args[1], args[2]);
  });
}
