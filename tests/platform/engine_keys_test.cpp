#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/engine.h"
#include "platform/engine_keys.h"

namespace {

// Every key is up, nothing pressed, no text entry running.
void resetKeyboard() {
  for (int code = 1; code < 256; ++code)
    key_InjectUp(uint8_t(code));
  key_EndReadText();
  key_ClearState();
}

struct KeyState {
  std::vector<int> down, pressed;
  int last = 0;
  bool operator==(const KeyState&) const = default;
};

std::ostream& operator<<(std::ostream& out, const KeyState& s) {
  out << "down {";
  for (int c : s.down)
    out << ' ' << c;
  out << " } pressed {";
  for (int c : s.pressed)
    out << ' ' << c;
  return out << " } last " << s.last;
}

KeyState keyState() {
  KeyState state;
  for (int code = 0; code < 256; ++code) {
    if (key_Down(uint8_t(code))) state.down.push_back(code);
    if (key_Press(uint8_t(code))) state.pressed.push_back(code);
  }
  state.last = key_Last(0);
  return state;
}

TEST(EngineKeys, usb_usages_map_to_set_one_codes) {
  struct Row {
    const char* key;
    int usage;
    int code;
  };
  const Row rows[] = {
      {"Up", 82, 200},
      {"Down", 81, 208},
      {"Left", 80, 203},
      {"Right", 79, 205},
      {"Escape", 41, 1},
      {"Enter", 40, 28},
      {"KP Enter", 88, 156},
      {"R", 21, 19},
      {"N", 17, 49},
      {"Space", 44, 57},
      {"A", 4, 30},
      {"Z", 29, 44},
      {"1", 30, 2},
      {"0", 39, 11},
      {"F1", 58, 59},
      {"F10", 67, 68},
      {"F11", 68, 87},
      {"F12", 69, 88},
      {"KP 0", 98, 82},
      {"KP 7", 95, 71},
      {"KP /", 84, 181},
      {"KP *", 85, 55},
      {"KP -", 86, 74},
      {"KP +", 87, 78},
      {"KP .", 99, 83},
      {"Left Alt", 226, 56},
      {"Right Alt", 230, 184},
      {"Left Shift", 225, 42},
      {"Right Shift", 229, 54},
      {"Left Ctrl", 224, 29},
      {"Right Ctrl", 228, 157},
      {"Home", 74, 199},
      {"End", 77, 207},
      {"Page Up", 75, 201},
      {"Page Down", 78, 209},
      {"Insert", 73, 210},
      {"Delete", 76, 211},
      {"Backspace", 42, 14},
      {"Tab", 43, 15},
      {"`", 53, 41},
      {"\\", 49, 43},
      {"/", 56, 53},
      {"unknown", 0, 0},
      {"negative", -1, 0},
      {"beyond the table", 100000, 0},
  };
  std::vector<std::string> got, expected;
  for (const Row& row : rows) {
    got.push_back(std::string(row.key) + " " + std::to_string(key_FromUsbScancode(row.usage)));
    expected.push_back(std::string(row.key) + " " + std::to_string(row.code));
  }
  EXPECT_EQ(got, expected);
}

TEST(EngineKeys, presses_last_key_and_combined_modifiers) {
  resetKeyboard();
  enum Action { Down, Up, Repeat, Clear };
  struct Step {
    Action action;
    int code;
    KeyState expected;
  };
  const Step steps[] = {
      {Down, 19, {{19}, {19}, 19}},
      {Up, 19, {{}, {19}, 19}},  // the press stays until the next clear
      {Clear, 0, {{}, {}, 0}},
      {Down, 42, {{42, 252}, {42, 252}, 42}},
      {Down, 54, {{42, 54, 252}, {42, 54, 252}, 54}},
      {Up, 42, {{54, 252}, {42, 54, 252}, 54}},  // right Shift still holds 252
      {Clear, 0, {{54, 252}, {}, 0}},            // clearing keeps what is held
      {Up, 54, {{}, {}, 0}},
      {Down, 184, {{184, 253}, {184, 253}, 184}},
      {Down, 29, {{29, 184, 253, 254}, {29, 184, 253, 254}, 29}},
      {Up, 184, {{29, 254}, {29, 184, 253, 254}, 29}},
      {Up, 29, {{}, {29, 184, 253, 254}, 29}},
      {Clear, 0, {{}, {}, 0}},
      {Down, 208, {{208}, {208}, 208}},
      {Clear, 0, {{208}, {}, 0}},
      {Repeat, 208, {{208}, {208}, 208}},  // holding Down scrolls a list
      {Down, 1, {{1, 208}, {1, 208}, 1}},
      {Clear, 0, {{1, 208}, {}, 0}},
      {Repeat, 1, {{1, 208}, {}, 0}},  // holding Escape does not walk back through menus
      {Up, 1, {{208}, {}, 0}},
      {Up, 208, {{}, {}, 0}},
  };
  int index = 0;
  for (const Step& step : steps) {
    switch (step.action) {
      case Down:
        key_InjectDown(uint8_t(step.code));
        break;
      case Up:
        key_InjectUp(uint8_t(step.code));
        break;
      case Repeat:
        key_InjectRepeat(uint8_t(step.code));
        break;
      case Clear:
        key_ClearState();
        break;
    }
    EXPECT_EQ(keyState(), step.expected) << "step " << index;
    ++index;
  }
}

TEST(EngineKeys, text_entry_keeps_to_its_length_and_backspace_deletes) {
  struct Row {
    const char* initial;
    int maxLength;
    std::vector<std::string> typed;  // "\b" is the Backspace key, "\b*" its auto-repeat
    std::string expected;
  };
  const Row rows[] = {
      {"", 16, {"Tovi"}, "Tovi"},
      {"", 5, {"abc", "defgh"}, "abcde"},
      {"abc", 5, {"defg"}, "abcde"},
      {"abcdefgh", 4, {}, "abcd"},
      {"abc", 16, {"\b", "\b", "X"}, "aX"},
      {"ab", 16, {"\b*", "\b*", "\b*", "c"}, "c"},
      {"abcde", 5, {"\b", "xy"}, "abcdx"},
      {"Zo", 16, {"\xEB", "\xFF"}, "Zo\xEB\xFF"},
      {"",
       16,
       {"a\tb\r\n\x7F\x85"
        "c"},
       "abc"},
  };
  for (const Row& row : rows) {
    resetKeyboard();
    key_BeginReadText(row.initial, row.maxLength);
    for (const std::string& typed : row.typed) {
      if (typed == "\b") {
        key_InjectDown(K_BACKSPACE);
        key_InjectUp(K_BACKSPACE);
      } else if (typed == "\b*") {
        key_InjectRepeat(K_BACKSPACE);
      } else {
        key_InjectText(typed);
      }
    }
    EXPECT_EQ(key_GetText(), row.expected) << "initial \"" << row.initial << "\"";
    key_EndReadText();
  }
}

TEST(EngineKeys, text_is_left_alone_outside_text_entry) {
  resetKeyboard();
  key_BeginReadText("name", 16);
  key_EndReadText();
  key_InjectText("x");
  key_InjectDown(K_BACKSPACE);
  EXPECT_EQ(key_GetText(), "name");
  EXPECT_TRUE(key_Press(K_BACKSPACE));
}

TEST(EngineKeys, utf8_text_becomes_latin1) {
  struct Row {
    std::string utf8, latin1;
  };
  const Row rows[] = {
      {"Tovi 2", "Tovi 2"},
      {"Zo\xC3\xAB", "Zo\xEB"},          // U+00EB
      {"\xC2\xA0\xC3\xBF", "\xA0\xFF"},  // the ends of the Latin-1 range
      {"5\xE2\x82\xAC", "5"},            // the euro sign has no Latin-1 form
      {"a\xF0\x9F\x98\x80"
       "b",
       "ab"},  // nor has an emoji
      {"a\xFF"
       "b",
       "ab"},          // not UTF-8 at all
      {"a\xC3", "a"},  // cut short
      {"\xC3(", "("},  // lead byte without its continuation
      {"\xC0\xAF"
       "x",
       "x"},                 // overlong form of "/"
      {"\xE0\x81\x81", ""},  // overlong form of "A"
  };
  std::vector<std::string> got, expected;
  for (const Row& row : rows) {
    got.push_back(engine_Utf8ToLatin1(row.utf8));
    expected.push_back(row.latin1);
  }
  EXPECT_EQ(got, expected);
}

}  // namespace
