// Headless frames read back from their screenshots: one frame of the 800 x 600 screen is
// drawn, saved as a PNG and loaded again, so that tests compare the colours at places.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/engine.h"
#include "test_images.h"

namespace test_images {

// A place of the picture, what a test calls it and its colour.
struct Probe {
  std::string what;
  int x, y;
  Rgb colour;
  bool operator==(const Probe&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Probe& p) {
  return out << p.what << " (" << p.x << ", " << p.y << ") = " << int(p.colour[0]) << ","
             << int(p.colour[1]) << "," << int(p.colour[2]);
}

struct Screenshot {
  int w = 0, h = 0;
  std::vector<uint8_t> rgba;

  Rgb At(int x, int y) const {
    const uint8_t* p = &rgba.at((size_t(y) * size_t(w) + size_t(x)) * 4);
    return {p[0], p[1], p[2]};
  }
  // The probes with the colours this picture has at their places.
  std::vector<Probe> Measure(std::vector<Probe> probes) const {
    for (Probe& p : probes)
      p.colour = At(p.x, p.y);
    return probes;
  }
  // Whether any pixel of the box [x0, x1) x [y0, y1) passes the test.
  bool Any(int x0, int y0, int x1, int y1, const std::function<bool(Rgb)>& test) const {
    for (int y = std::max(y0, 0); y < std::min(y1, h); ++y) {
      for (int x = std::max(x0, 0); x < std::min(x1, w); ++x)
        if (test(At(x, y))) return true;
    }
    return false;
  }
  // The rows [y0, y1) whole, for comparing one band of two pictures.
  std::vector<uint8_t> Band(int y0, int y1) const {
    return {rgba.begin() + y0 * w * 4, rgba.begin() + y1 * w * 4};
  }
};

// Runs the engine headless for one frame that draw paints and returns its screenshot,
// saved as the temporary file name. The file is removed before the run, so that a run
// that saves nothing cannot pass with an older picture, and after it.
inline Screenshot ShootFrame(const std::string& name, std::function<void()> draw) {
  static std::function<void()> current;
  current = std::move(draw);
  const std::string png = TempPath(name);
  std::filesystem::remove(png);
  zgl_Reg(SYS_DRAW, [] { current(); });
  scr_SetOptions(800, 600, 0, false, false);
  zgl_SetHeadless({1, png, nullptr});
  Screenshot shot;
  EXPECT_TRUE(zgl_Init()) << zgl_GetError();
  EXPECT_TRUE(img_LoadRgba(png, shot.w, shot.h, shot.rgba)) << png;
  std::filesystem::remove(png);
  return shot;
}

}  // namespace test_images
