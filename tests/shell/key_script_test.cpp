#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "platform/engine.h"
#include "shell/headless.h"
#include "shell/key_names.h"

TEST(KeyNames, NamesAndCodesOfTheKeysTheGameShows) {
  struct Case {
    int code;
    const char* name;
  };
  const Case cases[] = {{203, "LEFT"},  {205, "RIGHT"}, {200, "UP"}, {208, "DOWN"}, {57, "SPACE"},
                        {19, "R"},      {49, "N"},      {11, "0"},   {2, "1"},      {10, "9"},
                        {74, "-"},      {12, "-"},      {181, "/"},  {254, "CTRL"}, {184, "ALT"},
                        {252, "SHIFT"}, {87, "F11"},    {88, "F12"}, {82, "KP_0"},  {1, ""},
                        {28, ""},       {0, ""},        {255, ""},   {-1, ""},      {256, ""}};
  for (const Case& c : cases)
    EXPECT_EQ(KeyName(c.code), c.name) << c.code;
}

TEST(KeyNames, KeyScriptNamesMeanTheMainKeyboardKey) {
  struct Case {
    const char* name;
    int code;
  };
  const Case cases[] = {{"LEFT", 203}, {"ESCAPE", 1}, {"ENTER", 28}, {"R", 19},     {"-", 12},
                        {"/", 53},     {"ALT", 56},   {"CTRL", 29},  {"SHIFT", 42}, {"57", 57},
                        {"1", 1},      {"0", 0},      {"256", -1},   {"-3", -1},    {"left", -1},
                        {"", -1},      {"FOO", -1}};
  for (const Case& c : cases)
    EXPECT_EQ(KeyCodeFromName(c.name), c.code) << c.name;
}

// Every key the player sees named is on the keyboard: some physical key gives its code. The
// combined modifier codes (from K_SHIFT on) come from no single key.
TEST(KeyNames, EveryNamedKeyHasAPhysicalKey) {
  std::set<int> produced;
  for (int usage = 0; usage < 512; ++usage)
    produced.insert(key_FromUsbScancode(usage));
  std::vector<int> missing;
  for (int code = 0; code < K_SHIFT; ++code) {
    bool named =
        !KeyName(code).empty() || code == 1 || code == 28 || code == 156;  // Escape, Enters
    if (named && !produced.count(code)) missing.push_back(code);
  }
  EXPECT_EQ(missing, std::vector<int>{});
}

namespace {

std::string Render(const std::vector<KeyEvent>& events) {
  std::string out;
  for (const KeyEvent& e : events) {
    out += std::to_string(e.tick);
    if (e.kind == KeyEvent::Text) {
      out += " text[" + e.text + "]";
    } else {
      out += (e.kind == KeyEvent::Down ? " down " : " up ") + std::to_string(e.code);
    }
    out += ";";
  }
  return out;
}

}  // namespace

TEST(KeyScript, ParsesEventsCommentsAndTextInTickOrder) {
  std::vector<KeyEvent> events;
  std::string error;
  ASSERT_TRUE(
      ParseKeyScript("# a run to the right\r\n"
                     "10 down RIGHT   # hold it\n"
                     "\n"
                     "   \t\n"
                     "5 text Jo # not a comment\n"
                     "10 up 205\n"
                     "7 down ENTER\n"
                     "7 text \n",
                     events, error))
      << error;
  EXPECT_EQ(Render(events), "5 text[Jo # not a comment];7 down 28;7 text[];10 down 205;10 up 205;");
}

TEST(KeyScript, RejectsBadLinesNamingTheLine) {
  struct Case {
    const char* script;
    const char* error;
  };
  const Case cases[] = {
      {"x down LEFT\n", "line 1: \"x\" is not a tick number"},
      {"1 down LEFT\n-1 down LEFT\n", "line 2: \"-1\" is not a tick number"},
      {"1 press LEFT\n", "line 1: expected down, up or text after the tick"},
      {"1 down\n", "line 1: unknown key \"\""},
      {"1 down BANANA\n", "line 1: unknown key \"BANANA\""},
      {"1 up LEFT RIGHT\n", "line 1: unexpected text after the key"},
      {"99999999999999999999999 down LEFT\n",
       "line 1: \"99999999999999999999999\" is not a tick number"},
  };
  for (const Case& c : cases) {
    std::vector<KeyEvent> events;
    std::string error;
    EXPECT_FALSE(ParseKeyScript(c.script, events, error)) << c.script;
    EXPECT_EQ(error, c.error);
  }
}
