// Temporary files, generated images and an in-memory image folder for the animation tests.
#pragma once

#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "anim/anim.h"
#include "anim/anim_files.h"
#include "platform/engine.h"

namespace anim_test {

using Rgb = std::array<uint8_t, 3>;
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kBlack{0, 0, 0};

// A folder of this test process, removed when the process ends.
class TempFolder {
 public:
  TempFolder()
      : path_(std::filesystem::temp_directory_path() /
              ("tovi2-anim-test-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A path inside the process's temporary folder; its folders are made.
inline std::string TempPath(const std::string& relative) {
  static TempFolder folder;
  std::filesystem::path path = folder.Path() / relative;
  std::filesystem::create_directories(path.parent_path());
  return path.string();
}

inline std::string WriteFile(const std::string& relative, const std::string& bytes) {
  std::string path = TempPath(relative);
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An opaque PNG of one colour, or of the colours colourAt gives.
inline std::string WritePng(const std::string& relative, int w, int h,
                            const std::function<Rgb(int, int)>& colourAt) {
  std::vector<uint8_t> rgba;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      Rgb c = colourAt(x, y);
      rgba.insert(rgba.end(), {c[0], c[1], c[2], 255});
    }
  }
  std::string path = TempPath(relative);
  return img_SavePng(path, w, h, rgba) ? path : "";
}

inline std::string WritePng(const std::string& relative, int w, int h, Rgb colour = kRed) {
  return WritePng(relative, w, h, [colour](int, int) { return colour; });
}

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
