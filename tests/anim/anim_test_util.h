// An in-memory image folder, rigs read from text and their pictures as text for the
// animation tests; files and images come from tests/platform/test_images.h.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "../platform/test_images.h"
#include "anim/anim.h"
#include "anim/anim_files.h"
#include "platform/engine.h"

namespace anim_test {

using namespace test_images;

// Images by name, of given sizes, for the text readers: "mem/NAME" is the path of NAME;
// names not listed are missing.
class MemoryFolder final : public AnimFolder {
 public:
  explicit MemoryFolder(std::map<std::string, std::pair<int, int>> sizes = {})
      : sizes_(std::move(sizes)) {}

  std::string PathOf(const std::string& name) const override { return "mem/" + name; }
  std::string KeyOf(const std::string& path) const override {
    return Size(path) ? "test:" + path : "";
  }
  Texture* Load(const std::string& path) const override {
    const std::pair<int, int>* size = Size(path);
    if (!size) return nullptr;
    std::string png = WritePng(
        "memory/" + std::to_string(size->first) + "x" + std::to_string(size->second) + ".png",
        size->first, size->second);
    return tex_LoadFromFile(png);
  }

 private:
  const std::pair<int, int>* Size(const std::string& path) const {
    auto it = sizes_.find(path.substr(4));
    return path.starts_with("mem/") && it != sizes_.end() ? &it->second : nullptr;
  }
  std::map<std::string, std::pair<int, int>> sizes_;
};

// A rig read from text as a disk file would give it; "test.rgs" in errors.
inline TSpr RigFromText(const std::string& text, const MemoryFolder& folder = MemoryFolder()) {
  TSpr spr;
  LoadAnimFromText(spr, AnimKind::Rig, text, LineEnds::File, folder, "test.rgs");
  return spr;
}

// The tree below a part as IDs: "0(1(3),2)".
inline std::string TreeOf(const RigPart& part) {
  std::string out = std::to_string(part.ID);
  if (part.Children.empty()) return out;
  out += '(';
  for (size_t i = 0; i < part.Children.size(); ++i) {
    if (i > 0) out += ',';
    out += TreeOf(*part.Children[i]);
  }
  return out + ')';
}

// A number as text with at most three decimals, so that values that went through sines
// and cosines compare as whole texts.
inline std::string Num(float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3f", double(v));
  std::string s = buf;
  while (s.back() == '0')
    s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

inline std::string PointsText(const std::vector<Point2D>& points) {
  std::string out;
  for (const Point2D& p : points) {
    if (!out.empty()) out += ' ';
    out += "(" + Num(p.X) + "," + Num(p.Y) + ")";
  }
  return out;
}

}  // namespace anim_test
