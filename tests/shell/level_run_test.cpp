// A level run: the player's keys, the background scroll, the world a level is built
// into (convex pieces, joint groups, touches, unfit elements) and starting a level file.
#include "shell/level_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "gui/message_list.h"
#include "level_run_fixture.h"
#include "platform/physics.h"
#include "shell/game_states.h"
#include "shell/headless.h"
#include "shell/settings.h"
#include "world/creature.h"
#include "world/elements.h"
#include "world/poly.h"
#include "world/top_ten.h"

namespace {

using level_run_test::Block;
using level_run_test::Box;
using level_run_test::Circle;
using level_run_test::Creature;
using level_run_test::Joint;
using level_run_test::Level;
using level_run_test::LevelRunTest;
using level_run_test::Placed;
using level_run_test::Points;
using level_run_test::Polygon;
using level_test::Lines;
using std::to_string;

std::unique_ptr<TPoly> Outlined(const Points& points) {
  auto poly = std::make_unique<TPoly>();
  for (auto [x, y] : points)
    poly->AddVertex(x, y);
  return poly;
}

std::vector<Points> PiecesOf(TPoly& poly) {
  std::vector<Points> pieces;
  for (const auto& piece : ConvexPieces(poly)) {
    Points& points = pieces.emplace_back();
    for (Point2D p : piece)
      points.emplace_back(p.X, p.Y);
  }
  return pieces;
}

// What the world holds for an element: "body", "shapes N" and "pivot", or "none".
std::string PhysicsOf(const TElement& e) {
  const void* body = nullptr;
  size_t shapes = 0;
  const TPoly* poly = e.As<TPoly>();
  if (const TCircle* circle = e.As<TCircle>()) poly = circle->Poly.get();
  if (poly) std::tie(body, shapes) = std::make_pair(poly->Body, poly->Shapes.size());
  if (const TCreature* c = e.As<TCreature>()) {
    body = c->Body;
    for (auto* shape : {c->LegsShape, c->HeadShape, c->TorsoShape})
      shapes += shape ? 1 : 0;
  }
  if (const TObj* obj = e.As<TObj>()) std::tie(body, shapes) = std::make_pair(obj->Body, 1);
  const TJoint* joint = e.As<TJoint>();
  std::string text = std::string(body ? " body" : "") +
                     (shapes ? " shapes " + to_string(shapes) : "") +
                     (joint && joint->Constraint ? " pivot" : "");
  return text.empty() ? "none" : text.substr(1);
}

std::map<int32_t, std::string> PhysicsOfAll(const std::map<int32_t, std::string>& ids) {
  std::map<int32_t, std::string> physics;
  for (const auto& [id, expected] : ids)
    physics[id] = PhysicsOf(*CurrentLevel->FindElement(id));
  return physics;
}

// ---------------------------------------------------------------------------------------
// Ticks and keys

// Holds exactly the keys named in `held` ("L", "R", "J" in any mix) for one game tick and
// returns the player's flags in the same letters, in the order LRJ.
std::string TickHolding(const std::string& held) {
  for (auto [letter, code] :
       {std::pair{'L', Settings.Left}, {'R', Settings.Right}, {'J', Settings.Jump}}) {
    if (held.find(letter) == std::string::npos) {
      key_InjectUp(uint8_t(code));
    } else if (!key_Down(uint8_t(code))) {
      key_InjectDown(uint8_t(code));
    }
  }
  GameTick();
  key_ClearState();
  return std::string(Player->LeftKey ? "L" : "") + (Player->RightKey ? "R" : "") +
         (Player->JumpKey ? "J" : "");
}

TEST_F(LevelRunTest, the_direction_already_held_wins_and_right_wins_a_tie) {
  struct Case {
    const char* name;
    std::vector<std::string> held;  // per tick
    std::vector<std::string> flags;
  };
  const Case cases[] = {
      {"left, then also right, keeps left; letting left go gives a tick of neither",
       {"L", "LR", "LR", "R", "R"},
       {"L", "L", "L", "", "R"}},
      {"both starting together go right; left takes over at once when right goes",
       {"LR", "LR", "L"},
       {"R", "R", "L"}},
      {"right, then also left, keeps right", {"R", "LR", "LR", "L"}, {"R", "R", "R", "L"}},
      {"jump goes with either direction", {"J", "LJ", "RJ", "RJ"}, {"J", "LJ", "J", "RJ"}},
  };
  for (const Case& c : cases) {
    Play(Level({Creature(1, 0, 0)}));
    std::vector<std::string> flags;
    for (const std::string& held : c.held)
      flags.push_back(TickHolding(held));
    EXPECT_EQ(flags, c.flags) << c.name;
  }
}

TEST_F(LevelRunTest, a_tick_counts_a_millisecond_and_escape_fails_the_run_before_it) {
  Play(Level({Creature(1, 0, 0)}));
  GameTick();
  GameTick();
  key_InjectDown(K_ESCAPE);
  GameTick();
  EXPECT_EQ(
      (std::vector<std::string>{
          to_string(GameTicks), to_string(RunTicks), to_string(CurrentLevel->StepCount),
          std::string(ScreenName(CurrentScreen)), ResultMessage, to_string(key_Press(K_ESCAPE))}),
      (std::vector<std::string>{"2", "2", "2", "Level Menu", "You Failed to Finish!", "0"}));
}

TEST_F(LevelRunTest, restart_rebuilds_from_the_template_and_the_tick_goes_on) {
  LevelTemplate = FromText(Level({Creature(1, 30, 0)}));
  Play(Level({Creature(1, 30, 0)}));
  for (const char* held : {"R", "R", "R"})
    TickHolding(held);
  ASSERT_GT(Player->X, 30);
  key_InjectDown(uint8_t(Settings.Restart));
  TickHolding("R");
  // The new creature has stepped once from rest and not moved sideways yet.
  EXPECT_EQ((std::vector<float>{float(GameTicks), float(CurrentLevel->StepCount), Player->X}),
            (std::vector<float>{1, 1, 30}));
  EXPECT_EQ(CurrentScreen, TScreen::Game);
}

TEST(LevelRunDraw, background_scrolls_at_half_speed_in_two_copies) {
  const std::pair<float, std::pair<float, float>> cases[] = {
      {0, {-800, 0}},           {1, {-0.5f, 799.5f}}, {1600, {0, 800}},
      {-1, {-799.5f, 0.5f}},    {0.4f, {-800, 0}},    {3200.6f, {-0.5f, 799.5f}},
      {-1601, {-799.5f, 0.5f}}, {2.5f, {-1, 799}},
  };
  for (const auto& [cameraX, copies] : cases) {
    float x = BackgroundOffset(cameraX);
    EXPECT_EQ(std::make_pair(x, x + 800), copies) << "camera x " << cameraX;
  }
}

// ---------------------------------------------------------------------------------------
// Convex pieces

TEST_F(LevelRunTest, a_convex_outline_is_its_own_piece_wound_for_the_physics) {
  const std::pair<Points, Points> cases[] = {
      // clockwise on the screen: reversed, keeping the first vertex
      {{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{0, 0}, {0, 10}, {10, 10}, {10, 0}}},
      {{{0, 0}, {0, 10}, {10, 10}, {10, 0}}, {{0, 0}, {0, 10}, {10, 10}, {10, 0}}},
      // a convex outline keeps a vertex on a straight edge
      {{{0, 0}, {0, 10}, {0, 20}, {10, 20}}, {{0, 0}, {0, 10}, {0, 20}, {10, 20}}},
  };
  for (const auto& [outline, piece] : cases)
    EXPECT_EQ(PiecesOf(*Outlined(outline)), std::vector<Points>{piece});
}

TEST_F(LevelRunTest, a_concave_outline_splits_into_convex_pieces_of_the_same_area) {
  // The count depends on the tessellator's triangles: those of the L leave three pieces,
  // where the fan of the next test leaves two.
  const std::tuple<Points, size_t, float> cases[] = {
      {{{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}}, 3, -300},
      {{{0, 0}, {10, 0}, {10, 20}, {20, 20}, {20, 0}, {30, 0}, {30, 30}, {0, 30}}, 3, -700},
  };
  for (const auto& [outline, count, area] : cases) {
    auto poly = Outlined(outline);
    poly->SetPattern(PolyPat("shape.png"));
    poly->Tessellate();
    std::vector<Points> pieces = PiecesOf(*poly);
    bool convex = true, wound = true;
    float sum = 0;
    for (const Points& piece : pieces) {
      auto p = Outlined(piece);
      convex = convex && p->IsConvex();
      wound = wound && p->SignedArea() <= 0;
      sum += p->SignedArea();
    }
    EXPECT_EQ(std::make_tuple(pieces.size(), convex, wound, sum),
              std::make_tuple(count, true, true, area));
  }
}

TEST_F(LevelRunTest, a_triangle_without_area_joins_no_piece) {
  const Points ell = {{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}};
  auto plain = Outlined(ell), flat = Outlined(ell), alone = Outlined(ell);
  plain->Tris = {{0, 0}, {20, 0},  {20, 10}, {0, 0}, {20, 10}, {10, 10},
                 {0, 0}, {10, 10}, {10, 20}, {0, 0}, {10, 20}, {0, 20}};
  // Three points of the top edge, first in the list, where it would start a piece.
  flat->Tris = plain->Tris;
  flat->Tris.insert(flat->Tris.begin(), {{0, 0}, {10, 0}, {20, 0}});
  alone->Tris = {{0, 0}, {10, 0}, {20, 0}};
  // The fan of the L: each pair of triangles makes one convex quadrilateral, wound for the
  // physics.
  EXPECT_EQ(PiecesOf(*plain), (std::vector<Points>{{{0, 0}, {10, 10}, {20, 10}, {20, 0}},
                                                   {{0, 0}, {0, 20}, {10, 20}, {10, 10}}}));
  EXPECT_EQ(PiecesOf(*flat), PiecesOf(*plain));
  EXPECT_EQ(PiecesOf(*alone), std::vector<Points>{});
}

TEST_F(LevelRunTest, a_dynamic_polygon_is_one_body_at_its_centroid_with_a_shape_per_piece) {
  const Points ell = {{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}};
  Play(Level({Box(1, 0, 0), Polygon(2, "Dynamic", ell), Box(3, 100, 0, "Static"),
              Box(4, 200, 0, "Decor"), Polygon(5, "Dynamic", {{0, 0}, {5, 5}})}));
  TPoly& box = *Element(1).As<TPoly>();
  EXPECT_EQ(PhysicsOfAll({{1, ""}, {2, ""}, {3, ""}, {4, ""}, {5, ""}}),
            (std::map<int32_t, std::string>{
                {1, "body shapes 1"},
                {2, "body shapes 3"},  // the L cut into three convex pieces
                {3, "shapes 4"},
                {4, "none"},
                {5, "shapes 2"},  // no triangles: two edges of static ground
            }));
  EXPECT_EQ(std::make_tuple(phys::cpBodyGetPos(box.Body), box.CenterX, box.CenterY),
            std::make_tuple(phys::cpVect{10, 10}, 10.0, 10.0));
  // The moment is set once the shapes exist; a failure would leave the body unturnable.
  EXPECT_TRUE(std::isfinite(phys::cpBodyGetMoment(Element(2).As<TPoly>()->Body)));
}

// ---------------------------------------------------------------------------------------
// Joint groups

TEST_F(LevelRunTest, joined_overlapping_polygons_share_a_group_from_512) {
  const std::pair<std::string, std::map<int32_t, long>> cases[] = {
      {Level({Box(1, 0, 0), Box(2, 10, 0), Joint(9, 15, 10, 1, 2)}), {{1, 512}, {2, 512}}},
      {Level({Box(1, 0, 0), Box(2, 100, 0), Joint(9, 50, 10, 1, 2)}), {{1, 0}, {2, 0}}},
      {Level({Box(1, 0, 0), Box(2, 15, 0), Box(3, 30, 0), Joint(8, 17, 10, 1, 2),
              Joint(9, 32, 10, 2, 3)}),
       {{1, 512}, {2, 512}, {3, 512}}},
      {Level({Box(1, 0, 0), Box(2, 10, 0), Box(3, 100, 0), Box(4, 110, 0), Joint(8, 15, 10, 1, 2),
              Joint(9, 115, 10, 3, 4)}),
       {{1, 512}, {2, 512}, {3, 513}, {4, 513}}},
      // the joint that links the two pairs comes last; the scan after the first finds it
      {Level({Box(1, 0, 0), Box(2, 15, 0), Box(3, 30, 0), Box(4, 45, 0), Joint(7, 17, 10, 1, 2),
              Joint(8, 47, 10, 3, 4), Joint(9, 32, 10, 2, 3)}),
       {{1, 512}, {2, 512}, {3, 512}, {4, 512}}},
      {Level({Box(1, 0, 0), Box(2, 10, 0, "Decor"), Joint(9, 15, 10, 1, 2)}), {{1, 0}, {2, 0}}},
      {Level({Box(1, 0, 0, "Static"), Box(2, 10, 0), Joint(9, 15, 10, 1, 2)}),
       {{1, 512}, {2, 512}}},
  };
  for (const auto& [level, expected] : cases) {
    Play(level);
    std::map<int32_t, long> groups;  // -1 when a shape differs from its polygon
    for (const auto& [id, group] : expected) {
      const TPoly& poly = *Element(id).As<TPoly>();
      groups[id] = poly.Group;
      for (phys::cpShape* shape : poly.Shapes) {
        if (phys::cpShapeGetGroup(shape) != poly.Group) groups[id] = -1;
      }
    }
    EXPECT_EQ(groups, expected) << level;
  }
}

// ---------------------------------------------------------------------------------------
// Creatures and touches

TEST_F(LevelRunTest, the_creature_visited_last_is_the_player_and_creatures_pass_through) {
  Play(Level({Creature(1, 100, 100), Creature(2, 100, 100)}));
  phys::cpSpaceSetGravity(CurrentLevel->Space, {0, 0});
  for (int i = 0; i < 100; ++i)
    GameTick();
  TCreature* first = Element(1).As<TCreature>();
  TCreature* second = Element(2).As<TCreature>();
  EXPECT_EQ(Player, second);
  // Bodies that collided would have pushed each other apart.
  EXPECT_EQ((Points{{first->X, first->Y}, {second->X, second->Y}}),
            (Points{{100, 100}, {100, 100}}));
}

TEST_F(LevelRunTest, legs_on_the_ground_let_the_player_jump) {
  Play(Level({Polygon(1, "Static", {{-200, 111}, {200, 111}, {200, 131}, {-200, 131}}),
              Creature(2, 0, 80)}));
  for (int i = 0; i < 300; ++i)
    GameTick();
  EXPECT_TRUE(Player->OnGround);
  TickHolding("J");
  EXPECT_EQ(phys::cpBodyGetVel(Player->Body).y, TCreature::kJumpSpeed);
}

// Puts creature A (ID 1) or B (ID 2) on the object at (100, 100) and the other one well
// away; '-' takes both away.
void Arrange(TLevel& level, char onObject) {
  for (auto [id, name, away] :
       {std::tuple{1, 'A', phys::cpVect{100, 400}}, std::tuple{2, 'B', phys::cpVect{300, 400}}}) {
    phys::cpBody* body = level.FindElement(id)->As<TCreature>()->Body;
    phys::cpBodySetPos(body, name == onObject ? phys::cpVect{100, 100} : away);
  }
}

TEST_F(LevelRunTest, one_creature_touches_an_object_once_in_10_ms_another_at_once) {
  using Touches = std::vector<std::pair<int32_t, int32_t>>;  // tick, creature ID
  const std::pair<std::map<int, char>, Touches> cases[] = {
      {{{1, 'A'}, {2, '-'}, {11, 'A'}, {12, '-'}}, {{1, 1}}},
      {{{1, 'A'}, {2, '-'}, {12, 'A'}, {13, '-'}}, {{1, 1}, {12, 1}}},
      {{{1, 'A'}, {2, 'B'}, {3, '-'}, {11, 'A'}, {12, '-'}}, {{1, 1}, {2, 2}, {11, 1}}},
      {{{1, 'A'}}, {{1, 1}, {12, 1}, {23, 1}}},  // a lasting touch
  };
  for (const auto& [moves, expected] : cases) {
    Play(Level(
        {Creature(1, 100, 400), Creature(2, 300, 400), Placed("Object", "food.dat", 3, 100, 100)}));
    phys::cpSpaceSetGravity(CurrentLevel->Space, {0, 0});
    ResetRunClock();
    TouchedObjectID = TouchingCreatureID = 0;
    const TObj& obj = *Element(3).As<TObj>();
    Touches touches;
    for (int tick = 1; tick <= 30; ++tick) {
      if (auto move = moves.find(tick); move != moves.end()) Arrange(*CurrentLevel, move->second);
      GameTick();
      if (obj.LastTouchTime == GameTicks) touches.emplace_back(GameTicks, obj.LastTouchID);
    }
    EXPECT_EQ(touches, expected) << "first move at " << moves.begin()->first;
    EXPECT_EQ(std::make_pair(TouchedObjectID, TouchingCreatureID),
              std::make_pair(3, expected.back().second));
  }
}

// ---------------------------------------------------------------------------------------
// Links and elements unfit for the physics

TEST_F(LevelRunTest, sprites_ride_their_link_and_unlinked_ones_hide_after_a_best_time) {
  Settings.HideSprites = true;
  Play(Level({Box(1, 0, 0), Placed("Sprite", "leaf.png", 2, 5, 5, 1),
              Placed("Sprite", "leaf.png", 3, 50, 50),
              Placed("Sprite", "leaf.png", 4, 60, 60, 77)}) +
       Lines({"[TopTen]", "100 Ann", "[/TopTen]"}));
  const TSprite& rider = *Element(2).As<TSprite>();
  EXPECT_EQ(std::make_tuple(Element(2).Link, Element(1).IsLinkTarget, rider.Body, rider.BodyOffsetX,
                            rider.BodyOffsetY),
            std::make_tuple(&Element(1), true, Element(1).As<TPoly>()->Body, 10.0f, 10.0f));
  // A link to nothing skips the rest of the link pass, hiding included.
  EXPECT_EQ((std::vector<bool>{rider.Visible, Element(3).As<TSprite>()->Visible,
                               Element(4).As<TSprite>()->Visible, Element(4).Link == nullptr}),
            (std::vector<bool>{true, false, true, true}));
}

TEST_F(LevelRunTest, elements_unfit_for_the_physics_are_made_static_or_left_out) {
  const float huge = 3e38f;
  struct Case {
    std::string level;
    float creatureRadius;
    std::map<int32_t, std::string> physics;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      // a self-crossing star
      {Level({Polygon(1, "Dynamic", {{0, -100}, {59, 81}, {-95, -31}, {95, -31}, {-59, 81}})}),
       11,
       {{1, "shapes 5"}},
       {"Polygon (ID: 1) Body Error: made static"}},
      // edges reaching past a billion units are left out too
      {Level({Polygon(1, "Dynamic", {{-huge, 0}, {huge, 0}, {huge, huge}, {-huge, huge}}),
              Creature(2, 0, -100)}),
       11,
       {{1, "none"}, {2, "body shapes 3"}},
       {"Polygon (ID: 1) Body Error: made static"}},
      {Level({Polygon(1, "Static", {{1e20f, 1e20f}, {0, 0}, {-1e9f, 0}}), Creature(2, 0, 0)}),
       11,
       {{1, "shapes 1"}, {2, "body shapes 3"}},
       {}},
      {Level({Creature(1, 1e20f, 0)}),
       11,
       {{1, "none"}},
       {"Creature \"TOVI\" (ID: 1) Body Error: left out"}},
      {Level({Polygon(1, "Dynamic", {{5, 5}, {5, 5}, {5, 5}})}), 11, {{1, "none"}}, {}},
      {Level({Circle(1, "Dynamic", 0)}),
       11,
       {{1, "none"}},
       {"Circle (ID: 1) Body Error: left out"}},
      {Level({Circle(1, "Dynamic", 1e30f), Creature(2, 0, 0)}),
       11,
       {{1, "body shapes 1"}, {2, "body shapes 3"}},
       {}},
      // a torso without width
      {Level({Creature(1, 0, 0), Creature(2, 50, 0)}),
       1,
       {{1, "none"}, {2, "none"}},
       {"Creature \"TOVI\" (ID: 1) Body Error: left out",
        "Creature \"TOVI\" (ID: 2) Body Error: left out"}},
      {Level({Box(1, 0, 0), Joint(2, 10, 10, 1, 9)}),
       11,
       {{1, "body shapes 1"}, {2, "none"}},
       {"Joint (ID: 2) Element Not Found: 9"}},
      {Level({Box(1, 0, 0), Box(2, 10, 0), Joint(3, 1e30f, -1e30f, 1, 2)}),
       11,
       {{1, "body shapes 1"}, {2, "body shapes 1"}, {3, "none"}},
       {"Joint (ID: 3) Pivot Error: left out"}},
      // a pendulum pinned to the world 300 units away
      {Level({Box(1, 0, 0), Joint(2, 310, 10, 1, 0)}),
       11,
       {{1, "body shapes 1"}, {2, "pivot"}},
       {}},
  };
  for (const Case& c : cases) {
    Tovi->Radius = c.creatureRadius;
    size_t before = MessageList().size();
    Play(c.level);
    EXPECT_EQ(PhysicsOfAll(c.physics), c.physics) << c.level;
    EXPECT_EQ(MessagesSince(before), c.messages) << c.level;
    // The physics library aborts the process on what it cannot simulate.
    for (int i = 0; i < 200; ++i)
      GameTick();
  }
}

// ---------------------------------------------------------------------------------------
// The state dump

// A body stands where its body is, turned as it is; anything else where it was placed
// (an unmoved polygon at its centroid), and a sprite turned by its own angle in degrees.
TEST_F(LevelRunTest, the_state_dump_places_every_element_and_counts_the_run) {
  Play(Level({Box(1, 0, 0), Box(2, 200, 0, "Decor"), Circle(3, "Static", 10),
              Placed("Sprite", "leaf.png", 4, 5, 6), Creature(5, 50, 60),
              Placed("Object", "food.dat", 6, 70, 80), Joint(7, 10, 10, 1, 0)}) +
       Lines({"[TopTen]", "1234 Ann", "1500 Bob", "[/TopTen]"}));
  phys::cpBodySetPos(Element(1).As<TPoly>()->Body, {30, 40});
  phys::cpBodySetAngle(Element(1).As<TPoly>()->Body, 0.5);
  phys::cpBodySetPos(Element(5).As<TCreature>()->Body, {55.5, 60});
  Element(3).As<TCircle>()->Poly->Visible = false;
  Element(4).As<TSprite>()->Angle = 180;
  Element(4).As<TSprite>()->Visible = false;
  CurrentLevel->SetInt("Keys", 2);
  CurrentLevel->SetInt("door", -1);
  AppleCount = 3;
  LastAppleTime = 1200;
  std::string dump = StateDumpJson();
  size_t from = dump.find("\"elements\":"), to = dump.find(",\"level\":");
  ASSERT_LT(from, to);
  EXPECT_EQ(dump.substr(from, to - from),
            R"("elements":[)"
            R"({"id":1,"kind":"polygon","x":30,"y":40,"angle":0.5,"visible":true},)"
            R"({"id":2,"kind":"polygon","x":210,"y":10,"angle":0,"visible":true},)"
            R"({"id":3,"kind":"circle","x":5,"y":5,"angle":0,"visible":false},)"
            R"({"id":4,"kind":"sprite","x":5,"y":6,"angle":3.14159265,"visible":false},)"
            R"({"id":5,"kind":"creature","x":55.5,"y":60,"angle":0,"visible":true},)"
            R"({"id":6,"kind":"object","x":70,"y":80,"angle":0,"visible":true},)"
            R"({"id":7,"kind":"joint","x":10,"y":10,"angle":0,"visible":true}],)"
            R"("named_integers":{"Keys":2,"door":-1},"apple_count":3,"last_apple_time":1200,)"
            R"("top_ten":[{"time":1234,"name":"Ann"},{"time":1500,"name":"Bob"}])");
}

// ---------------------------------------------------------------------------------------
// Starting a level file

class StartLevelTest : public LevelRunTest {
 protected:
  void SetUp() override {
    LevelRunTest::SetUp();
    savedBaseDir_ = BaseDir;
    BaseDir = folder_.Path() + "/";
    std::filesystem::create_directories(folder_ / "Levels/folder.vle");
    Write("good.vle",
          Lines({"Type = Level", "CamX = 500.5", "CamY = 301.5", "CamZoom = 3", "<Layer>"}) +
              Creature(1, 10.5, 20) + Lines({"</Layer>"}));
    Write("broken.vle", Lines({"Type = Level", "[TopTen]", "12x Ann", "[/TopTen]"}));
    Write("broken.zle", "not an archive");
  }
  void TearDown() override {
    BaseDir = savedBaseDir_;
    LevelRunTest::TearDown();
  }

  void Write(const std::string& name, const std::string& text) {
    std::ofstream(folder_ / ("Levels/" + name), std::ios::binary) << text;
  }

  level_test::TempFolder folder_;
  std::string savedBaseDir_;
};

TEST_F(StartLevelTest, only_a_readable_level_file_starts_a_run) {
  // A file that cannot be read shows its error once the tick is over, and leaves the
  // message list alone.
  const std::tuple<std::string, bool, std::string> cases[] = {
      {"missing.vle", false, ""},
      {"folder.vle", false, ""},
      {"broken.vle", false, "'12x' is not a valid integer value (top ten line 1: \"12x Ann\")"},
      {"broken.zle", false, "No level file in \"" + BaseDir + "Levels/broken.zle\"."},
      {"good.vle", true, ""},
  };
  for (const auto& [name, started, error] : cases) {
    CurrentScreen = TScreen::SelectLevel;
    ErrorText.clear();
    size_t before = MessageList().size();
    EXPECT_EQ(StartLevel(name), started) << name;
    OnTimer();
    TScreen shown = started         ? TScreen::Game
                    : error.empty() ? TScreen::SelectLevel
                                    : TScreen::SomeError;
    EXPECT_EQ(std::make_tuple(CurrentScreen, ErrorText, MessagesSince(before)),
              std::make_tuple(shown, error, std::vector<std::string>{}))
        << name;
  }
}

TEST_F(StartLevelTest, a_started_level_is_snapped_copied_built_and_remembered) {
  GameTicks = RunTicks = AppleCount = LastAppleTime = 77;
  Camera = Camera2D{5, 5, 0, 2};
  ASSERT_TRUE(StartLevel("good.vle"));
  // The file's view centre (500.5, 301.5) less half the screen, rounded halves to even.
  EXPECT_EQ((std::vector<float>{Camera.X, Camera.Y, Camera.Zoom}), (std::vector<float>{100, 2, 1}));
  EXPECT_EQ((std::vector<int32_t>{GameTicks, RunTicks, AppleCount, LastAppleTime}),
            (std::vector<int32_t>{0, 0, 0, 0}));
  EXPECT_EQ(std::make_tuple(Player, Player->X, Player->HomeX),
            std::make_tuple(Element(1).As<TCreature>(), 10.0f, 10.0f));
  ASSERT_NE(LevelTemplate, nullptr);
  EXPECT_EQ(ToText(*LevelTemplate), ToText(*CurrentLevel));
  EXPECT_EQ(LevelTemplate->Space, nullptr);
  EXPECT_EQ(std::make_pair(SelectedLevel, Config.Param("SelLevel").AsString("")),
            std::make_pair(std::string("good.vle"), std::string("good.vle")));
  EXPECT_TRUE(std::filesystem::exists(folder_ / "Config.dat"));
}

}  // namespace
