// Headless frames: a rig drawn at two frame times has moved; a frame list asked for a
// frame past its last shows the last; a plain image is centred on its anchor.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "anim/anim_files.h"
#include "anim/anim_play.h"
#include "anim_test_util.h"

namespace {

using namespace anim_test;

struct Scene {
  TSpr rig, frames, image;
  uint16_t rigFrame = 0;
};
Scene* scene = nullptr;

void DrawScene() {
  DrawAnim(scene->rig, scene->rigFrame, false, 100, 100, 0, 255);
  DrawAnim(scene->frames, 5, false, 400, 300, 0, 255);  // two frames: shows the second
  DrawAnim(scene->frames, 0, false, 500, 300, 0, 255);
  DrawAnim(scene->image, 0, false, 600, 400, 0, 255);
  batch2d_End();
}

struct Probe {
  std::string what;
  int x, y;
  Rgb colour;
  bool operator==(const Probe&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Probe& p) {
  return out << p.what << " (" << p.x << ", " << p.y << ") = " << int(p.colour[0]) << ","
             << int(p.colour[1]) << "," << int(p.colour[2]);
}

// The colours at the probes' places in a frame drawn at rig frame time t.
std::vector<Probe> DrawAt(uint16_t t, std::vector<Probe> probes) {
  scene->rigFrame = t;
  const std::string png = TempPath("draw_" + std::to_string(t) + ".png");
  std::filesystem::remove(png);
  zgl_Reg(SYS_DRAW, DrawScene);
  scr_SetOptions(800, 600, 0, false, false);
  zgl_SetHeadless({1, png, nullptr});
  EXPECT_TRUE(zgl_Init()) << zgl_GetError();
  int w = 0, h = 0;
  std::vector<uint8_t> rgba;
  EXPECT_TRUE(img_LoadRgba(png, w, h, rgba)) << png;
  for (Probe& p : probes) {
    const uint8_t* px = &rgba.at((size_t(p.y) * size_t(w) + size_t(p.x)) * 4);
    p.colour = {px[0], px[1], px[2]};
  }
  return probes;
}

TEST(AnimDraw, a_rig_moves_between_frame_times) {
  WritePng("draw/red.png", 16, 16, kRed);
  WritePng("draw/cells.png", 32, 16, [](int x, int) { return x < 16 ? kGreen : kBlue; });
  WritePng("draw/wide.png", 20, 10, kGreen);
  // One square part that slides 200 pixels right from frame time 0 to 100.
  WriteFile("draw/slide.rgs",
            "RigSprite\nSprite=\nTexture=red.png\nFrames=1\n0\n0\n4\n0 0\n16 0\n16 16\n0 16\n"
            "PosKeys=2\n0 1 0 0\n100 1 200 0\n");
  WriteFile("draw/cells.spr", "cells.png\n0 0 16 16\n16 0 16 16\n");
  Scene loaded;
  scene = &loaded;
  LoadAnimFile(loaded.rig, TempPath("draw/slide.rgs"));
  LoadAnimFile(loaded.frames, TempPath("draw/cells.spr"));
  LoadAnimFile(loaded.image, TempPath("draw/wide.png"));

  const std::vector<Probe> fixed = {
      {"last frame for a frame past it", 408, 308, kBlue},
      {"first frame", 508, 308, kGreen},
      {"image left of its anchor", 592, 398, kGreen},
      {"image right of its anchor", 608, 403, kGreen},
      {"past the image", 612, 400, kBlack},
  };
  std::vector<Probe> atStart = {{"rig at its start", 108, 108, kRed},
                                {"rig's end place", 308, 108, kBlack}};
  std::vector<Probe> atEnd = {{"rig at its start", 108, 108, kBlack},
                              {"rig's end place", 308, 108, kRed}};
  atStart.insert(atStart.end(), fixed.begin(), fixed.end());
  atEnd.insert(atEnd.end(), fixed.begin(), fixed.end());
  EXPECT_EQ(DrawAt(0, atStart), atStart);
  EXPECT_EQ(DrawAt(100, atEnd), atEnd);
  scene = nullptr;
}

}  // namespace
