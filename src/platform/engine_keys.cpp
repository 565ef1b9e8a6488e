// Keyboard state and text entry. Real key events and headless key scripts take the same
// path (key_InjectDown/Up/Text), so a script sees exactly what a player would.

#include <SDL.h>

#include <algorithm>
#include <array>
#include <utility>

#include "platform/engine.h"
#include "platform/engine_keys.h"

namespace {

// USB HID usage (SDL scan code) -> PC set-1 scan code. Codes above 127 are the extended
// keys (E0 prefix + 128), as DirectInput numbers them.
constexpr std::pair<SDL_Scancode, uint8_t> kUsbToSet1[] = {
    {SDL_SCANCODE_ESCAPE, 1},
    {SDL_SCANCODE_1, 2},
    {SDL_SCANCODE_2, 3},
    {SDL_SCANCODE_3, 4},
    {SDL_SCANCODE_4, 5},
    {SDL_SCANCODE_5, 6},
    {SDL_SCANCODE_6, 7},
    {SDL_SCANCODE_7, 8},
    {SDL_SCANCODE_8, 9},
    {SDL_SCANCODE_9, 10},
    {SDL_SCANCODE_0, 11},
    {SDL_SCANCODE_MINUS, 12},
    {SDL_SCANCODE_EQUALS, 13},
    {SDL_SCANCODE_BACKSPACE, 14},
    {SDL_SCANCODE_TAB, 15},
    {SDL_SCANCODE_Q, 16},
    {SDL_SCANCODE_W, 17},
    {SDL_SCANCODE_E, 18},
    {SDL_SCANCODE_R, 19},
    {SDL_SCANCODE_T, 20},
    {SDL_SCANCODE_Y, 21},
    {SDL_SCANCODE_U, 22},
    {SDL_SCANCODE_I, 23},
    {SDL_SCANCODE_O, 24},
    {SDL_SCANCODE_P, 25},
    {SDL_SCANCODE_LEFTBRACKET, 26},
    {SDL_SCANCODE_RIGHTBRACKET, 27},
    {SDL_SCANCODE_RETURN, 28},
    {SDL_SCANCODE_LCTRL, 29},
    {SDL_SCANCODE_A, 30},
    {SDL_SCANCODE_S, 31},
    {SDL_SCANCODE_D, 32},
    {SDL_SCANCODE_F, 33},
    {SDL_SCANCODE_G, 34},
    {SDL_SCANCODE_H, 35},
    {SDL_SCANCODE_J, 36},
    {SDL_SCANCODE_K, 37},
    {SDL_SCANCODE_L, 38},
    {SDL_SCANCODE_SEMICOLON, 39},
    {SDL_SCANCODE_APOSTROPHE, 40},
    {SDL_SCANCODE_GRAVE, 41},
    {SDL_SCANCODE_LSHIFT, 42},
    {SDL_SCANCODE_BACKSLASH, 43},
    {SDL_SCANCODE_NONUSHASH, 43},
    {SDL_SCANCODE_Z, 44},
    {SDL_SCANCODE_X, 45},
    {SDL_SCANCODE_C, 46},
    {SDL_SCANCODE_V, 47},
    {SDL_SCANCODE_B, 48},
    {SDL_SCANCODE_N, 49},
    {SDL_SCANCODE_M, 50},
    {SDL_SCANCODE_COMMA, 51},
    {SDL_SCANCODE_PERIOD, 52},
    {SDL_SCANCODE_SLASH, 53},
    {SDL_SCANCODE_RSHIFT, 54},
    {SDL_SCANCODE_KP_MULTIPLY, 55},
    {SDL_SCANCODE_LALT, 56},
    {SDL_SCANCODE_SPACE, 57},
    {SDL_SCANCODE_CAPSLOCK, 58},
    {SDL_SCANCODE_F1, 59},
    {SDL_SCANCODE_F2, 60},
    {SDL_SCANCODE_F3, 61},
    {SDL_SCANCODE_F4, 62},
    {SDL_SCANCODE_F5, 63},
    {SDL_SCANCODE_F6, 64},
    {SDL_SCANCODE_F7, 65},
    {SDL_SCANCODE_F8, 66},
    {SDL_SCANCODE_F9, 67},
    {SDL_SCANCODE_F10, 68},
    {SDL_SCANCODE_NUMLOCKCLEAR, 69},
    {SDL_SCANCODE_SCROLLLOCK, 70},
    {SDL_SCANCODE_KP_7, 71},
    {SDL_SCANCODE_KP_8, 72},
    {SDL_SCANCODE_KP_9, 73},
    {SDL_SCANCODE_KP_MINUS, 74},
    {SDL_SCANCODE_KP_4, 75},
    {SDL_SCANCODE_KP_5, 76},
    {SDL_SCANCODE_KP_6, 77},
    {SDL_SCANCODE_KP_PLUS, 78},
    {SDL_SCANCODE_KP_1, 79},
    {SDL_SCANCODE_KP_2, 80},
    {SDL_SCANCODE_KP_3, 81},
    {SDL_SCANCODE_KP_0, 82},
    {SDL_SCANCODE_KP_PERIOD, 83},
    {SDL_SCANCODE_NONUSBACKSLASH, 86},
    {SDL_SCANCODE_F11, 87},
    {SDL_SCANCODE_F12, 88},
    {SDL_SCANCODE_KP_EQUALS, 141},
    {SDL_SCANCODE_KP_ENTER, 156},
    {SDL_SCANCODE_RCTRL, 157},
    {SDL_SCANCODE_KP_DIVIDE, 181},
    {SDL_SCANCODE_PRINTSCREEN, 183},
    {SDL_SCANCODE_RALT, 184},
    {SDL_SCANCODE_PAUSE, 197},
    {SDL_SCANCODE_HOME, 199},
    {SDL_SCANCODE_UP, 200},
    {SDL_SCANCODE_PAGEUP, 201},
    {SDL_SCANCODE_LEFT, 203},
    {SDL_SCANCODE_RIGHT, 205},
    {SDL_SCANCODE_END, 207},
    {SDL_SCANCODE_DOWN, 208},
    {SDL_SCANCODE_PAGEDOWN, 209},
    {SDL_SCANCODE_INSERT, 210},
    {SDL_SCANCODE_DELETE, 211},
    {SDL_SCANCODE_LGUI, 219},
    {SDL_SCANCODE_RGUI, 220},
    {SDL_SCANCODE_APPLICATION, 221},
};

constexpr auto kUsbTable = [] {
  std::array<uint8_t, SDL_NUM_SCANCODES> table{};
  for (auto [usage, code] : kUsbToSet1)
    table[usage] = code;
  return table;
}();

// Both keys of a modifier also hold its combined code while either of them is down.
struct Modifier {
  uint8_t left, right, combined;
};
constexpr Modifier kModifiers[] = {{42, 54, K_SHIFT}, {56, 184, K_ALT}, {29, 157, K_CTRL}};

const Modifier* modifierOf(uint8_t code) {
  for (const Modifier& m : kModifiers) {
    if (code == m.left || code == m.right) return &m;
  }
  return nullptr;
}

// Keys whose auto-repeat means "once more": list movement and text deletion. Other keys
// do not repeat, so holding Escape cannot walk back through every menu and quit, and
// holding the restart key does not restart the level over and over.
bool repeats(uint8_t code) {
  constexpr uint8_t kRepeating[] = {K_UP,       K_DOWN, K_LEFT, K_RIGHT,     K_PAGEUP,
                                    K_PAGEDOWN, 199,    207,    K_BACKSPACE, 211};
  return std::ranges::find(kRepeating, code) != std::end(kRepeating);
}

struct Keyboard {
  std::array<bool, 256> down{};
  std::array<bool, 256> pressed{};
  uint8_t lastDown = 0, lastUp = 0;
  bool readingText = false;
  std::string text;
  int maxLength = -1;   // negative: no limit
  std::string refused;  // characters the entry does not take
};
Keyboard keyboard;

void registerPress(uint8_t code) {
  keyboard.pressed[code] = true;
  keyboard.lastDown = code;
  if (const Modifier* m = modifierOf(code)) keyboard.pressed[m->combined] = true;
  if (code == K_BACKSPACE && keyboard.readingText && !keyboard.text.empty()) {
    keyboard.text.pop_back();
  }
}

bool roomForText() {
  return keyboard.maxLength < 0 || keyboard.text.size() < size_t(keyboard.maxLength);
}

// C0 controls, DEL and the C1 controls of Latin-1 are not text.
bool isControl(unsigned char c) {
  return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

void setSdlTextInput(bool on) {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
  if (on) {
    SDL_StartTextInput();
  } else {
    SDL_StopTextInput();
  }
}

// Length of the UTF-8 sequence that `lead` starts; 0 for a byte that starts none (a
// stray continuation byte, an overlong form of ASCII, or beyond U+10FFFF).
size_t sequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead < 0xC2) return 0;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  if (lead < 0xF5) return 4;
  return 0;
}

bool continuationsFollow(std::string_view utf8, size_t at, size_t length) {
  if (at + length > utf8.size()) return false;
  for (size_t i = at + 1; i < at + length; ++i) {
    if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) return false;
  }
  return true;
}

}  // namespace

bool key_Down(uint8_t code) {
  return keyboard.down[code];
}

bool key_Press(uint8_t code) {
  return keyboard.pressed[code];
}

// kind 0: the last key that went down; any other kind: the last key released.
uint8_t key_Last(int kind) {
  return kind == 0 ? keyboard.lastDown : keyboard.lastUp;
}

void key_ClearState() {
  keyboard.pressed.fill(false);
  keyboard.lastDown = 0;
  keyboard.lastUp = 0;
}

void mouse_ClearState() {}

void key_BeginReadText(const std::string& text, int maxLength, std::string_view refused) {
  keyboard.readingText = true;
  keyboard.maxLength = maxLength;
  keyboard.refused = refused;
  keyboard.text = text;
  if (maxLength >= 0 && keyboard.text.size() > size_t(maxLength)) keyboard.text.resize(maxLength);
  setSdlTextInput(true);
}

std::string key_GetText() {
  return keyboard.text;
}

void key_EndReadText() {
  keyboard.readingText = false;
  setSdlTextInput(false);
}

void key_SyncTextInput() {
  setSdlTextInput(keyboard.readingText);
}

uint8_t key_FromUsbScancode(int usage) {
  if (usage < 0 || usage >= int(kUsbTable.size())) return 0;
  return kUsbTable[usage];
}

void key_InjectDown(uint8_t code) {
  if (code == 0) return;
  keyboard.down[code] = true;
  if (const Modifier* m = modifierOf(code)) keyboard.down[m->combined] = true;
  registerPress(code);
}

void key_InjectRepeat(uint8_t code) {
  if (repeats(code)) registerPress(code);
}

void key_InjectUp(uint8_t code) {
  if (code == 0) return;
  keyboard.down[code] = false;
  keyboard.lastUp = code;
  if (const Modifier* m = modifierOf(code)) {
    keyboard.down[m->combined] = keyboard.down[m->left] || keyboard.down[m->right];
  }
}

void key_InjectText(const std::string& latin1) {
  if (!keyboard.readingText) return;
  for (char c : latin1) {
    if (isControl(static_cast<unsigned char>(c)) || !roomForText()) continue;
    if (keyboard.refused.find(c) == std::string::npos) keyboard.text += c;
  }
}

std::string engine_Utf8ToLatin1(std::string_view utf8) {
  std::string latin1;
  size_t at = 0;
  while (at < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    const size_t length = sequenceLength(lead);
    if (length == 0 || !continuationsFollow(utf8, at, length)) {
      ++at;  // malformed: skip the byte and resynchronise on the next one
      continue;
    }
    if (length == 1) latin1 += char(lead);
    // Of the longer forms only C2 xx and C3 xx lie within U+0080..U+00FF.
    if (length == 2 && lead <= 0xC3) latin1 += char(((lead & 0x03) << 6) | (utf8[at + 1] & 0x3F));
    at += length;
  }
  return latin1;
}
