// The level containers: IDs, lookups, variables, copies, the step and the deletion cascade.
#include "world/level.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "level_fixture.h"
#include "world/creature.h"
#include "world/elements.h"
#include "world/poly.h"

namespace {

using level_test::LevelTest;
using Log = std::vector<std::string>;

// A game object of no real kind that writes what the level does with it into a log.
class Probe : public TGameObject {
 public:
  Probe(std::string name, Log& log) : name_(std::move(name)), log_(log) {}
  ~Probe() override { log_.push_back("destroy " + name_); }

  ElementKind Kind() const override { return static_cast<ElementKind>(0); }
  std::unique_ptr<TGameObject> CreateCopy() const override {
    return std::make_unique<Probe>(name_ + "'", log_);
  }
  void Draw() override { log_.push_back("draw " + name_); }
  void Update() override { log_.push_back("update " + name_); }
  void GetBounds(TBounds& b) const override { b = {1, 2, 3, 4}; }
  void StoreHome() override {}
  void SnapToGrid() override {}
  std::string PatternName() const override { return name_; }

 private:
  std::string name_;
  Log& log_;
};

TElement* AddProbe(TLayer& layer, const std::string& name, Log& log, int32_t id = 0) {
  return layer.AddElement(std::make_unique<Probe>(name, log), id);
}

std::vector<int32_t> IdsOf(const TLayer& layer) {
  std::vector<int32_t> ids;
  for (const auto& e : layer.Elements)
    ids.push_back(e->ID);
  return ids;
}

TEST(LayerTest, id_zero_takes_the_smallest_free_id) {
  struct Case {
    std::vector<int32_t> existing;
    int32_t assigned;
  };
  const Case cases[] = {
      {{1, 2, 4}, 3}, {{1, 2, 3}, 4}, {{5, 6, 7}, 1}, {{}, 1},     {{2}, 1},   {{1}, 2},
      {{-3, 1}, 2},   {{1, 1}, 2},    {{2, 2}, 1},    {{3, 1}, 2}, {{100}, 1}, {{1, 2, 3, 4, 5}, 6},
  };
  for (const Case& c : cases) {
    Log log;
    TLayer layer;
    for (int32_t id : c.existing)
      AddProbe(layer, "p", log, id);
    EXPECT_EQ(AddProbe(layer, "new", log)->ID, c.assigned)
        << "existing " << ::testing::PrintToString(c.existing);
  }
}

TEST(LayerTest, given_ids_are_kept_even_when_taken) {
  Log log;
  TLayer layer;
  AddProbe(layer, "a", log, 7);
  AddProbe(layer, "b", log, 7);
  AddProbe(layer, "c", log, -2);
  AddProbe(layer, "d", log);
  EXPECT_EQ(IdsOf(layer), (std::vector<int32_t>{7, 7, -2, 1}));
}

TEST(LayerTest, add_element_takes_the_bounds_of_its_object) {
  Log log;
  TLayer layer;
  EXPECT_EQ(AddProbe(layer, "a", log)->Bounds, (TBounds{1, 2, 3, 4}));
  auto joint = std::make_unique<TJoint>();
  joint->X = 10;
  joint->Y = 20;
  EXPECT_EQ(layer.AddElement(std::move(joint), 0)->Bounds, (TBounds{5, 15, 15, 25}));
}

TEST(LevelContainerTest, find_element_returns_the_first_match_in_layer_order) {
  Log log;
  TLevel level;
  TLayer* first = level.AddLayer("first");
  TLayer* second = level.AddLayer("second");
  TElement* a = AddProbe(*first, "a", log, 2);
  TElement* b = AddProbe(*second, "b", log, 1);
  TElement* c = AddProbe(*first, "c", log, 1);
  TElement* d = AddProbe(*second, "d", log, 3);
  c->Deleted = true;
  struct Case {
    int32_t id;
    TElement* found;
  };
  const Case cases[] = {{1, c}, {2, a}, {3, d}, {4, nullptr}, {0, nullptr}};
  for (const Case& k : cases)
    EXPECT_EQ(level.FindElement(k.id), k.found) << "ID " << k.id;
  EXPECT_EQ(second->FindElement(1), b);
}

class LevelPatternTest : public LevelTest {};

TEST_F(LevelPatternTest, count_by_name_filters_by_kind_unless_zero) {
  TLevel level;
  TLayer* first = level.AddLayer("");
  TLayer* second = level.AddLayer("");
  auto objWith = [](TObjPat* pattern) {
    auto obj = std::make_unique<TObj>();
    obj->SetPattern(pattern);
    return obj;
  };
  TObjPat* food = ObjPat("food.dat");
  TSpritePat* foodSprite = SpritePat("food.png");
  first->AddElement(objWith(food), 0);
  second->AddElement(objWith(food), 0);
  auto sprite = std::make_unique<TSprite>();
  sprite->SetPattern(foodSprite);
  second->AddElement(std::move(sprite), 0);
  second->AddElement(std::make_unique<TJoint>(), 0);
  struct Case {
    const char* name;
    uint8_t kind;
    int count;
  };
  const Case cases[] = {{"FOOD", ekObj, 2}, {"FOOD", 0, 3},   {"FOOD", ekSprite, 1},
                        {"food", 0, 0},     {"", ekJoint, 1}, {"", 0, 1}};
  for (const Case& c : cases)
    EXPECT_EQ(level.CountByName(c.name, c.kind), c.count) << c.name << " kind " << int(c.kind);
}

TEST(LevelContainerTest, variables_match_names_with_letter_case) {
  TLevel level;
  level.SetInt("Apples", 3);
  level.SetInt("KEYS", 1);
  level.SetInt("Apples", 5);
  EXPECT_EQ(level.IntVars,
            (std::vector<std::pair<std::string, int32_t>>{{"Apples", 5}, {"KEYS", 1}}));
  EXPECT_EQ(level.GetInt("Apples"), 5);
  EXPECT_EQ(level.GetInt("apples"), 0);
  EXPECT_EQ(level.GetInt("keys"), 0);
  EXPECT_EQ(level.GetInt("none"), 0);
}

TEST_F(LevelPatternTest, copy_is_deep_and_independent) {
  PolyPat("ground.png");
  SpritePat("tree.png");
  std::unique_ptr<TLevel> source = FromText(level_test::Lines({
      "Type = Level",
      "CamX = 410",
      "CamY = 320",
      "CamZoom = 2",
      "Checksum = 77",
      "[StartScript]",
      "SetInt('A', 1);",
      "[/StartScript]",
      "<Layer>",
      "Name = \"Back\"",
      "<Polygon>",
      "FileName = \"ground.png\"",
      "ID = 4",
      "Type = Dynamic",
      "[Vertices]",
      "0 0",
      "10 0",
      "10 10",
      "[/Vertices]",
      "</Polygon>",
      "<Sprite>",
      "FileName = \"tree.png\"",
      "LinkID = 4",
      "X = 5",
      "Y = 6",
      "</Sprite>",
      "</Layer>",
  }));
  source->SetInt("A", 1);
  source->Step();
  TElement* sourceSprite = source->FindElement(1);
  sourceSprite->Bounds = {-1, -2, -3, -4};
  sourceSprite->Link = source->FindElement(4);
  sourceSprite->IsLinkTarget = true;
  sourceSprite->Deleted = true;
  sourceSprite->TrackIndex = 3;

  std::unique_ptr<TLevel> copy = source->CreateCopy();
  const std::string sourceText = ToText(*source);
  EXPECT_EQ(ToText(*copy), sourceText);
  EXPECT_TRUE(copy->IntVars.empty());
  EXPECT_EQ(copy->StepCount, 0);
  EXPECT_EQ(copy->Space, nullptr);
  EXPECT_EQ(copy->StartScript.Source, "SetInt('A', 1); ");

  TElement* copySprite = copy->FindElement(1);
  EXPECT_EQ(copySprite->Bounds, (TBounds{-1, -2, -3, -4}));
  EXPECT_EQ(copySprite->LinkID, 4);
  EXPECT_EQ(copySprite->Link, nullptr);
  EXPECT_FALSE(copySprite->IsLinkTarget);
  EXPECT_FALSE(copySprite->Deleted);
  EXPECT_EQ(copySprite->TrackIndex, -1);

  copy->Layers[0]->Name = "Changed";
  copy->FindElement(4)->As<TPoly>()->Vertices[0].X = 99;
  copySprite->As<TSprite>()->X = 99;
  copy->StartScript.SetLines({"GameOver;"});
  copy->Layers[0]->Elements.pop_back();
  EXPECT_EQ(ToText(*source), sourceText);
}

TEST(LevelStepTest, removes_deleted_elements_after_the_world_step_and_before_updates) {
  Log log;
  TLevel level;
  TLayer* first = level.AddLayer("");
  TLayer* second = level.AddLayer("");
  AddProbe(*first, "a", log, 1);
  AddProbe(*first, "b", log, 2)->Deleted = true;
  AddProbe(*first, "c", log, 3);
  AddProbe(*second, "d", log, 4)->Deleted = true;
  AddProbe(*second, "e", log, 5);
  AddProbe(*second, "f", log, 6)->Deleted = true;

  level.Draw(Camera2D{});
  level.Step();
  EXPECT_EQ(log, (Log{"draw a", "draw b", "draw c", "draw d", "draw e", "draw f", "destroy b",
                      "destroy d", "destroy f", "update a", "update c", "update e"}));
  EXPECT_EQ(IdsOf(*first), (std::vector<int32_t>{1, 3}));
  EXPECT_EQ(IdsOf(*second), (std::vector<int32_t>{5}));
  EXPECT_EQ(level.StepCount, 1);
}

TEST(LevelStepTest, clears_ground_flags_and_forgets_removed_links) {
  TLevel level;
  TLayer* layer = level.AddLayer("");
  auto creature = std::make_unique<TCreature>();
  creature->OnGround = 1;
  TCreature* standing = creature.get();
  TElement* target = layer->AddElement(std::move(creature), 0);
  TElement* sprite = layer->AddElement(std::make_unique<TSprite>(), 0);
  TElement* joint = layer->AddElement(std::make_unique<TJoint>(), 0);
  auto carrier = std::make_unique<TPoly>();
  carrier->Body = phys::cpBodyNew(1, 1);
  sprite->As<TSprite>()->Body = carrier->Body;
  TElement* poly = layer->AddElement(std::move(carrier), 0);
  sprite->Link = poly;
  joint->As<TJoint>()->Element1 = target;
  joint->As<TJoint>()->Element2 = poly;
  joint->As<TJoint>()->Poly2 = poly->As<TPoly>();
  poly->Deleted = true;

  level.Step();
  level.Step();
  EXPECT_EQ(standing->OnGround, 0);
  EXPECT_EQ(level.StepCount, 2);
  EXPECT_EQ(sprite->Link, nullptr);
  EXPECT_EQ(sprite->As<TSprite>()->Body, nullptr);
  EXPECT_EQ(joint->As<TJoint>()->Element1, target);
  EXPECT_EQ(joint->As<TJoint>()->Element2, nullptr);
  EXPECT_EQ(joint->As<TJoint>()->Poly2, nullptr);
}

// The IDs marked deleted, in layer order.
std::vector<int32_t> DeletedIds(const TLevel& level) {
  std::vector<int32_t> ids;
  for (const auto& layer : level.Layers) {
    for (const auto& e : layer->Elements) {
      if (e->Deleted) ids.push_back(e->ID);
    }
  }
  return ids;
}

// A level of sprites whose links are given as (ID, linked ID) pairs, and joints as
// (ID, end 1, end 2); the elements live in two layers, alternating.
struct CascadeLevel {
  TLevel level;

  CascadeLevel(const std::vector<std::pair<int32_t, int32_t>>& links,
               const std::vector<std::array<int32_t, 3>>& joints) {
    TLayer* layers[2] = {level.AddLayer("a"), level.AddLayer("b")};
    size_t n = 0;
    for (auto [id, linked] : links) {
      TElement* e = layers[n++ % 2]->AddElement(std::make_unique<TSprite>(), id);
      e->LinkID = linked;
    }
    for (auto [id, e1, e2] : joints)
      layers[n++ % 2]->AddElement(std::make_unique<TJoint>(), id);
    ResolveLinks(joints);
  }

  void ResolveLinks(const std::vector<std::array<int32_t, 3>>& joints) {
    for (const auto& layer : level.Layers) {
      for (const auto& e : layer->Elements) {
        if (e->LinkID != 0) e->Link = level.FindElement(e->LinkID);
      }
    }
    for (auto [id, e1, e2] : joints) {
      TJoint* joint = level.FindElement(id)->As<TJoint>();
      joint->Element1 = level.FindElement(e1);
      joint->Element2 = level.FindElement(e2);
    }
  }
};

TEST(LevelCascadeTest, marks_everything_whose_link_chain_reaches_the_element) {
  struct Case {
    const char* what;
    std::vector<std::pair<int32_t, int32_t>> links;  // ID, linked ID (0: none)
    std::vector<std::array<int32_t, 3>> joints;      // ID, end 1, end 2
    int32_t deleted;
    std::vector<int32_t> marked;
  };
  const Case cases[] = {
      {"direct and through an intermediate",
       {{1, 0}, {2, 1}, {3, 1}, {4, 3}, {5, 0}, {6, 5}},
       {},
       1,
       {1, 2, 3, 4}},
      {"joint with one deleted end, joint between survivors",
       {{1, 0}, {2, 1}, {3, 0}, {4, 0}},
       {{10, 2, 3}, {11, 3, 4}, {12, 1, 0}},
       1,
       {1, 2, 10, 12}},
      {"a loop of links that misses the element",
       {{1, 0}, {2, 3}, {3, 2}, {4, 1}, {5, 5}},
       {},
       1,
       {1, 4}},
      {"a loop through the element", {{1, 2}, {2, 3}, {3, 1}, {4, 2}}, {}, 1, {1, 2, 3, 4}},
      {"chains that join a loop after the element's own chain was walked",
       {{1, 0}, {2, 3}, {3, 4}, {4, 2}, {5, 2}, {6, 4}, {7, 1}},
       {},
       1,
       {1, 7}},
      {"an element linked to nothing", {{1, 0}, {2, 0}}, {}, 2, {2}},
  };
  for (const Case& c : cases) {
    CascadeLevel built(c.links, c.joints);
    TElement* e = built.level.FindElement(c.deleted);
    e->Deleted = true;
    TCreature* player = nullptr;
    built.level.DeleteCascade(e, player);
    std::vector<int32_t> marked = DeletedIds(built.level);
    std::sort(marked.begin(), marked.end());
    EXPECT_EQ(marked, c.marked) << c.what;
  }
}

TEST(LevelCascadeTest, chains_pass_through_elements_already_deleted) {
  CascadeLevel built({{1, 0}, {2, 1}, {3, 2}}, {});  // layer a: 1, 3; layer b: 2
  built.level.FindElement(2)->Deleted = true;
  TElement* one = built.level.FindElement(1);
  one->Deleted = true;
  TCreature* player = nullptr;
  built.level.DeleteCascade(one, player);
  EXPECT_EQ(DeletedIds(built.level), (std::vector<int32_t>{1, 3, 2}));
}

TEST(LevelCascadeTest, the_player_is_forgotten_when_its_creature_is_marked) {
  TLevel level;
  TLayer* layer = level.AddLayer("");
  TElement* carrier = layer->AddElement(std::make_unique<TPoly>(), 1);
  auto riding = std::make_unique<TCreature>();
  auto standing = std::make_unique<TCreature>();
  TCreature* ridingCreature = riding.get();
  TCreature* standingCreature = standing.get();
  layer->AddElement(std::move(riding), 2)->Link = carrier;
  layer->AddElement(std::move(standing), 3);

  TCreature* player = ridingCreature;
  carrier->Deleted = true;
  level.DeleteCascade(carrier, player);
  EXPECT_EQ(player, nullptr);

  player = standingCreature;
  level.DeleteCascade(carrier, player);
  EXPECT_EQ(player, standingCreature);
}

// However a creature came to be deleted, the step that removes it forgets the player.
TEST(LevelStepTest, removing_the_players_creature_forgets_the_player) {
  TLevel level;
  TLayer* layer = level.AddLayer("");
  auto mine = std::make_unique<TCreature>();
  TCreature* player = mine.get();
  TElement* e = layer->AddElement(std::move(mine), 1);
  TCreature* other =
      layer->AddElement(std::make_unique<TCreature>(), 2)->As<TCreature>();

  level.Step(player);
  EXPECT_EQ(player, e->As<TCreature>());
  player = other;
  e->Deleted = true;
  level.Step(player);
  EXPECT_EQ(player, other);
  layer->Elements.back()->Deleted = true;
  level.Step(player);
  EXPECT_EQ(player, nullptr);
}

TEST(LevelWorldTest, free_world_takes_the_parts_from_live_elements) {
  TLevel level;
  level.Space = phys::cpSpaceNew();
  level.StaticBody = phys::cpBodyNew(INFINITY, INFINITY);
  TLayer* layer = level.AddLayer("");
  auto poly = std::make_unique<TPoly>();
  poly->Type = ptDynamic;
  poly->Space = level.Space;
  poly->Body = phys::cpSpaceAddBody(level.Space, phys::cpBodyNew(1, 1));
  phys::cpShape* shape = phys::cpCircleShapeNew(poly->Body, 5, {0, 0});
  poly->Shapes.push_back(phys::cpSpaceAddShape(level.Space, shape));
  TPoly* kept = poly.get();
  layer->AddElement(std::move(poly), 0);
  // A static shape that no element owns goes with the world.
  phys::cpSpaceAddStaticShape(level.Space,
                              phys::cpSegmentShapeNew(level.StaticBody, {0, 0}, {10, 0}, 0.2));

  level.FreeWorld();
  EXPECT_EQ(level.Space, nullptr);
  EXPECT_EQ(level.StaticBody, nullptr);
  EXPECT_EQ(kept->Body, nullptr);
  EXPECT_TRUE(kept->Shapes.empty());
}

}  // namespace
