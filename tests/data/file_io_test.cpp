// Reading and writing whole files, and the data file's load and save on disk.
#include "data/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "dat_tree_text.h"
#include "data/dat_file.h"
#include "temp_folder.h"

using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

std::string ErrorOf(void (*action)(const std::string&), const std::string& path) {
  try {
    action(path);
  } catch (const FileError& e) {
    return e.what();
  }
  return "no error";
}

// Lets the next write run into a file size limit of 100 bytes, as on a full disk.
std::string WriteWithSizeLimit(const std::string& path, const std::string& bytes) {
  SmallFileSizeLimit limit;
  try {
    WriteFileAtomic(path, bytes);
  } catch (const FileError& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace

TEST(FileIo, write_replaces_the_whole_file_and_leaves_no_temporary) {
  TempFolder dir;
  const std::string path = dir / "Config.dat";
  WriteFileAtomic(path, "old content that is longer");
  WriteFileAtomic(path, "new\0\r\n"s);
  EXPECT_EQ(ReadWholeFile(path), "new\0\r\n"s);
  EXPECT_EQ(dir.Names(), std::set<std::string>{"Config.dat"});
}

// Only temporary names of the written file whose process has ended are removed.
TEST(FileIo, a_write_removes_the_temporaries_of_ended_processes) {
  TempFolder dir;
  const pid_t ended = fork();
  if (ended == 0) _exit(0);
  waitpid(ended, nullptr, 0);
  const std::string gone = std::to_string(ended), live = std::to_string(getppid());
  const std::set<std::string> kept = {"Config.dat", "Config.dat.tmp" + live + ".3",
                                      "Config.dat.tmp" + gone + ".x", "Config.dat.tmp.0",
                                      "Config.dat.tmp" + gone, "Top.dat.tmp" + gone + ".0"};
  for (const std::string& name : kept)
    WriteRaw(dir / name, "old");
  WriteRaw(dir / ("Config.dat.tmp" + gone + ".0"), "half");
  WriteFileAtomic(dir / "Config.dat", "new");
  EXPECT_EQ(dir.Names(), kept);
}

TEST(FileIo, failed_write_keeps_the_old_file_and_reports_why) {
  TempFolder dir;
  const std::string file = dir / "Config.dat";
  const std::string folder = dir / "Levels";
  WriteRaw(file, "old");
  fs::create_directory(folder);

  EXPECT_EQ(WriteWithSizeLimit(file, std::string(4096, 'x')),
            "Cannot write file \"" + file + "\": File too large");
  EXPECT_EQ(ErrorOf([](const std::string& p) { WriteFileAtomic(p, "new"); }, folder),
            "Cannot write file \"" + folder + "\": Is a directory");
  const std::string orphan = dir / "Missing/Config.dat";
  EXPECT_EQ(ErrorOf([](const std::string& p) { WriteFileAtomic(p, "new"); }, orphan),
            "Cannot create file \"" + orphan + "\": No such file or directory");

  EXPECT_EQ(ReadWholeFile(file), "old");
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"Config.dat", "Levels"}));
}

TEST(FileIo, read_errors_name_the_file_and_the_reason) {
  TempFolder dir;
  const auto read = [](const std::string& p) { ReadWholeFile(p); };
  const std::string missing = dir / "none.dat";
  EXPECT_EQ(ErrorOf(read, missing),
            "Cannot open file \"" + missing + "\": No such file or directory");
  const std::string folder = dir / "Rec";
  fs::create_directory(folder);
  EXPECT_EQ(ErrorOf(read, folder), "Cannot open file \"" + folder + "\": Is a directory");
}

TEST(FileIo, regular_files_are_found_through_links_and_nothing_else_is) {
  TempFolder dir;
  WriteRaw(dir / "level.vle", "x");
  fs::create_directory(dir / "Levels");
  fs::create_symlink(dir / "level.vle", dir / "file_link");
  fs::create_symlink(dir / "Levels", dir / "folder_link");
  fs::create_symlink(dir / "none", dir / "dangling");
  ASSERT_EQ(mkfifo((dir / "pipe.dat").c_str(), 0600), 0);
  const struct {
    std::string name;
    bool regular;
  } cases[] = {{"level.vle", true}, {"file_link", true}, {"Levels", false}, {"folder_link", false},
               {"dangling", false}, {"pipe.dat", false}, {"none", false}};
  for (const auto& c : cases)
    EXPECT_EQ(IsRegularFile(dir / c.name), c.regular) << c.name;
  EXPECT_FALSE(IsRegularFile(""));
}

TEST(DatFileOnDisk, file_lines_end_at_lf_lone_cr_and_ctrl_z) {
  const struct {
    const char* what;
    std::string bytes;
    std::string tree;
  } cases[] = {
      {"CR LF and LF", "[T]\r\na\nb\r\n", "[T]{'a';'b';}"},
      {"no end after last line", "[T]\r\na", "[T]{'a';}"},
      {"empty lines kept", "[T]\n\n\r\n", "[T]{'';'';}"},
      {"rest after lone CR dropped", "[T]\na\rjunk\nb", "[T]{'a';'b';}"},
      {"lone CR at end", "[T]\na\r", "[T]{'a';}"},
      {"Ctrl-Z ends the file", "[T]\na\x1A\nb\n", "[T]{'a';}"},
      {"NUL kept", "[T]\na\0b\n"s, "[T]{'a\0b';}"s},
      {"empty file", "", ""},
  };
  TempFolder dir;
  for (const auto& c : cases) {
    WriteRaw(dir / "t.dat", c.bytes);
    TDat dat;
    dat.LoadFromFile(dir / "t.dat");
    EXPECT_EQ(TreeText(dat), c.tree) << c.what;
  }
}

TEST(DatFileOnDisk, failed_load_keeps_the_tree_and_second_load_appends) {
  TempFolder dir;
  const std::string path = dir / "Config.dat";
  WriteRaw(path, CrLfLines({"Jump = 57", "<B>"}));
  TDat dat;
  dat.LoadFromFile(path);
  EXPECT_THROW(dat.LoadFromFile(dir / "none.dat"), FileError);
  EXPECT_THROW(dat.LoadFromFile(dir.operator/("")), FileError);
  EXPECT_EQ(TreeText(dat), "Jump=57;<B>{}");
  dat.LoadFromFile(path);
  EXPECT_EQ(TreeText(dat), "Jump=57;Jump=57;<B>{}<B>{}");
}

TEST(DatFileOnDisk, both_writers_write_their_exact_bytes) {
  TempFolder dir;
  TDat dat;
  dat.SetParam("Left", "37");
  dat.AddLine("Type = Level");
  dat.SaveParamsToFile(dir / "Config.dat");
  dat.SaveToFile(dir / "Level.vle");
  EXPECT_EQ(ReadWholeFile(dir / "Config.dat"), "Left = \"37\"\r\n");
  EXPECT_EQ(ReadWholeFile(dir / "Level.vle"), "Type = Level\r\n");

  TDat config;
  config.LoadFromFile(dir / "Config.dat");
  EXPECT_EQ(config.Param("left").AsInteger(203), 37);
}
