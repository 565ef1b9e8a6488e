// Headless runs: key scripts that stand in for the keyboard, and the state dump.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct KeyEvent {
  enum Kind { Down, Up, Text };
  uint64_t tick = 0;  // applied just before this tick runs (0: before the first)
  Kind kind = Down;
  int code = 0;      // Down and Up
  std::string text;  // Text: typed as it stands (UTF-8)
};

// One event per line: "TICK down KEY", "TICK up KEY" or "TICK text STRING" (STRING is the
// rest of the line after one blank). "#" starts a comment, except inside a text event's
// STRING. Events are returned in file order. On a bad line returns false with
// "line N: reason" in error.
bool ParseKeyScript(const std::string& script, std::vector<KeyEvent>& events, std::string& error);

// Plays a parsed script into the engine's keyboard, tick by tick.
class KeyScriptPlayer {
 public:
  explicit KeyScriptPlayer(std::vector<KeyEvent> events);
  // Applies every event of this tick (events must be in tick order; the parser's file order
  // is kept for events of one tick).
  void BeforeTick(uint64_t tick);

 private:
  std::vector<KeyEvent> events_;
  size_t next_ = 0;
};

// The state of the game as one JSON object: "ticks" (timer calls run), "settings" (the
// nine settings by their "Config.dat" names), the menu state, the run state (with every
// element of the level, the scripts' named integers and the top ten) and the message
// list. Field names never change once published (README, headless mode).
std::string StateDumpJson();
