// Loading and merging replay files, written with the game's own replay writer.
#include "shell/replay_run.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "anim/anim_play.h"
#include "level_run_fixture.h"
#include "replay/playback.h"
#include "replay/replay_file.h"
#include "world/creature.h"
#include "world/poly.h"

namespace {

using namespace level_run_test;

// A walk of the creature with ID 2 on a level with a floor (ID 1).
TReplay Walk(const std::string& levelName, uint32_t checksum) {
  TReplay replay;
  replay.LevelName = levelName;
  replay.Checksum = checksum;
  replay.Tracks.resize(1);
  replay.Tracks[0].ElementID = 2;
  replay.Tracks[0].Positions.Keys = {{1, 50, 80}, {100, 90, 80}};
  return replay;
}

class ReplayRunTest : public LevelRunTest {
 protected:
  void SetUp() override {
    LevelRunTest::SetUp();
    savedBaseDir_ = BaseDir;
    BaseDir = folder_.Path() + "/";
    std::filesystem::create_directory(folder_ / "Levels");
    WriteLevel(5);
  }
  void TearDown() override {
    BaseDir = savedBaseDir_;
    LevelRunTest::TearDown();
  }

  void WriteLevel(int checksum) {
    std::ofstream(folder_ / "Levels/L.vle")
        << "Checksum = " + std::to_string(checksum) + "\r\n" +
               Level({Polygon(1, "Static", {{0, 100}, {400, 100}, {400, 120}, {0, 120}}),
                      Creature(2, 50, 80)});
  }
  std::string WriteReplay(const std::string& name, const TReplay& replay, int32_t runTicks) {
    std::ofstream(folder_ / name, std::ios::binary)
        << ReplayBytes(replay, runTicks, replay.LevelName, replay.Checksum);
    return folder_ / name;
  }

  // Element IDs of the first layer with the names and alphas of its creatures.
  static std::vector<std::string> Shown() {
    std::vector<std::string> shown;
    for (const auto& e : CurrentLevel->Layers[0]->Elements) {
      const TCreature* c = e->As<TCreature>();
      shown.push_back(std::to_string(e->ID) +
                      (c ? " " + c->Name + " " + std::to_string(c->Alpha) : ""));
    }
    return shown;
  }

  level_test::TempFolder folder_;
  std::string savedBaseDir_;
};

TEST_F(ReplayRunTest, loading_checks_the_level_and_the_file) {
  std::string bytes = ReplayBytes(Walk("L.vle", 5), 100, "L.vle", 5);
  struct Case {
    std::string name, fileBytes, error;
  };
  const std::vector<Case> cases = {
      {"good", bytes, ""},
      {"no such level", ReplayBytes(Walk("M.vle", 5), 100, "M.vle", 5),
       "Cannot find level file: M.vle"},
      {"changed level", ReplayBytes(Walk("L.vle", 6), 100, "L.vle", 6), "Level file has changed."},
  };
  for (const Case& c : cases) {
    std::ofstream(folder_ / "r.cre", std::ios::binary) << c.fileBytes;
    std::string error = "stale";
    EXPECT_EQ(LoadReplay(folder_ / "r.cre", error), c.error.empty()) << c.name;
    EXPECT_EQ(error, c.error) << c.name;
  }
  // A file cut short reports what the reader found wrong.
  std::ofstream(folder_ / "r.cre", std::ios::binary) << bytes.substr(0, bytes.size() - 3);
  std::string error;
  EXPECT_FALSE(LoadReplay(folder_ / "r.cre", error));
  EXPECT_NE(error, "");
}

// A second replay adds translucent copies of its creatures just before the originals; one
// without tracks only lengthens the replay; another level or checksum is refused.
TEST_F(ReplayRunTest, merging_adds_copies_of_the_second_runs_creatures) {
  const std::string first = WriteReplay("a.cre", Walk("L.vle", 5), 100);
  TReplay empty = Walk("L.vle", 5);
  empty.Tracks.clear();
  TReplay twice = Walk("L.vle", 5);
  twice.Tracks.push_back(twice.Tracks[0]);
  TReplay floorOnly = Walk("L.vle", 5);
  floorOnly.Tracks[0].ElementID = 1;
  struct Case {
    std::string name;
    TReplay second;
    int32_t runTicks;
    std::string error;
    std::vector<std::string> shown;
    int32_t mergedRunTicks;
    size_t tracks;
  };
  const std::vector<Case> cases = {
      {"creature", Walk("L.vle", 5), 80, "", {"1", "3 b 180", "2 a 255"}, 100, 2},
      {"same creature twice", twice, 80, "", {"1", "3 b 180", "2 a 255"}, 100, 2},
      {"no tracks", empty, 300, "", {"1", "2  255"}, 300, 1},
      {"floor only", floorOnly, 50, "", {"1", "2  255"}, 100, 1},
      {"other level", Walk("M.vle", 5), 100, "Levels must be same.", {"1", "2  255"}, 100, 1},
      {"other checksum",
       Walk("L.vle", 6),
       100,
       "Level file in second replay has changed.",
       {"1", "2  255"},
       100,
       1},
  };
  for (const Case& c : cases) {
    std::string error;
    ASSERT_TRUE(LoadReplay(first, error)) << error;
    const std::string second = WriteReplay("b.cre", c.second, c.runTicks);
    EXPECT_EQ(MergeReplay(second, "a.cre", "b.cre", error), c.error.empty()) << c.name;
    EXPECT_EQ(error, c.error) << c.name;
    EXPECT_EQ(Shown(), c.shown) << c.name;
    EXPECT_EQ(std::pair(RunTicks, Recording.Tracks.size()), std::pair(c.mergedRunTicks, c.tracks))
        << c.name;
  }
}

// The replay shows the times 0 to RunTicks - 1, then starts over on a fresh copy of the
// level, where the creature stands at home until its first key.
TEST_F(ReplayRunTest, the_replay_loops_at_its_length) {
  std::string error;
  ASSERT_TRUE(LoadReplay(WriteReplay("a.cre", Walk("L.vle", 5), 100), error)) << error;
  PrepareLevel();
  std::vector<std::pair<int32_t, float>> seen;
  for (int step = 1; step <= 101; ++step) {
    StepReplay();
    if (step >= 99) seen.emplace_back(GameTicks, Element(2).As<TCreature>()->X);
  }
  const float at99 = Spline(99, 98, 90, 90, 50, 50, SplineGuard::ZeroDurationAsTenth);
  EXPECT_EQ(seen, (std::vector<std::pair<int32_t, float>>{{99, at99}, {0, 50}, {1, 50}}));
}

// What every element shows: the drawn triangles, places, angles and animation times.
std::vector<std::string> Drawn(const TLevel& level) {
  std::vector<std::string> shown;
  for (const auto& e : level.Layers[0]->Elements) {
    std::ostringstream out;
    out << std::hexfloat << e->ID;
    if (const TPoly* p = PolyOf(e.get())) {
      for (const Point2D& v : p->Tris)
        out << ' ' << v.X << ' ' << v.Y;
    }
    if (const TSprite* s = e->As<TSprite>()) out << ' ' << s->X << ' ' << s->Y << ' ' << s->Angle
                                                 << ' ' << s->AnimTime;
    if (const TObj* o = e->As<TObj>()) out << ' ' << o->X << ' ' << o->Y << ' ' << o->AnimTime;
    if (const TCreature* c = e->As<TCreature>())
      out << ' ' << c->X << ' ' << c->Y << ' ' << c->AnimTime << ' ' << int(c->Walking);
    shown.push_back(out.str());
  }
  return shown;
}

// Playback leaves out, after its first tick, the elements and tracks that can no longer
// change; what it shows must be what a playback shows that binds and follows everything
// afresh on every tick.
TEST_F(ReplayRunTest, playback_shows_what_following_everything_every_tick_shows) {
  CurrentLevel = FromText(Level({Polygon(1, "Static", {{-200, 100}, {800, 100}, {800, 120},
                                                       {-200, 120}}),
                                 Creature(2, 50, 80), Box(3, 120, 80), Box(4, 120, 60),
                                 Box(5, 200, 80), Joint(6, 200, 70, 4, 5),
                                 Placed("Sprite", "leaf.png", 7, 125, 85, 3),
                                 Placed("Sprite", "leaf.png", 8, 300, 40),
                                 Placed("Object", "food.dat", 9, 260, 90)}));
  PrepareLevel();
  key_InjectDown(uint8_t(Settings.Right));
  for (int tick = 0; tick < 1500; ++tick)
    GameTick();
  ASSERT_NE(Recording.Tracks.size(), 0u);
  std::vector<std::vector<std::string>> lean, full;
  for (auto* shown : {&lean, &full}) {
    RebuildReplayLevel();
    for (int32_t t = 1; t < RunTicks; ++t) {
      if (shown == &full) UnbindReplay(Recording);
      TPlaybackRun run;
      PlayReplayStep(Recording, *CurrentLevel, t, run);
      if (t % 10 == 0) shown->push_back(Drawn(*CurrentLevel));
    }
  }
  EXPECT_EQ(lean, full);
}

}  // namespace
