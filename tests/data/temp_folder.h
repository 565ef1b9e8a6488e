// Test helpers for files on disk: a temporary folder of one test, raw writes, and a file
// size limit that makes a write fail as on a full disk.
#pragma once

#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <stdexcept>
#include <string>

#include "data/file_io.h"

// A new folder, removed with everything in it when the object goes, even after a test
// took away its write permission.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tovi2-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make " + pattern);
    path_ = pattern;
  }
  ~TempFolder() {
    ::chmod(path_.c_str(), 0755);
    std::filesystem::remove_all(path_);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  // The names of the folder's own entries.
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
      names.insert(entry.path().filename().string());
    return names;
  }
  // Every file below the folder with its content, directories left out.
  std::map<std::string, std::string> Files(const std::string& below = "") const {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(*this / below)) {
      if (!entry.is_regular_file()) continue;
      files[std::filesystem::relative(entry.path(), *this / below).string()] =
          ReadWholeFile(entry.path());
    }
    return files;
  }

 private:
  std::string path_;
};

// The bytes as they are, in a new file or over an old one.
inline void WriteRaw(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// While it lives, a file of this process cannot grow past 100 bytes, as on a full disk:
// a write past that fails (SIGXFSZ is ignored meanwhile) instead of ending the process.
class SmallFileSizeLimit {
 public:
  SmallFileSizeLimit() {
    std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &old_);
    rlimit small = old_;
    small.rlim_cur = 100;
    ::setrlimit(RLIMIT_FSIZE, &small);
  }
  ~SmallFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, SIG_DFL);
  }
  SmallFileSizeLimit(const SmallFileSizeLimit&) = delete;
  SmallFileSizeLimit& operator=(const SmallFileSizeLimit&) = delete;

 private:
  rlimit old_;
};
