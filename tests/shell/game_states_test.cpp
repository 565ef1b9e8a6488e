// The menus' lists and keys, driven tick by tick through the timer callback.
#include "shell/game_states.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/file_io.h"
#include "gui/message_list.h"
#include "platform/engine.h"
#include "program_run.h"
#include "shell/key_names.h"
#include "shell/settings.h"
#include "world/top_ten.h"

namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;

uint8_t Key(const char* name) {
  return uint8_t(KeyCodeFromName(name));
}

// One tick with the key going down before it and up after it.
void Press(uint8_t code) {
  key_InjectDown(code);
  OnTimer();
  key_InjectUp(code);
}

void Press(const char* name) {
  Press(Key(name));
}

void Idle(int ticks) {
  for (int i = 0; i < ticks; ++i)
    OnTimer();
}

void Type(const std::string& text) {
  key_InjectText(text);
  OnTimer();
}

class GameStatesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tovi2-states-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    BaseDir = dir_.string() + "/";
    Config.Params.clear();
    Config.Blocks.clear();
    Settings = TSettings{};
    CurrentScreen = PreviousScreen = "";
    MenuItems.clear();
    MenuIndex = MenuTop = 0;
    KeyCapture = -1;
    SearchText.clear();
    SearchTimeout = 0;
    PlayerName = NewPlayerName = SelectedLevel = "";
    TopTen.Clear();
    key_ClearState();
  }
  void TearDown() override {
    key_EndReadText();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // Fresh Levels folder holding empty files of these names.
  void MakeLevels(const Names& files) {
    fs::remove_all(dir_ / "Levels");
    fs::create_directory(dir_ / "Levels");
    for (const std::string& name : files)
      std::ofstream(dir_ / "Levels" / name) << "";
  }
  // Config.dat as written, or "(none)".
  std::string ConfigFile() const {
    fs::path file = dir_ / "Config.dat";
    return fs::exists(file) ? ReadWholeFile(file.string()) : "(none)";
  }
  void OpenFrom(const std::string& previous, const std::string& screen) {
    CurrentScreen = previous;
    SetScreen(screen);
  }
  void AddPlayers(int count) {
    TDatBlock* players = Config.AddBlock("Players");
    players->IsText = true;
    for (int i = 0; i < count; ++i)
      players->AddLine("P" + std::to_string(i));
  }

  fs::path dir_;
};

TEST_F(GameStatesTest, LevelListOpensWithTheSelectionInTheMiddleOfTheRows) {
  struct Case {
    int count;
    std::string selected;
    int index, top;
  };
  const Case cases[] = {
      {20, "L17.vle", 17, 6},  // 17 - 6 = 11, at most 20 - 13 - 1 = 6
      {20, "L10.vle", 10, 4}, {20, "L03.vle", 3, 0},  {15, "L14.vle", 14, 1},
      {14, "L13.vle", 13, 0},  // the whole list fits
      {5, "L04.vle", 4, 0},   {20, "none.vle", 0, 0}, {0, "L00.vle", 0, 0},
  };
  for (const Case& c : cases) {
    Names files;
    for (int i = 0; i < c.count; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "L%02d.vle", i);
      files.push_back(name);
    }
    MakeLevels(files);
    SelectedLevel = c.selected;
    OpenFrom("Main Menu", "Select Level");
    EXPECT_EQ(MenuItems, files) << c.count;
    EXPECT_EQ(std::make_pair(MenuIndex, MenuTop), std::make_pair(c.index, c.top))
        << c.count << " " << c.selected;
  }
}

TEST_F(GameStatesTest, LevelListHoldsLevelNamesInCaseInsensitiveOrderAndEnterNeedsAFile) {
  MakeLevels({"b.VLE", "A.zle", "c.txt", "noext", "apple.vle", "Apple.vle", "_x.vle", "Z.vle.bak"});
  fs::create_directory(dir_ / "Levels" / "x.vle");
  fs::create_directory(dir_ / "Levels" / "Sub");
  SelectedLevel = "x.vle";
  OpenFrom("Main Menu", "Select Level");
  // Letters compare as lower case, so "_" (before "a") sorts before the letters; names
  // equal but for case keep the order of their bytes.
  EXPECT_EQ(MenuItems, (Names{"_x.vle", "A.zle", "Apple.vle", "apple.vle", "b.VLE", "x.vle"}));
  EXPECT_EQ(MenuIndex, 5);

  Press("ENTER");  // a folder is no level
  EXPECT_EQ(CurrentScreen, "Select Level");
  EXPECT_EQ(SelectedLevel, "x.vle");
  EXPECT_EQ(ConfigFile(), "(none)");

  fs::remove_all(dir_ / "Levels");
  OpenFrom("Main Menu", "Select Level");
  EXPECT_EQ(MenuItems, Names{});
  Press("ENTER");
  EXPECT_EQ(CurrentScreen, "Select Level");
  Press("ESCAPE");
  EXPECT_EQ(CurrentScreen, "Main Menu");
}

TEST_F(GameStatesTest, ListKeysMoveTheSelectionWithinTheList) {
  struct Case {
    int players;  // the list has one item more: "Create New Player"
    std::vector<const char*> keys;
    int index, top;
  };
  const Case cases[] = {
      {4, {"PAGEDOWN"}, 4, 0},
      {4, {"PAGEDOWN", "PAGEUP"}, 0, 0},
      {4, {"UP"}, 0, 0},
      {4, {"DOWN", "DOWN"}, 2, 0},
      {4, {"PAGEDOWN", "DOWN"}, 4, 0},
      {19, {"PAGEDOWN", "PAGEDOWN"}, 19, 6},
      {19, {"PAGEDOWN", "PAGEDOWN", "PAGEUP"}, 9, 6},
      {19, {"PAGEDOWN", "PAGEDOWN", "PAGEUP", "PAGEUP"}, 0, 0},
      {19, {"PAGEDOWN", "DOWN", "DOWN", "DOWN", "DOWN"}, 14, 1},
  };
  for (const Case& c : cases) {
    Config.Blocks.clear();
    AddPlayers(c.players);
    OpenFrom("", "Choose Player");
    for (const char* key : c.keys)
      Press(key);
    EXPECT_EQ(std::make_pair(MenuIndex, MenuTop), std::make_pair(c.index, c.top))
        << c.players << " players, " << c.keys.size() << " keys";
  }
}

TEST_F(GameStatesTest, TypedLettersSelectTheFirstItemBeginningWithThemForHalfASecond) {
  MakeLevels({"Alpha.vle", "Echo.vle", "lake.vle", "Leaf.vle", "LEMON.vle"});
  OpenFrom("Main Menu", "Select Level");
  struct Step {
    int idleBefore;
    const char* key;
    int index;
    std::string search;
  };
  const Step steps[] = {
      {0, "L", 2, "L"},     {0, "E", 3, "LE"},      // any letter case
      {0, "X", 3, "LE"},                            // nothing begins with "LEX": nothing changes
      {0, "M", 4, "LEM"},   {0, "DOWN", 4, "LEM"},  // names of several letters do not type
      {497, "E", 4, "LEM"},  // 499 ticks after "M": "LEME" is tried (and matches nothing)
      {0, "E", 1, "E"},      // 500 ticks after "M": the search starts afresh
      {0, "Z", 1, "E"},
  };
  for (const Step& s : steps) {
    Idle(s.idleBefore);
    Press(s.key);
    EXPECT_EQ(std::make_pair(MenuIndex, SearchText), std::make_pair(s.index, s.search))
        << "after " << s.key;
  }
}

TEST_F(GameStatesTest, CreatingTheSamePlayerTwiceAddsTwoLines) {
  for (int round = 0; round < 2; ++round) {
    OpenFrom("", "Choose Player");
    Press("PAGEUP");  // from the player chosen last to "Create New Player"
    Press("ENTER");
    ASSERT_EQ(CurrentScreen, "Create Player");
    Type("Anna");
    Press("ENTER");
    EXPECT_EQ(CurrentScreen, "Main Menu");
  }
  EXPECT_EQ(PlayerName, "Anna");
  EXPECT_EQ(ConfigFile(), "SelPlayer = \"Anna\"\r\n[Players]\r\nAnna\r\nAnna\r\n[/Players]\r\n");
  OpenFrom("Main Menu", "Choose Player");
  EXPECT_EQ(MenuItems, (Names{"Create New Player", "Anna", "Anna"}));
  EXPECT_EQ(MenuIndex, 1);

  // Choosing a player writes the choice at once.
  Config.SetParam("SelPlayer", "");
  Press("DOWN");
  Press("ENTER");
  EXPECT_EQ(CurrentScreen, "Main Menu");
  EXPECT_EQ(ConfigFile(), "SelPlayer = \"Anna\"\r\n[Players]\r\nAnna\r\nAnna\r\n[/Players]\r\n");
}

TEST_F(GameStatesTest, ASettingsFileThatCannotBeWrittenIsReportedAndPlayGoesOn) {
  fs::create_directory(dir_ / "Config.dat");
  size_t before = MessageList().size();
  OpenFrom("", "Choose Player");
  Press("ENTER");
  Type("Anna");
  Press("ENTER");
  EXPECT_EQ(std::make_pair(CurrentScreen, PlayerName),
            std::make_pair(std::string("Main Menu"), std::string("Anna")));
  ASSERT_EQ(MessageList().size(), before + 1);
  EXPECT_NE(MessageList().back().find("Config.dat"), std::string::npos) << MessageList().back();
}

TEST_F(GameStatesTest, NamesThatWouldNotReadBackFromTheSettingsFileAreRefused) {
  struct Case {
    std::string typed;
    std::string created;  // empty: refused, the screen stays
  };
  const Case cases[] = {
      {"", ""},
      {"[/Players]", ""},            // would close the player list
      {" [/Players]  ", ""},         // blanks do not count in a closing line
      {"Say \"hi\"", ""},            // the value of SelPlayer loses its quotes
      {"[/players]", "[/players]"},  // closing lines are exact about letter case
      {"Anna Lee", "Anna Lee"},
      {"ABCDEFGHIJKLMNOPQRST", "ABCDEFGHIJKLMNOP"},  // the entry takes 16 characters
  };
  for (const Case& c : cases) {
    Config.Params.clear();
    Config.Blocks.clear();
    fs::remove(dir_ / "Config.dat");
    PlayerName = "";
    OpenFrom("", "Choose Player");
    Press("ENTER");
    Type(c.typed);
    Press("ENTER");
    if (c.created.empty()) {
      EXPECT_EQ(CurrentScreen, "Create Player") << c.typed;
      EXPECT_EQ(ConfigFile(), "(none)") << c.typed;
      EXPECT_EQ(PlayerName, "");
    } else {
      EXPECT_EQ(CurrentScreen, "Main Menu") << c.typed;
      EXPECT_EQ(ConfigFile(), "SelPlayer = \"" + c.created + "\"\r\n[Players]\r\n" + c.created +
                                  "\r\n[/Players]\r\n");
      EXPECT_EQ(PlayerName, c.created);
    }
    key_EndReadText();
  }
}

TEST_F(GameStatesTest, PlayerScreensOpenedFromOptionsReturnThere) {
  OpenFrom("Main Menu", "Options");
  Press("DOWN");
  Press("DOWN");
  Press("ENTER");
  ASSERT_EQ(CurrentScreen, "Choose Player");
  Press("ESCAPE");
  EXPECT_EQ(std::make_pair(CurrentScreen, MenuIndex), std::make_pair(std::string("Options"), 2));

  Press("ENTER");
  Press("ENTER");
  EXPECT_EQ(std::make_pair(CurrentScreen, PreviousScreen),
            std::make_pair(std::string("Create Player"), std::string("Options")));
  Press("ESCAPE");
  EXPECT_EQ(CurrentScreen, "Options");
  EXPECT_EQ(ConfigFile(), "(none)");

  Press("ENTER");
  Press("ENTER");
  Type("Bob");
  Press("ENTER");
  EXPECT_EQ(std::make_pair(CurrentScreen, MenuIndex), std::make_pair(std::string("Options"), 2));
  EXPECT_EQ(MenuView().OptionValues, (Names{"On", "Off", "Bob", "LEFT", "RIGHT", "UP", "R"}));
}

TEST_F(GameStatesTest, RebindingJumpToSpaceIsWrittenOnlyWhenOptionsIsLeft) {
  LoadSettings();  // writes the defaults
  PlayerName = "Anna";
  OpenFrom("Main Menu", "Options");
  for (int i = 0; i < 5; ++i)
    Press("DOWN");
  Press("ENTER");
  EXPECT_EQ(KeyCapture, 5);
  EXPECT_EQ(MenuView().OptionValues, (Names{"On", "Off", "Anna", "LEFT", "RIGHT", "_", "R"}));
  Press("DOWN");  // a named key is taken as the new key, not as a list key
  EXPECT_EQ(std::make_pair(Settings.Jump, MenuIndex), std::make_pair(208, 5));

  Press("ENTER");
  Press(197);  // Pause has no name: the capture goes on
  EXPECT_EQ(KeyCapture, 5);
  Press("SPACE");
  EXPECT_EQ(KeyCapture, -1);
  EXPECT_EQ(MenuView().OptionValues, (Names{"On", "Off", "Anna", "LEFT", "RIGHT", "SPACE", "R"}));
  EXPECT_EQ(ConfigFile(), kDefaultConfig);

  Press("UP");
  Press("ENTER");
  Press("ESCAPE");  // cancels the capture only
  EXPECT_EQ(std::make_pair(CurrentScreen, KeyCapture), std::make_pair(std::string("Options"), -1));
  EXPECT_EQ(Settings.Right, 205);

  Press("ESCAPE");
  EXPECT_EQ(std::make_pair(CurrentScreen, MenuIndex), std::make_pair(std::string("Main Menu"), 3));
  std::string expected = kDefaultConfig;
  expected.replace(expected.find("\"200\""), 5, "\"57\"");
  EXPECT_EQ(ConfigFile(), expected);
}

TEST_F(GameStatesTest, SettingTogglesAreWrittenWhenTheirScreenIsLeft) {
  LoadSettings();
  OpenFrom("Main Menu", "Options");
  Press("DOWN");
  Press("ENTER");  // VSync
  OpenFrom("Main Menu", "Config");
  Press("PAGEDOWN");
  Press("ENTER");  // Hide sprites
  EXPECT_EQ(MenuView().OptionValues, (Names{"On", "Off", "On"}));
  EXPECT_EQ(ConfigFile(), kDefaultConfig);
  Press("ESCAPE");
  EXPECT_EQ(std::make_pair(CurrentScreen, MenuIndex), std::make_pair(std::string("Main Menu"), 4));
  std::string expected = kDefaultConfig;
  expected.replace(expected.find("VSync = \"False\""), 15, "VSync = \"True\"");
  expected.replace(expected.find("HideSprites = \"False\""), 21, "HideSprites = \"True\"");
  EXPECT_EQ(ConfigFile(), expected);
}

TEST_F(GameStatesTest, AltEnterSwitchesFullScreenAndDoesNotActivateTheItem) {
  const char* screens[] = {"Main Menu", "Choose Player", "Options", "Config"};
  for (const char* screen : screens) {
    Settings = TSettings{};
    OpenFrom("Main Menu", screen);
    key_InjectDown(Key("ALT"));
    Press("ENTER");
    key_InjectUp(Key("ALT"));
    EXPECT_EQ(std::make_pair(CurrentScreen, Settings.FullScreen),
              std::make_pair(std::string(screen), false));
    EXPECT_EQ(Settings.ShowRecNames, true) << screen;
    EXPECT_EQ(Config.Params.size(), 0u) << screen;
  }
  EXPECT_EQ(ConfigFile(), "(none)");
}

TEST_F(GameStatesTest, MenusReturnToTheItemThatLedAway) {
  struct Case {
    const char* previous;
    const char* screen;
    int index;
  };
  const Case cases[] = {
      {"Select Level", "Main Menu", 0},  {"Main Replay", "Main Menu", 1},
      {"Merge Replays", "Main Menu", 2}, {"Options", "Main Menu", 3},
      {"Config", "Main Menu", 4},        {"Game", "Level Menu", 0},
      {"Replay", "Level Menu", 1},       {"Save play", "Level Menu", 2},
      {"Best times", "Level Menu", 3},   {"Main Menu", "Options", 0},
      {"Choose Player", "Options", 2},   {"Create Player", "Options", 2},
      {"Main Menu", "Config", 0},
  };
  for (const Case& c : cases) {
    MenuTop = 5;
    OpenFrom(c.previous, c.screen);
    EXPECT_EQ(std::make_pair(MenuIndex, MenuTop), std::make_pair(c.index, 0))
        << c.previous << " -> " << c.screen;
  }
}

TEST_F(GameStatesTest, MainMenuItemsLeadToTheirScreens) {
  Config.SetParam("SelLevel", "Meadow.vle");
  struct Case {
    int index;
    const char* screen;
  };
  // "Replay" and "Merge Replays" wait for replay files.
  const Case cases[] = {
      {0, "Select Level"}, {1, "Main Menu"}, {2, "Main Menu"}, {3, "Options"}, {4, "Config"}};
  for (const Case& c : cases) {
    OpenFrom("Choose Player", "Main Menu");
    EXPECT_EQ(MenuItems, (Names{"Play", "Replay", "Merge Replays", "Options", "Config"}));
    for (int i = 0; i < c.index; ++i)
      Press("DOWN");
    Press("ENTER");
    EXPECT_EQ(CurrentScreen, c.screen) << c.index;
  }
  EXPECT_EQ(SelectedLevel, "Meadow.vle");
}

TEST_F(GameStatesTest, BestTimesOpensOnlyWhenTheLevelHasATime) {
  MakeLevels({"Meadow.vle"});
  OpenFrom("Game", "Level Menu");
  Press("PAGEDOWN");
  Press("ENTER");
  EXPECT_EQ(CurrentScreen, "Level Menu");
  TopTen.Time[0] = 1234;
  Press("ENTER");
  EXPECT_EQ(CurrentScreen, "Best times");
  Press("ESCAPE");
  EXPECT_EQ(std::make_pair(CurrentScreen, MenuIndex), std::make_pair(std::string("Level Menu"), 3));
  Press("ESCAPE");
  EXPECT_EQ(CurrentScreen, "Select Level");
  EXPECT_EQ(MenuItems, Names{"Meadow.vle"});
}

}  // namespace
