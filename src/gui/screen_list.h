// The game's screens. A screen is known by its name, which is also its state name; this
// one list gives the state machine its enum, its names, the menu keys each screen shares
// with the others, its key handler and its drawing, so none of them can miss a screen.
#pragma once

#include <iosfwd>
#include <string_view>

// X(Id, name, typeAhead, listKeys):
//   typeAhead: typed letters jump to the first item that begins with them;
//   listKeys:  Up, Down, Page Up and Page Down move the selection.
// Each screen Id has a key handler Id##Keys in the state machine and a drawing
// Draw##Id##Screen in the screen drawing.
#define TOVI2_SCREENS(X)                         \
  X(ChoosePlayer, "Choose Player", true, true)   \
  X(CreatePlayer, "Create Player", false, false) \
  X(MainMenu, "Main Menu", false, true)          \
  X(Options, "Options", false, true)             \
  X(Config, "Config", false, true)               \
  X(SelectLevel, "Select Level", true, true)     \
  X(Game, "Game", false, false)                  \
  X(LevelMenu, "Level Menu", false, true)        \
  X(SavePlay, "Save play", false, false)         \
  X(BestTimes, "Best times", false, false)       \
  X(Replay, "Replay", false, false)              \
  X(MainReplay, "Main Replay", true, true)       \
  X(MergeReplays, "Merge Replays", true, true)   \
  X(SomeError, "Some Error", false, false)

// None is the state before the first screen is entered; its name is empty.
enum class TScreen {
  None,
#define TOVI2_SCREEN_ENUM(id, name, typeAhead, listKeys) id,
  TOVI2_SCREENS(TOVI2_SCREEN_ENUM)
#undef TOVI2_SCREEN_ENUM
};

// The screen's name ("Main Menu", ...), "" for None.
std::string_view ScreenName(TScreen screen);
// True for "Game" and "Replay", where the level is drawn and no menu.
bool IsRunScreen(TScreen screen);
// Prints the name, so that test failures read as screens.
std::ostream& operator<<(std::ostream& out, TScreen screen);
