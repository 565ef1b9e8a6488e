// ".RGS" text: root and part values, flags, key and frame lines, counts that the file
// does not keep, parent links, and the errors that end a load.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "anim/anim_files.h"
#include "anim/anim_play.h"
#include "anim_test_util.h"

namespace {

using namespace anim_test;

std::string Flag(bool b) {
  return b ? "1" : "0";
}

// The values a file sets, as one line per part.
std::string PartText(const RigPart& p) {
  return "ID=" + std::to_string(p.ID) + " Name=" + p.Name + " X=" + Num(p.X) + " Y=" + Num(p.Y) +
         " Angle=" + Num(p.Angle) + " Scale=" + Num(p.ScaleX) + "," + Num(p.ScaleY) +
         " Flip=" + Flag(p.FlipX) + Flag(p.FlipY) + " Visible=" + Flag(p.Visible) +
         " InheritVis=" + Flag(p.InheritVis) + " Frame=" + Num(p.Frame) +
         " Animated=" + Flag(p.Animated) + " FPS=" + std::to_string(p.FPS) +
         " Speed=" + Num(p.Speed) + " Frames=" + std::to_string(p.FrameCount()) +
         " Texture=" + (p.Texture ? p.Texture->Path : "none");
}

std::vector<std::string> PartTexts(const TSpr& spr) {
  std::vector<std::string> texts;
  for (const auto& part : spr.Rig->Parts)
    texts.push_back(PartText(*part));
  return texts;
}

TEST(RigReader, root_and_part_values) {
  const TSpr spr = RigFromText(
      "RigSprite\n"
      "Frame=2.5\nStartFrame=3\nEndFrame=40\nFPS=30\nName=ignored\nX=7\n"
      "Sprite=\n"
      "Name=arm\nID=12\nX=1.5\nY=-2\nAngle=90\nScaleX=2\nScaleY=0.5\nFlipX=1\nFlipY=true\n"
      "Visible=0\nInheritVis=FALSE\nFrame=3\nAnimated=TRUE\nFPS=12\nSpeed=0.25\n"
      "Sprite=anything\n"
      "Name=a=b=c\nX = 5\nY=junk\nID=65537\n");
  const RigPart& root = *spr.Rig;
  EXPECT_EQ(
      std::make_tuple(Num(root.Frame), root.StartFrame, root.EndFrame, root.FPS, root.X, root.Name),
      std::make_tuple(std::string("2.5"), 3, 40, 30, 0.0f, std::string()));
  const std::vector<std::string> expected = {
      // Loading evaluates at the root's Frame 2.5: animated, the part is at 2.5 * 0.25 + 1.
      "ID=12 Name=arm X=1.5 Y=-2 Angle=90 Scale=2,0.5 Flip=11 Visible=0 InheritVis=0 "
      "Frame=1.625 Animated=1 FPS=12 Speed=0.25 Frames=0 Texture=none",
      // "X = 5" has the key "X " and sets nothing; the 16-bit ID wraps.
      "ID=1 Name=abc X=0 Y=0 Angle=0 Scale=1,1 Flip=00 Visible=1 InheritVis=1 Frame=1 "
      "Animated=0 FPS=24 Speed=1 Frames=0 Texture=none",
  };
  EXPECT_EQ(PartTexts(spr), expected);
  EXPECT_EQ(TreeOf(root), "0(12,1)");
}

TEST(RigReader, flag_values) {
  const std::pair<std::string, bool> cases[] = {{"1", true},      {"TRUE", true},  {"true", true},
                                                {"tRuE", true},   {"0", false},    {"yes", false},
                                                {"2", false},     {" 1", false},   {"", false},
                                                {"false", false}, {"TRUE ", false}};
  for (const auto& [value, expected] : cases) {
    const TSpr spr = RigFromText("RigSprite\nSprite=\nVisible=0\nVisible=" + value + "\n");
    EXPECT_EQ(spr.Rig->Parts[0]->Visible, expected) << "\"" << value << "\"";
  }
}

TEST(RigReader, key_lines) {
  const TSpr spr = RigFromText(
      "RigSprite\nSprite=\nPosKeys=7\n"
      "5 1 2.5 7\n"  // four fields
      "6 0 3\n"      // three: value2 is 0
      "7 2 1 2 3\n"  // value2 is the rest of the line, which is no real
      "8 9 1 1\n"    // undefined type codes are kept as splines
      "9 x 4 4\n"
      "-3 1 bad 0.5\n"
      "10\n");
  const RigKeyList expected = {{5, 1, 2.5f, 7}, {6, 0, 3, 0},     {7, 2, 1, 0}, {8, 2, 1, 1},
                               {9, 2, 4, 4},    {-3, 1, 0, 0.5f}, {10, 2, 0, 0}};
  EXPECT_EQ(spr.Rig->Parts[0]->PosKeys, expected);
}

TEST(RigReader, each_key_list_kind_and_replacement) {
  const TSpr spr = RigFromText(
      "RigSprite\nSprite=\n"
      "PosKeys=1\n1 1 1 1\nAngKeys=1\n2 1 2\nSclKeys=1\n3 1 3 3\nFlXKeys=1\n4 0 1\n"
      "FlYKeys=1\n5 0 1\nVisKeys=1\n6 0 0\nFrmKeys=1\n7 0 2\nAnmKeys=1\n8 0 1\n"
      "PosKeys=1\n9 1 9 9\n");
  const RigPart& p = *spr.Rig->Parts[0];
  const std::vector<RigKeyList> expected = {{{9, 1, 9, 9}}, {{2, 1, 2, 0}}, {{3, 1, 3, 3}},
                                            {{4, 0, 1, 0}}, {{5, 0, 1, 0}}, {{6, 0, 0, 0}},
                                            {{7, 0, 2, 0}}, {{8, 0, 1, 0}}};
  EXPECT_EQ((std::vector<RigKeyList>{p.PosKeys, p.AngKeys, p.SclKeys, p.FlXKeys, p.FlYKeys,
                                     p.VisKeys, p.FrmKeys, p.AnmKeys}),
            expected);
}

TEST(RigReader, counts_the_file_does_not_keep) {
  struct Case {
    std::string what, text, expected;
  };
  const Case cases[] = {
      {"more keys than lines", "PosKeys=5\n1 1 7 7\n2 1 8 8\n", "keys 2 frames 0 points - X=7"},
      {"negative key count", "PosKeys=-2\nX=5\n", "keys 0 frames 0 points - X=5"},
      {"more frames than lines", "Frames=3\n1\n2\n2\n0 0\n5 5\n", "keys 0 frames 1 points 2 X=0"},
      {"a frame cut after its centre", "Frames=2\n1\n2\n", "keys 0 frames 1 points 0 X=0"},
      {"more points than lines", "Frames=1\n0\n0\n10\n0 0\n4 0\n4 4\n",
       "keys 0 frames 1 points 3 X=0"},
      {"negative frame count", "Frames=-1\nX=5\n", "keys 0 frames 0 points - X=5"},
      {"negative point count", "Frames=1\n0\n0\n-4\nX=5\n", "keys 0 frames 1 points 0 X=5"},
      {"counts before the first part are no counts", "", "keys 0 frames 0 points - X=0"},
  };
  for (const Case& c : cases) {
    const TSpr spr = RigFromText("RigSprite\nPosKeys=2\nSprite=\n" + c.text);
    const RigPart& p = *spr.Rig->Parts[0];
    std::string got = "keys " + std::to_string(p.PosKeys.size()) + " frames " +
                      std::to_string(p.FrameCount()) + " points " +
                      (p.Frames.empty() ? "-" : std::to_string(p.Frames[0].Points.size())) +
                      " X=" + Num(p.X);
    EXPECT_EQ(got, c.expected) << c.what;
  }
}

TEST(RigReader, unreadable_whole_numbers_end_the_load) {
  const std::pair<std::string, std::string> cases[] = {
      {"StartFrame=1.5\n", "'1.5' is not a valid integer value (\"test.rgs\", line 2)"},
      {"Sprite=\nID=abc\n", "'abc' is not a valid integer value (\"test.rgs\", line 3)"},
      {"Sprite=\nParentID=\n", "'' is not a valid integer value (\"test.rgs\", line 3)"},
      {"Sprite=\nPosKeys=2\n1 1 1\nSprite=\n",
       "'Sprite=' is not a valid integer value (\"test.rgs\", line 5)"},
      {"Sprite=\nFrames=1\n0\n0\nfour\n",
       "'four' is not a valid integer value (\"test.rgs\", line 6)"},
      {"Sprite=\nFrames= 1\n", "' 1' is not a valid integer value (\"test.rgs\", line 3)"},
      {"Sprite=\nID=99999999999\n",
       "'99999999999' is not a valid integer value (\"test.rgs\", line 3)"},
  };
  for (const auto& [text, message] : cases) {
    try {
      RigFromText("RigSprite\n" + text);
      ADD_FAILURE() << "no error for " << text;
    } catch (const AnimError& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }
}

TEST(RigReader, another_first_line_gives_an_empty_rig) {
  for (const std::string text : {"", "rigsprite\nSprite=\n", " RigSprite\nSprite=\n",
                                 "RigSprite \nSprite=\n", "Sprite=\n"}) {
    const TSpr spr = RigFromText(text);
    ASSERT_TRUE(spr.Rig) << text;
    EXPECT_EQ(spr.Rig->Parts.size(), 0u) << text;
  }
}

struct LinkCase {
  std::string what, parts, tree;
};

TEST(RigReader, parent_links) {
  const LinkCase cases[] = {
      {"a chain", "ID=1\nSprite=\nID=2\nParentID=1\nSprite=\nID=3\nParentID=2\n", "0(1(2(3)))"},
      {"a parent named before it comes", "ID=1\nParentID=2\nSprite=\nID=2\n", "0(2(1))"},
      {"children keep link order", "ID=1\nSprite=\nID=3\nParentID=1\nSprite=\nID=2\nParentID=1\n",
       "0(1(3,2))"},
      {"ParentID before ID links the ID it had then, the root's",
       "ParentID=2\nID=1\nSprite=\nID=2\n", "0(1,2)"},
      {"a cycle keeps the old parent", "ID=1\nParentID=2\nSprite=\nID=2\nParentID=1\n", "0(2(1))"},
      {"a longer cycle", "ID=1\nParentID=3\nSprite=\nID=2\nParentID=1\nSprite=\nID=3\nParentID=2\n",
       "0(3(1(2)))"},
      {"its own parent", "ID=1\nParentID=1\n", "0(1)"},
      {"a parent that does not exist", "ID=1\nParentID=9\nSprite=\nID=2\nParentID=70000\n",
       "0(1,2)"},
      {"a parent of 0 is the root", "ID=1\nSprite=\nID=2\nParentID=1\nParentID=0\n", "0(1,2)"},
      {"duplicate IDs: the first in file order when it is first depth first",
       "ID=1\nSprite=\nID=1\nSprite=\nID=9\nParentID=1\n", "0(1(9),1)"},
      // Q (the first ID 1) moves under P, so R (the second ID 1) comes first depth first.
      {"duplicate IDs: the first depth first",
       "ID=1\nParentID=7\nSprite=\nID=1\nSprite=\nID=7\nSprite=\nID=9\nParentID=1\n",
       "0(1(9),7(1))"},
  };
  for (const LinkCase& c : cases) {
    const TSpr spr = RigFromText("RigSprite\nSprite=\n" + c.parts);
    EXPECT_EQ(TreeOf(*spr.Rig), c.tree) << c.what;
  }
}

TEST(RigReader, part_and_link_limits) {
  std::string many = "RigSprite\n";
  for (int i = 0; i < kMaxRigParts; ++i)
    many += "Sprite=\n";
  EXPECT_EQ(RigFromText(many).Rig->Parts.size(), size_t(kMaxRigParts));
  try {
    RigFromText(many + "Sprite=\n");
    ADD_FAILURE() << "no error for too many parts";
  } catch (const AnimError& e) {
    EXPECT_EQ(std::string(e.what()), "More than 4096 parts (\"test.rgs\", line 4098)");
  }
  std::string links = "RigSprite\nSprite=\n";
  for (int i = 0; i <= kMaxRigParts; ++i)
    links += "ParentID=0\n";
  EXPECT_THROW(RigFromText(links), AnimError);
}

TEST(RigReader, deepest_chain_the_limit_allows) {
  std::string text = "RigSprite\n";
  for (int id = 1; id <= kMaxRigParts; ++id) {
    text += "Sprite=\nID=" + std::to_string(id) + "\nParentID=" + std::to_string(id - 1) +
            "\nX=1\nFrames=1\n0\n0\n3\n0 0\n1 0\n0 1\n";
  }
  TSpr spr = RigFromText(text);
  int depth = 0;
  for (const RigPart* p = spr.Rig->Parts.back().get(); p->Parent; p = p->Parent)
    ++depth;
  EXPECT_EQ(depth, kMaxRigParts);
  float box[4];
  RigBox(*spr.Rig, box[0], box[1], box[2], box[3]);
  EXPECT_EQ(std::vector<float>(box, box + 4), (std::vector<float>{1, 0, 4097, 1}));
}

TEST(RigReader, frames_are_triangulated_with_texture_coordinates) {
  const MemoryFolder folder({{"body.png", {64, 32}}});
  const TSpr spr = RigFromText(
      "RigSprite\nSprite=\nTexture=body.png\nFrames=2\n"
      "32\n16\n4\n0 0\n64 0\n64 32\n0 32\n"
      "1\n2\n3\n0 0\n32\n16 16\n"  // a point line without a blank: x only
      "Sprite=\nFrames=1\n0\n0\n3\n0 0\n8 0\n0 8\n",
      folder);
  const RigPart& body = *spr.Rig->Parts[0];
  ASSERT_EQ(body.FrameCount(), 2);
  const RigFrame& square = body.Frames[0];
  EXPECT_EQ(std::make_pair(square.cx, square.cy), std::make_pair(32.0f, 16.0f));
  ASSERT_EQ(square.TriangleCount(), 6);
  // Each corner of the image maps to its place in the texture, v counted from the bottom.
  const std::map<std::string, std::string> corners = {
      {"(0,0)", "(0,1)"}, {"(64,0)", "(1,1)"}, {"(64,32)", "(1,0)"}, {"(0,32)", "(0,0)"}};
  for (int i = 0; i < square.TriangleCount(); ++i) {
    std::string corner = PointsText({square.Triangles[size_t(i)]});
    ASSERT_TRUE(corners.contains(corner)) << corner;
    EXPECT_EQ(PointsText({square.TexCoords[size_t(i)]}), corners.at(corner)) << corner;
  }
  EXPECT_EQ(PointsText(body.Frames[1].Points), "(0,0) (32,0) (16,16)");
  const RigPart& bare = *spr.Rig->Parts[1];
  EXPECT_EQ(bare.Frames[0].TriangleCount(), 3);
  EXPECT_EQ(PointsText(bare.Frames[0].TexCoords), "(0,0) (0,0) (0,0)") << "no texture";
}

TEST(RigReader, outlines_beyond_255_vertices_are_kept_whole) {
  std::string text = "RigSprite\nSprite=\nFrames=1\n0\n0\n300\n";
  for (int i = 0; i < 300; ++i) {
    double a = 2 * M_PI * i / 300;
    text += Num(float(100 * std::cos(a))) + " " + Num(float(100 * std::sin(a))) + "\n";
  }
  const TSpr spr = RigFromText(text);
  const RigFrame& frame = spr.Rig->Parts[0]->Frames[0];
  EXPECT_EQ(std::make_pair(frame.Points.size(), frame.TriangleCount()),
            std::make_pair(size_t(300), 3 * 298));
}

TEST(RigReader, a_later_frames_line_replaces_the_frames) {
  const TSpr spr =
      RigFromText("RigSprite\nSprite=\nFrames=2\n1\n1\n0\n2\n2\n0\nFrames=1\n5\n6\n0\n");
  const RigPart& p = *spr.Rig->Parts[0];
  ASSERT_EQ(p.FrameCount(), 1);
  EXPECT_EQ(std::make_pair(p.Frames[0].cx, p.Frames[0].cy), std::make_pair(5.0f, 6.0f));
}

TEST(RigReader, load_evaluates_at_the_root_frame) {
  const TSpr spr = RigFromText(
      "RigSprite\nFrame=15\nSprite=\nPosKeys=2\n10 1 0 0\n20 1 100 -10\n"
      "Frames=2\n0\n0\n0\n0\n0\n0\nFrmKeys=1\n0 0 2\n");
  const RigPart& p = *spr.Rig->Parts[0];
  EXPECT_EQ(std::make_tuple(p.X, p.Y, p.CurrentFrame), std::make_tuple(50.0f, -5.0f, 1));
}

}  // namespace
