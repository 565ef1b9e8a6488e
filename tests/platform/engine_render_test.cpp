// Headless frames read back from their screenshots: where sprites, triangle lists and text
// land, and with which colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/engine.h"
#include "test_images.h"
#include "test_screenshot.h"

namespace {

using namespace test_images;

// 16 x 16 checker of 8 x 8 cells: yellow top-left and bottom-right, blue elsewhere.
Rgb Checker(int x, int y) {
  return ((x / 8) + (y / 8)) % 2 == 0 ? kYellow : kBlue;
}

// Quadrants of 8 x 8 (red, green / blue, yellow) and a magenta strip right of them that a
// cut-out of the quadrants must never show.
Rgb Quadrants(int x, int y) {
  if (x >= 16) return kMagenta;
  if (y < 8) return x < 8 ? kRed : kGreen;
  return x < 8 ? kBlue : kYellow;
}

// Cells of 8 x 8 (red, green / blue, yellow) and four spare magenta columns: 20 x 16
// holds two whole cells per row.
Rgb FrameCells(int x, int y) {
  return x >= 16 ? kMagenta : Quadrants(x, y);
}

struct Scene {
  Texture* checker = nullptr;
  Texture* quadrants = nullptr;
  Texture* white = nullptr;
  Texture* green = nullptr;
  Texture* keyed = nullptr;
  Texture* cells = nullptr;
  Texture* doomed = nullptr;
  Font* font = nullptr;
};
Scene scene;

Texture* LoadPng(const std::string& name, int w, int h, Rgb (*colourAt)(int, int),
                 uint32_t flags = TEX_DEFAULT_2D, uint32_t transparent = TEX_NO_COLORKEY) {
  std::string path = WritePng(name, w, h, colourAt);
  return path.empty() ? nullptr : tex_LoadFromFile(path, transparent, flags);
}

// A 128 x 64 rectangle at the top-left, one texel per pixel, so the 16 x 16 image repeats
// eight times across and four times down.
void DrawCheckerPolygon() {
  const Point2D points[6] = {{0, 0}, {128, 0}, {128, 64}, {0, 0}, {128, 64}, {0, 64}};
  Point2D uv[6];
  for (int i = 0; i < 6; ++i)
    uv[i] = {points[i].X / 16, 1 - points[i].Y / 16};
  pr2d_TriList(scene.checker, points, uv, 0, 5, 0xFFFFFF, 255, PR2D_FILL | FX_BLEND);
}

void DrawScene() {
  DrawCheckerPolygon();
  // The quadrants, mirrored and then turned a quarter clockwise, at (200, 100) as 64 x 64.
  csprite2d_Draw(scene.quadrants, 200, 100, 64, 64, 90, Rect2D{0, 0, 16, 16}, 255,
                 FX_BLEND | FX2D_FLIPX);
  // An 80 x 20 bar turned upright about its centre (540, 110).
  ssprite2d_Draw(scene.white, 500, 100, 80, 20, 90);
  ssprite2d_Draw(scene.white, 600, 100, 20, 20, 0, 128);
  // Blue is the key colour of this image: the green square shows through its right half.
  ssprite2d_Draw(scene.green, 600, 200, 64, 32, 0);
  ssprite2d_Draw(scene.keyed, 600, 200, 64, 32, 0);
  asprite2d_Draw(scene.cells, 200, 200, 32, 32, 0, 2);
  asprite2d_Draw(scene.cells, 240, 200, 32, 32, 0, 3);
  text_Draw(scene.font, 300, 400, "Hello");
  text_DrawEx(scene.font, 300, 450, 2, 0, "Hi", 255, 0xFF0000);
  text_Draw(scene.font, 300, 540, "E");
  text_Draw(scene.font, 340, 540, "\xC9");  // Latin-1 E acute
  Camera2D camera;
  cam2d_Init(camera);
  camera.X = 100;
  cam2d_Set(&camera);
  ssprite2d_Draw(scene.green, 400, 300, 20, 20, 0);  // lands at 300..320
  cam2d_Set(nullptr);
  ssprite2d_Draw(scene.green, 400, 500, 20, 20, 0);
  // A texture deleted right after its draw still shows: the batch is drawn first.
  ssprite2d_Draw(scene.doomed, 700, 500, 20, 20, 0);
  tex_Del(scene.doomed);
  ssprite2d_Draw(scene.white, 740, 500, 20, 20, 0);
  batch2d_End();
}

void LoadWithContext() {
  scene.doomed = LoadPng("tovi2_render_doomed.png", 4, 4, [](int, int) { return kRed; });
}

class EngineRender : public testing::Test {
 protected:
  void SetUp() override {
    // Loaded before any GL context exists: uploaded when the window opens.
    scene.checker = LoadPng("tovi2_render_checker.png", 16, 16, Checker, TEX_POLYGON_FILL);
    scene.quadrants = LoadPng("tovi2_render_quadrants.png", 24, 16, Quadrants);
    scene.white = LoadPng("tovi2_render_white.png", 4, 4, [](int, int) { return kWhite; });
    scene.green = LoadPng("tovi2_render_green.png", 4, 4, [](int, int) { return kGreen; });
    scene.keyed = LoadPng(
        "tovi2_render_keyed.png", 16, 8, [](int x, int) { return x < 8 ? kRed : kBlue; },
        TEX_DEFAULT_2D, 0x0000FF);
    scene.cells = LoadPng("tovi2_render_cells.png", 20, 16, FrameCells);
    tex_SetFrameSize(scene.cells, 8, 8);
    scene.font = font_LoadFromFile(FixturePath("dejavu_sans_16.zfi"));
    ASSERT_NE(scene.font, nullptr) << zgl_GetError();
    zgl_Reg(SYS_LOAD, LoadWithContext);
  }
  void TearDown() override {
    for (Texture** t : {&scene.checker, &scene.quadrants, &scene.white, &scene.green, &scene.keyed,
                        &scene.cells, &scene.doomed})
      tex_Del(*t);
    font_Del(scene.font);
  }
};

// One letter per colour, so that a whole row of probes compares as one text.
char Letter(Rgb c) {
  const std::pair<Rgb, char> names[] = {{kYellow, 'Y'}, {kBlue, 'B'},  {kRed, 'R'},
                                        {kGreen, 'G'},  {kWhite, 'W'}, {kBlack, 'K'},
                                        {kMagenta, 'M'}};
  for (const auto& [colour, letter] : names)
    if (c == colour) return letter;
  return '?';
}

// The centres of the four cells of each of the eight repeats of the checker, which steps
// down one repeat per repeat across: top-left, top-right, bottom-left, bottom-right.
std::string CheckerLetters(const Screenshot& shot) {
  std::string letters;
  for (int k = 0; k < 8; ++k) {
    int x = 16 * k, y = 16 * (k % 4);
    if (k > 0) letters += ' ';
    for (auto [dx, dy] : {std::pair{4, 4}, {12, 4}, {4, 12}, {12, 12}})
      letters += Letter(shot.At(x + dx, y + dy));
  }
  return letters;
}

std::vector<Probe> ExpectedProbes() {
  std::vector<Probe> probes;
  probes.push_back({"below the checker", 64, 70, kBlack});
  // Mirrored: green red / yellow blue; then a quarter turn clockwise.
  probes.push_back({"sprite top-left", 216, 116, kYellow});
  probes.push_back({"sprite top-right", 248, 116, kGreen});
  probes.push_back({"sprite bottom-left", 216, 148, kBlue});
  probes.push_back({"sprite bottom-right", 248, 148, kRed});
  probes.push_back({"left of the sprite", 196, 132, kBlack});
  probes.push_back({"upright bar top", 540, 74, kWhite});
  probes.push_back({"upright bar bottom", 540, 146, kWhite});
  probes.push_back({"where the bar lay, left", 510, 110, kBlack});
  probes.push_back({"where the bar lay, right", 570, 110, kBlack});
  probes.push_back({"half transparent white", 610, 110, {128, 128, 128}});
  probes.push_back({"key colour: kept half", 616, 216, kRed});
  probes.push_back({"key colour: see-through half", 648, 216, kGreen});
  probes.push_back({"frame 2", 224, 216, kGreen});
  probes.push_back({"frame 3", 256, 216, kBlue});
  probes.push_back({"camera shifted sprite", 310, 310, kGreen});
  probes.push_back({"where it would be without camera", 410, 310, kBlack});
  probes.push_back({"screen sprite after the camera", 410, 510, kGreen});
  probes.push_back({"deleted after drawing", 710, 510, kRed});
  probes.push_back({"drawn after the delete", 750, 510, kWhite});
  return probes;
}

// The 20 pixels of row y from x on.
std::vector<Rgb> Row(const Screenshot& shot, int x, int y) {
  std::vector<Rgb> row;
  for (int i = 0; i < 20; ++i)
    row.push_back(shot.At(x + i, y));
  return row;
}

bool IsWhite(Rgb c) {
  return c == kWhite;
}
bool IsLit(Rgb c) {
  return c != kBlack;
}
// Glyph stems magnified twice are filtered, so their red need not reach full strength.
bool IsStrongRed(Rgb c) {
  return c[0] >= 160 && c[1] == 0 && c[2] == 0;
}
bool HasGreenOrBlue(Rgb c) {
  return c[1] != 0 || c[2] != 0;
}

TEST_F(EngineRender, headless_frame_shows_sprites_triangles_and_text_in_place) {
  const Screenshot shot = ShootFrame("tovi2_render_scene.png", DrawScene);
  ASSERT_EQ(std::make_pair(shot.w, shot.h), std::make_pair(800, 600));
  const std::vector<Probe> expected = ExpectedProbes();
  // One grey level of slack for the half-transparent square.
  std::vector<Probe> got = shot.Measure(expected);
  for (Probe& p : got)
    if (p.what == "half transparent white" &&
        std::all_of(p.colour.begin(), p.colour.end(), [](int c) { return std::abs(c - 128) <= 1; }))
      p.colour = {128, 128, 128};
  EXPECT_EQ(got, expected);
  EXPECT_EQ(CheckerLetters(shot), "YBBY YBBY YBBY YBBY YBBY YBBY YBBY YBBY");

  const int helloW = int(text_GetWidth(scene.font, "Hello"));
  EXPECT_TRUE(shot.Any(300, 400, 300 + helloW, 420, IsWhite)) << "white text in its box";
  EXPECT_FALSE(shot.Any(290, 385, 300 + helloW + 10, 400, IsLit)) << "nothing above the line";
  EXPECT_FALSE(shot.Any(300 + helloW + 2, 400, 300 + helloW + 40, 420, IsLit))
      << "nothing past the width";
  const int hiW = int(2 * text_GetWidth(scene.font, "Hi"));
  EXPECT_TRUE(shot.Any(300, 450, 300 + hiW, 490, IsStrongRed)) << "red text at twice the size";
  EXPECT_FALSE(shot.Any(300, 450, 300 + hiW, 490, HasGreenOrBlue)) << "red text only";
  EXPECT_TRUE(shot.Any(300 + hiW / 2, 450, 300 + hiW, 490, IsLit)) << "scaled text is wider";

  // E acute has its own glyph: the E below an accent that stands above the E's top.
  int top = 540;
  while (top < 570 && !shot.Any(300, top, 320, top + 1, IsLit))
    ++top;
  for (int y = top; y < 570; ++y)
    EXPECT_EQ(Row(shot, 300, y), Row(shot, 340, y)) << "row " << y;
  EXPECT_TRUE(shot.Any(340, 530, 360, top, IsLit)) << "the accent";
}

TEST_F(EngineRender, textures_survive_a_second_window) {
  ShootFrame("tovi2_render_first.png", DrawScene);
  LoadWithContext();  // the first run deleted it while drawing
  const Screenshot second = ShootFrame("tovi2_render_second.png", DrawScene);
  const std::vector<Probe> probes = {
      {"checker", 4, 4, kYellow},
      {"checker repeat", 20, 4, kYellow},
      {"sprite", 248, 148, kRed},
      {"camera shifted sprite", 310, 310, kGreen},
  };
  EXPECT_EQ(second.Measure(probes), probes);
}

}  // namespace
