// Headless frames: a rig drawn at two frame times has moved; a frame list asked for a
// frame past its last shows the last; a plain image is centred on its anchor.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../platform/test_screenshot.h"
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

// The colours at the probes' places in a frame drawn at rig frame time t.
std::vector<Probe> DrawAt(uint16_t t, const std::vector<Probe>& probes) {
  scene->rigFrame = t;
  return ShootFrame("draw_" + std::to_string(t) + ".png", DrawScene).Measure(probes);
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
