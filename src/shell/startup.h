// The program's entry and exit: settings, engine callbacks, the loop.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct ProgramOptions {
  std::string dir;         // run in this folder instead of the current one
  int fullScreen = -1;     // -1: as the settings say; 0: windowed; 1: full screen
  bool headless = false;   // offscreen driver, virtual clock
  uint64_t ticks = 0;      // headless: game ticks to run
  std::string keysFile;    // headless: key script
  std::string screenshot;  // headless: PNG of the last frame
  std::string dumpState;   // headless: JSON state dump
  // headless: called before every tick, after the key script's keys (for benchmarks)
  std::function<void(uint64_t tick)> beforeTick;
};

// Runs the game; returns the process exit status.
int RunProgram(const ProgramOptions& options);

// The engine callbacks of start and end (the timer and draw callbacks are the game
// states').
void OnLoad();
void OnExit();
