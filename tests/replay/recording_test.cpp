// Recording a run: which keys the thinning rules let through, and what the level step,
// the periodic samples and the script routines record.
#include "replay/recording.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../shell/level_run_fixture.h"
#include "platform/physics.h"
#include "shell/game_script.h"

namespace {

using level_run_test::Block;
using level_run_test::Box;
using level_run_test::Creature;
using level_run_test::Level;
using level_run_test::LevelRunTest;
using level_run_test::Placed;
using level_run_test::Polygon;
using level_test::Lines;
using Positions = std::vector<TPositionKey>;

// One call of RecordPosition at a time.
struct PositionCall {
  int32_t time;
  bool sampled;
  float x, y;
};

Positions Record(const std::vector<PositionCall>& calls) {
  StartRecording();
  int32_t track = -1;
  for (const PositionCall& c : calls) {
    GameTicks = c.time;
    RecordPosition(7, track, c.sampled, c.x, c.y);
  }
  return Recording.Tracks.at(0).Positions.Keys;
}

TEST(Recording, position_keys_are_thinned_held_and_jumps_kept) {
  struct Case {
    const char* rule;
    std::vector<PositionCall> calls;
    Positions keys;
  };
  const std::vector<Case> cases = {
      {"a pause then a move gets a hold key 100 ms before it",
       {{1, true, 0, 0}, {1500, true, 10, 0}},
       {{1, 0, 0}, {1400, 0, 0}, {1500, 10, 0}}},
      {"a move of 0.5 after a pause gets none",
       {{1, true, 0, 0}, {1500, true, 0.5f, -0.5f}},
       {{1, 0, 0}, {1500, 0.5f, -0.5f}}},
      {"a jump is kept when it goes nowhere and comes too soon",
       {{1, true, 0, 0}, {5, false, 0, 0}, {5, false, 0, 0}},
       {{1, 0, 0}, {5, 0, 0}, {5, 0, 0}}},
      {"the sample after a jump is not held back",
       {{1, true, 0, 0}, {5, false, 0, 0}, {5, false, 50, 50}, {7, true, 51, 50}},
       {{1, 0, 0}, {5, 0, 0}, {5, 50, 50}, {7, 51, 50}}},
      {"samples less than 10 ms apart are dropped",
       {{1, true, 0, 0}, {10, true, 5, 5}, {11, true, 6, 6}},
       {{1, 0, 0}, {11, 6, 6}}},
      {"the same place to a hundredth writes nothing; 0.999 to 1.001 does",
       {{1, true, 0.999f, -0.999f}, {100, true, 0.9999f, -0.991f}, {200, true, 1.001f, -0.999f}},
       {{1, 0.999f, -0.999f}, {200, 1.001f, -0.999f}}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Record(c.calls), c.keys) << c.rule;
}

TEST(Recording, angle_keys_hold_after_half_a_second_and_byte_keys_keep_changes) {
  StartRecording();
  int32_t track = -1;
  for (auto [time, angle] : {std::pair{1, 0.f}, {300, 0.009f}, {400, 0.5f}, {1400, 1.f}}) {
    GameTicks = time;
    RecordAngle(3, track, angle);
  }
  for (auto [time, value] : {std::pair{1, 1}, {2, 1}, {3, 0}}) {
    GameTicks = time;
    RecordVisible(3, uint8_t(value), track);
  }
  const TReplayTrack& t = Recording.Tracks.at(0);
  EXPECT_EQ(t.Angles.Keys, (std::vector<TAngleKey>{{1, 0}, {400, 0.5f}, {1300, 0.5f}, {1400, 1}}));
  EXPECT_EQ(t.Visibility.Keys, (std::vector<TByteKey>{{1, 1}, {3, 0}}));
  EXPECT_EQ(Recording.Tracks.size(), 1u);
}

// The whole recording of a run as text: one line per track, then the events.
std::string RecordingText() {
  std::string text;
  auto time = [](int32_t t) { return std::to_string(t) + ":"; };
  for (const TReplayTrack& t : Recording.Tracks) {
    text += std::to_string(t.ElementID) + " P";
    for (const TPositionKey& k : t.Positions.Keys)
      text += " " + time(k.Time) + std::to_string(k.X) + "," + std::to_string(k.Y);
    text += " A";
    for (const TAngleKey& k : t.Angles.Keys)
      text += " " + time(k.Time) + std::to_string(k.Angle);
    for (const auto* list : {&t.Visibility, &t.Facing, &t.Running}) {
      text += list == &t.Visibility ? " V" : list == &t.Facing ? " F" : " R";
      for (const TByteKey& k : list->Keys)
        text += " " + time(k.Time) + std::to_string(k.Value);
    }
    text += "\n";
  }
  for (const TReplayEvent& e : Recording.Events)
    text += "event " + time(e.Time) + std::to_string(e.Kind) + "," + std::to_string(e.Value) + "\n";
  return text;
}

class RecordingRunTest : public LevelRunTest {
 protected:
  void SetUp() override {
    LevelRunTest::SetUp();
    InstallScriptCompiler();
    StartRecording();
  }

  // Plays the level without gravity, so that nothing moves unless a script moves it.
  void PlayStill(const std::string& text) {
    Play(text);
    phys::cpSpaceSetGravity(CurrentLevel->Space, {0, 0});
  }

  void Ticks(int n) {
    for (int i = 0; i < n; ++i)
      GameTick();
  }
};

TEST_F(RecordingRunTest, bodies_at_rest_get_one_key_at_time_1_and_removal_hides) {
  PlayStill(Level({Box(1, 100, 100), Box(2, 200, 100, "Static"), Creature(3, 300, 100)}));
  Ticks(250);
  Element(1).Deleted = true;
  Ticks(1);
  EXPECT_EQ(RecordingText(),
            "3 P 1:300.000000,100.000000 A V F 1:0 R 1:0\n"
            "1 P 1:109.999977,109.999977 A 1:0.000000 V 251:0 F R\n");
}

// Falling onto a floor turns the vertical velocity: the landing gets a key between the
// periodic samples.
TEST_F(RecordingRunTest, a_landing_creature_gets_a_key_where_it_lands) {
  Play(Level(
      {Polygon(1, "Static", {{0, 140}, {400, 140}, {400, 160}, {0, 160}}), Creature(2, 200, 100)}));
  Ticks(300);
  std::vector<int32_t> times;
  for (const TPositionKey& k : Recording.Tracks.at(0).Positions.Keys)
    times.push_back(k.Time);
  EXPECT_EQ(times, (std::vector<int32_t>{1, 100, 197}));
}

TEST_F(RecordingRunTest, script_moves_jump_player_changes_are_events_and_the_end_samples) {
  const std::string script =
      Lines({"[StartScript]", "begin Poly_SetPos(1, 50, 60); Cr_SetPos(3, 70, 80);",
             "Spr_SetParam(4, 'visible', '1'); Spr_SetParam(4, 'VISIBLE', 'true');",
             "Spr_SetParam(4, 'Animated', '0'); Cr_SetAsPlayer(3); Cr_SetAsPlayer(3);",
             "Cr_SetAsPlayer(99); Spr_SetPos(3, 1, 1); GameOver; end.", "[/StartScript]"});
  PlayStill(Level({Box(1, 100, 100), Creature(3, 300, 100), Placed("Sprite", "leaf.png", 4, 5, 6),
                   Creature(5, 400, 100)}) +
            script);
  RunStartScript(*CurrentLevel);
  EXPECT_EQ(RecordingText(),
            "1 P 0:109.999977,109.999977 0:50.000000,60.000000 A V F R\n"
            "3 P 0:300.000000,100.000000 0:70.000000,80.000000 A V F R\n"
            "4 P A V 0:1 F R 0:0\n"
            "5 P 0:400.000000,100.000000 A V F R\n"
            "event 0:1,3\n");
}

}  // namespace
