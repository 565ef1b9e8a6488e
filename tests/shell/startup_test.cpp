// Start-up through the real program, run headless.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "data/file_io.h"

namespace fs = std::filesystem;

namespace {

struct RunResult {
  int status = -1;  // exit status, or -1 when the program did not exit normally
  std::string errors;
};

// Runs tovi2 with the arguments; standard error is collected.
RunResult RunTovi2(const std::vector<std::string>& args, const fs::path& errFile) {
  pid_t pid = fork();
  if (pid == 0) {
    int fd = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, 2);
    std::vector<char*> argv{const_cast<char*>(TOVI2_EXE)};
    for (const std::string& a : args)
      argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(TOVI2_EXE, argv.data());
    _exit(127);
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  RunResult r;
  r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  r.errors = ReadWholeFile(errFile);
  return r;
}

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tovi2-startup-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    dir_ = root_ / "game";
    fs::create_directory(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, ec);
    fs::remove_all(root_, ec);
  }

  // A headless run of `ticks` ticks in the game folder with an optional key script.
  RunResult Run(uint64_t ticks, const std::string& keys = "") {
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

  fs::path root_, dir_;
};

constexpr const char* kDefaultConfig =
    "FullScreen = \"True\"\r\n"
    "VSync = \"False\"\r\n"
    "ShowRecNames = \"True\"\r\n"
    "ShowLastAppleTime = \"False\"\r\n"
    "HideSprites = \"False\"\r\n"
    "Left = \"203\"\r\n"
    "Right = \"205\"\r\n"
    "Jump = \"200\"\r\n"
    "Restart = \"19\"\r\n";

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

TEST_F(StartupTest, FirstStartWritesTheNineDefaultsAndRunsTheTicks) {
  RunResult r = Run(1000);
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(ReadWholeFile(ConfigFile()), kDefaultConfig);
  EXPECT_EQ(TicksAndSettings(ReadWholeFile(Dump())),
            "{\"ticks\":1000," + Settings(kDefaultFlags, 203, 205, 200, 19) + "}\n");
}

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
    RunResult r = Run(5);
    ASSERT_EQ(r.status, 0) << r.errors;
    EXPECT_EQ(ReadWholeFile(ConfigFile()), c.config) << "rewritten";
    EXPECT_EQ(TicksAndSettings(ReadWholeFile(Dump())),
              "{\"ticks\":5," + Settings(kDefaultFlags, 203, 205, c.jump, 19) + "}\n")
        << c.config;
  }
}

TEST_F(StartupTest, FlagsReadInAnyCaseAndCorruptFilesStartWithDefaults) {
  WriteConfig("FULLSCREEN = false\r\nvsync = TRUE\r\nHideSprites = \"true\"\r\n");
  RunResult r = Run(1);
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
  RunResult r = Run(10);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.errors.find("Config.dat"), std::string::npos) << r.errors;
  EXPECT_FALSE(fs::exists(Dump()));
}

TEST_F(StartupTest, KeyScriptReachesTheGameTick) {
  // Alt + Enter switches full screen for the run (never written to the file).
  RunResult r = Run(10, "3 down ALT\n4 down ENTER\n5 up ENTER\n6 up ALT\n");
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_NE(ReadWholeFile(Dump()).find("\"FullScreen\":false"), std::string::npos);
  EXPECT_EQ(ReadWholeFile(ConfigFile()), kDefaultConfig);
}

TEST_F(StartupTest, BadCommandLinesAndKeyScriptsAreRefused) {
  RunResult r = Run(10, "3 down NOSUCHKEY\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.errors.find("line 1: unknown key \"NOSUCHKEY\""), std::string::npos) << r.errors;
  EXPECT_FALSE(fs::exists(ConfigFile())) << "nothing is written before the run starts";

  EXPECT_EQ(RunTovi2({"--headless"}, root_ / "err").status, 2);
  EXPECT_EQ(RunTovi2({"--ticks", "5"}, root_ / "err").status, 2);
  EXPECT_EQ(RunTovi2({"--headless", "--ticks", "5x"}, root_ / "err").status, 2);
  EXPECT_EQ(RunTovi2({"--bogus"}, root_ / "err").status, 2);
  EXPECT_EQ(
      RunTovi2({"--headless", "--ticks", "1", "--dir", (root_ / "none").string()}, root_ / "err")
          .status,
      1);
}
