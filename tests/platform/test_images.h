// Small generated images and temporary files for the tests that load images and files.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

#include "../data/temp_folder.h"
#include "platform/engine.h"

namespace test_images {

using Rgb = std::array<uint8_t, 3>;

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kYellow{255, 255, 0};
constexpr Rgb kMagenta{255, 0, 255};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

// A path inside the process's temporary folder; its folders are made.
// One folder per test process, so that processes side by side never share a file.
inline std::string TempPath(const std::string& name) {
  static TempFolder folder;
  std::filesystem::path path = std::filesystem::path(folder.Path()) / name;
  std::filesystem::create_directories(path.parent_path());
  return path.string();
}

// Opaque RGBA pixels, rows top to bottom, coloured by colourAt(x, y).
inline std::vector<uint8_t> Pixels(int w, int h, const std::function<Rgb(int, int)>& colourAt) {
  std::vector<uint8_t> rgba;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      Rgb c = colourAt(x, y);
      rgba.insert(rgba.end(), {c[0], c[1], c[2], 255});
    }
  }
  return rgba;
}

// Writes a PNG into the temporary folder and returns its path ("" on failure).
inline std::string WritePng(const std::string& name, int w, int h,
                            const std::function<Rgb(int, int)>& colourAt) {
  std::string path = TempPath(name);
  return img_SavePng(path, w, h, Pixels(w, h, colourAt)) ? path : "";
}

inline std::string WritePng(const std::string& name, int w, int h, Rgb colour = kRed) {
  return WritePng(name, w, h, [colour](int, int) { return colour; });
}

inline std::string WriteFile(const std::string& name, const std::string& bytes) {
  std::string path = TempPath(name);
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string FixturePath(const std::string& name) {
  return std::string(TOVI2_SOURCE_DIR) + "/tests/platform/fixtures/" + name;
}

}  // namespace test_images
