// What a game tick costs on each shipped level, 60 s of game time from a fresh copy of the
// level with the player walking right and left and jumping, as a player would:
// - the whole tick (physics, elements, recording, update scripts) against stepping the same
//   level's physics alone with the player walking the same way, and as seconds of game
//   time per second of CPU time;
// - the same tick without the recorder, against the whole tick;
// - the recorded minute played back, against the same physics alone, and against the
//   physics of the level with the player standing, where most bodies sleep;
// - the size of the replay file one minute of play makes.
// The first figure is the walking physics step itself, in microseconds of CPU time.
// Times are the CPU time of this thread, best of five.
// Usage: level_bench [GAME_FOLDER]
#include <algorithm>
#include <cstdio>
#include <ctime>
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

size_t ElementCount() {
  size_t count = 0;
  for (const auto& layer : CurrentLevel->Layers)
    count += layer->Elements.size();
  return count;
}

// CPU seconds of this thread.
double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// One minute from a fresh copy of the level; the CPU seconds it took.
double PlayMinute(bool record) {
  RestartLevel();
  TRunRecorder recorder;
  const double start = CpuSeconds();
  for (int tick = 0; tick < kTicks && CurrentLevel; ++tick) {
    NewScriptTick();
    Steer(tick);
    ++GameTicks;
    RunTicks = GameTicks;
    CurrentLevel->Step(Player, record ? &recorder : nullptr);
    RunUpdateScript(*CurrentLevel);
    if (record && IsKeyframeTick()) RecordKeyframes(*CurrentLevel);
  }
  return CpuSeconds() - start;
}

// A minute of the same level's physics alone, stepped from a fresh copy; the CPU seconds
// it took. Standing, the player never moves and most bodies soon sleep. Walking, the
// player is steered as in PlayMinute, which takes its ground flag and its key handling
// and nothing else of the elements.
double PhysicsMinute(bool walking) {
  RestartLevel();
  const double start = CpuSeconds();
  for (int tick = 0; tick < kTicks && CurrentLevel; ++tick) {
    if (walking && Player) {
      Steer(tick);
      Player->OnGround = 0;
    }
    phys::cpSpaceStep(CurrentLevel->Space, 0.001);
    if (walking && Player) Player->Update(true);
  }
  return CpuSeconds() - start;
}

// The recorded minute played back on a fresh copy of the level; the CPU seconds it took.
double PlayBackMinute() {
  RebuildReplayLevel();
  TPlaybackRun run;
  const double start = CpuSeconds();
  for (int32_t t = 1; t <= RunTicks && CurrentLevel; ++t)
    PlayReplayStep(Recording, *CurrentLevel, t, run);
  return CpuSeconds() - start;
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
  double still = 1e9, physics = 1e9, plain = 1e9, recorded = 1e9, played = 1e9;
  for (int run = 0; run < kRuns; ++run) {
    still = std::min(still, PhysicsMinute(false));
    physics = std::min(physics, PhysicsMinute(true));
    plain = std::min(plain, PlayMinute(false));
    recorded = std::min(recorded, PlayMinute(true));
  }
  const size_t bytes = ReplayBytes(Recording, RunTicks, name, LevelTemplate->Checksum).size();
  for (int run = 0; run < kRuns; ++run)
    played = std::min(played, PlayBackMinute());
  std::printf("%-17s %8zu %8.2f %10.3f %9.0f %10.3f %9.3f %10.3f %8.1f\n", name.c_str(),
              ElementCount(), physics / kTicks * 1e6, recorded / physics,
              kTicks / 1000.0 / recorded, plain / recorded, played / physics, played / still,
              bytes / 1024.0);
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
  std::printf("%-17s %8s %8s %10s %9s %9s %9s %10s %8s\n", "level", "elements", "phys us",
              "tick/phys", "game/cpu", "norec/tick", "play/phys", "play/still", "KB/min");
  for (const std::string& name : ShippedLevels())
    Measure(name);
  Player = nullptr;
  CurrentLevel.reset();
  LevelTemplate.reset();
  FreeLevelPackage();
  FreeResources();
  return 0;
}
