// Drawing of everything that is not the level itself: the menu screens with their
// background and cursor, and the overlays of a running game or replay.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gui/screen_list.h"

struct TTopTen;

// What the screens show, filled by the game's state machine once per frame.
struct TMenuView {
  TScreen Screen = TScreen::None;  // the current screen
  const std::vector<std::string>* Items = nullptr;
  int Index = 0, Top = 0, Rows = 13;  // selected item, first visible row, rows - 1
  float CursorFrame = 0;
  int KeyCapture = -1;    // Options row waiting for a key, or -1
  std::string TypedText;  // "Create Player" and "Save play" entry
  std::string LevelName;  // level file name for the "Level: " titles
  std::string ResultMessage;
  std::string FirstReplayName;  // "Merge Replays": empty until chosen
  std::string ErrorText;        // "Some Error"
  // Option values as shown: "On"/"Off", the player name, key names.
  std::vector<std::string> OptionValues;  // "Options": 7 values; "Config": 3 values
  const TTopTen* TopTen = nullptr;        // "Best times"
  // "Game" and "Replay": the last-apple line, shown when the setting is on.
  bool ShowLastAppleTime = false;
  int32_t AppleCount = 0;     // apples taken in the run
  int32_t LastAppleTime = 0;  // ms into the run when the last was taken; 0 for none yet
};

// The end of every frame, in one batch and in screen space: the last-apple line, then,
// unless the screen is "Game" or "Replay", the menu background and the screen.
void DrawScreens(const TMenuView& view);
// Drops the menu background composed from the current tiles and logo (before they are
// freed: it is composed again from whatever textures the next menu frame finds).
void FreeMenuBackground();
// In "Game" and "Replay" with the setting on and an apple taken: "last apple(N)" at
// (630, 580) and the time of the last apple with its right edge at 790, in the small font.
void DrawLastApple(const TMenuView& view);
// The on-screen message list, entry i at (10, 10 + 20 i), small font ("Game", "Replay").
void DrawMessages();
// x of a text of the main font centred on the 800-pixel screen.
float CentredX(const std::string& text);
