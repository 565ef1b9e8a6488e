// The end of a run: the result line, the top ten and the level file written back.
#include "shell/records.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "../world/level_fixture.h"
#include "data/file_io.h"
#include "data/zip_file.h"
#include "platform/engine.h"
#include "shell/game_states.h"
#include "shell/level_run.h"
#include "shell/settings.h"
#include "world/creature.h"

namespace fs = std::filesystem;

namespace {

using level_test::Lines;
using Entries = std::vector<std::string>;  // "time name", best first

// A level as the game writes it, with the creature at x; a start rounds x.
std::string LevelText(const std::string& x, const Entries& topTen) {
  std::string text = Lines({"Type = Level", "CamX = 500.5", "CamY = 300", "CamZoom = 2", "<Layer>",
                            "<Creature>", "FileName = \"tovi.dat\"", "ID = 1"}) +
                     Lines({"X = " + x, "Y = 20", "</Creature>", "</Layer>"});
  if (topTen.empty()) return text;
  text += Lines({"[TopTen]"});
  for (const std::string& entry : topTen)
    text += Lines({entry});
  return text + Lines({"[/TopTen]"});
}

Entries TableEntries() {
  Entries entries;
  for (size_t i = 0; i < TopTen.Time.size() && TopTen.Time[i] != 0; ++i)
    entries.push_back(std::to_string(TopTen.Time[i]) + " " + TopTen.Name[i]);
  return entries;
}

class RecordsTest : public level_test::LevelTest {
 protected:
  void SetUp() override {
    LevelTest::SetUp();
    CreaturePat("tovi.dat");
    ResetGameState();
    savedBaseDir_ = BaseDir;
    BaseDir = folder_.Path() + "/";
    fs::create_directory(Levels());
    PlayerName = "Anna Lee";
  }
  void TearDown() override {
    ResetGameState();
    BaseDir = savedBaseDir_;
    LevelTest::TearDown();
  }

  std::string Levels() const { return folder_ / "Levels"; }

  // The level text as a plain file, or as the level member of a package.
  void WriteLevel(const std::string& name, const std::string& text) {
    const std::string path = Levels() + "/" + name;
    if (IsLevelFileName(name)) return WriteFileAtomic(path, text);
    TZipFile package;
    package.AddMember("Data/readme.txt", "kept as it is");
    package.AddMember("Meadow Level.VLE", text);
    package.SaveToFile(path);
  }
  std::string LevelFile(const std::string& name) const {
    const std::string path = Levels() + "/" + name;
    if (IsLevelFileName(name)) return ReadWholeFile(path);
    TZipFile package;
    package.LoadFromFile(path);
    return package.Data(package.IndexOf("Meadow Level.VLE"));
  }

  // A run of the level whose file holds the top ten; by its end the camera has moved and
  // zoomed and the running copy's creature has walked.
  void Play(const std::string& name, const Entries& topTen) {
    WriteLevel(name, LevelText("10.5", topTen));
    ASSERT_TRUE(StartLevel(name));
    Camera = Camera2D{777, 55, 0, 3};
    CurrentLevel->FindElement(1)->As<TCreature>()->X = 400;
  }

  level_test::TempFolder folder_;
  std::string savedBaseDir_;
};

TEST_F(RecordsTest, a_finish_shows_its_time_and_enters_the_top_ten_written_back_to_the_file) {
  const Entries ten = {"100 A", "200 B", "300 C", "400 D", "500 E",
                       "600 F", "700 G", "800 H", "900 I", "1000 J"};
  Entries tenWithNinth = ten;
  tenWithNinth.back() = "999 Anna Lee";
  struct Case {
    std::string file;
    Entries before;
    int32_t ticks;
    std::string result;
    Entries after;
    int32_t bestTime;
    bool written;
  };
  const std::vector<Case> cases = {
      {"Meadow.vle", {}, 1234, "00:01:23     Best Time!", {"123 Anna Lee"}, 1234, true},
      // Equal to the best: second place, a top-ten place only when it pushes one down.
      {"Meadow.vle", {"1234 Bob"}, 12349, "00:12:34", {"1234 Bob", "1234 Anna Lee"}, 12340, true},
      {"Meadow.vle",
       {"1234 Bob", "1500 Cy"},
       12340,
       "00:12:34     You Made the Top Ten!",
       {"1234 Bob", "1234 Anna Lee", "1500 Cy"},
       12340,
       true},
      {"Meadow.vle",
       {"100 A", "200 B", "300 C"},
       5000,
       "00:05:00",
       {"100 A", "200 B", "300 C", "500 Anna Lee"},
       1000,
       true},
      {"Meadow.vle", ten, 9990, "00:09:99     You Made the Top Ten!", tenWithNinth, 1000, true},
      {"Meadow.vle", ten, 10010, "00:10:01", ten, 1000, false},         // eleventh
      {"Meadow.vle", {"1234 Bob"}, 9, "", {"1234 Bob"}, 12340, false},  // under a hundredth
      {"Lake.VLE", {"1234 Bob"}, 60000, "01:00:00", {"1234 Bob", "6000 Anna Lee"}, 12340, true},
      {"Meadow.zle",
       {"1234 Bob"},
       1000,
       "00:01:00     Best Time!",
       {"100 Anna Lee", "1234 Bob"},
       1000,
       true},
  };
  for (const Case& c : cases) {
    Play(c.file, c.before);
    GameTicks = c.ticks;
    FinishRun();
    // Written from the level as loaded: the file's camera and the creature where the
    // start put it (rounded); the camera zoom is 1 again afterwards.
    const std::string file = c.written ? LevelText("10", c.after) : LevelText("10.5", c.before);
    const float zoom = c.written ? 1 : 3;
    EXPECT_EQ(std::make_tuple(CurrentScreen, ResultMessage, TableEntries(), BestTime),
              std::make_tuple(TScreen::LevelMenu, c.result, c.after, c.bestTime))
        << c.file << " " << c.ticks;
    EXPECT_EQ(std::make_pair(LevelFile(c.file), Camera.Zoom), std::make_pair(file, zoom))
        << c.file << " " << c.ticks;
    ASSERT_TRUE(StartLevel(c.file));  // the names come back with their blanks
    EXPECT_EQ(TableEntries(), c.after) << c.file << " " << c.ticks;
  }
}

// The new table stays in memory; the player learns why the file was not written once
// the level menu is open, and goes back to it from there. No part of a file is left.
TEST_F(RecordsTest, a_level_file_that_cannot_be_written_shows_why_and_keeps_the_new_table) {
  Play("Meadow.vle", {"1234 Bob"});
  const std::string path = Levels() + "/Meadow.vle";
  fs::remove(path);
  fs::create_directory(path);  // in the way of the rename, even for root
  GameTicks = 1000;
  FinishRun();
  OnTimer();
  EXPECT_EQ(std::make_tuple(CurrentScreen, PreviousScreen, ErrorText),
            std::make_tuple(TScreen::SomeError, TScreen::LevelMenu,
                            "Cannot write file \"" + path + "\": Is a directory"));
  EXPECT_EQ(std::make_tuple(ResultMessage, TableEntries(), BestTime),
            std::make_tuple("00:01:00     Best Time!", Entries{"100 Anna Lee", "1234 Bob"}, 1000));
  key_InjectDown(K_ENTER);
  OnTimer();
  key_InjectUp(K_ENTER);
  EXPECT_EQ(std::make_pair(CurrentScreen, MenuIndex), std::make_pair(TScreen::LevelMenu, 0));
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(Levels()))
    left.push_back(entry.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"Meadow.vle"});
}

// A second end in the same tick, or one from a script outside a run, changes nothing.
TEST_F(RecordsTest, finish_and_failure_count_only_in_game) {
  Play("Meadow.vle", {"1234 Bob"});
  GameTicks = 1000;
  for (TScreen screen :
       {TScreen::LevelMenu, TScreen::Replay, TScreen::SelectLevel, TScreen::SomeError}) {
    CurrentScreen = screen;
    ResultMessage = "before";
    FinishRun();
    FailRun();
    EXPECT_EQ(std::make_tuple(CurrentScreen, ResultMessage, TableEntries(), BestTime),
              std::make_tuple(screen, "before", Entries{"1234 Bob"}, 12340));
  }
  CurrentScreen = TScreen::Game;
  FailRun();
  EXPECT_EQ(std::make_tuple(CurrentScreen, ResultMessage, TableEntries()),
            std::make_tuple(TScreen::LevelMenu, "You Failed to Finish!", Entries{"1234 Bob"}));
  EXPECT_EQ(LevelFile("Meadow.vle"), LevelText("10.5", {"1234 Bob"}));
}

}  // namespace
