// The screen state machine: the timer and draw callbacks, the menus and their keys.
#pragma once

#include <string>
#include <vector>

#include "gui/screens.h"

// Screen names are the screens' titles and double as the state names.
extern std::string CurrentScreen, PreviousScreen;
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
void SetScreen(const std::string& name);
// One tick of a menu screen.
void MenuTick();
// The engine callbacks of a running game.
void OnTimer();
void OnDraw();
// What the screens show this frame: the menu state with the option values as texts.
TMenuView MenuView();
