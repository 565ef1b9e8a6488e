// Shared set-up of the level-run tests: levels written as text, one layer of element
// blocks, and a fixture that makes them the running level.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "../world/level_fixture.h"
#include "gui/message_list.h"
#include "shell/game_states.h"
#include "shell/level_run.h"
#include "shell/settings.h"
#include "world/elements.h"

namespace level_run_test {

using level_test::Lines;
using Points = std::vector<std::pair<float, float>>;
using std::to_string;

// ---------------------------------------------------------------------------------------
// Level texts: one layer of element blocks.

inline std::string Block(const std::string& name, std::initializer_list<std::string> lines,
                  const Points& vertices = {}) {
  std::string text = Lines({"<" + name + ">"});
  for (const std::string& line : lines)
    text += Lines({line});
  if (!vertices.empty()) text += Lines({"[Vertices]"});
  for (auto [x, y] : vertices)
    text += Lines({to_string(x) + " " + to_string(y)});
  if (!vertices.empty()) text += Lines({"[/Vertices]"});
  return text + Lines({"</" + name + ">"});
}

inline std::string Polygon(int id, const std::string& type, const Points& points) {
  return Block("Polygon", {"FileName = box.png", "ID = " + to_string(id), "Type = " + type},
               points);
}

// A 20 x 20 square with its top-left corner at (x, y).
inline std::string Box(int id, float x, float y, const std::string& type = "Dynamic") {
  return Polygon(id, type, {{x, y}, {x + 20, y}, {x + 20, y + 20}, {x, y + 20}});
}

inline std::string Circle(int id, const std::string& type, float radius) {
  return Block("Circle", {"FileName = box.png", "ID = " + to_string(id), "Type = " + type,
                          "v1x = 5", "v1y = 5", "v2x = " + to_string(5 + radius), "v2y = 5"});
}

inline std::string Placed(const std::string& block, const std::string& file, int id, float x, float y,
                   int linkID = 0) {
  return Block(block,
               {"FileName = " + file, "ID = " + to_string(id), "LinkID = " + to_string(linkID),
                "X = " + to_string(x), "Y = " + to_string(y)});
}

inline std::string Creature(int id, float x, float y) {
  return Placed("Creature", "tovi.dat", id, x, y);
}

inline std::string Joint(int id, float x, float y, int e1, int e2) {
  return Block("Joint", {"ID = " + to_string(id), "X = " + to_string(x), "Y = " + to_string(y),
                         "E1ID = " + to_string(e1), "E2ID = " + to_string(e2)});
}

inline std::string Level(std::initializer_list<std::string> elements) {
  std::string text = Lines({"Type = Level", "<Layer>"});
  for (const std::string& e : elements)
    text += e;
  return text + Lines({"</Layer>"});
}

// The patterns the texts name, a clean run state, and every key released afterwards.
class LevelRunTest : public level_test::LevelTest {
 protected:
  void SetUp() override {
    LevelTest::SetUp();
    PolyPat("box.png");
    Tovi = CreaturePat("tovi.dat");
    ObjPat("food.dat");
    SpritePat("leaf.png");
    ResetGameState();
    CurrentScreen = TScreen::Game;
  }

  void TearDown() override {
    for (int code = 0; code < 256; ++code)
      key_InjectUp(uint8_t(code));
    ResetGameState();
    LevelTest::TearDown();
  }

  // The level of the text, made the current one as a level start makes it.
  void Play(const std::string& text) {
    CurrentLevel = FromText(text);
    CurrentLevel->StoreHome();
    BuildWorld(*CurrentLevel);
  }

  TElement& Element(int32_t id) { return *CurrentLevel->FindElement(id); }

  static std::vector<std::string> MessagesSince(size_t count) {
    return {MessageList().begin() + std::ptrdiff_t(count), MessageList().end()};
  }

  TCreaturePat* Tovi = nullptr;
};

}  // namespace level_run_test
