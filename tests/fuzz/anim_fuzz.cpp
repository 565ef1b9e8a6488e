// Feeds arbitrary text to the frame-list and rig readers, then plays what they built:
// evaluation at several frame times, the box, drawing (a no-op without a window) and grid
// frames. The first byte chooses the reader and the line ends. Every part's current frame
// must be one of its frames, and the box ordered.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "anim/anim_files.h"
#include "anim/anim_play.h"
#include "data/file_io.h"

namespace {

// A small PNG made once, decoded anew for every image the text names.
const std::string& PngBytes() {
  static const std::string bytes = [] {
    std::string path = "/tmp/tovi2-anim-fuzz-" + std::to_string(::getpid()) + ".png";
    std::vector<uint8_t> rgba(8 * 4 * 4, 200);
    img_SavePng(path, 8, 4, rgba);
    std::string png = ReadWholeFile(path);
    std::remove(path.c_str());
    return png;
  }();
  return bytes;
}

// Names of even length are images; the others are missing.
class FuzzFolder final : public AnimFolder {
 public:
  std::string PathOf(const std::string& name) const override { return "fuzz/" + name; }
  std::string KeyOf(const std::string& path) const override {
    return path.size() % 2 == 0 ? path : "";
  }
  Texture* Load(const std::string& path) const override {
    if (path.size() % 2 != 0) return nullptr;
    return tex_LoadFromMemory(PngBytes().data(), PngBytes().size(), "PNG");
  }
};

// After an evaluation every part shows one of its own frames or none, and the box is
// ordered or still the empty one.
void CheckRig(const RigPart& root) {
  const auto ownFrame = [](const RigPart& p) {
    return p.CurrentFrame >= -1 && p.CurrentFrame < p.FrameCount();
  };
  if (!ownFrame(root)) std::abort();
  for (const auto& part : root.Parts)
    if (!ownFrame(*part)) std::abort();
  float minX, minY, maxX, maxY;
  RigBox(root, minX, minY, maxX, maxY);
  bool empty = minX == 1e6f && minY == 1e6f && maxX == -1e6f && maxY == -1e6f;
  if (!empty && !(minX <= maxX && minY <= maxY)) std::abort();
}

void Play(TSpr& spr, uint8_t choice) {
  for (uint16_t t : {0, 1, 7, 100, 65535}) {
    DrawAnim(spr, t, (choice & 4) != 0, 10, 20, float(t), 255);
    if (spr.Rig) CheckRig(*spr.Rig);
  }
  SetGridFrames(spr, choice % 7 - 2, choice % 5, choice);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  uint8_t choice = data[0];
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  AnimKind kind = (choice & 1) ? AnimKind::Rig : AnimKind::Frames;
  LineEnds ends = (choice & 2) ? LineEnds::Package : LineEnds::File;
  TSpr spr;
  try {
    LoadAnimFromText(spr, kind, text, ends, FuzzFolder(), "fuzz");
  } catch (const AnimError&) {
    return 0;
  }
  Play(spr, choice);
  return 0;
}
