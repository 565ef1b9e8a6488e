// Playback of recordings made in memory on small levels without physics: sprites show
// positions, polygons angles, objects visibility, creatures running and the player.
#include "replay/playback.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "anim/anim_play.h"
#include "world/creature.h"
#include "world/elements.h"
#include "world/level.h"
#include "world/pattern.h"
#include "world/poly.h"

namespace {

constexpr int32_t kSpriteID = 7;

struct Shown {
  int32_t t;
  float x, y;
  bool operator==(const Shown&) const = default;
};

void PrintTo(const Shown& s, std::ostream* os) {
  *os << "t=" << s.t << " (" << s.x << ", " << s.y << ")";
}

// A level with one sprite at (5, 5); a sprite without pattern keeps what playback sets.
std::unique_ptr<TLevel> SpriteLevel() {
  auto level = std::make_unique<TLevel>();
  auto sprite = std::make_unique<TSprite>();
  sprite->X = sprite->Y = 5;
  level->AddLayer("Main")->AddElement(std::move(sprite), kSpriteID);
  return level;
}

TReplay OneTrack(int32_t id, std::vector<TPositionKey> keys) {
  TReplay replay;
  replay.Tracks.resize(1);
  replay.Tracks[0].ElementID = id;
  replay.Tracks[0].Positions.Keys = std::move(keys);
  return replay;
}

// Plays the times in order, as the replay screen does, and reads the sprite after each.
std::vector<Shown> PlaySprite(std::vector<TPositionKey> keys, std::vector<int32_t> times) {
  auto level = SpriteLevel();
  TReplay replay = OneTrack(kSpriteID, std::move(keys));
  TPlaybackRun run;
  std::vector<Shown> shown;
  TSprite* sprite = level->FindElement(kSpriteID)->As<TSprite>();
  for (int32_t t : times) {
    PlayReplayStep(replay, *level, t, run);
    shown.push_back({t, sprite->X, sprite->Y});
  }
  return shown;
}

TEST(Playback, positions_follow_the_keys) {
  const float afterJump = Spline(100, 1, 60, 60, 50, 50, SplineGuard::ZeroDurationAsTenth);
  struct Case {
    const char* name;
    std::vector<TPositionKey> keys;
    std::vector<Shown> expected;
  };
  const std::vector<Case> cases = {
      {"before the first key the level position holds",
       {{100, 10, 10}, {200, 20, 20}},
       {{50, 5, 5}, {100, 10, 10}, {250, 20, 20}}},
      {"two keys: the segment between them",
       {{0, 0, 0}, {100, 100, 0}},
       {{50, 50, 0}, {100, 100, 0}, {101, 100, 0}}},
      {"a jump pair: old position at its time, new one after, no smoothing across",
       {{0, 0, 0}, {100, 10, 0}, {100, 50, 0}, {200, 60, 0}},
       {{100, 10, 0}, {101, afterJump, 0}, {200, 60, 0}}},
      {"equal neighbours stay exactly equal",
       {{0, 7, 0}, {100, 7, 50}, {200, 7, 100}},
       {{150, 7, Spline(100, 50, 100, 100, 50, 0)}}},
  };
  for (const Case& c : cases) {
    std::vector<int32_t> times;
    for (const Shown& s : c.expected)
      times.push_back(s.t);
    EXPECT_EQ(PlaySprite(c.keys, times), c.expected) << c.name;
  }
}

// An ID the level does not hold is dropped at once and not looked up again, even when an
// element with it appears later.
TEST(Playback, missing_element_drops_the_track) {
  auto level = SpriteLevel();
  TReplay replay = OneTrack(99, {{0, 1, 1}});
  TPlaybackRun run;
  PlayReplayStep(replay, *level, 1, run);
  auto late = std::make_unique<TSprite>();
  TSprite* sprite = late.get();
  level->Layers[0]->AddElement(std::move(late), 99);
  PlayReplayStep(replay, *level, 2, run);
  EXPECT_EQ(std::pair(replay.Tracks[0].ElementID, sprite->X), std::pair(0, 0.0f));
}

// An eaten apple counts once, at the tick of its key, and again after the replay loops.
TEST(Playback, apples_count_once_per_loop) {
  TObjPat food;
  food.UpperName = "FOOD";
  auto makeLevel = [&] {
    auto level = std::make_unique<TLevel>();
    auto obj = std::make_unique<TObj>();
    obj->SetPattern(&food);
    level->AddLayer("Main")->AddElement(std::move(obj), 3);
    return level;
  };
  TReplay replay;
  replay.Tracks.resize(1);
  replay.Tracks[0].ElementID = 3;
  replay.Tracks[0].Visibility.Keys = {{40, 0}};
  std::vector<std::pair<int32_t, int32_t>> counts;  // AppleCount, LastAppleTime per loop
  for (int loop = 0; loop < 2; ++loop) {
    auto level = makeLevel();
    UnbindReplay(replay);
    TPlaybackRun run;
    for (int32_t t = 1; t < 100; ++t)
      PlayReplayStep(replay, *level, t, run);
    EXPECT_FALSE(level->FindElement(3)->As<TObj>()->Visible);
    counts.emplace_back(run.AppleCount, run.LastAppleTime);
  }
  EXPECT_EQ(counts, (std::vector<std::pair<int32_t, int32_t>>{{1, 40}, {1, 40}}));
}

// Running and facing hold between keys; a creature stops walking once its path has ended;
// an event hands the camera to a creature at its time.
TEST(Playback, creature_flags_and_player) {
  TLevel level;
  TLayer* layer = level.AddLayer("Main");
  layer->AddElement(std::make_unique<TCreature>(), 1);
  TCreature* c = layer->AddElement(std::make_unique<TCreature>(), 2)->As<TCreature>();
  TReplay replay;
  replay.Tracks.resize(1);
  TReplayTrack& track = replay.Tracks[0];
  track.ElementID = 2;
  track.Positions.Keys = {{10, 0, 0}, {30, 5, 0}};
  track.Running.Keys = {{10, 1}};
  track.Facing.Keys = {{10, 1}, {20, 0}};
  replay.Events = {{15, kPlayerChanged, 2}, {16, kPlayerChanged, 42}};
  struct State {
    int32_t t;
    uint8_t walking, facing;
    bool isPlayer;
    bool operator==(const State&) const = default;
  };
  TPlaybackRun run;
  std::vector<State> states;
  for (int32_t t = 1; t <= 31; ++t) {
    PlayReplayStep(replay, level, t, run);
    if (t % 5 == 0 || t == 31) states.push_back({t, c->Walking, c->Facing, run.Player == c});
  }
  EXPECT_EQ(states, (std::vector<State>{
                        {5, 0, 0, false},
                        {10, 1, 1, false},
                        {15, 1, 1, true},
                        {20, 1, 0, true},
                        {25, 1, 0, true},
                        {30, 1, 0, true},
                        {31, 0, 0, true},
                    }));
}

// A polygon's body turns with the angle keys; past the last key nothing is applied, so
// the body keeps the angle of the last step within the keys.
TEST(Playback, polygon_angles_follow_the_keys_until_the_last) {
  TLevel level;
  auto poly = std::make_unique<TPoly>();
  poly->Type = ptDynamic;
  poly->Body = phys::cpBodyNew(1, 1);
  phys::cpBodySetAngle(poly->Body, 0.5);
  phys::cpBody* body = poly->Body;
  level.AddLayer("Main")->AddElement(std::move(poly), 4);
  TReplay replay;
  replay.Tracks.resize(1);
  replay.Tracks[0].ElementID = 4;
  replay.Tracks[0].Angles.Keys = {{10, 0}, {20, 1}, {30, 2}};
  const float at15 = Spline(10, 5, 2, 1, 0, 0, SplineGuard::ZeroDurationAsTenth);
  const float at25 = Spline(10, 5, 2, 2, 1, 0, SplineGuard::ZeroDurationAsTenth);
  TPlaybackRun run;
  std::vector<double> angles;
  for (int32_t t : {5, 10, 15, 25, 31}) {
    PlayReplayStep(replay, level, t, run);
    angles.push_back(phys::cpBodyGetAngle(body));
  }
  EXPECT_EQ(angles, (std::vector<double>{0.5, 0, at15, at25, at25}));
}

}  // namespace
