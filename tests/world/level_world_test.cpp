// A level read from its text runs in a physics world built the way a level start builds
// one: bodies fall, a joined pair falls together, and the creature comes to rest on the
// ground. The world build here is the test's own, reduced to what the level needs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "level_fixture.h"
#include "world/creature.h"
#include "world/elements.h"
#include "world/poly.h"

namespace {

using level_test::LevelTest;
using level_test::Lines;
using phys::cpVect;

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kDensity = 0.01;  // mass per unit of area
constexpr double kFriction = 0.8;
constexpr unsigned kLevelType = 0, kObjectType = 1, kCreatureType = 2;

void SetSurface(phys::cpShape* shape, double friction) {
  phys::cpShapeSetElasticity(shape, 0);
  phys::cpShapeSetFriction(shape, friction);
}

// The ground flag: the legs touch something below them.
bool CreatureTouches(const phys::cpArbiter& arb, phys::cpSpace*, void*) {
  auto* e = static_cast<TElement*>(phys::cpBodyGetUserData(phys::cpShapeGetBody(arb.a)));
  TCreature* creature = e ? e->As<TCreature>() : nullptr;
  if (!creature || arb.a != creature->LegsShape) return true;
  for (int i = 0; i < arb.numContacts; ++i) {
    if (arb.contacts[size_t(i)].n.y > 0.4) creature->OnGround = 1;
  }
  return true;
}

class WorldBuilder {
 public:
  explicit WorldBuilder(TLevel& level) : level_(level) {
    level.Space = phys::cpSpaceNew();
    level.StaticBody = phys::cpBodyNew(kInfinity, kInfinity);
    phys::cpSpaceSetIterations(level.Space, 5);
    phys::cpSpaceSetElasticIterations(level.Space, 5);
    phys::cpSpaceSetGravity(level.Space, {0, 512});
    phys::cpSpaceSetDamping(level.Space, 0.9);
    phys::cpSpaceAddCollisionHandler(level.Space, kCreatureType, kLevelType, CreatureTouches,
                                     nullptr);
  }

  void Build() {
    for (const auto& layer : level_.Layers) {
      for (const auto& e : layer->Elements)
        BuildElement(*e);
    }
    for (const auto& layer : level_.Layers) {
      for (const auto& e : layer->Elements) {
        if (e->LinkID != 0) LinkElement(*e);
        if (TJoint* joint = e->As<TJoint>()) Join(*joint);
      }
    }
  }

 private:
  void BuildElement(TElement& e) {
    if (TPoly* poly = e.As<TPoly>()) BuildPoly(*poly);
    if (TCircle* circle = e.As<TCircle>()) BuildCircle(*circle);
    if (TCreature* creature = e.As<TCreature>()) BuildCreature(e, *creature);
    if (TObj* obj = e.As<TObj>()) BuildObj(e, *obj);
  }

  void BuildPoly(TPoly& poly) {
    poly.Space = level_.Space;
    if (poly.Type == ptStatic || poly.Tris.empty()) return BuildOutline(poly);
    if (poly.Type == ptDynamic) BuildBody(poly);
  }

  // One segment per edge of the outline, on the static body.
  void BuildOutline(TPoly& poly) {
    size_t n = poly.Vertices.size();
    for (size_t i = 0; i < n && n > 1; ++i) {
      const TPolyVertex& a = poly.Vertices[i];
      const TPolyVertex& b = poly.Vertices[(i + 1) % n];
      phys::cpShape* edge = phys::cpSegmentShapeNew(level_.StaticBody, {a.X, a.Y}, {b.X, b.Y}, 0.2);
      SetSurface(edge, kFriction);
      if (phys::cpSpaceAddStaticShape(level_.Space, edge)) poly.Shapes.push_back(edge);
    }
  }

  // A body at the centroid with one convex shape per triangle (enough for this world).
  void BuildBody(TPoly& poly) {
    if (poly.SignedArea() > 0) poly.Reverse();
    Point2D c = poly.Centroid();
    poly.CenterX = c.X;
    poly.CenterY = c.Y;
    poly.Body = phys::cpBodyNew(kDensity * std::abs(poly.SignedArea()), 0);
    phys::cpBodySetPos(poly.Body, {c.X, c.Y});
    phys::cpSpaceAddBody(level_.Space, poly.Body);
    double moment = 0;
    for (size_t i = 0; i + 2 < poly.Tris.size(); i += 3) {
      std::vector<cpVect> piece;
      for (size_t k = i; k < i + 3; ++k)
        piece.push_back({poly.Tris[k].X - c.X, poly.Tris[k].Y - c.Y});
      if (!phys::IsValidPolygon(piece)) continue;
      double area = std::abs((piece[1].x - piece[0].x) * (piece[2].y - piece[0].y) -
                             (piece[2].x - piece[0].x) * (piece[1].y - piece[0].y)) /
                    2;
      moment += phys::cpMomentForPoly(kDensity * area, piece, {0, 0});
      phys::cpShape* shape = phys::cpPolyShapeNew(poly.Body, piece, {0, 0});
      SetSurface(shape, kFriction);
      poly.Shapes.push_back(phys::cpSpaceAddShape(level_.Space, shape));
    }
    phys::cpBodySetMoment(poly.Body, moment);
  }

  void BuildCircle(TCircle& circle) {
    TPoly& poly = *circle.Poly;
    double r = circle.Radius();
    poly.Space = level_.Space;
    poly.CenterX = circle.X;
    poly.CenterY = circle.Y;
    if (poly.Type == ptStatic) {
      phys::cpShape* shape = phys::cpCircleShapeNew(level_.StaticBody, r, {circle.X, circle.Y});
      SetSurface(shape, kFriction);
      poly.Shapes.push_back(phys::cpSpaceAddStaticShape(level_.Space, shape));
    } else if (poly.Type == ptDynamic) {
      double mass = kDensity * 3.141592654 * r * r;
      poly.Body = phys::cpBodyNew(mass, phys::cpMomentForCircle(mass, r, 0, {0, 0}));
      phys::cpBodySetPos(poly.Body, {circle.X, circle.Y});
      phys::cpSpaceAddBody(level_.Space, poly.Body);
      phys::cpShape* shape = phys::cpCircleShapeNew(poly.Body, r, {0, 0});
      SetSurface(shape, kFriction);
      poly.Shapes.push_back(phys::cpSpaceAddShape(level_.Space, shape));
    }
  }

  phys::cpShape* CreatureShape(phys::cpShape* shape) {
    SetSurface(shape, 0);
    phys::cpShapeSetGroup(shape, 1);
    phys::cpShapeSetCollisionType(shape, kCreatureType);
    return phys::cpSpaceAddShape(level_.Space, shape);
  }

  void BuildCreature(TElement& e, TCreature& creature) {
    const TCreaturePat& pat = *creature.Pattern;
    creature.Space = level_.Space;
    creature.Body = phys::cpBodyNew(pat.Mass, kInfinity);
    phys::cpBodySetPos(creature.Body, {creature.X, creature.Y});
    phys::cpBodySetUserData(creature.Body, &e);
    phys::cpSpaceAddBody(level_.Space, creature.Body);
    creature.LegsShape =
        CreatureShape(phys::cpCircleShapeNew(creature.Body, pat.Radius, {0, pat.LegsY}));
    creature.HeadShape =
        CreatureShape(phys::cpCircleShapeNew(creature.Body, pat.Radius, {0, pat.HeadY}));
    const cpVect box[] = {{1 - pat.Radius, pat.HeadY},
                          {1 - pat.Radius, pat.LegsY},
                          {pat.Radius - 1, pat.LegsY},
                          {pat.Radius - 1, pat.HeadY}};
    creature.TorsoShape = CreatureShape(phys::cpPolyShapeNew(creature.Body, box, {0, 0}));
  }

  // A static sensor on a body of its own that is never added.
  void BuildObj(TElement& e, TObj& obj) {
    obj.Space = level_.Space;
    obj.Body = phys::cpBodyNew(kInfinity, kInfinity);
    phys::cpBodySetPos(obj.Body, {obj.X, obj.Y});
    phys::cpBodySetUserData(obj.Body, &e);
    obj.Shape = phys::cpCircleShapeNew(obj.Body, obj.Radius, {0, 0});
    phys::cpShapeSetSensor(obj.Shape, true);
    phys::cpShapeSetCollisionType(obj.Shape, kObjectType);
    phys::cpSpaceAddStaticShape(level_.Space, obj.Shape);
  }

  void LinkElement(TElement& e) {
    e.Link = level_.FindElement(e.LinkID);
    if (!e.Link) return;
    e.Link->IsLinkTarget = true;
    TSprite* sprite = e.As<TSprite>();
    TPoly* carrier = PolyOf(e.Link);
    if (!sprite || !carrier) return;
    sprite->Body = carrier->Body;
    sprite->BodyOffsetX = float(carrier->CenterX);
    sprite->BodyOffsetY = float(carrier->CenterY);
  }

  static TPoly* PolyOf(TElement* e) {
    if (!e) return nullptr;
    if (TPoly* poly = e->As<TPoly>()) return poly;
    if (TCircle* circle = e->As<TCircle>()) return circle->Poly.get();
    return nullptr;
  }

  phys::cpBody* BodyOf(TPoly* poly) const {
    return poly && poly->Body ? poly->Body : level_.StaticBody;
  }

  void Join(TJoint& joint) {
    joint.Element1 = joint.E1ID ? level_.FindElement(joint.E1ID) : nullptr;
    joint.Element2 = joint.E2ID ? level_.FindElement(joint.E2ID) : nullptr;
    joint.Poly1 = PolyOf(joint.Element1);
    joint.Poly2 = PolyOf(joint.Element2);
    phys::cpBody* a = BodyOf(joint.Poly1);
    phys::cpBody* b = BodyOf(joint.Poly2);
    if (a == b) return;
    joint.Constraint = phys::cpPivotJointNew(a, b, {joint.X, joint.Y});
    joint.Space = level_.Space;
    phys::cpSpaceAddConstraint(level_.Space, joint.Constraint);
    for (TElement* end : {joint.Element1, joint.Element2}) {
      if (end) end->IsLinkTarget = true;
    }
  }

  TLevel& level_;
};

const std::string kWorldLevel = Lines({
    "Type = Level",
    "<Layer>",
    "<Polygon>",  // the ground: its top at y = 300
    "FileName = \"ground.png\"",
    "ID = 1",
    "[Vertices]",
    "-1000 300",
    "1000 300",
    "1000 400",
    "-1000 400",
    "[/Vertices]",
    "</Polygon>",
    "<Polygon>",
    "FileName = \"ground.png\"",
    "ID = 2",
    "Type = Decor",
    "[Vertices]",
    "0 0",
    "50 0",
    "50 50",
    "[/Vertices]",
    "</Polygon>",
    "<Polygon>",  // an L, so more than one triangle
    "FileName = \"ground.png\"",
    "ID = 3",
    "Type = Dynamic",
    "[Vertices]",
    "200 100",
    "260 100",
    "260 120",
    "220 120",
    "220 160",
    "200 160",
    "[/Vertices]",
    "</Polygon>",
    "<Circle>",
    "FileName = \"ground.png\"",
    "ID = 4",
    "Type = Dynamic",
    "v1x = -200",
    "v1y = 150",
    "v2x = -180",
    "v2y = 150",
    "</Circle>",
    "<Circle>",
    "FileName = \"ground.png\"",
    "ID = 5",
    "v1x = 400",
    "v1y = 290",
    "v2x = 430",
    "v2y = 290",
    "</Circle>",
    "</Layer>",
    "<Layer>",
    "<Sprite>",
    "FileName = \"flag.png\"",
    "ID = 6",
    "LinkID = 3",
    "X = 230",
    "Y = 110",
    "</Sprite>",
    "<Creature>",  // legs reach y = 280, 20 above the ground
    "FileName = \"tovi.dat\"",
    "ID = 7",
    "X = -400",
    "Y = 250",
    "</Creature>",
    "<Object>",
    "FileName = \"food.dat\"",
    "ID = 8",
    "X = 500",
    "Y = 250",
    "</Object>",
    "<Polygon>",
    "FileName = \"ground.png\"",
    "ID = 9",
    "Type = Dynamic",
    "[Vertices]",
    "600 100",
    "640 100",
    "640 140",
    "600 140",
    "[/Vertices]",
    "</Polygon>",
    "<Circle>",
    "FileName = \"ground.png\"",
    "ID = 10",
    "Type = Dynamic",
    "v1x = 660",
    "v1y = 120",
    "v2x = 680",
    "v2y = 120",
    "</Circle>",
    "<Joint>",
    "ID = 11",
    "X = 640",
    "Y = 120",
    "E1ID = 9",
    "E2ID = 10",
    "</Joint>",
    "</Layer>",
});

class LevelRunTest : public LevelTest {
 protected:
  void SetUp() override {
    LevelTest::SetUp();
    PolyPat("ground.png");
    SpritePat("flag.png");
    CreaturePat("tovi.dat");
    ObjPat("food.dat");
    level_ = FromText(kWorldLevel);
    level_->SnapToGrid();
    level_->StoreHome();
    WorldBuilder(*level_).Build();
  }

  cpVect BodyPos(int32_t id) const {
    TElement* e = level_->FindElement(id);
    TPoly* poly = e->As<TPoly>() ? e->As<TPoly>() : e->As<TCircle>()->Poly.get();
    return phys::cpBodyGetPos(poly->Body);
  }

  TCreature& Creature() const { return *level_->FindElement(7)->As<TCreature>(); }

  std::unique_ptr<TLevel> level_;
};

TEST_F(LevelRunTest, bodies_fall_and_the_creature_comes_to_rest_on_the_ground) {
  ASSERT_EQ(Messages, std::vector<std::string>{});
  const int32_t fallers[] = {3, 4, 9, 10};
  std::vector<cpVect> start;
  for (int32_t id : fallers)
    start.push_back(BodyPos(id));
  const std::vector<Point2D> restingTris = level_->FindElement(3)->As<TPoly>()->Tris;

  std::vector<float> lastYs;
  for (int step = 1; step <= 2000; ++step) {
    level_->Step();
    if (step > 1900) lastYs.push_back(Creature().Y);
  }

  EXPECT_EQ(level_->StepCount, 2000);
  for (size_t i = 0; i < start.size(); ++i) {
    cpVect now = BodyPos(fallers[i]);
    EXPECT_GT(now.y - start[i].y, 100) << "element " << fallers[i];
    EXPECT_LT(now.y, 300) << "element " << fallers[i] << " fell through the ground";
  }
  // The joined pair stays joined: the circle's centre keeps its distance from the box.
  cpVect box = BodyPos(9), wheel = BodyPos(10);
  EXPECT_NEAR(std::hypot(wheel.x - box.x, wheel.y - box.y), 40, 1);
  // The drawn triangles follow the body.
  EXPECT_NE(level_->FindElement(3)->As<TPoly>()->Tris[0].Y, restingTris[0].Y);
  // The sprite rides on the L.
  TSprite* flag = level_->FindElement(6)->As<TSprite>();
  EXPECT_GT(flag->Y, 110 + 100);

  TCreature& creature = Creature();
  EXPECT_NEAR(creature.Y, 300 - 19 - 11, 1);
  EXPECT_NEAR(phys::cpBodyGetVel(creature.Body).y, 0, 1);
  EXPECT_EQ(creature.LastVY, float(phys::cpBodyGetVel(creature.Body).y));
  EXPECT_EQ(creature.OnGround, 1);
  EXPECT_LT(*std::max_element(lastYs.begin(), lastYs.end()) -
                *std::min_element(lastYs.begin(), lastYs.end()),
            0.01);
  TObj* food = level_->FindElement(8)->As<TObj>();
  EXPECT_EQ((std::vector<float>{food->X, food->Y}), (std::vector<float>{500, 250}));
}

TEST_F(LevelRunTest, deleting_a_joined_body_mid_run_takes_its_joint_and_rider_along) {
  for (int step = 0; step < 500; ++step)
    level_->Step();
  TCreature* player = &Creature();
  for (int32_t id : {9, 3}) {
    TElement* e = level_->FindElement(id);
    e->Deleted = true;
    if (e->IsLinkTarget) level_->DeleteCascade(e, player);
  }
  for (int step = 0; step < 1500; ++step)
    level_->Step();

  std::vector<int32_t> ids;
  for (const auto& layer : level_->Layers) {
    for (const auto& e : layer->Elements)
      ids.push_back(e->ID);
  }
  EXPECT_EQ(ids, (std::vector<int32_t>{1, 2, 4, 5, 7, 8, 10}));
  EXPECT_EQ(player, &Creature());
  EXPECT_GT(BodyPos(10).y, 200);
  EXPECT_LT(BodyPos(10).y, 300);
}

}  // namespace
