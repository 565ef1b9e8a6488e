// The CPU work of drawing one frame, against the 16.7 ms a frame has at 60 frames a second.
// The real game runs headless in a copy of the build's game folder; on a menu (the level
// list) and then in a level it draws the frame again and again, with the driver told to
// drop every triangle before it becomes pixels. What is timed is then what a frame's
// drawing costs the CPU without the fill: the game's draw code, building and sending the
// vertex batches, and the driver's handling of each draw call (it may drop the triangles
// before it shades their vertices). The same frames with the fill are timed for contrast
// (llvmpipe fills with threads of its own, and their time counts too: it is the whole
// process's CPU time); neither includes the frame's clear and swap. The game ticks that
// run between frames are not counted here; level_bench measures those.
// Usage: frame_bench [LEVEL_ROW [GAME_FOLDER]] (LEVEL_ROW: the level's row in the list, 0
// for the first).
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "gui/screen_list.h"
#include "platform/engine.h"
#include "shell/game_states.h"
#include "shell/startup.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFrames = 300;
constexpr double kFrameBudgetMs = 1000.0 / 60;
constexpr uint64_t kMenuTick = 60;     // Select Level, a few frames in
constexpr uint64_t kLevelTick = 3000;  // the level began at tick 100

// Milliseconds of process CPU time per frame drawn.
double DrawMs(bool discard) {
  scr_SetDiscard(discard);
  scr_Flush();
  const std::clock_t start = std::clock();
  for (int i = 0; i < kFrames; ++i) {
    OnDraw();
    scr_Flush();
  }
  const std::clock_t end = std::clock();
  scr_SetDiscard(false);
  return double(end - start) * 1000.0 / CLOCKS_PER_SEC / kFrames;
}

void Report(const char* what) {
  const double without = DrawMs(true), with = DrawMs(false);
  const std::string screen(ScreenName(CurrentScreen));
  std::printf(
      "%s (%s): %.3f ms CPU without the fill = %.3f of the frame budget; "
      "with the fill %.3f ms = %.3f\n",
      what, screen.c_str(), without, without / kFrameBudgetMs, with, with / kFrameBudgetMs);
}

// Creates a player, opens Play and starts the level on row `row` at tick 100.
std::string Keys(int row) {
  std::string keys =
      "2 down ENTER\n3 up ENTER\n5 text Bench\n8 down ENTER\n9 up ENTER\n"
      "20 down ENTER\n21 up ENTER\n";
  for (int i = 0; i < row; ++i) {
    const int t = 30 + 4 * i;
    keys += std::to_string(t) + " down DOWN\n" + std::to_string(t + 1) + " up DOWN\n";
  }
  return keys + "100 down ENTER\n101 up ENTER\n";
}

}  // namespace

int main(int argc, char** argv) {
  const int row = argc > 1 ? std::atoi(argv[1]) : 0;
  const fs::path game = argc > 2 ? fs::path(argv[2]) : fs::path(TOVI2_GAME_DIR);
  const fs::path work = fs::temp_directory_path() / "tovi2-frame-bench";
  fs::remove_all(work);
  fs::create_directories(work);
  fs::copy(game, work / "game", fs::copy_options::recursive);
  std::ofstream(work / "keys.txt") << Keys(row);

  ProgramOptions options;
  options.dir = (work / "game").string();
  options.headless = true;
  options.ticks = kLevelTick + 10;
  options.keysFile = (work / "keys.txt").string();
  options.beforeTick = [](uint64_t tick) {
    if (tick == kMenuTick) Report("menu frame");
    if (tick == kLevelTick) Report("level frame");
  };
  std::printf("one frame's drawing, %d frames each, budget %.1f ms a frame\n", kFrames,
              kFrameBudgetMs);
  const int status = RunProgram(options);
  fs::remove_all(work);
  return status;
}
