// Rig evaluation: frames that advance and wrap, visibility, transforms down the tree, the
// box, deep trees, and what DrawAnim sets on the root.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "anim/anim_play.h"
#include "anim_test_util.h"

namespace {

using namespace anim_test;

// A frame whose only triangle has its right angle at the frame's origin.
RigFrame Triangle(float size, float cx = 0, float cy = 0) {
  RigFrame frame;
  frame.Triangles = {{0, 0}, {size, 0}, {0, size}};
  frame.Transformed = frame.Triangles;
  frame.TexCoords.assign(3, Point2D{});
  frame.cx = cx;
  frame.cy = cy;
  return frame;
}

RigPart& PartWithFrames(RigPart& root, int frames) {
  RigPart& part = AddRigPart(root);
  for (int i = 0; i < frames; ++i)
    part.Frames.push_back(Triangle(1));
  return part;
}

std::string FramesShown(RigPart& root, RigPart& part, const std::vector<float>& times) {
  std::string shown;
  for (float t : times) {
    EvaluateRig(root, RigMatrix{}, t);
    if (!shown.empty()) shown += ' ';
    shown += std::to_string(part.CurrentFrame + 1);
  }
  return shown;
}

TEST(RigPlay, animated_frames_advance_and_wrap) {
  struct Case {
    std::string what;
    int frames;
    float speed;
    RigKeyList frameKeys;
    std::vector<float> times;
    std::string expected;
  };
  const Case cases[] = {
      {"speed 1", 4, 1, {}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, "1 2 3 4 1 2 3 4 1 2"},
      {"half speed", 4, 0.5f, {}, {0, 1, 2, 3, 6, 7, 8}, "1 1 2 2 4 4 1"},
      // Before the key the time counts from 0 on the key's value: 9 + 3 wraps to 4.
      {"from a frame key", 4, 1, {{10, 0, 3, 0}}, {9, 10, 11, 12, 13}, "4 3 4 1 2"},
      {"backwards falls to the first frame", 4, -1, {}, {0, 1, 2}, "1 1 1"},
      {"speed beyond any whole number", 4, 3e38f, {}, {0, 1, 2}, "1 1 1"},
      {"one frame", 1, 1, {}, {0, 1, 2.5f}, "1 1 1"},
      {"no frames", 0, 1, {}, {0, 7, 100}, "0 0 0"},
  };
  for (const Case& c : cases) {
    RigPart root;
    RigPart& part = PartWithFrames(root, c.frames);
    part.Animated = true;
    part.Speed = c.speed;
    part.FrmKeys = c.frameKeys;
    EXPECT_EQ(FramesShown(root, part, c.times), c.expected) << c.what;
  }
}

TEST(RigPlay, frame_position_picks_the_frame) {
  const std::pair<float, int> cases[] = {{1, 1}, {2.99f, 2}, {3, 3},  {3.999f, 3},
                                         {4, 1}, {0.5f, 1},  {-2, 1}, {1e30f, 1}};
  for (auto [frame, expected] : cases) {
    RigPart root;
    RigPart& part = PartWithFrames(root, 3);
    part.Frame = frame;
    EvaluateRig(root, RigMatrix{}, 0);
    EXPECT_EQ(part.CurrentFrame + 1, expected) << frame;
  }
}

TEST(RigPlay, an_animated_part_without_frames_keeps_counting) {
  RigPart root;
  RigPart& part = PartWithFrames(root, 0);
  part.Animated = true;
  EvaluateRig(root, RigMatrix{}, 41);
  EXPECT_EQ(std::make_tuple(part.Frame, part.Current()),
            std::make_tuple(42.0f, static_cast<const RigFrame*>(nullptr)));
}

TEST(RigPlay, flag_keys_round_to_whole_numbers) {
  const std::pair<float, bool> cases[] = {{0, false},   {0.4f, false}, {0.5f, false},
                                          {0.6f, true}, {-0.7f, true}, {1.5f, true}};
  for (auto [value, expected] : cases) {
    RigPart root;
    RigPart& part = AddRigPart(root);
    part.VisKeys = {{0, 0, value, 0}};
    part.FlXKeys = part.VisKeys;
    part.FlYKeys = part.VisKeys;
    part.AnmKeys = part.VisKeys;
    EvaluateRig(root, RigMatrix{}, 3);
    EXPECT_EQ((std::vector<bool>{part.Visible, part.FlipX, part.FlipY, part.Animated}),
              std::vector<bool>(4, expected))
        << value;
  }
}

TEST(RigPlay, visibility_through_ancestors) {
  struct Case {
    std::string what;
    bool grandVisible, parentVisible, parentInherits, childVisible, childInherits;
    bool shown;
  };
  const Case cases[] = {
      {"all shown", true, true, true, true, true, true},
      {"a hidden grandparent hides through an inheriting parent", false, true, true, true, true,
       false},
      {"a parent that does not inherit ends the walk", false, true, false, true, true, true},
      {"a hidden parent hides though it does not inherit", true, false, false, true, true, false},
      {"a hidden parent hides", true, false, true, true, true, false},
      {"a child that does not inherit ignores its parent", true, false, true, true, false, true},
      {"a hidden child", true, true, true, false, false, false},
  };
  for (const Case& c : cases) {
    RigPart root;
    RigPart& grand = AddRigPart(root);
    RigPart& parent = AddRigPart(root);
    RigPart& child = AddRigPart(root);
    SetRigParent(parent, grand);
    SetRigParent(child, parent);
    grand.Visible = c.grandVisible;
    parent.Visible = c.parentVisible;
    parent.InheritVis = c.parentInherits;
    child.Visible = c.childVisible;
    child.InheritVis = c.childInherits;
    EXPECT_EQ(IsShown(child), c.shown) << c.what;
    DrawRig(root, 255);  // no window: draws nothing, but marks what it would show
    EXPECT_EQ(child.Shown, c.shown) << c.what << " (DrawRig)";
  }
}

TEST(RigPlay, children_inherit_the_transform_but_not_the_frame_centre) {
  RigPart root;
  RigPart& parent = AddRigPart(root);
  RigPart& child = AddRigPart(root);
  SetRigParent(child, parent);
  parent.Frames.push_back(Triangle(2, 1, 1));  // its centre (1, 1) sits at its position
  parent.X = 100;
  parent.Y = 50;
  parent.Angle = 90;
  parent.ScaleX = 2;
  child.Frames.push_back(Triangle(2));
  child.X = 10;
  EvaluateRig(root, RigMatrix{}, 0);
  // A quarter turn maps x to y and y to -x; the parent's scale doubles the child's x.
  EXPECT_EQ(PointsText(parent.Frames[0].Transformed), "(101,48) (101,52) (99,48)");
  EXPECT_EQ(PointsText(child.Frames[0].Transformed), "(100,70) (100,74) (98,70)");
  EXPECT_EQ(PointsText({TransformRig(child.NodeMatrix, {0, 0})}), "(100,70)");
}

TEST(RigPlay, a_mirrored_root_mirrors_the_whole_rig) {
  TSpr spr;
  spr.Rig = std::make_unique<RigPart>();
  RigPart& arm = AddRigPart(*spr.Rig);
  RigPart& hand = AddRigPart(*spr.Rig);
  SetRigParent(hand, arm);
  arm.Frames.push_back(Triangle(4));
  arm.X = 10;
  hand.Frames.push_back(Triangle(2));
  hand.X = 5;
  hand.PosKeys = {{0, 1, 0, 0}, {10, 1, 10, 0}};
  DrawAnim(spr, 4, true, 300, 200, 0, 255);
  const RigPart& root = *spr.Rig;
  EXPECT_EQ(std::make_tuple(root.X, root.Y, root.Angle, root.ScaleX, root.ScaleY, root.FlipX),
            std::make_tuple(300.0f, 200.0f, 0.0f, 1.0f, 1.0f, true));
  EXPECT_EQ(PointsText(arm.Frames[0].Transformed), "(290,200) (286,200) (290,204)");
  EXPECT_EQ(PointsText(hand.Frames[0].Transformed), "(286,200) (284,200) (286,202)")
      << "the hand at 4 of 10 from the arm";
}

TEST(RigPlay, box_of_visible_parts) {
  RigPart root;
  RigPart& a = PartWithFrames(root, 1);
  RigPart& b = PartWithFrames(root, 1);
  RigPart& c = PartWithFrames(root, 1);
  SetRigParent(c, b);
  a.X = -5;
  b.X = 10;
  b.Y = 20;
  c.X = 30;
  float box[4];
  auto Box = [&] {
    EvaluateRig(root, RigMatrix{}, 0);
    RigBox(root, box[0], box[1], box[2], box[3]);
    return std::vector<float>(box, box + 4);
  };
  EXPECT_EQ(Box(), (std::vector<float>{-5, 0, 41, 21}));
  b.Visible = false;
  EXPECT_EQ(Box(), (std::vector<float>{-5, 0, 41, 21})) << "c counts though b hides it";
  c.Visible = false;
  EXPECT_EQ(Box(), (std::vector<float>{-5, 0, -4, 1}));
  a.Visible = false;
  EXPECT_EQ(Box(), (std::vector<float>{1e6f, 1e6f, -1e6f, -1e6f})) << "nothing visible";
}

TEST(RigPlay, a_chain_of_100000_parts) {
  constexpr int kDepth = 100000;
  TSpr spr;
  spr.Rig = std::make_unique<RigPart>();
  RigPart* parent = spr.Rig.get();
  for (int i = 0; i < kDepth; ++i) {
    RigPart& part = PartWithFrames(*spr.Rig, 1);
    part.X = 1;
    ASSERT_TRUE(SetRigParent(part, *parent));
    parent = &part;
  }
  DrawAnim(spr, 0, false, 0, 0, 0, 255);  // evaluates and draws without recursion
  float box[4];
  RigBox(*spr.Rig, box[0], box[1], box[2], box[3]);
  EXPECT_EQ(std::vector<float>(box, box + 4), (std::vector<float>{1, 0, kDepth + 1, 1}));
  EXPECT_TRUE(IsShown(*parent));
  EXPECT_FALSE(SetRigParent(*spr.Rig->Parts.front(), *parent)) << "no cycle";
}

}  // namespace
