// What recording and playback cost: each shipped level stepped for 60 s of game time with
// the recorder and without it, in the same run, and the recorded minute played back on a
// fresh copy of the level; prints both ratios against the plain step and the size of the
// replay file one minute of play makes. The player walks right and left and jumps, as a player
// would. Usage: replay_bench [GAME_FOLDER]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/physics.h"
#include "replay/playback.h"
#include "replay/recording.h"
#include "replay/replay_file.h"
#include "shell/game_script.h"
#include "shell/game_states.h"
#include "shell/level_run.h"
#include "shell/replay_run.h"
#include "shell/resources.h"
#include "shell/settings.h"
#include "world/creature.h"
#include "world/level_file.h"

namespace {

constexpr int kTicks = 60000;  // one minute of game time
constexpr int kRuns = 5;

// Right for 3 s, left for 3 s, a jump press every 700 ms.
void Steer(int tick) {
  if (!Player) return;
  const bool right = tick / 3000 % 2 == 0;
  Player->RightKey = right;
  Player->LeftKey = !right;
  Player->JumpKey = tick % 700 < 50;
}

// One minute from a fresh copy of the level; the seconds it took.
double PlayMinute(bool record) {
  RestartLevel();
  TRunRecorder recorder;
  const auto start = std::chrono::steady_clock::now();
  for (int tick = 0; tick < kTicks && CurrentLevel; ++tick) {
    NewScriptTick();
    Steer(tick);
    ++GameTicks;
    RunTicks = GameTicks;
    CurrentLevel->Step(Player, record ? &recorder : nullptr);
    RunUpdateScript(*CurrentLevel);
    if (record && IsKeyframeTick()) RecordKeyframes(*CurrentLevel);
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The recorded minute played back on a fresh copy of the level; the seconds it took.
double PlayBackMinute() {
  RebuildReplayLevel();
  TPlaybackRun run;
  const auto start = std::chrono::steady_clock::now();
  for (int32_t t = 1; t <= RunTicks && CurrentLevel; ++t)
    PlayReplayStep(Recording, *CurrentLevel, t, run);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool Load(const std::string& name) {
  CurrentLevel = std::make_unique<TLevel>();
  const std::string path = LevelPath(name);
  if (!(IsLevelFileName(name) ? LoadLevel(*CurrentLevel, path)
                              : LoadLevelPackage(*CurrentLevel, path)))
    return false;
  PrepareLevel();
  return true;
}

void Measure(const std::string& name) {
  if (!Load(name)) {
    std::printf("%-20s cannot be loaded\n", name.c_str());
    return;
  }
  double plain = 1e9, recorded = 1e9, played = 1e9;
  for (int run = 0; run < kRuns; ++run) {
    plain = std::min(plain, PlayMinute(false));
    recorded = std::min(recorded, PlayMinute(true));
  }
  const size_t bytes = ReplayBytes(Recording, RunTicks, name, LevelTemplate->Checksum).size();
  for (int run = 0; run < kRuns; ++run)
    played = std::min(played, PlayBackMinute());
  std::printf("%-20s recorded/plain %.3f  playback/plain %.3f  replay %6.1f KB/min  (%zu tracks)\n",
              name.c_str(), recorded / plain, played / plain, bytes / 1024.0,
              Recording.Tracks.size());
}

std::vector<std::string> ShippedLevels() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(BaseDir + "Levels"))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

int main(int argc, char** argv) {
  BaseDir = std::string(argc > 1 ? argv[1] : TOVI2_GAME_DIR) + "/";
  if (!phys::cpInitChipmunk()) return 1;
  LoadResources(BaseDir);
  InstallScriptCompiler();
  CurrentScreen = TScreen::Game;
  for (const std::string& name : ShippedLevels())
    Measure(name);
  Player = nullptr;
  CurrentLevel.reset();
  LevelTemplate.reset();
  FreeLevelPackage();
  FreeResources();
  return 0;
}
