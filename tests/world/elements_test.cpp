// Circles, sprites, objects and joints, and the bounds, grid and copy rules of every kind.
#include "world/elements.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <tuple>
#include <vector>

#include "object_test_support.h"
#include "world/creature.h"
#include "world/pattern.h"

namespace {

using object_test::kInfinity;
using object_test::TestWorld;
using Make = std::function<std::unique_ptr<TGameObject>()>;

TSprFrame Frame(int w, int h) {
  return {0, 0, float(w), float(h), 0, 0, w, h};
}

// One part showing a right triangle of 10 x 20 with its right angle at the anchor.
std::unique_ptr<RigPart> TriangleRig(int32_t start, int32_t end) {
  auto root = std::make_unique<RigPart>();
  std::tie(root->StartFrame, root->EndFrame) = std::tuple(start, end);
  RigFrame frame;
  frame.Triangles = {{0, 0}, {10, 0}, {0, 20}};
  AddRigPart(*root).Frames.push_back(frame);
  return root;
}

// Every kind of animation record a pattern can carry.
struct Patterns {
  TSpritePat image, strip, rig;
  TObjPat obj;
  TCreaturePat creature, stillCreature;

  Patterns() {
    image.Anim.Tex = object_test::MakeTexture(64, 32);
    strip.Anim.Frames = {Frame(10, 20), Frame(30, 40)};
    rig.Anim.Rig = TriangleRig(2, 4);
    creature.StandAnim.Frames = {Frame(20, 40), Frame(50, 50)};
    stillCreature.StandAnim.Tex = object_test::MakeTexture(16, 16);
  }
};

// An object of kind T with pattern and position (and animation time where it has one).
template <class T, class P>
std::unique_ptr<T> Placed(P* pattern, float x, float y, float time = 0) {
  auto object = std::make_unique<T>();
  object->SetPattern(pattern);
  std::tie(object->X, object->Y) = std::tuple(x, y);
  object->AnimTime = time;
  return object;
}
std::unique_ptr<TJoint> Joint(float x, float y) {
  auto joint = std::make_unique<TJoint>();
  std::tie(joint->X, joint->Y) = std::tuple(x, y);
  return joint;
}
std::unique_ptr<TPoly> Polygon(std::vector<std::pair<float, float>> outline) {
  auto poly = std::make_unique<TPoly>();
  for (auto [x, y] : outline)
    poly->AddVertex(x, y);
  return poly;
}

TEST(Elements, bounds_of_every_kind) {
  Patterns p;
  const TBounds untouched{1, 2, 3, 4};
  const std::vector<std::tuple<std::string, Make, TBounds>> cases = {
      {"polygon of one vertex",
       [] {
         return Polygon({{10, 10}});
       },
       {6, 6, 14, 14}},
      {"polygon",
       [] {
         return Polygon({{0, 0}, {30, 5}, {-2, 10}});
       },
       {-6, -4, 34, 14}},
      {"polygon without vertices", [] { return Polygon({}); }, untouched},
      {"circle", [] { return std::make_unique<TCircle>(10, 20, 5); }, {1, 11, 19, 29}},
      {"sprite of an image", [&] { return Placed<TSprite>(&p.image, 100, 50); }, {68, 34, 132, 66}},
      {"sprite, frame 0", [&] { return Placed<TSprite>(&p.strip, 0, 0, 0.5f); }, {-5, -10, 5, 10}},
      {"sprite, frame 1",
       [&] { return Placed<TSprite>(&p.strip, 0, 0, 1.7f); },
       {-15, -20, 15, 20}},
      {"sprite, past the last frame",
       [&] { return Placed<TSprite>(&p.strip, 0, 0, 9); },
       {-15, -20, 15, 20}},
      {"sprite, keyframed",
       [&] { return Placed<TSprite>(&p.rig, 100, 50, 2); },
       {100, 50, 110, 70}},
      {"sprite without pattern", [] { return Placed<TSprite, TSpritePat>(nullptr, 5, 5); },
       untouched},
      {"object", [&] { return Placed<TObj>(&p.obj, 100, 50); }, {80, 30, 120, 70}},
      {"object without pattern", [] { return Placed<TObj, TObjPat>(nullptr, 100, 50); }, untouched},
      {"joint", [] { return Joint(0, 0); }, {-5, -5, 5, 5}},
      {"creature", [&] { return Placed<TCreature>(&p.creature, 100, 100); }, {90, 80, 110, 120}},
      {"creature without frames", [&] { return Placed<TCreature>(&p.stillCreature, 1, 1); },
       untouched},
  };
  for (const auto& [name, make, expected] : cases) {
    SCOPED_TRACE(name);
    TBounds b = untouched;
    make()->GetBounds(b);
    EXPECT_EQ(b, expected);
  }
}

template <class T>
std::vector<float> PositionAndHome(const T& o) {
  return {o.X, o.Y, o.HomeX, o.HomeY};
}

TEST(Elements, snap_to_grid_rounds_halves_to_even_and_home_takes_the_result) {
  TCircle circle(2.5f, 3.5f, 10);  // rim and first vertex at (12.5, 3.5)
  circle.SnapToGrid();
  circle.StoreHome();
  const TPolyVertex& v = circle.Poly->Vertices[0];
  EXPECT_EQ(
      (std::vector<float>{circle.X, circle.Y, circle.HomeX, circle.HomeY, circle.RimX, circle.RimY,
                          circle.HomeRimX, circle.HomeRimY, v.X, v.Y, v.HomeX, v.HomeY}),
      (std::vector<float>{2, 4, 2, 4, 12, 4, 12, 4, 12, 4, 12, 4}));

  auto sprite = Placed<TSprite, TSpritePat>(nullptr, 2.5f, -3.5f);
  auto obj = Placed<TObj, TObjPat>(nullptr, 0.5f, 1.5f);
  auto joint = Joint(-0.5f, 7.4f);
  auto creature = Placed<TCreature, TCreaturePat>(nullptr, 3.5f, 4.5f);
  for (TGameObject* o :
       std::vector<TGameObject*>{sprite.get(), obj.get(), joint.get(), creature.get()}) {
    o->SnapToGrid();
    o->StoreHome();
  }
  EXPECT_EQ(PositionAndHome(*sprite), (std::vector<float>{2, -4, 2, -4}));
  EXPECT_EQ(PositionAndHome(*obj), (std::vector<float>{0, 2, 0, 2}));
  EXPECT_EQ(PositionAndHome(*joint), (std::vector<float>{0, 7, 0, 7}));
  EXPECT_EQ(PositionAndHome(*creature), (std::vector<float>{4, 4, 4, 4}));
}

TEST(Circle, rounded_radius_gives_8_to_32_vertices_on_the_rim_from_the_right) {
  const std::vector<std::pair<float, size_t>> cases = {{3, 8},      {8.5f, 8}, {9.5f, 10}, {20, 20},
                                                       {31.5f, 32}, {100, 32}, {NAN, 8}};
  for (auto [r, n] : cases) {
    TCircle circle(100, 50, r);
    EXPECT_EQ(circle.Poly->Vertices.size(), n) << r;
  }
  TCircle circle(100, 50, 20);
  std::vector<std::tuple<long, long, bool>> quarters;  // every fifth vertex, in hundredths
  for (size_t i = 0; i < 20; i += 5) {
    const TPolyVertex& v = circle.Poly->Vertices[i];
    quarters.emplace_back(std::lround(v.X * 100), std::lround(v.Y * 100), v.FromCircle);
  }
  EXPECT_EQ(
      quarters,
      (std::vector<std::tuple<long, long, bool>>{
          {12000, 5000, true}, {10000, 7000, true}, {8000, 5000, true}, {10000, 3000, true}}));
  // A level file's rim point above the centre: only its distance is kept.
  TCircle loaded(40, 60, m_Distance(40, 60, 40, 30));
  EXPECT_EQ(std::tuple(loaded.RimX, loaded.RimY, loaded.Radius()), std::tuple(70.f, 60.f, 30.f));
}

// AnimTime after each step, in thousandths of a frame.
std::vector<long> AnimTimes(TGameObject& object, const float& animTime, int steps) {
  std::vector<long> times;
  for (int i = 0; i < steps; ++i) {
    object.Update();
    times.push_back(std::lround(animTime * 1000));
  }
  return times;
}

TEST(Sprite, animation_wraps_at_the_end_of_its_frames) {
  Patterns p;
  p.strip.AnimSpeed = p.rig.AnimSpeed = 1;
  p.image.AnimSpeed = 0.5f;
  const std::vector<std::tuple<std::string, TSpritePat*, bool, std::vector<long>>> cases = {
      {"strip of two", &p.strip, true, {1000, 2000, 0, 1000}},
      {"not animated", &p.strip, false, {0, 0, 0, 0}},
      {"keyframed 2..4, from its first loop frame", &p.rig, true, {3000, 4000, 2000, 3000}},
      {"still image", &p.image, true, {0, 0, 0, 0}},
  };
  for (const auto& [name, pattern, animated, times] : cases) {
    SCOPED_TRACE(name);
    TSprite sprite;
    sprite.SetPattern(pattern);
    sprite.Animated = animated;
    EXPECT_EQ(AnimTimes(sprite, sprite.AnimTime, 4), times);
  }
}

TEST(Sprite, rides_its_body_turned_about_the_carriers_centre) {
  Patterns p;
  const std::vector<std::tuple<std::string, TSpritePat*, bool, std::tuple<long, long, long>>>
      cases = {
          {"riding", &p.image, true, {10000, 6000, 9000}},  // X, Y, Angle in hundredths
          {"without a body", &p.image, false, {11000, 5000, 0}},
          {"without a pattern", nullptr, true, {11000, 5000, 0}},
      };
  for (const auto& [name, pattern, riding, expected] : cases) {
    SCOPED_TRACE(name);
    phys::cpBody* body = phys::cpBodyNew(1, 1);
    phys::cpBodySetPos(body, {100, 50});
    phys::cpBodySetAngle(body, std::numbers::pi / 2);
    auto sprite = Placed<TSprite>(pattern, 110, 50);
    sprite->StoreHome();
    sprite->Body = riding ? body : nullptr;
    std::tie(sprite->BodyOffsetX, sprite->BodyOffsetY) = std::tuple(100, 50);
    sprite->Update();
    EXPECT_EQ(std::tuple(std::lround(sprite->X * 100), std::lround(sprite->Y * 100),
                         std::lround(sprite->Angle * 100)),
              expected);
    phys::cpBodyFree(body);
  }
}

TEST(Obj, follows_its_body_and_steps_0_024_wrapping_past_the_frame_count) {
  TObjPat strip, rig, image;
  strip.Anim.Frames = {Frame(8, 8)};
  rig.Anim.Rig = TriangleRig(1, 1);
  image.Anim.Tex = object_test::MakeTexture(8, 8);
  for (TObjPat* pattern : {&strip, &rig, &image})
    pattern->AnimSpeed = 0.5f;  // not what an object steps by
  const std::vector<std::tuple<std::string, TObjPat*, std::vector<long>>> cases = {
      {"one frame: 0 once past 1", &strip, {984, 0, 24}},
      {"keyframed 1..1: back to its first loop frame", &rig, {984, 1000, 1000}},
      {"still image", &image, {0, 0, 0}},
      {"no pattern", nullptr, {0, 0, 0}},
  };
  for (const auto& [name, pattern, times] : cases) {
    SCOPED_TRACE(name);
    TObj obj;
    obj.SetPattern(pattern);
    obj.Body = phys::cpBodyNew(kInfinity, kInfinity);
    phys::cpBodySetPos(obj.Body, {30, 40});
    AnimTimes(obj, obj.AnimTime, 40);
    EXPECT_EQ(AnimTimes(obj, obj.AnimTime, 3), times);  // steps 41 to 43
    EXPECT_EQ(std::pair(obj.X, obj.Y), std::pair(30.f, 40.f));
  }
}

TEST(Elements, copies_own_their_outline_and_take_the_touch_script_text) {
  Patterns p;
  TPolyPat ground;
  ground.UpperName = "STONE";
  TCircle circle(10, 10, 12);
  circle.Poly->SetPattern(&ground);
  circle.StoreHome();
  circle.RimX = 30;
  auto c = std::unique_ptr<TCircle>(static_cast<TCircle*>(circle.CreateCopy().release()));
  EXPECT_EQ(std::tuple(c->X, c->HomeX, c->RimX, c->HomeRimX, c->PatternName()),
            std::tuple(10.f, 10.f, 30.f, 22.f, std::string("STONE")));
  c->Poly->Vertices[0].X = -1;
  EXPECT_EQ(circle.Poly->Vertices[0].X, 22);

  auto obj = Placed<TObj>(&p.obj, 5, 6, 0.5f);
  std::tie(obj->Radius, obj->Visible) = std::tuple(25, false);
  obj->TouchScript.SetLines({"begin", "  Victory;", "end."});
  obj->Body = phys::cpBodyNew(kInfinity, kInfinity);
  auto o = std::unique_ptr<TObj>(static_cast<TObj*>(obj->CreateCopy().release()));
  EXPECT_EQ(
      std::tuple(o->Pattern, o->X, o->Y, o->AnimTime, o->Radius, o->Visible, o->TouchScript.Source,
                 o->TouchScript.Lines.size(), o->Body),
      std::tuple(&p.obj, 5.f, 6.f, 0.5f, 25.f, false, obj->TouchScript.Source, size_t(3), nullptr));
}

bool CountTouch(const phys::cpArbiter&, phys::cpSpace*, void* count) {
  ++*static_cast<int*>(count);
  return true;
}

// An object's sensor stops reporting touches, and a pinned body falls, once the object
// or the joint is destroyed.
TEST(Elements, destroying_an_object_or_joint_takes_its_parts_out_of_the_world) {
  TestWorld world;
  int touches = 0;
  phys::cpSpaceAddCollisionHandler(world.space, 1, 2, CountTouch, &touches);
  phys::cpBody* ball = phys::cpSpaceAddBody(world.space, phys::cpBodyNew(1, 10));
  phys::cpShape* shape = phys::cpSpaceAddShape(world.space, phys::cpCircleShapeNew(ball, 5, {}));
  phys::cpShapeSetCollisionType(shape, 2);

  auto obj = std::make_unique<TObj>();
  obj->Body = phys::cpBodyNew(kInfinity, kInfinity);
  obj->Shape = phys::cpCircleShapeNew(obj->Body, obj->Radius, {});
  phys::cpShapeSetSensor(obj->Shape, true);
  phys::cpShapeSetCollisionType(obj->Shape, 1);
  phys::cpSpaceAddStaticShape(world.space, obj->Shape);
  auto joint = std::make_unique<TJoint>();
  joint->Constraint =
      phys::cpSpaceAddConstraint(world.space, phys::cpPivotJointNew(world.ground, ball, {}));

  world.Step(5);
  EXPECT_EQ(std::pair(touches, std::lround(phys::cpBodyGetPos(ball).y)), std::pair(5, 0L));
  obj.reset();
  joint.reset();
  world.Step(200);
  EXPECT_EQ(touches, 5);
  EXPECT_GT(phys::cpBodyGetPos(ball).y, 5);
}

}  // namespace
