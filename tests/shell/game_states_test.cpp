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
    ResetGameState();
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
  void OpenFrom(TScreen previous, TScreen screen) {
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
    OpenFrom(TScreen::MainMenu, TScreen::SelectLevel);
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
  OpenFrom(TScreen::MainMenu, TScreen::SelectLevel);
  // Letters compare as lower case, so "_" (before "a") sorts before the letters; names
  // equal but for case keep the order of their bytes.
  EXPECT_EQ(MenuItems, (Names{"_x.vle", "A.zle", "Apple.vle", "apple.vle", "b.VLE", "x.vle"}));
  EXPECT_EQ(MenuIndex, 5);

  Press("ENTER");  // a folder is no level
  EXPECT_EQ(CurrentScreen, TScreen::SelectLevel);
  EXPECT_EQ(SelectedLevel, "x.vle");
  EXPECT_EQ(ConfigFile(), "(none)");

  fs::remove_all(dir_ / "Levels");
  OpenFrom(TScreen::MainMenu, TScreen::SelectLevel);
  EXPECT_EQ(MenuItems, Names{});
  Press("ENTER");
  EXPECT_EQ(CurrentScreen, TScreen::SelectLevel);
  Press("ESCAPE");
  EXPECT_EQ(CurrentScreen, TScreen::MainMenu);
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
    OpenFrom(TScreen::None, TScreen::ChoosePlayer);
    for (const char* key : c.keys)
      Press(key);
    EXPECT_EQ(std::make_pair(MenuIndex, MenuTop), std::make_pair(c.index, c.top))
        << c.players << " players, " << c.keys.size() << " keys";
  }
}

TEST_F(GameStatesTest, TypedLettersSelectTheFirstItemBeginningWithThemForHalfASecond) {
  MakeLevels({"Alpha.vle", "Echo.vle", "lake.vle", "Leaf.vle", "LEMON.vle"});
  OpenFrom(TScreen::MainMenu, TScreen::SelectLevel);
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
    OpenFrom(TScreen::None, TScreen::ChoosePlayer);
    Press("PAGEUP");  // from the player chosen last to "Create New Player"
    Press("ENTER");
    ASSERT_EQ(CurrentScreen, TScreen::CreatePlayer);
    Type("Anna");
    Press("ENTER");
    EXPECT_EQ(CurrentScreen, TScreen::MainMenu);
  }
  EXPECT_EQ(PlayerName, "Anna");
  EXPECT_EQ(ConfigFile(), "SelPlayer = \"Anna\"\r\n[Players]\r\nAnna\r\nAnna\r\n[/Players]\r\n");
  OpenFrom(TScreen::MainMenu, TScreen::ChoosePlayer);
  EXPECT_EQ(MenuItems, (Names{"Create New Player", "Anna", "Anna"}));
  EXPECT_EQ(MenuIndex, 1);

  // Choosing a player writes the choice at once.
  Config.SetParam("SelPlayer", "");
  Press("DOWN");
  Press("ENTER");
  EXPECT_EQ(CurrentScreen, TScreen::MainMenu);
  EXPECT_EQ(ConfigFile(), "SelPlayer = \"Anna\"\r\n[Players]\r\nAnna\r\nAnna\r\n[/Players]\r\n");
}

// Errors met in a menu show on "Some Error"; Enter or Escape there go on to the screen the
// player was led to, opened as it would have been. Nothing is left on the message list.
TEST_F(GameStatesTest, MenuErrorsShowOnTheErrorScreenUntilDismissed) {
  MakeLevels({"A.vle"});
  std::ofstream(dir_ / "Levels/Broken.vle")
      << "Type = Level\r\n[TopTen]\r\n12x Ann\r\n[/TopTen]\r\n";
  fs::create_directory(dir_ / "Config.dat");  // cannot be written
  const std::string configError = "Cannot write file \"" + BaseDir + "Config.dat\": Is a directory";
  size_t messages = MessageList().size();
  struct Case {
    std::vector<const char*> keys;
    std::string error;
    TScreen back;
    int backIndex;
  };
  const Case cases[] = {
      {{"DOWN", "DOWN", "DOWN", "ENTER", "ESCAPE"}, configError, TScreen::MainMenu, 3},
      {{"DOWN", "DOWN", "DOWN", "DOWN", "ENTER", "ESCAPE"}, configError, TScreen::MainMenu, 4},
      {{"ENTER", "DOWN", "ENTER"},
       "'12x' is not a valid integer value (top ten line 1: \"12x Ann\")",
       TScreen::SelectLevel,
       1},
  };
  for (const Case& c : cases) {
    if (c.back == TScreen::SelectLevel) fs::remove(dir_ / "Config.dat");
    OpenFrom(TScreen::None, TScreen::MainMenu);
    for (const char* key : c.keys)
      Press(key);
    EXPECT_EQ(std::make_pair(CurrentScreen, ErrorText),
              std::make_pair(TScreen::SomeError, c.error));
    Press(c.back == TScreen::SelectLevel ? "ENTER" : "ESCAPE");
    EXPECT_EQ(std::make_pair(CurrentScreen, MenuIndex), std::make_pair(c.back, c.backIndex));
  }
  EXPECT_EQ(MessageList().size(), messages);
}

// A name holding a double quote could never be read back from Config.dat: the entry does
// not take the character. A name refused for another reason says why.
TEST_F(GameStatesTest, NamesThatWouldNotReadBackFromTheSettingsFileAreRefused) {
  struct Case {
    std::string typed;
    std::string created;  // empty: refused
    std::string error;    // why, on "Some Error"
  };
  const Case cases[] = {
      {"", "", ""},
      {"[/Players]", "",
       "\"[/Players]\" cannot be a player's name: Config.dat could not read it back."},
      {" [/Players]  ", "",  // blanks do not count in a closing line
       "\" [/Players]  \" cannot be a player's name: Config.dat could not read it back."},
      {"Say \"hi\"", "Say hi", ""},
      {"[/players]", "[/players]", ""},  // closing lines are exact about letter case
      {"Anna Lee", "Anna Lee", ""},
      {"ABCDEFGHIJKLMNOPQRST", "ABCDEFGHIJKLMNOP", ""},  // the entry takes 16 characters
  };
  for (const Case& c : cases) {
    Config.Params.clear();
    Config.Blocks.clear();
    fs::remove(dir_ / "Config.dat");
    PlayerName = "";
    OpenFrom(TScreen::None, TScreen::ChoosePlayer);
    Press("ENTER");
    Type(c.typed);
    Press("ENTER");
    if (c.created.empty()) {
      EXPECT_EQ(std::make_pair(CurrentScreen, ErrorText),
                std::make_pair(c.error.empty() ? TScreen::CreatePlayer : TScreen::SomeError,
                               c.error.empty() ? "" : c.error))
          << c.typed;
      Press("ENTER");  // back to the entry, which keeps the text
      EXPECT_EQ(std::make_tuple(CurrentScreen, PreviousScreen, NewPlayerName),
                std::make_tuple(TScreen::CreatePlayer, TScreen::ChoosePlayer, c.typed));
      EXPECT_EQ(ConfigFile(), "(none)") << c.typed;
      EXPECT_EQ(PlayerName, "");
    } else {
      EXPECT_EQ(CurrentScreen, TScreen::MainMenu) << c.typed;
      EXPECT_EQ(ConfigFile(), "SelPlayer = \"" + c.created + "\"\r\n[Players]\r\n" + c.created +
                                  "\r\n[/Players]\r\n");
      EXPECT_EQ(PlayerName, c.created);
    }
    key_EndReadText();
    ErrorText.clear();
  }
}

TEST_F(GameStatesTest, PlayerScreensOpenedFromOptionsReturnThere) {
  OpenFrom(TScreen::MainMenu, TScreen::Options);
  Press("DOWN");
  Press("DOWN");
  Press("ENTER");
  ASSERT_EQ(CurrentScreen, TScreen::ChoosePlayer);
  Press("ESCAPE");
  EXPECT_EQ(std::make_pair(CurrentScreen, MenuIndex), std::make_pair(TScreen::Options, 2));

  Press("ENTER");
  Press("ENTER");
  EXPECT_EQ(std::make_pair(CurrentScreen, PreviousScreen),
            std::make_pair(TScreen::CreatePlayer, TScreen::Options));
  Press("ESCAPE");
  EXPECT_EQ(CurrentScreen, TScreen::Options);
  EXPECT_EQ(ConfigFile(), "(none)");

  Press("ENTER");
  Press("ENTER");
  Type("Bob");
  Press("ENTER");
  EXPECT_EQ(std::make_pair(CurrentScreen, MenuIndex), std::make_pair(TScreen::Options, 2));
  EXPECT_EQ(MenuView().OptionValues, (Names{"On", "Off", "Bob", "LEFT", "RIGHT", "UP", "R"}));
}

TEST_F(GameStatesTest, RebindingJumpToSpaceIsWrittenOnlyWhenOptionsIsLeft) {
  LoadSettings();  // writes the defaults
  PlayerName = "Anna";
  OpenFrom(TScreen::MainMenu, TScreen::Options);
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
  EXPECT_EQ(std::make_pair(KeyCapture, Settings.Jump), std::make_pair(-1, 57));
  EXPECT_EQ(MenuView().OptionValues, (Names{"On", "Off", "Anna", "LEFT", "RIGHT", "SPACE", "R"}));
  EXPECT_EQ(ConfigFile(), kDefaultConfig);

  Press("UP");
  Press("ENTER");
  Press("ESCAPE");  // cancels the capture only
  EXPECT_EQ(std::make_pair(CurrentScreen, KeyCapture), std::make_pair(TScreen::Options, -1));
  EXPECT_EQ(Settings.Right, 205);

  Press("ESCAPE");
  EXPECT_EQ(std::make_pair(CurrentScreen, MenuIndex), std::make_pair(TScreen::MainMenu, 3));
  std::string expected = kDefaultConfig;
  expected.replace(expected.find("\"200\""), 5, "\"57\"");
  EXPECT_EQ(ConfigFile(), expected);
}

TEST_F(GameStatesTest, SettingTogglesAreWrittenWhenTheirScreenIsLeft) {
  LoadSettings();
  OpenFrom(TScreen::MainMenu, TScreen::Options);
  Press("DOWN");
  Press("ENTER");  // VSync
  OpenFrom(TScreen::MainMenu, TScreen::Config);
  Press("PAGEDOWN");
  Press("ENTER");  // Hide sprites
  EXPECT_EQ(MenuView().OptionValues, (Names{"On", "Off", "On"}));
  EXPECT_EQ(ConfigFile(), kDefaultConfig);
  Press("ESCAPE");
  EXPECT_EQ(std::make_pair(CurrentScreen, MenuIndex), std::make_pair(TScreen::MainMenu, 4));
  std::string expected = kDefaultConfig;
  expected.replace(expected.find("VSync = \"False\""), 15, "VSync = \"True\"");
  expected.replace(expected.find("HideSprites = \"False\""), 21, "HideSprites = \"True\"");
  EXPECT_EQ(ConfigFile(), expected);
}

TEST_F(GameStatesTest, AltEnterSwitchesFullScreenAndDoesNotActivateTheItem) {
  const TScreen screens[] = {TScreen::MainMenu, TScreen::ChoosePlayer, TScreen::Options,
                             TScreen::Config};
  for (TScreen screen : screens) {
    Settings = TSettings{};
    OpenFrom(TScreen::MainMenu, screen);
    key_InjectDown(Key("ALT"));
    Press("ENTER");
    key_InjectUp(Key("ALT"));
    EXPECT_EQ(std::make_pair(CurrentScreen, Settings.FullScreen), std::make_pair(screen, false));
    EXPECT_EQ(Settings.ShowRecNames, true) << screen;
    EXPECT_EQ(Config.Params.size(), 0u) << screen;
  }
  EXPECT_EQ(ConfigFile(), "(none)");
}

TEST_F(GameStatesTest, MenusReturnToTheItemThatLedAway) {
  struct Case {
    TScreen previous, screen;
    int index;
  };
  const Case cases[] = {
      {TScreen::SelectLevel, TScreen::MainMenu, 0},  {TScreen::MainReplay, TScreen::MainMenu, 1},
      {TScreen::MergeReplays, TScreen::MainMenu, 2}, {TScreen::Options, TScreen::MainMenu, 3},
      {TScreen::Config, TScreen::MainMenu, 4},       {TScreen::Game, TScreen::LevelMenu, 0},
      {TScreen::Replay, TScreen::LevelMenu, 1},      {TScreen::SavePlay, TScreen::LevelMenu, 2},
      {TScreen::BestTimes, TScreen::LevelMenu, 3},   {TScreen::MainMenu, TScreen::Options, 0},
      {TScreen::ChoosePlayer, TScreen::Options, 2},  {TScreen::CreatePlayer, TScreen::Options, 2},
      {TScreen::MainMenu, TScreen::Config, 0},
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
    TScreen screen;
  };
  const Case cases[] = {{0, TScreen::SelectLevel},
                        {1, TScreen::MainReplay},
                        {2, TScreen::MergeReplays},
                        {3, TScreen::Options},
                        {4, TScreen::Config}};
  for (const Case& c : cases) {
    OpenFrom(TScreen::ChoosePlayer, TScreen::MainMenu);
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
  OpenFrom(TScreen::Game, TScreen::LevelMenu);
  Press("PAGEDOWN");
  Press("ENTER");
  EXPECT_EQ(CurrentScreen, TScreen::LevelMenu);
  TopTen.Time[0] = 1234;
  Press("ENTER");
  EXPECT_EQ(CurrentScreen, TScreen::BestTimes);
  Press("ESCAPE");
  EXPECT_EQ(std::make_pair(CurrentScreen, MenuIndex), std::make_pair(TScreen::LevelMenu, 3));
  Press("ESCAPE");
  EXPECT_EQ(CurrentScreen, TScreen::SelectLevel);
  EXPECT_EQ(MenuItems, Names{"Meadow.vle"});
}

// A typed replay name stays a file name inside Rec: the refusal says why, and going back
// leaves the entry as it was.
TEST_F(GameStatesTest, SavePlayRefusesNamesThatLeaveTheReplayFolder) {
  const std::string slashes =
      "A replay name cannot hold \"/\" or \"\\\": replays stay in the folder Rec.";
  const std::pair<std::string, std::string> cases[] = {
      {"", "A replay needs a name."},
      {"../up", slashes},
      {"a\\b", slashes},
      {".hidden", "A replay name cannot begin with \".\"."},
  };
  for (const auto& [name, error] : cases) {
    OpenFrom(TScreen::LevelMenu, TScreen::SavePlay);
    key_BeginReadText(name, 32);
    Idle(1);
    Press("ENTER");
    EXPECT_EQ(std::make_pair(CurrentScreen, ErrorText), std::make_pair(TScreen::SomeError, error));
    Press("ESCAPE");
    EXPECT_EQ(std::make_pair(CurrentScreen, CurrentReplayName),
              std::make_pair(TScreen::SavePlay, name));
    key_EndReadText();
  }
  EXPECT_FALSE(fs::exists(dir_ / "Rec"));
}

}  // namespace
