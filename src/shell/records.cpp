#include "shell/records.h"

#include <cstdio>

#include "shell/game_states.h"
#include "shell/level_run.h"

void FinishRun() {
  if (CurrentScreen != TScreen::Game) return;
  int32_t h = GameTicks / 10;
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", h / 6000 % 100, h / 100 % 60, h % 100);
  ResultMessage = h == 0 ? "" : text;
  SetScreen(TScreen::LevelMenu);
}

void FailRun() {
  if (CurrentScreen != TScreen::Game) return;
  ResultMessage = "You Failed to Finish!";
  SetScreen(TScreen::LevelMenu);
}
