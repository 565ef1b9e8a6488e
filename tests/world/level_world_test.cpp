// A level read from its text runs in the physics world a level start builds for it:
// bodies fall, a joined pair falls together, and the creature comes to rest on the ground.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "level_fixture.h"
#include "shell/level_run.h"
#include "world/creature.h"
#include "world/elements.h"
#include "world/poly.h"

namespace {

using level_test::LevelTest;
using level_test::Lines;
using phys::cpVect;

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

// Where an element is, named; a place within half a pixel of the expected one counts as it.
struct Rest {
  std::string what;
  double x, y;
  bool operator==(const Rest&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rest& r) {
  return out << r.what << " (" << r.x << ", " << r.y << ")";
}

std::vector<Rest> Snapped(std::vector<std::pair<std::string, cpVect>> places,
                          const std::vector<Rest>& expected) {
  std::vector<Rest> seen;
  for (size_t i = 0; i < places.size(); ++i) {
    Rest r{places[i].first, places[i].second.x, places[i].second.y};
    if (i < expected.size() && std::abs(r.x - expected[i].x) <= 0.5) r.x = expected[i].x;
    if (i < expected.size() && std::abs(r.y - expected[i].y) <= 0.5) r.y = expected[i].y;
    seen.push_back(r);
  }
  return seen;
}

class LevelWorldTest : public LevelTest {
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
    BuildWorld(*level_);
  }

  cpVect BodyPos(int32_t id) const {
    TElement* e = level_->FindElement(id);
    TPoly* poly = e->As<TPoly>() ? e->As<TPoly>() : e->As<TCircle>()->Poly.get();
    return phys::cpBodyGetPos(poly->Body);
  }

  TCreature& Creature() const { return *level_->FindElement(7)->As<TCreature>(); }

  std::unique_ptr<TLevel> level_;
};

TEST_F(LevelWorldTest, bodies_rest_on_the_ground_after_two_seconds_the_l_tipped_over) {
  ASSERT_EQ(Messages, std::vector<std::string>{});
  TPoly& ell = *level_->FindElement(3)->As<TPoly>();
  const Point2D startTri = ell.Tris[0];
  const cpVect startPos = BodyPos(3);
  const double startAngle = phys::cpBodyGetAngle(ell.Body);
  std::vector<float> lastYs;
  for (int step = 1; step <= 2000; ++step) {
    level_->Step();
    if (step > 1900) lastYs.push_back(Creature().Y);
  }
  EXPECT_EQ(level_->StepCount, 2000);
  // Centres within half a pixel of where they come to rest: the circle, the box and the
  // wheel joined to its right edge sit 20 above the ground's top, the creature 19 + 11.
  TSprite* flag = level_->FindElement(6)->As<TSprite>();
  TObj* food = level_->FindElement(8)->As<TObj>();
  const std::vector<Rest> expected = {
      {"L", 248.3, 274.4},      {"circle", -200, 280},     {"box", 620.2, 280},
      {"wheel", 660.2, 280},    {"creature", -400, 269.8}, {"flag riding the L", 262.5, 271.5},
      {"food, still", 500, 250}};
  const std::vector<Rest> seen = Snapped({{"L", BodyPos(3)},
                                          {"circle", BodyPos(4)},
                                          {"box", BodyPos(9)},
                                          {"wheel", BodyPos(10)},
                                          {"creature", {Creature().X, Creature().Y}},
                                          {"flag riding the L", {flag->X, flag->Y}},
                                          {"food, still", {food->X, food->Y}}},
                                         expected);
  EXPECT_EQ(seen, expected);
  // The drawn triangles follow the body: turned back by the body's turn about its
  // position, a vertex lies where it lay at the start.
  const double turn = startAngle - phys::cpBodyGetAngle(ell.Body);
  const double dx = ell.Tris[0].X - BodyPos(3).x, dy = ell.Tris[0].Y - BodyPos(3).y;
  EXPECT_NE(turn, 0);
  EXPECT_NEAR(startPos.x + dx * std::cos(turn) - dy * std::sin(turn), startTri.X, 0.01);
  EXPECT_NEAR(startPos.y + dx * std::sin(turn) + dy * std::cos(turn), startTri.Y, 0.01);
  TCreature& creature = Creature();
  EXPECT_NEAR(phys::cpBodyGetVel(creature.Body).y, 0, 1);
  EXPECT_EQ(creature.LastVY, float(phys::cpBodyGetVel(creature.Body).y));
  EXPECT_EQ(creature.OnGround, 1);
  EXPECT_LT(*std::max_element(lastYs.begin(), lastYs.end()) -
                *std::min_element(lastYs.begin(), lastYs.end()),
            0.01);
}

TEST_F(LevelWorldTest, deleting_a_joined_body_mid_run_takes_its_joint_and_rider_along) {
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
  // The wheel, left alone, falls to the ground below where it was joined.
  const std::vector<Rest> wheel = {{"wheel", 660, 280}};
  EXPECT_EQ(Snapped({{"wheel", BodyPos(10)}}, wheel), wheel);
}

}  // namespace
