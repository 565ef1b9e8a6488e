// The screen state machine: the timer and draw callbacks, the menus and their keys.
#pragma once

#include <string>
#include <vector>

#include "gui/screens.h"

extern TScreen CurrentScreen, PreviousScreen;
extern std::vector<std::string> MenuItems;
extern int MenuIndex, MenuTop;
constexpr int MenuRows = 13;  // (600 - 112) div 34 - 1
extern float CursorFrame;
extern int KeyCapture;  // -1, or the Options item (3 to 6) waiting for a key
extern std::string SearchText;
extern int SearchTimeout;
extern std::string PlayerName, NewPlayerName;
extern std::string SelectedLevel, CurrentReplayName, FirstReplayName, ErrorText;

// The only way to enter a screen (except "Game", which a level start enters directly).
void SetScreen(TScreen screen);
// Shows text on "Some Error" at the end of this tick, once the screen the tick leads to
// has been entered; Enter or Escape there go back to that screen. The first error of a
// tick is the one shown.
void ReportError(const std::string& text);
// Puts the settings, the menu state, the run state and the top ten back to how a program
// finds them before it starts (BaseDir, the resources and the patterns stay); for tests.
void ResetGameState();
// One tick of a menu screen.
void MenuTick();
// The engine callbacks of a running game.
void OnTimer();
void OnDraw();
// What the screens show this frame: the menu state with the option values as texts.
TMenuView MenuView();
