// The menus and a level run through the real program, run headless with key scripts.
#include <gtest/gtest.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "../data/json_field.h"
#include "data/file_io.h"
#include "program_run.h"

namespace fs = std::filesystem;

namespace {

double Number(const std::string& json, const std::string& key) {
  std::string text = Field(json, key);
  return text.empty() ? -1e9 : std::stod(text);
}

// A key script of presses: each key goes down at its tick and up at the next.
struct Press {
  int tick;
  std::string key;
};

std::string Script(const std::vector<Press>& presses) {
  std::string script;
  for (const Press& p : presses) {
    script += std::to_string(p.tick) + " down " + p.key + "\n";
    script += std::to_string(p.tick + 1) + " up " + p.key + "\n";
  }
  return script;
}

// A floor from x = -1000 to 3000 at y = 400 and the player's creature standing on it at
// x = 100. The creature needs only its measures; without animations it is not drawn.
constexpr const char* kLevel =
    "Type = Level\r\n"
    "CamX = 400\r\n"
    "CamY = 300\r\n"
    "<Layer>\r\n"
    "Name = \"Ground\"\r\n"
    "<Polygon>\r\n"
    "ID = 1\r\n"
    "Type = Static\r\n"
    "[Vertices]\r\n"
    "-1000 400\r\n"
    "3000 400\r\n"
    "3000 500\r\n"
    "-1000 500\r\n"
    "[/Vertices]\r\n"
    "</Polygon>\r\n"
    "<Creature>\r\n"
    "FileName = \"hero.dat\"\r\n"
    "ID = 2\r\n"
    "X = 100\r\n"
    "Y = 370\r\n"
    "</Creature>\r\n"
    "</Layer>\r\n";

constexpr const char* kCreature =
    "Type = Creature\r\n"
    "LegsY = 8\r\n"
    "HeadY = -6\r\n"
    "Radius = 14\r\n"
    "Mass = 30\r\n";

constexpr double kStartX = 100;

class GameFlowTest : public ProgramFolderTest {
 protected:
  // Three copies of the level; typing "L", "E" picks "Lemon.vle".
  void MakeLevelFolder() {
    fs::create_directories(dir_ / "Data" / "Creatures");
    fs::create_directories(dir_ / "Levels");
    std::ofstream(dir_ / "Data" / "Creatures" / "hero.dat") << kCreature;
    for (const char* name : {"Alpha.vle", "Lake.vle", "Lemon.vle"})
      std::ofstream(dir_ / "Levels" / name) << kLevel;
  }
  // The settings after "Anna" was created and "Lemon.vle" played.
  std::string PlayedConfig() const {
    return std::string(kDefaultConfig) +
           "SelPlayer = \"Anna\"\r\nSelLevel = "
           "\"Lemon.vle\"\r\n[Players]\r\nAnna\r\n[/Players]\r\n";
  }
  void WriteConfig(const std::string& text) { std::ofstream(dir_ / "Config.dat") << text; }
  std::string ConfigFile() const { return ReadWholeFile((dir_ / "Config.dat").string()); }

  // A headless run that ends with status; returns the state dump ("" when there is none).
  std::string Run(uint64_t ticks, const std::string& keys, int status = 0) {
    std::ofstream(root_ / "keys.txt") << keys;
    fs::path dump = root_ / "state.json";
    fs::remove(dump);
    ProgramRun r =
        RunProgramAt(TOVI2_EXE,
                     {"--headless", "--dir", dir_.string(), "--ticks", std::to_string(ticks),
                      "--keys", (root_ / "keys.txt").string(), "--dump-state", dump.string()},
                     root_ / "stderr.txt");
    EXPECT_EQ(r.status, status) << r.errors;
    return fs::exists(dump) ? ReadWholeFile(dump.string()) : "";
  }
};

// From "Choose Player" with "Anna" chosen last: Main Menu, Play, the level chosen last.
const std::vector<Press> kIntoTheLevel = {{5, "ENTER"}, {10, "ENTER"}, {15, "ENTER"}};

TEST_F(GameFlowTest, FirstStartWritesTheDefaultsRunsTheTicksAndAsksForAPlayer) {
  std::string dump = Run(1000, "");
  EXPECT_EQ(ConfigFile(), kDefaultConfig);
  EXPECT_EQ(dump,
            "{\"ticks\":1000,"
            "\"settings\":{\"FullScreen\":true,\"VSync\":false,\"ShowRecNames\":true,"
            "\"ShowLastAppleTime\":false,\"HideSprites\":false,"
            "\"Left\":203,\"Right\":205,\"Jump\":200,\"Restart\":19},"
            "\"screen\":\"Choose Player\",\"previous_screen\":\"\","
            "\"menu_items\":[\"Create New Player\"],\"menu_index\":0,\"menu_top\":0,"
            "\"key_capture\":-1,\"search_text\":\"\",\"player_name\":\"\",\"selected_level\":\"\","
            "\"game_ticks\":0,\"run_ticks\":0,\"best_time\":0,\"result_message\":\"\","
            "\"player\":null,\"elements\":[],\"named_integers\":{},\"apple_count\":0,"
            "\"last_apple_time\":0,\"top_ten\":[],\"level\":{\"layers\":0,\"elements\":0},"
            "\"messages\":[],"
            "\"error_text\":\"\"}\n");
}

TEST_F(GameFlowTest, EscapeQuitsFromThePlayerScreensReachedAtStart) {
  struct Case {
    std::vector<Press> keys;
    std::string ticks, screen;
  };
  const Case cases[] = {
      {{{5, "ESCAPE"}}, "6", "\"Choose Player\""},
      {{{5, "ENTER"}, {10, "ESCAPE"}}, "11", "\"Create Player\""},
      {{{5, "ENTER"}, {10, "ENTER"}, {15, "ESCAPE"}}, "16", "\"Create Player\""},  // no name
  };
  for (const Case& c : cases) {
    std::string dump = Run(1000, Script(c.keys));
    EXPECT_EQ(Field(dump, "ticks"), c.ticks);
    EXPECT_EQ(Field(dump, "screen"), c.screen);
    EXPECT_EQ(ConfigFile(), kDefaultConfig);
  }
}

TEST_F(GameFlowTest, ANewPlayerPicksALevelByTypingAndPlaysIt) {
  MakeLevelFolder();
  std::string keys = Script({{10, "ENTER"}}) + "20 text Anna\n" +
                     Script({{30, "ENTER"}, {40, "ENTER"}, {50, "L"}, {60, "E"}, {70, "ENTER"}}) +
                     "100 down RIGHT\n100 down UP\n2100 up RIGHT\n2100 up UP\n";
  std::string dump = Run(2200, keys);
  EXPECT_EQ(Field(dump, "screen"), "\"Game\"");
  EXPECT_EQ(Field(dump, "previous_screen"), "\"Main Menu\"");
  EXPECT_EQ(Field(dump, "menu_items"), "[\"Alpha.vle\",\"Lake.vle\",\"Lemon.vle\"]");
  EXPECT_EQ(Field(dump, "player_name"), "\"Anna\"");
  EXPECT_EQ(Field(dump, "selected_level"), "\"Lemon.vle\"");
  // The level started in tick 70; every later tick is a game tick.
  EXPECT_EQ(Field(dump, "game_ticks"), "2129");
  EXPECT_EQ(Field(dump, "run_ticks"), "2129");
  EXPECT_EQ(Field(dump, "level"), "{\"layers\":1,\"elements\":2}");
  EXPECT_GT(Number(Field(dump, "player"), "x"), kStartX + 200);
  EXPECT_EQ(Field(Field(dump, "player"), "facing"), "\"right\"");
  EXPECT_EQ(ConfigFile(), PlayedConfig());
}

TEST_F(GameFlowTest, EscapeEndsTheRunAndPlayAgainStartsItAfresh) {
  MakeLevelFolder();
  WriteConfig(PlayedConfig());
  std::vector<Press> keys = kIntoTheLevel;
  std::string run = Script(keys) + "20 down RIGHT\n1020 up RIGHT\n" + Script({{1100, "ESCAPE"}});

  std::string dump = Run(1200, run);
  EXPECT_EQ(Field(dump, "screen"), "\"Level Menu\"");
  EXPECT_EQ(Field(dump, "previous_screen"), "\"Game\"");
  EXPECT_EQ(Field(dump, "menu_items"), "[\"Play again\",\"Replay\",\"Save play\",\"Best times\"]");
  EXPECT_EQ(Field(dump, "menu_index"), "0");
  EXPECT_EQ(Field(dump, "result_message"), "\"You Failed to Finish!\"");
  EXPECT_GT(Number(Field(dump, "player"), "x"), kStartX + 100);

  // "Play again" and the restart key both rebuild the level from its untouched copy.
  for (const char* key : {"ENTER", "R"}) {
    dump = Run(1200, run + Script({{1150, key}}));
    EXPECT_EQ(Field(dump, "screen"), "\"Game\"") << key;
    EXPECT_EQ(Field(dump, "game_ticks"), "49") << key;
    EXPECT_NEAR(Number(Field(dump, "player"), "x"), kStartX, 0.5) << key;
  }
  EXPECT_EQ(ConfigFile(), PlayedConfig());
}

TEST_F(GameFlowTest, ALevelThatCannotBeReadShowsItsErrorUntilDismissed) {
  MakeLevelFolder();
  std::ofstream(dir_ / "Levels" / "Lemon.vle")
      << "Type = Level\r\n[TopTen]\r\n12x Ann\r\n[/TopTen]\r\n";
  WriteConfig(PlayedConfig());
  std::string dump = Run(100, Script(kIntoTheLevel));
  EXPECT_EQ(Field(dump, "screen") + Field(dump, "previous_screen"),
            "\"Some Error\"\"Select Level\"");
  EXPECT_EQ(Field(dump, "error_text"),
            "\"'12x' is not a valid integer value (top ten line 1: \\\"12x Ann\\\")\"");
  EXPECT_EQ(Field(dump, "messages"), "[]");

  dump = Run(100, Script(kIntoTheLevel) + Script({{50, "ESCAPE"}}));
  EXPECT_EQ(Field(dump, "screen") + Field(dump, "error_text"), "\"Select Level\"\"\"");
  EXPECT_EQ(Field(dump, "menu_index"), "2");
}

// The floor and the player of kLevel, an apple and the exit a little to the right, in the
// form the game writes a level, so that a rewritten file differs only in its top ten.
constexpr const char* kFinishLevel =
    "Type = Level\r\n"
    "CamX = 400\r\n"
    "CamY = 300\r\n"
    "CamZoom = 1\r\n"
    "<Layer>\r\n"
    "Name = \"Ground\"\r\n"
    "<Polygon>\r\n"
    "FileName = \"\"\r\n"
    "ID = 1\r\n"
    "Type = Static\r\n"
    "TexX = 0\r\n"
    "TexY = 0\r\n"
    "[Vertices]\r\n"
    "-1000 400\r\n"
    "3000 400\r\n"
    "3000 500\r\n"
    "-1000 500\r\n"
    "[/Vertices]\r\n"
    "</Polygon>\r\n"
    "<Creature>\r\n"
    "FileName = \"hero.dat\"\r\n"
    "ID = 2\r\n"
    "X = 100\r\n"
    "Y = 370\r\n"
    "</Creature>\r\n"
    "<Object>\r\n"
    "FileName = \"food.dat\"\r\n"
    "ID = 3\r\n"
    "X = 160\r\n"
    "Y = 375\r\n"
    "</Object>\r\n"
    "<Object>\r\n"
    "FileName = \"exit.dat\"\r\n"
    "ID = 4\r\n"
    "X = 240\r\n"
    "Y = 375\r\n"
    "</Object>\r\n"
    "</Layer>\r\n";

// The player eats the apple on the way; the exit wins only once no apple is left.
constexpr const char* kFood =
    "Type = Object\r\n[TouchScript]\r\nbegin\r\n  if Cr_IsPlayer(0) then Obj_Delete(0);\r\n"
    "end.\r\n[/TouchScript]\r\n";
constexpr const char* kExit =
    "Type = Object\r\n[TouchScript]\r\nbegin\r\n"
    "  if Cr_IsPlayer(0) and (Obj_GetCount('food') = 0) then Victory;\r\nend.\r\n"
    "[/TouchScript]\r\n";

// mm:ss:hh of a time in milliseconds.
std::string ResultForm(int ms) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", ms / 60000, ms / 1000 % 60, ms / 10 % 100);
  return text;
}

TEST_F(GameFlowTest, AFinishEntersTheTopTenOfTheLevelFileAndAnEqualTimeComesSecond) {
  MakeLevelFolder();
  fs::create_directories(dir_ / "Data" / "Objects");
  std::ofstream(dir_ / "Data" / "Objects" / "food.dat") << kFood;
  std::ofstream(dir_ / "Data" / "Objects" / "exit.dat") << kExit;
  const fs::path level = dir_ / "Levels" / "Lemon.vle";
  WriteConfig(PlayedConfig());
  // The level starts in tick 15, so its game tick 5 is tick 20; "Play again" in tick 3100
  // starts the same run again with the key in its game tick 5.
  const std::string firstRun = Script(kIntoTheLevel) + "20 down RIGHT\n3000 up RIGHT\n";
  const std::string secondRun = Script({{3100, "ENTER"}}) + "3105 down RIGHT\n6100 up RIGHT\n";
  const std::string topTenStart = "[TopTen]\r\n", topTenEnd = "[/TopTen]\r\n";

  std::ofstream(level, std::ios::binary) << kFinishLevel;
  std::string dump = Run(3050, firstRun);
  const int ms = int(Number(dump, "game_ticks"));
  const std::string entry = std::to_string(ms / 10) + " Anna\r\n";
  ASSERT_GT(ms, 10);
  EXPECT_EQ(Field(dump, "screen") + Field(dump, "result_message") + Field(dump, "messages"),
            "\"Level Menu\"\"" + ResultForm(ms) + "     Best Time!\"[]");
  EXPECT_EQ(Number(dump, "best_time"), ms);
  EXPECT_EQ(ReadWholeFile(level.string()), kFinishLevel + topTenStart + entry + topTenEnd);

  std::ofstream(level, std::ios::binary | std::ios::trunc) << kFinishLevel;
  dump = Run(6200, firstRun + secondRun);
  EXPECT_EQ(Field(dump, "screen") + Field(dump, "result_message") + Field(dump, "game_ticks"),
            "\"Level Menu\"\"" + ResultForm(ms) + "\"" + std::to_string(ms));
  EXPECT_EQ(Number(dump, "best_time"), ms);
  EXPECT_EQ(ReadWholeFile(level.string()), kFinishLevel + topTenStart + entry + entry + topTenEnd);
}

// Where the element with the ID stands in a dump's "elements".
std::pair<double, double> PlaceOf(const std::string& elements, int id) {
  size_t at = elements.find("{\"id\":" + std::to_string(id) + ",");
  if (at == std::string::npos) return {-1e9, -1e9};
  std::string element = elements.substr(at, elements.find('}', at) - at + 1);
  return {Number(element, "x"), Number(element, "y")};
}

// A walk of a second to the right, saved with "Save play" as Rec/Lemon.cre, is watched from
// "Main Replay": the creature stands where the live run had it at the same time, up to
// what smoothing between keys leaves. Merged with itself, a copy (ID 3, the first free
// one) walks with it, listed just before it. A level changed since the recording is refused.
TEST_F(GameFlowTest, ASavedRunReplaysWhereTheLiveRunWas) {
  MakeLevelFolder();
  std::string level = kLevel;
  const std::string checksummed = "Type = Level\r\nChecksum = 5\r\n";
  std::ofstream(dir_ / "Levels" / "Lemon.vle") << level.replace(0, 14, checksummed);
  WriteConfig(PlayedConfig());
  const std::string walk = Script(kIntoTheLevel) + "20 down RIGHT\n1020 up RIGHT\n";
  // Escape in tick 1100, then "Save play" with the offered name "Lemon".
  const std::string save =
      walk +
      Script({{1100, "ESCAPE"}, {1110, "DOWN"}, {1112, "DOWN"}, {1120, "ENTER"}, {1130, "ENTER"}});
  // From "Choose Player": Main Menu, "Replay" or "Merge Replays", the only file.
  const std::string watch = Script({{5, "ENTER"}, {10, "DOWN"}, {15, "ENTER"}, {20, "ENTER"}});
  const std::string merge = Script(
      {{5, "ENTER"}, {10, "DOWN"}, {12, "DOWN"}, {15, "ENTER"}, {20, "ENTER"}, {25, "ENTER"}});
  const double kSmoothing = 0.01;

  std::string dump = Run(516, walk);
  ASSERT_EQ(Field(dump, "game_ticks"), "500");
  const auto [liveX, liveY] = PlaceOf(Field(dump, "elements"), 2);
  ASSERT_GT(liveX, kStartX + 50);
  dump = Run(1140, save);
  EXPECT_EQ(Field(dump, "screen") + Field(dump, "menu_index"), "\"Level Menu\"2");
  ASSERT_TRUE(fs::exists(dir_ / "Rec" / "Lemon.cre"));

  dump = Run(521, watch);
  EXPECT_EQ(Field(dump, "screen") + Field(dump, "game_ticks"), "\"Replay\"500");
  std::string elements = Field(dump, "elements");
  EXPECT_NEAR(PlaceOf(elements, 2).first, liveX, kSmoothing);
  EXPECT_NEAR(PlaceOf(elements, 2).second, liveY, kSmoothing);

  dump = Run(526, merge);
  EXPECT_EQ(Field(dump, "screen") + Field(dump, "game_ticks"), "\"Replay\"500");
  elements = Field(dump, "elements");
  EXPECT_LT(elements.find("{\"id\":3,"), elements.find("{\"id\":2,"));
  EXPECT_EQ(PlaceOf(elements, 3), PlaceOf(elements, 2));
  EXPECT_NEAR(PlaceOf(elements, 3).first, liveX, kSmoothing);
  // N hides the names of a merged replay; leaving it writes that setting.
  dump = Run(60, merge + Script({{40, "N"}, {50, "ESCAPE"}}));
  EXPECT_EQ(Field(dump, "screen") + Field(dump, "elements"), "\"Merge Replays\"[]");
  std::string hidden = PlayedConfig();
  hidden.replace(hidden.find("ShowRecNames = \"True\""), 21, "ShowRecNames = \"False\"");
  EXPECT_EQ(ConfigFile(), hidden);

  std::string changed = ReadWholeFile((dir_ / "Levels" / "Lemon.vle").string());
  std::ofstream(dir_ / "Levels" / "Lemon.vle") << changed.replace(changed.find("5"), 1, "6");
  dump = Run(30, watch);
  EXPECT_EQ(Field(dump, "screen") + Field(dump, "error_text"),
            "\"Some Error\"\"Level file has changed.\"");
}

// Sets an environment variable for its lifetime, for the programs the test starts.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// The names in a folder that end a temporary copy the writer left behind.
std::vector<std::string> TemporariesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string().find(".tmp") != std::string::npos)
      names.push_back(entry.path().filename().string());
  }
  return names;
}

// The game is killed, or finds the disk full, halfway through writing Config.dat, a level's
// top ten or a replay: the old file stays whole. A full disk is also reported, on "Some
// Error", and leaves no temporary copy. A kill cannot clean its copy up; the next write of
// the same file removes it.
TEST_F(GameFlowTest, AWriteCutShortLeavesTheOldFileWhole) {
  MakeLevelFolder();
  fs::create_directories(dir_ / "Data" / "Objects");
  std::ofstream(dir_ / "Data" / "Objects" / "food.dat") << kFood;
  std::ofstream(dir_ / "Data" / "Objects" / "exit.dat") << kExit;
  WriteConfig(PlayedConfig());
  const std::string save =
      Script(kIntoTheLevel) + "20 down RIGHT\n1020 up RIGHT\n" +
      Script({{1100, "ESCAPE"}, {1110, "DOWN"}, {1112, "DOWN"}, {1120, "ENTER"}, {1130, "ENTER"}});
  Run(1140, save);  // the old replay
  const fs::path level = dir_ / "Levels" / "Lemon.vle";
  const struct {
    fs::path file;
    std::string keys;
    uint64_t ticks;
    std::string levelText;
  } cases[] = {
      {dir_ / "Config.dat", Script({{5, "ENTER"}}), 20, kLevel},
      {dir_ / "Rec" / "Lemon.cre", save, 1140, kLevel},
      {level, Script(kIntoTheLevel) + "20 down RIGHT\n3000 up RIGHT\n", 3050, kFinishLevel},
  };
  for (const auto& c : cases) {
    std::ofstream(level, std::ios::binary | std::ios::trunc) << c.levelText;
    const std::string old = ReadWholeFile(c.file.string());
    const char* asan = getenv("ASAN_OPTIONS");  // the sanitizer need not come first
    ScopedEnv preload("LD_PRELOAD", TOVI2_WRITE_FAULT),
        sanitizer("ASAN_OPTIONS",
                  (asan ? asan + std::string(":") : "") + "verify_asan_link_order=0"),
        file("TOVI2_FAULT_FILE", c.file.filename()), kill("TOVI2_FAULT", "kill");
    Run(c.ticks, c.keys, -1);
    const bool killedWhole = ReadWholeFile(c.file.string()) == old;
    const size_t leftBehind = TemporariesIn(c.file.parent_path()).size();
    ScopedEnv full("TOVI2_FAULT", "full");
    const std::string dump = Run(c.ticks, c.keys);
    EXPECT_EQ(std::make_tuple(killedWhole, leftBehind, ReadWholeFile(c.file.string()) == old,
                              TemporariesIn(c.file.parent_path()),
                              Field(dump, "screen") + Field(dump, "error_text")),
              std::make_tuple(true, 1u, true, std::vector<std::string>{},
                              "\"Some Error\"\"Cannot write file \\\"" + c.file.string() +
                                  "\\\": No space left on device\""))
        << c.file;
  }
}

}  // namespace
