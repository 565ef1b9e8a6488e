// Helpers of the tests that look at the settings file or run the real program.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "data/file_io.h"

// Config.dat as the first start writes it.
inline constexpr const char* kDefaultConfig =
    "FullScreen = \"True\"\r\n"
    "VSync = \"False\"\r\n"
    "ShowRecNames = \"True\"\r\n"
    "ShowLastAppleTime = \"False\"\r\n"
    "HideSprites = \"False\"\r\n"
    "Left = \"203\"\r\n"
    "Right = \"205\"\r\n"
    "Jump = \"200\"\r\n"
    "Restart = \"19\"\r\n";

struct ProgramRun {
  int status = -1;  // exit status, or -1 when the program did not exit normally
  std::string errors;
};

// Runs the program with the arguments; standard error is collected in errFile.
inline ProgramRun RunProgramAt(const char* exe, const std::vector<std::string>& args,
                               const std::filesystem::path& errFile) {
  pid_t pid = fork();
  if (pid == 0) {
    int fd = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, 2);
    std::vector<char*> argv{const_cast<char*>(exe)};
    for (const std::string& a : args)
      argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(exe, argv.data());
    _exit(127);
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  ProgramRun r;
  r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  r.errors = ReadWholeFile(errFile.string());
  return r;
}

// A fresh temporary folder root_ for each test, with the program folder dir_ ("game")
// inside it. The whole folder is removed afterwards, even when a test took away the
// program folder's permissions.
class ProgramFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tovi2-program-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    dir_ = root_ / "game";
    std::filesystem::create_directory(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(root_, ec);
  }

  std::filesystem::path root_, dir_;
};
