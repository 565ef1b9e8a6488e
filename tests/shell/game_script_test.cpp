// Scripts in a level run: when each script runs, what its routines do to the running
// level, and what happens to scripts that do not compile or never end.
#include "shell/game_script.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "level_run_fixture.h"
#include "platform/physics.h"
#include "world/creature.h"
#include "world/pattern.h"
#include "world/poly.h"

namespace {

using level_run_test::Block;
using level_run_test::Box;
using level_run_test::Creature;
using level_run_test::Joint;
using level_run_test::Level;
using level_run_test::LevelRunTest;
using level_run_test::Placed;
using level_test::Lines;
using IntVars = std::vector<std::pair<std::string, int32_t>>;

// A script block of the level text: [Name], its lines, [/Name].
std::string ScriptBlock(const std::string& name, const std::vector<std::string>& lines) {
  std::string text = Lines({"[" + name + "]"});
  for (const std::string& line : lines)
    text += Lines({line});
  return text + Lines({"[/" + name + "]"});
}

std::string Food(int id, float x, float y) {
  return Placed("Object", "food.dat", id, x, y);
}

// An object with its own touch script.
std::string ScriptedObject(int id, const std::vector<std::string>& script) {
  return Block("Object", {"FileName = food.dat", "ID = " + std::to_string(id), "X = 500",
                          "Y = 500", ScriptBlock("TouchScript", script)});
}

class GameScriptTest : public LevelRunTest {
 protected:
  void SetUp() override {
    LevelRunTest::SetUp();
    InstallScriptCompiler();
    NewScriptTick();
    FoodPat = ObjPat("food.dat");
    SpritePat("leaf.png");
  }

  // Plays the level with the start script, runs the start script once, and gives the named
  // integers it left.
  IntVars Start(const std::string& elements, const std::vector<std::string>& startScript) {
    Play(elements + ScriptBlock("StartScript", startScript));
    RunStartScript(*CurrentLevel);
    return CurrentLevel->IntVars;
  }

  // The food pattern's touch script, compiled as the pattern loader compiles it.
  void SetFoodScript(const std::vector<std::string>& lines) {
    FoodPat->TouchScript.SetLines(lines);
    ASSERT_TRUE(CompileRecord(FoodPat->TouchScript));
  }

  // A touch of object objId by creature crId, as the touch handler runs it.
  void Touch(int32_t objId, int32_t crId) {
    TouchedObjectID = objId;
    TouchingCreatureID = crId;
    TElement& e = Element(objId);
    RunTouchScript(e, *e.As<TObj>());
  }

  TObjPat* FoodPat = nullptr;
};

TEST_F(GameScriptTest, named_integers_match_with_letter_case_and_a_comment_cuts_its_line) {
  EXPECT_EQ(Start(Level({}), {"begin SetInt('abc', 5); // SetInt('abc', 6);",
                              "  SetInt('upper', GetInt('ABC'));",
                              "  SetInt('same', GetInt('abc'));",
                              "  SetInt('never', GetInt('never set'));",
                              "  SetInt('abc', 7) end."}),
            (IntVars{{"abc", 7}, {"upper", 0}, {"same", 5}, {"never", 0}}));
}

TEST_F(GameScriptTest, scripts_that_do_not_compile_are_named_on_the_message_list) {
  size_t before = MessageList().size();
  Play(Level({ScriptedObject(7, {"begin Obj_Delete('x') end."}),
              ScriptedObject(8, {"begin end."})}) +
       ScriptBlock("StartScript", {"begin SetInt('a//b', 1) end."}) +
       ScriptBlock("UpdateScript", {"begin Unknown end."}));
  EXPECT_EQ(MessagesSince(before),
            (std::vector<std::string>{"\"Start Level\" Script Error",
                                      "\"Update Level\" Script Error",
                                      "Object \"food\" (ID: 7) Script Error"}));
  EXPECT_FALSE(CurrentLevel->StartScript.Program);
  EXPECT_TRUE(Element(8).As<TObj>()->TouchScript.Program);

  level_test::TempFolder folder;
  for (const char* name : {"good", "bad"}) {
    std::ofstream(folder / (std::string(name) + ".dat"))
        << "Type = Object\n[TouchScript]\nbegin " << (name[0] == 'b' ? "Victory(1)" : "Victory")
        << " end.\n[/TouchScript]\n";
    LoadPattern(folder / (std::string(name) + ".dat"), nullptr, -1);
  }
  EXPECT_EQ(Messages, std::vector<std::string>{"Object \"bad\" Script Error"});
  auto* good = static_cast<TObjPat*>(FindPatternByName("Object", "good"));
  EXPECT_TRUE(good && good->TouchScript.Program);
}

TEST_F(GameScriptTest, the_update_script_runs_every_tenth_step_and_errors_end_only_that_run) {
  Play(Level({}) + ScriptBlock("UpdateScript", {"begin SetInt('runs', GetInt('runs') + 1);",
                                                "SetInt('x', 1 div GetInt('zero'));",
                                                "SetInt('after', 1) end."}));
  for (int tick = 0; tick < 29; ++tick)
    GameTick();
  EXPECT_EQ(CurrentLevel->IntVars, (IntVars{{"runs", 2}}));
}

TEST_F(GameScriptTest, a_script_a_guard_stops_is_reported_once_and_not_run_again) {
  size_t before = MessageList().size();
  Play(Level({}) + ScriptBlock("UpdateScript", {"begin SetInt('runs', GetInt('runs') + 1);",
                                                "while true do ; end."}));
  for (int tick = 0; tick < 40; ++tick)
    GameTick();
  EXPECT_EQ(CurrentLevel->IntVars, (IntVars{{"runs", 1}}));
  EXPECT_EQ(MessagesSince(before), std::vector<std::string>{"\"Update Level\" Script Stopped"});
}

// Twenty endless touch scripts touched in one step: the first takes the whole budget of
// the tick and is stopped; the rest wait for a later touch.
TEST_F(GameScriptTest, the_scripts_of_a_tick_share_one_budget) {
  size_t before = MessageList().size();
  std::vector<std::string> elements = {Creature(1, 500, 500)};
  for (int id = 10; id < 30; ++id)
    elements.push_back(ScriptedObject(id, {"begin while true do ; end."}));
  std::string text = Lines({"Type = Level", "<Layer>"});
  for (const std::string& e : elements)
    text += e;
  Play(text + Lines({"</Layer>"}));
  GameTick();
  int stopped = 0;
  for (int id = 10; id < 30; ++id)
    stopped += Element(id).As<TObj>()->TouchScript.Stopped;
  EXPECT_EQ(std::pair(stopped, MessageList().size() - before), std::pair(1, size_t{1}));
}

TEST_F(GameScriptTest, eating_food_counts_apples_and_the_eaten_food_counts_until_the_step) {
  SetFoodScript({"begin Obj_Delete(0); SetInt('left', Obj_GetCount('Food')) end."});
  Play(Level({Creature(1, 100, 100), Food(2, 100, 100), Food(3, 200, 100)}));
  GameTicks = 1234;
  Touch(2, 1);
  EXPECT_EQ(CurrentLevel->IntVars, (IntVars{{"left", 2}}));
  EXPECT_EQ(std::pair(AppleCount, LastAppleTime), std::pair(1, 1234));
  EXPECT_TRUE(Element(2).Deleted);
  CurrentLevel->Step(Player);
  EXPECT_EQ(CurrentLevel->CountByName("FOOD", ekObj), 1);
}

TEST_F(GameScriptTest, routines_act_only_on_elements_of_their_kind) {
  // Element 1 is a creature, 2 a food, 3 a dynamic box, 4 a sprite; 9 names nothing.
  std::string level = Level({Creature(1, 100, 100), Food(2, 300, 100), Box(3, 50, 300),
                             Placed("Sprite", "leaf.png", 4, 400, 100)});
  EXPECT_EQ(Start(level, {"var x, y: single; begin x := 7; y := 8;",
                          "Poly_GetPos(4, x, y); Cr_GetPos(3, x, y); Poly_GetPos(9, x, y);",
                          "SetInt('x', Round(x)); SetInt('y', Round(y));",
                          "Obj_Delete(3); Spr_Delete(2); Poly_Delete(1); Cr_Delete(4);",
                          "Joint_Delete(3); Spr_SetPos(1, 0, 0); Poly_SetPos(4, 0, 0);",
                          "if Cr_IsPlayer(2) then SetInt('odd', 1);",
                          "if Cr_IsPlayer(1) then SetInt('player', 1) end."}),
            (IntVars{{"x", 7}, {"y", 8}, {"player", 1}}));
  for (int id : {1, 2, 3, 4})
    EXPECT_FALSE(Element(id).Deleted) << id;
  EXPECT_EQ(std::pair(Element(4).As<TSprite>()->X, Element(4).As<TSprite>()->Y),
            std::pair(400.0f, 100.0f));
}

TEST_F(GameScriptTest, bodies_move_by_script_and_id_0_names_the_touching_creature) {
  SetFoodScript({"begin Cr_SetPos(0, 150, 50); Cr_SetSpeed(0, 10, -20);",
                 "Poly_SetPos(3, 60.5, 310); Poly_SetSpeed(3, 1, 2); Poly_SetAngle(3, 90);",
                 "Obj_SetPos(0, 700, 80); Spr_SetPos(4, 12, 34) end."});
  Play(Level({Creature(1, 100, 100), Food(2, 300, 100), Box(3, 50, 300),
              Placed("Sprite", "leaf.png", 4, 400, 100)}));
  Touch(2, 1);
  phys::cpBody* box = Element(3).As<TPoly>()->Body;
  phys::cpBody* creature = Element(1).As<TCreature>()->Body;
  EXPECT_EQ(phys::cpBodyGetPos(creature), (phys::cpVect{150, 50}));
  EXPECT_EQ(phys::cpBodyGetVel(creature), (phys::cpVect{10, -20}));
  EXPECT_EQ(phys::cpBodyGetPos(box), (phys::cpVect{60.5, 310}));
  EXPECT_EQ(phys::cpBodyGetVel(box), (phys::cpVect{1, 2}));
  EXPECT_EQ(phys::cpBodyGetAngle(box), 90 * 0.017453292);
  EXPECT_EQ(phys::cpBodyGetPos(Element(2).As<TObj>()->Body), (phys::cpVect{700, 80}));
  EXPECT_EQ(std::pair(Element(4).As<TSprite>()->X, Element(4).As<TSprite>()->Y),
            std::pair(12.0f, 34.0f));
}

TEST_F(GameScriptTest, sprite_flags_take_numbers_and_truth_words_and_refuse_other_text) {
  struct Case {
    const char* call;
    bool visible, animated, ranOn;
  };
  const Case cases[] = {
      {"Spr_SetParam(4, 'visible', '0')", false, true, true},
      {"Spr_SetParam(4, 'Visible', 'FALSE')", false, true, true},
      {"Spr_SetParam(4, 'ANIMATED', '0.0')", true, false, true},
      {"Spr_SetParam(4, 'animated', 'fAlSe')", true, false, true},
      {"Spr_SetParam(4, 'colour', 'red')", true, true, true},
      {"Spr_SetParam(4, 'visible', 'yes')", true, true, false},
      {"Spr_SetParam(1, 'visible', '0')", true, true, true},
  };
  for (const Case& c : cases) {
    IntVars vars = Start(Level({Creature(1, 100, 100), Placed("Sprite", "leaf.png", 4, 0, 0)}),
                         {"begin", c.call, "; SetInt('on', 1) end."});
    TSprite& sprite = *Element(4).As<TSprite>();
    EXPECT_EQ(std::tuple(sprite.Visible, sprite.Animated, !vars.empty()),
              std::tuple(c.visible, c.animated, c.ranOn))
        << c.call;
  }
  Start(Level({Placed("Sprite", "leaf.png", 4, 0, 0)}),
        {"begin Spr_SetParam(4, 'visible', '0'); Spr_SetParam(4, 'visible', '1') end."});
  EXPECT_TRUE(Element(4).As<TSprite>()->Visible);
}

TEST_F(GameScriptTest, deleting_a_polygon_deletes_its_linked_sprite_and_joint_at_once) {
  Start(Level({Box(1, 0, 0), Box(2, 100, 0), Placed("Sprite", "leaf.png", 3, 5, 5, 1),
               Joint(4, 10, 10, 1, 2), Placed("Sprite", "leaf.png", 5, 5, 5, 3)}),
        {"begin Poly_Delete(1) end."});
  std::vector<bool> deleted;
  for (int id = 1; id <= 5; ++id)
    deleted.push_back(Element(id).Deleted);
  EXPECT_EQ(deleted, (std::vector<bool>{true, false, true, true, true}));
}

TEST_F(GameScriptTest, taking_over_a_creature_lets_the_old_player_keys_go) {
  struct Case {
    const char* call;
    int player;            // the element of the player afterwards
    const char* oldKeys;   // the keys creature 2, the player before, still holds
  };
  const Case cases[] = {
      {"Cr_SetAsPlayer(1)", 1, ""},
      {"Cr_SetAsPlayer(2)", 2, "RJ"},
      {"Cr_SetAsPlayer(3)", 2, "RJ"},
  };
  for (const Case& c : cases) {
    Play(Level({Creature(1, 100, 100), Creature(2, 300, 100), Food(3, 500, 100)}) +
         ScriptBlock("StartScript", {"begin", c.call, "end."}));
    TCreature& old = *Element(2).As<TCreature>();
    ASSERT_EQ(Player, &old);
    old.RightKey = old.JumpKey = 1;
    RunStartScript(*CurrentLevel);
    EXPECT_EQ(Player, Element(c.player).As<TCreature>()) << c.call;
    EXPECT_EQ(std::string(old.LeftKey ? "L" : "") + (old.RightKey ? "R" : "") +
                  (old.JumpKey ? "J" : ""),
              c.oldKeys)
        << c.call;
  }
}

TEST_F(GameScriptTest, a_creature_deleting_itself_leaves_no_player) {
  SetFoodScript({"begin Cr_Delete(0) end."});
  Play(Level({Creature(1, 100, 100), Food(2, 100, 100)}));
  Touch(2, 1);
  EXPECT_EQ(Player, nullptr);
  EXPECT_TRUE(Element(1).Deleted);
}

TEST_F(GameScriptTest, a_restart_resets_level_globals_but_not_pattern_globals) {
  SetFoodScript({"var n: integer; begin n := n + 1; SetInt('food', n) end."});
  std::string level = Level({Creature(1, 100, 100), Food(2, 500, 100)}) +
                      ScriptBlock("StartScript", {"var n: integer;",
                                                  "begin n := n + 1; SetInt('start', n) end."});
  Play(level);
  LevelTemplate = CurrentLevel->CreateCopy();
  RunStartScript(*CurrentLevel);
  RunStartScript(*CurrentLevel);
  Touch(2, 1);
  EXPECT_EQ(CurrentLevel->IntVars, (IntVars{{"start", 2}, {"food", 1}}));
  RestartLevel();
  Touch(2, 1);
  EXPECT_EQ(CurrentLevel->IntVars, (IntVars{{"start", 1}, {"food", 2}}));
}

}  // namespace
