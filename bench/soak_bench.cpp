// Long play: the real game, headless, plays every shipped level in turn for one hour of game
// time (by default) with the key scripts that finish them, restarting each run once with the
// Restart key from the level menu and watching its replay, round after round. Every ten minutes of
// game time it prints the peak and current resident memory, which must stay flat, and what was
// played. Usage: soak_bench [MINUTES [REPORT_MINUTES [GAME_FOLDER [KEY_SCRIPT_FOLDER]]]]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "gui/screen_list.h"
#include "shell/game_states.h"
#include "shell/level_run.h"
#include "shell/startup.h"

namespace fs = std::filesystem;

namespace {

// The run part of a level's key script (the lines after "# The run"), with ticks counted
// from the Enter that starts the level (tick 100 in the script), and the script's length.
struct RunKeys {
  std::vector<std::pair<uint64_t, std::string>> lines;
  uint64_t length = 0;
};

RunKeys ReadRunKeys(const fs::path& path) {
  RunKeys keys;
  std::ifstream in(path);
  bool inRun = false;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("# ticks: ")) keys.length = std::stoull(line.substr(9)) - 100;
    if (line.starts_with("# The run")) inRun = true;
    if (!inRun || line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    uint64_t tick = 0;
    std::string rest;
    words >> tick;
    std::getline(words >> std::ws, rest);
    keys.lines.emplace_back(tick - 100, rest);
  }
  return keys;
}

// A key script of rounds over the levels until ticks: from the level list, Enter plays the
// level, R in the level menu plays it again, Down and Enter watch the replay of that run,
// Escape twice goes back to the list and Down to the next level; after the last level Page
// Up leads back to the first.
std::string SoakScript(const std::vector<RunKeys>& levels, uint64_t ticks) {
  std::ostringstream script;
  auto press = [&](uint64_t tick, const char* key) {
    script << tick << " down " << key << "\n" << tick + 1 << " up " << key << "\n";
  };
  auto play = [&](uint64_t start, const RunKeys& run) {
    for (const auto& [tick, rest] : run.lines)
      script << start + tick << " " << rest << "\n";
  };
  // The player chosen at start: Main Menu, Play, the level chosen last.
  press(5, "ENTER");
  press(10, "ENTER");
  uint64_t t = 20;
  for (size_t i = 0; t < ticks; i = (i + 1) % levels.size()) {
    const RunKeys& run = levels[i];
    press(t, "ENTER");
    play(t, run);
    t += run.length + 10;
    press(t, "R");
    play(t, run);
    t += run.length + 10;
    press(t, "DOWN");
    press(t + 5, "ENTER");
    t += run.length + 20;
    press(t, "ESCAPE");
    press(t + 5, "ESCAPE");
    if (i + 1 < levels.size()) {
      press(t + 10, "DOWN");
    } else {
      for (size_t page = 0; page * 10 < levels.size(); ++page)
        press(t + 10 + 5 * page, "PAGEUP");
    }
    t += 20 + 5 * levels.size() / 10;
  }
  return script.str();
}

// A field of /proc/self/status in MB.
double StatusMB(const char* field) {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with(field)) return std::atof(line.c_str() + std::string(field).size()) / 1024;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const uint64_t minutes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 60;
  const uint64_t reportEvery = (argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 10) * 60000;
  const fs::path game = argc > 3 ? argv[3] : TOVI2_GAME_DIR;
  const fs::path keys = argc > 4 ? argv[4] : TOVI2_KEYS_DIR;
  const fs::path work = fs::temp_directory_path() / "tovi2-soak";
  fs::remove_all(work);
  fs::create_directories(work);
  fs::copy(game, work / "game", fs::copy_options::recursive);
  std::ofstream(work / "game" / "Config.dat")
      << "SelPlayer = \"Soak\"\r\nSelLevel = \"\"\r\n[Players]\r\nSoak\r\n[/Players]\r\n";
  std::vector<RunKeys> levels;
  std::map<std::string, fs::path> sorted;
  for (const auto& entry : fs::directory_iterator(keys)) {
    if (entry.path().extension() == ".keys") sorted[entry.path().filename()] = entry.path();
  }
  for (const auto& [name, path] : sorted)
    levels.push_back(ReadRunKeys(path));
  const uint64_t ticks = minutes * 60000;
  std::ofstream(work / "keys.txt") << SoakScript(levels, ticks);

  std::printf("%-8s %10s %10s %9s %9s %9s\n", "minutes", "peak MB", "now MB", "runs", "finished",
              "replays");
  int runs = 0, finished = 0, replays = 0;
  TScreen last = TScreen::None;
  ProgramOptions options;
  options.dir = (work / "game").string();
  options.headless = true;
  options.ticks = ticks;
  options.keysFile = (work / "keys.txt").string();
  options.beforeTick = [&](uint64_t tick) {
    if (CurrentScreen != last) {
      if (CurrentScreen == TScreen::Game) ++runs;
      if (CurrentScreen == TScreen::LevelMenu && last == TScreen::Game && !ResultMessage.empty())
        ++finished;
      if (CurrentScreen == TScreen::Replay) ++replays;
      last = CurrentScreen;
    }
    if (reportEvery > 0 && (tick + 1) % reportEvery == 0) {
      std::printf("%-8llu %10.1f %10.1f %9d %9d %9d\n",
                  static_cast<unsigned long long>((tick + 1) / 60000), StatusMB("VmHWM:"),
                  StatusMB("VmRSS:"), runs, finished, replays);
      std::fflush(stdout);
    }
  };
  const int status = RunProgram(options);
  fs::remove_all(work);
  return status;
}
