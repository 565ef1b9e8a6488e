// Start-up through the real program, run headless.
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/file_io.h"
#include "platform/engine.h"
#include "program_run.h"

namespace fs = std::filesystem;

namespace {

// Runs tovi2 with the arguments; standard error is collected.
ProgramRun RunTovi2(const std::vector<std::string>& args, const fs::path& errFile) {
  return RunProgramAt(TOVI2_EXE, args, errFile);
}

class StartupTest : public ProgramFolderTest {
 protected:
  // A headless run of `ticks` ticks in the game folder with an optional key script.
  ProgramRun Run(uint64_t ticks, const std::string& keys = "") {
    std::vector<std::string> args{"--headless",          "--dir",        dir_.string(),  "--ticks",
                                  std::to_string(ticks), "--dump-state", Dump().string()};
    if (!keys.empty()) {
      std::ofstream(root_ / "keys.txt") << keys;
      args.insert(args.end(), {"--keys", (root_ / "keys.txt").string()});
    }
    return RunTovi2(args, root_ / "stderr.txt");
  }
  fs::path Dump() const { return root_ / "state.json"; }
  fs::path ConfigFile() const { return dir_ / "Config.dat"; }
  void WriteConfig(const std::string& bytes) { std::ofstream(ConfigFile()) << bytes; }
};

std::string Settings(const std::string& flags, int left, int right, int jump, int restart) {
  return "\"settings\":{" + flags + ",\"Left\":" + std::to_string(left) +
         ",\"Right\":" + std::to_string(right) + ",\"Jump\":" + std::to_string(jump) +
         ",\"Restart\":" + std::to_string(restart) + "}";
}

// The dump's first two members as an object of their own; the members after them are the
// game's state (tests/shell/game_flow_test.cpp).
std::string TicksAndSettings(const std::string& dump) {
  return dump.substr(0, dump.find(",\"screen\":")) + "}\n";
}

constexpr const char* kDefaultFlags =
    "\"FullScreen\":true,\"VSync\":false,\"ShowRecNames\":true,"
    "\"ShowLastAppleTime\":false,\"HideSprites\":false";

}  // namespace

TEST_F(StartupTest, ExistingSettingsAreReadAndNotRewritten) {
  struct Case {
    const char* config;
    int jump;
  };
  const Case cases[] = {
      {"Jump = 57\n", 57},        // Space; everything else at its default
      {"jump=\"456\"\r\n", 200},  // key codes keep their low 8 bits
      {"Jump = -1\n", 255},
      {"Jump = banana\n", 200},        // not an integer: the default
      {"Jump = 57\nJump = 30\n", 57},  // the first of two wins
  };
  for (const Case& c : cases) {
    WriteConfig(c.config);
    ProgramRun r = Run(5);
    ASSERT_EQ(r.status, 0) << r.errors;
    EXPECT_EQ(ReadWholeFile(ConfigFile()), c.config) << "rewritten";
    EXPECT_EQ(TicksAndSettings(ReadWholeFile(Dump())),
              "{\"ticks\":5," + Settings(kDefaultFlags, 203, 205, c.jump, 19) + "}\n")
        << c.config;
  }
}

TEST_F(StartupTest, FlagsReadInAnyCaseAndCorruptFilesStartWithDefaults) {
  WriteConfig("FULLSCREEN = false\r\nvsync = TRUE\r\nHideSprites = \"true\"\r\n");
  ProgramRun r = Run(1);
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(TicksAndSettings(ReadWholeFile(Dump())),
            "{\"ticks\":1," +
                Settings("\"FullScreen\":false,\"VSync\":true,\"ShowRecNames\":true,"
                         "\"ShowLastAppleTime\":false,\"HideSprites\":true",
                         203, 205, 200, 19) +
                "}\n");

  std::string junk;
  for (int i = 0; i < 4096; ++i)
    junk += static_cast<char>((i * 7919 + 13) % 256);
  junk += std::string("<a>\n[b]\n\0=\n<", 12);
  WriteConfig(junk);
  r = Run(1);
  EXPECT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(ReadWholeFile(ConfigFile()), junk);
}

TEST_F(StartupTest, UnreadableSettingsEndStartUpWithTheFileError) {
  fs::create_directory(ConfigFile());
  ProgramRun r = Run(10);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.errors,
            "Error: Cannot open file \"" + ConfigFile().string() + "\": Is a directory\n");
  EXPECT_FALSE(fs::exists(Dump()));
}

TEST_F(StartupTest, KeyScriptReachesTheGameTick) {
  // Alt + Enter switches full screen for the run (never written to the file).
  ProgramRun r = Run(10, "3 down ALT\n4 down ENTER\n5 up ENTER\n6 up ALT\n");
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_NE(ReadWholeFile(Dump()).find("\"FullScreen\":false"), std::string::npos);
  EXPECT_EQ(ReadWholeFile(ConfigFile()), kDefaultConfig);
}

TEST_F(StartupTest, BadCommandLinesAndKeyScriptsAreRefused) {
  ProgramRun r = Run(10, "3 down NOSUCHKEY\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.errors, "Error: Key script " + (root_ / "keys.txt").string() +
                          ": line 1: unknown key \"NOSUCHKEY\"\n");
  EXPECT_FALSE(fs::exists(ConfigFile())) << "nothing is written before the run starts";

  // A refused command line names its fault, then shows the usage.
  const std::string none = (root_ / "none").string();
  const std::pair<std::vector<std::string>, std::pair<int, std::string>> refused[] = {
      {{"--headless"}, {2, "tovi2: --headless needs --ticks N"}},
      {{"--ticks", "5"},
       {2, "tovi2: --ticks, --keys, --screenshot and --dump-state need --headless"}},
      {{"--headless", "--ticks", "5x"}, {2, "tovi2: --ticks needs a number of ticks"}},
      {{"--bogus"}, {2, "tovi2: unknown option --bogus"}},
      {{"--headless", "--ticks", "1", "--dir", none},
       {1, "Error: Cannot enter folder \"" + none + "\": No such file or directory\n"}},
  };
  for (const auto& [args, expected] : refused) {
    ProgramRun bad = RunTovi2(args, root_ / "err");
    EXPECT_EQ(
        std::make_pair(bad.status, bad.errors.substr(0, bad.errors.find("\n\nusage: tovi2 "))),
        expected);
  }
}

// The screenshot shows the last frame: a run that ends on "Create Player" gives another
// picture than one that stays on "Choose Player", where both start.
TEST_F(StartupTest, ScreenshotIsAnImageOfTheLastFrame) {
  fs::create_directories(dir_ / "Data");
  fs::copy(fs::path(TOVI2_SOURCE_DIR) / "game/Data/GUI", dir_ / "Data/GUI");  // the fonts
  std::vector<uint8_t> shots[2];
  const char* scripts[] = {"", "50 down ENTER\n"};
  for (int i = 0; i < 2; ++i) {
    std::ofstream(root_ / "keys.txt") << scripts[i];
    const std::string png = (root_ / "shot.png").string();
    ProgramRun r = RunTovi2({"--headless", "--dir", dir_.string(), "--ticks", "100", "--keys",
                             (root_ / "keys.txt").string(), "--screenshot", png},
                            root_ / "err");
    int w = 0, h = 0;
    ASSERT_EQ(r.status, 0) << r.errors;
    ASSERT_TRUE(img_LoadRgba(png, w, h, shots[i]));
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(800, 600));
  }
  EXPECT_NE(shots[0], shots[1]);
}
