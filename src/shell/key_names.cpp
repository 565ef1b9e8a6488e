#include "shell/key_names.h"

#include <array>
#include <charconv>
#include <string_view>

#include "platform/engine.h"

namespace {

struct KeyNameEntry {
  int code;
  const char* name;
};

// In the order in which a name is looked up: where several keys share a name, the first
// entry is the one a name stands for.
constexpr KeyNameEntry kKeyNames[] = {
    {203, "LEFT"},  {200, "UP"},   {205, "RIGHT"},  {208, "DOWN"},     {14, "BACKSPACE"},
    {57, "SPACE"},  {15, "TAB"},   {41, "`"},       {210, "INSERT"},   {211, "DELETE"},
    {199, "HOME"},  {207, "END"},  {201, "PAGEUP"}, {209, "PAGEDOWN"}, {29, "CTRL"},
    {157, "CTRL"},  {254, "CTRL"}, {56, "ALT"},     {184, "ALT"},      {253, "ALT"},
    {42, "SHIFT"},  {54, "SHIFT"}, {252, "SHIFT"},  {58, "CAPSLOCK"},  {69, "NUMLOCK"},
    {70, "SCROLL"}, {26, "["},     {27, "]"},       {43, "\\"},        {53, "/"},
    {51, ","},      {52, "."},     {39, ";"},       {40, "'"},         {11, "0"},
    {2, "1"},       {3, "2"},      {4, "3"},        {5, "4"},          {6, "5"},
    {7, "6"},       {8, "7"},      {9, "8"},        {10, "9"},         {12, "-"},
    {13, "="},      {30, "A"},     {48, "B"},       {46, "C"},         {32, "D"},
    {18, "E"},      {33, "F"},     {34, "G"},       {35, "H"},         {23, "I"},
    {36, "J"},      {37, "K"},     {38, "L"},       {50, "M"},         {49, "N"},
    {24, "O"},      {25, "P"},     {16, "Q"},       {19, "R"},         {31, "S"},
    {20, "T"},      {22, "U"},     {47, "V"},       {17, "W"},         {45, "X"},
    {21, "Y"},      {44, "Z"},     {82, "KP_0"},    {79, "KP_1"},      {80, "KP_2"},
    {81, "KP_3"},   {75, "KP_4"},  {76, "KP_5"},    {77, "KP_6"},      {71, "KP_7"},
    {72, "KP_8"},   {73, "KP_9"},  {74, "-"},       {78, "+"},         {55, "*"},
    {181, "/"},     {83, "."},     {59, "F1"},      {60, "F2"},        {61, "F3"},
    {62, "F4"},     {63, "F5"},    {64, "F6"},      {65, "F7"},        {66, "F8"},
    {67, "F9"},     {68, "F10"},   {87, "F11"},     {88, "F12"},
};

const std::array<std::string, 256>& NameTable() {
  static const std::array<std::string, 256> table = [] {
    std::array<std::string, 256> t;
    for (const KeyNameEntry& e : kKeyNames)
      t[e.code] = e.name;
    return t;
  }();
  return table;
}

}  // namespace

std::string KeyName(int code) {
  if (code < 0 || code > 255) return "";
  return NameTable()[code];
}

int KeyCodeFromName(const std::string& name) {
  int code = 0;
  auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), code);
  if (ec == std::errc() && end == name.data() + name.size()) {
    return code >= 0 && code <= 255 ? code : -1;
  }
  if (name == "ESCAPE") return K_ESCAPE;
  if (name == "ENTER") return K_ENTER;
  // A digit alone is a key code, so the digit keys are named KEY_0 to KEY_9.
  std::string_view wanted = name;
  if (wanted.size() == 5 && wanted.starts_with("KEY_") && wanted[4] >= '0' && wanted[4] <= '9')
    wanted.remove_prefix(4);
  for (const KeyNameEntry& e : kKeyNames) {
    if (wanted == e.name) return e.code;
  }
  return -1;
}
