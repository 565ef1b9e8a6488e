// ".SPR" frame lists, the line ends of disk files and package members, and grid frames.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "anim/anim_files.h"
#include "anim/anim_play.h"
#include "anim/anim_text.h"
#include "anim_test_util.h"

namespace {

using namespace anim_test;

TSpr FramesFromText(const std::string& text, LineEnds ends = LineEnds::File) {
  const MemoryFolder folder({{"sheet.png", {64, 32}}});
  TSpr spr;
  LoadAnimFromText(spr, AnimKind::Frames, text, ends, folder, "test.spr");
  return spr;
}

TEST(FrameList, frame_lines) {
  const TSpr spr = FramesFromText(
      "sheet.png\n"
      "0 0 16 16 1 2 20 22\n"
      "16 0 16 16\n"                  // four numbers: no offset, no centring size
      "\n"                            // a frame of zeros
      "x 5 -3 $10 0x1F 9999999999\n"  // unreadable fields count as 0, hexadecimal is read
      "1 2 3 4 5 6 7 8 9 10\n"        // fields after the eighth are ignored
      "1  2\n");                      // two blanks: an empty field between them
  const std::vector<TSprFrame> expected = {
      {0, 0, 16, 16, 1, 2, 20, 22}, {16, 0, 16, 16, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0},
      {0, 5, -3, 16, 31, 0, 0, 0},  {1, 2, 3, 4, 5, 6, 7, 8},    {1, 0, 2, 0, 0, 0, 0, 0},
  };
  EXPECT_EQ(spr.Frames, expected);
  EXPECT_EQ(spr.Name, "sheet.png");
  ASSERT_NE(spr.Tex, nullptr);
  EXPECT_EQ(std::make_pair(spr.Tex->Width, spr.Tex->Height), std::make_pair(64, 32));
}

TEST(FrameList, missing_image_keeps_the_frames) {
  const TSpr spr = FramesFromText("nothing.png\n1 2 3 4\n");
  EXPECT_EQ(std::make_tuple(spr.Name, spr.Tex, spr.FrameCount()),
            std::make_tuple(std::string("nothing.png"), static_cast<Texture*>(nullptr), 1));
}

TEST(FrameList, line_ends) {
  struct Case {
    std::string what, text;
    LineEnds ends;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"file CR LF", "a\r\nb\r\n", LineEnds::File, {"a", "b"}},
      {"file LF, last line without end", "a\nb", LineEnds::File, {"a", "b"}},
      {"file empty lines count", "a\n\n\nb\n", LineEnds::File, {"a", "", "", "b"}},
      {"file lone CR drops the rest of the line", "a\rjunk\nb\n", LineEnds::File, {"a", "b"}},
      {"file Ctrl-Z ends it", "a\nb\x1A\nc\n", LineEnds::File, {"a", "b"}},
      {"package CR LF", "a\r\nb\r\n", LineEnds::Package, {"a", "b"}},
      {"package lone CR ends a line", "a\rb\rc", LineEnds::Package, {"a", "b", "c"}},
      {"package lone LF ends a line", "a\nb\r\n", LineEnds::Package, {"a", "b"}},
      {"package empty lines count", "a\r\r\rb", LineEnds::Package, {"a", "", "", "b"}},
      {"nothing", "", LineEnds::Package, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitAnimLines(c.text, c.ends), c.lines) << c.what;
  }
}

TEST(FrameList, package_text_gives_the_same_frames) {
  const TSpr file = FramesFromText("sheet.png\n1 2 3 4\n\n5 6 7 8\n");
  const TSpr package = FramesFromText("sheet.png\r\n1 2 3 4\r\n\r\n5 6 7 8\r\n", LineEnds::Package);
  EXPECT_EQ(package.Frames, file.Frames);
  EXPECT_EQ(package.FrameCount(), 3);
}

struct GridCase {
  std::string what;
  int textureWidth, w, h, n;
  std::vector<std::pair<int, Rect2D>> cells;  // frame index and its cut-out
  int count;
};

std::string CellsText(const TSpr& spr, const std::vector<std::pair<int, Rect2D>>& cells) {
  std::string text;
  for (const auto& [index, expected] : cells) {
    const TSprFrame& f = spr.Frames.at(size_t(index));
    text += std::to_string(index) + ":" + Num(f.SrcX) + "," + Num(f.SrcY) + "," + Num(f.SrcW) +
            "," + Num(f.SrcH) + "/" + std::to_string(f.Width) + "," + std::to_string(f.Height) +
            "/" + std::to_string(f.OffsetX) + "," + std::to_string(f.OffsetY) + " ";
  }
  return text;
}

std::string ExpectedText(const std::vector<std::pair<int, Rect2D>>& cells) {
  std::string text;
  for (const auto& [index, r] : cells) {
    text += std::to_string(index) + ":" + Num(r.X) + "," + Num(r.Y) + "," + Num(r.W) + "," +
            Num(r.H) + "/" + Num(r.W) + "," + Num(r.H) + "/0,0 ";
  }
  return text;
}

TEST(GridFrames, cells_run_left_to_right_then_down) {
  const GridCase cases[] = {
      {"menu cursor, ten cells a row",
       400,
       40,
       40,
       50,
       {{0, {0, 0, 40, 40}},
        {9, {360, 0, 40, 40}},
        {10, {0, 40, 40, 40}},
        {49, {360, 160, 40, 40}}},
       50},
      {"a row ends when the next cell would reach past the edge",
       399,
       40,
       40,
       50,
       {{8, {320, 0, 40, 40}}, {9, {0, 40, 40, 40}}, {49, {160, 200, 40, 40}}},
       50},
      {"cells wider than the image, one a row",
       30,
       40,
       20,
       3,
       {{0, {0, 0, 40, 20}}, {1, {0, 20, 40, 20}}, {2, {0, 40, 40, 20}}},
       3},
      {"no cells", 400, 40, 40, -5, {}, 0},
      {"as many cells as a 16-bit frame reaches",
       400,
       1,
       1,
       1 << 30,
       {{65535, {335, 163, 1, 1}}},
       65536},
  };
  for (const GridCase& c : cases) {
    TSpr spr;
    spr.Tex = tex_LoadFromFile(WritePng("grid.png", c.textureWidth, 8));
    ASSERT_NE(spr.Tex, nullptr);
    SetGridFrames(spr, c.w, c.h, c.n);
    EXPECT_EQ(spr.FrameCount(), c.count) << c.what;
    EXPECT_EQ(CellsText(spr, c.cells), ExpectedText(c.cells)) << c.what;
  }
}

TEST(GridFrames, nothing_without_a_texture) {
  TSpr spr;
  spr.Frames = {{1, 2, 3, 4, 0, 0, 0, 0}};
  SetGridFrames(spr, 40, 40, 50);
  EXPECT_EQ(spr.Frames, (std::vector<TSprFrame>{{1, 2, 3, 4, 0, 0, 0, 0}}));
}

}  // namespace
