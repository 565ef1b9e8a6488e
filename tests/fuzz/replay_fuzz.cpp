// Feeds arbitrary bytes to the replay loader. A replay that loads is written back; the
// written bytes must load again and write as the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "replay/replay_file.h"

namespace {

std::string Written(const TReplayFile& file) {
  return ReplayBytes(file.Replay, file.RunTicks, file.Replay.LevelName, file.Replay.Checksum);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  TReplayFile file;
  try {
    file = ParseReplay(bytes);
  } catch (const ReplayError&) {
    return 0;
  }
  const std::string once = Written(file);
  if (Written(ParseReplay(once)) != once) std::abort();  // a written replay reads back as itself
  return 0;
}
