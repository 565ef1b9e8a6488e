// Level packages: reading, rewriting and saving ZIP archives, hand-built ones with every
// record spelled out, damaged ones, and archives made by the standard zip and unzip.
#include "data/zip_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "data/file_io.h"
#include "temp_folder.h"
#include "zip_writer.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

// ---- Archives written by hand, record by record -------------------------------------

using namespace zip_writer;

std::string Pseudorandom(size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    seed = seed * 1664525 + 1013904223;
    c = static_cast<char>(seed >> 24);
  }
  return bytes;
}

const std::vector<TestMember> kMembers = {
    {"Level.vle", "<Level>\r\nName = Hills\r\n</Level>\r\n"},
    {"Data\\Polygons\\brick.png", Pseudorandom(300, 7), 0},
    {"empty.txt", ""},
    {"Data\\ground.dat", std::string(5000, 'g') + "end", 8, true},
    {"Data\\Sprites\\bird.spr", "bird.png\r\n4\r\n", 0, true},
    {"-", "streamed\r\n", 8, true, true},
};

TZipFile Loaded(const std::string& bytes) {
  std::istringstream in(bytes);
  TZipFile zip;
  zip.LoadFromStream(in);
  return zip;
}

std::string Saved(const TZipFile& zip) {
  std::ostringstream out;
  zip.SaveToStream(out);
  return out.str();
}

// Every member as "name=content", in archive order.
std::vector<std::string> Contents(const TZipFile& zip) {
  std::vector<std::string> contents;
  for (int i = 0; i < zip.Count(); ++i)
    contents.push_back(zip.Name(i) + "=" + zip.Data(i));
  return contents;
}

std::vector<std::string> Contents(const std::vector<TestMember>& members) {
  std::vector<std::string> contents;
  for (const TestMember& m : members)
    contents.push_back(m.name + "=" + m.content);
  return contents;
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const ZipError& e) {
    return e.what();
  }
  return "no error";
}

// Where the local header of a member starts, as the central directory says.
size_t HeaderOf(const std::string& bytes, int index) {
  return Loaded(bytes).CentralEntry(index).LocalHeaderOffset;
}

TEST(ZipCrc32, StandardCheckValues) {
  struct Case {
    std::string bytes;
    uint32_t crc;
  };
  for (const Case& c : {Case{"", 0}, Case{"123456789", 0xCBF43926},
                        Case{"The quick brown fox jumps over the lazy dog", 0x414FA339},
                        Case{std::string(3, '\0'), 0xFF41D912}}) {
    EXPECT_EQ(TZipFile::Crc32(c.bytes), c.crc) << c.bytes;
  }
}

TEST(ZipFile, ReadsDeflatedStoredEmptyAndDescribedMembers) {
  TZipFile zip = Loaded(BuildArchive(kMembers, "Hills pack"));
  EXPECT_EQ(Contents(zip), Contents(kMembers));
  EXPECT_EQ(zip.EndRecord().Comment, "Hills pack");
}

TEST(ZipFile, UnchangedSaveWritesTheArchiveBackByteForByte) {
  std::string original = BuildArchive(kMembers, "Hills pack");
  EXPECT_EQ(Saved(Loaded(original)), original);

  // zip itself puts the sizes it knows into a local header whose descriptor follows;
  // the game writes zeros there, with the real values in the descriptor.
  std::string withSizes = Patched(original, HeaderOf(original, 3) + 22, kMembers[3].content.size());
  TZipFile zip = Loaded(withSizes);
  EXPECT_EQ(Contents(zip), Contents(kMembers));
  EXPECT_EQ(Saved(zip), original);
}

TEST(ZipFile, SetDataThenDataReturnsTheNewBytes) {
  const std::vector<std::string> contents = {"", "x", std::string(100000, 'A'),
                                             Pseudorandom(70000, 3), "\0\r\n\xFF"s};
  for (int index : {0, 1, 3, 5}) {
    for (const std::string& content : contents) {
      TZipFile zip = Loaded(BuildArchive(kMembers, ""));
      uint32_t external = zip.CentralEntry(index).ExternalAttributes;
      zip.SetData(index, content);
      EXPECT_EQ(zip.Data(index), content);
      const std::string saved = Saved(zip);
      TZipFile again = Loaded(saved);
      std::vector<std::string> expected = Contents(kMembers);
      expected[index] = kMembers[index].name + "=" + content;
      EXPECT_EQ(Contents(again), expected);

      const TZipLocalEntry& local = again.LocalEntry(index);
      TZipHeader header = local.Header;
      header.ModTime = header.ModDate = 0;
      // The data fills the file from its local header up to the next record.
      size_t next =
          index + 1 < again.Count() ? HeaderOf(saved, index + 1) : again.EndRecord().CentralOffset;
      size_t stored = next - HeaderOf(saved, index) - 30 - kMembers[index].name.size();
      TZipHeader want{20,
                      0,
                      8,
                      0,
                      0,
                      TZipFile::Crc32(content),
                      static_cast<uint32_t>(stored),
                      static_cast<uint32_t>(content.size()),
                      static_cast<uint16_t>(kMembers[index].name.size()),
                      0};
      EXPECT_EQ(header, want);
      EXPECT_FALSE(local.Zip64);
      EXPECT_EQ(again.CentralEntry(index).Header, local.Header);
      EXPECT_EQ(again.CentralEntry(index).ExternalAttributes, external);
    }
  }
}

TEST(ZipFile, IndexOutOfRange) {
  TZipFile zip = Loaded(BuildArchive(kMembers, ""));
  int count = zip.Count();
  std::vector<std::function<void()>> calls = {
      [&] { zip.Name(-1); },         [&] { zip.Name(count); },     [&] { zip.Data(-1); },
      [&] { zip.Data(count); },      [&] { zip.SetData(-1, ""); }, [&] { zip.SetData(count, "x"); },
      [&] { zip.LocalEntry(count); }};
  for (const auto& call : calls)
    EXPECT_EQ(ErrorOf(call), "Index out of range.");
  EXPECT_EQ(Contents(zip), Contents(kMembers));
}

TEST(ZipFile, DamagedMemberRaisesTheCrcError) {
  const std::string original = BuildArchive(kMembers, "");
  struct Case {
    const char* what;
    int member;
    size_t offset;  // in the local header; 30 and beyond is the name and the data
    uint32_t value;
  };
  const size_t vleSize = kMembers[0].content.size();
  const Case cases[] = {
      {"stored CRC", 0, 14, Crc(kMembers[0].content) ^ 1},
      {"compressed byte", 0, 30 + 9 + 3, 0x55},
      {"size one more", 0, 22, static_cast<uint32_t>(vleSize + 1)},
      {"size one less", 0, 22, static_cast<uint32_t>(vleSize - 1)},
      {"size 4 GiB - 1", 0, 22, 0xFFFFFFFF},
      {"stored size one more", 1, 22, 301},
      {"empty member with a CRC", 2, 14, 1},
      // Nothing comes out, and the CRC of nothing is the stored 0: still damaged.
      {"empty member claiming 5 bytes", 2, 22, 5},
  };
  for (const Case& c : cases) {
    size_t at = HeaderOf(original, c.member) + c.offset;
    int width = c.offset < 30 ? 4 : 1;
    TZipFile zip = Loaded(Patched(original, at, c.value, width));
    EXPECT_EQ(ErrorOf([&] { zip.Data(c.member); }),
              "CRC Error in \"" + kMembers[c.member].name + "\".")
        << c.what;
  }

  std::string bzip2 = Patched(original, 8, 12, 2);
  EXPECT_EQ(ErrorOf([&] { Loaded(bzip2).Data(0); }),
            "Unsupported compression method 12 in \"Level.vle\".");
}

TEST(ZipFile, DamagedArchiveFailsToLoadAndKeepsTheOldContent) {
  const std::string original = BuildArchive(kMembers, "note");
  const size_t ground = HeaderOf(original, 3);
  const size_t stream = HeaderOf(original, 5);
  const size_t centralStart = original.find("PK\x01\x02"s, stream);
  const size_t centralEnd = original.size() - 22 - 4;
  struct Case {
    std::function<std::string()> damaged;
    std::string error;  // after "Cannot read ZIP archive: "
  };
  const std::vector<Case> cases = {
      {[&] { return Patched(original, 18, 0xFFFFFFF0); },
       "the data of \"Level.vle\" runs past the end of the file."},
      {[&] { return Patched(original.substr(0, 40), 26, 0xFFFF, 2); },
       "the name of a member runs past the end of the file."},
      {[&] { return Patched(original.substr(0, 60), 28, 0xFFFF, 2); },
       "the extra field of \"Level.vle\" runs past the end of the file."},
      {[&] { return original.substr(0, 20); }, "a local header runs past the end of the file."},
      {[&] { return original.substr(0, ground + 30 + 15 + 3); },
       "no data descriptor follows \"Data\\ground.dat\"."},
      // Three descriptors of other members follow; none fits this member's data.
      {[&] { return Patched(original, 6, 8, 2); }, "no data descriptor follows \"Level.vle\"."},
      {[&] {
         size_t sizeHigh = original.find("PK\x07\x08"s, stream) + 4 + 4 + 8 + 4;
         return Patched(original, sizeHigh, 1);
       },
       "\"-\" is larger than 4 GiB."},
      {[&] {
         size_t entry = original.find("PK\x01\x02"s);
         return original.substr(0, centralEnd) + original.substr(entry, 46 + 9) +
                original.substr(centralEnd);
       },
       "the central directory lists more members than the archive holds."},
      {[&] { return original.substr(0, centralStart + 30); },
       "a central directory entry runs past the end of the file."},
      {[&] { return original.substr(0, original.size() - 10); },
       "the end record runs past the end of the file."},
      {[&] { return original.substr(0, original.size() - 2); },
       "the archive comment runs past the end of the file."},
  };
  for (const Case& c : cases) {
    TZipFile zip = Loaded(original);
    std::istringstream in(c.damaged());
    EXPECT_EQ(ErrorOf([&] { zip.LoadFromStream(in); }), "Cannot read ZIP archive: " + c.error);
    EXPECT_EQ(Contents(zip), Contents(kMembers));
  }
}

TEST(ZipFile, FilesWithoutAlignedLocalHeadersLoadEmpty) {
  const std::string member = BuildArchive({kMembers[0]}, "");
  struct Case {
    std::string bytes;
    int count;
  };
  const Case cases[] = {
      {"", 0},
      {"PK\x03", 0},
      {"Level = Hills\r\n", 0},
      {std::string(1000, '\0'), 0},
      {"ab" + member, 0},    // a header at offset 2 is not looked for
      {"abcd" + member, 1},  // one at offset 4 is found
      {member.substr(0, 3) + "x", 0},
  };
  for (const Case& c : cases) {
    TZipFile zip = Loaded(c.bytes);
    EXPECT_EQ(zip.Count(), c.count) << c.bytes.size();
    if (c.count == 1) {
      EXPECT_EQ(zip.Data(0), kMembers[0].content);
    }
  }
}

// Cut after every byte, an archive either loads the members that are wholly present or
// fails with a ZipError; a cut inside a record never loads.
TEST(ZipFile, EveryPrefixLoadsWholeMembersOrFails) {
  const std::vector<TestMember> members = {kMembers[0], kMembers[3], kMembers[1], kMembers[5]};
  std::vector<size_t> recordEnds;
  const std::string archive = BuildArchive(members, "note", &recordEnds);
  auto expected = [&](size_t length) -> std::vector<std::string> {
    if (length < 4) return {};
    for (size_t end : recordEnds) {
      if (length < end || length >= end + 4) continue;
      size_t whole = 0;
      while (whole < members.size() && recordEnds[whole] <= length)
        ++whole;
      return Contents(std::vector<TestMember>(members.begin(), members.begin() + whole));
    }
    if (length == archive.size()) return Contents(members);
    return {"error"};
  };
  std::vector<std::vector<std::string>> outcomes, wanted;
  for (size_t length = 0; length <= archive.size(); ++length) {
    try {
      outcomes.push_back(Contents(Loaded(archive.substr(0, length))));
    } catch (const ZipError&) {
      outcomes.push_back({"error"});
    }
    wanted.push_back(expected(length));
  }
  EXPECT_EQ(outcomes, wanted);
}

TEST(ZipFile, MemberLookupCountsBothSeparatorsAlike) {
  TZipFile zip = Loaded(BuildArchive(kMembers, ""));
  struct Case {
    const char* name;
    int index;
  };
  const Case cases[] = {
      {"Data\\Polygons\\brick.png", 1},
      {"Data/Polygons/brick.png", 1},
      {"Data/Polygons\\brick.png", 1},
      {"data\\polygons\\brick.png", -1},
      {"Data\\ground.dat", 3},
      {"Data\\ground.da", -1},
      {"Level.vle", 0},
      {"", -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(zip.IndexOf(c.name), c.index) << c.name;

  const std::pair<const char*, const char*> folders[] = {
      {"Data\\Polygons\\brick.png", "Data\\Polygons\\"},
      {"Data/Sprites/bird.spr", "Data/Sprites/"},
      {"Data\\Sprites/", "Data\\Sprites/"},
      {"Level.vle", ""},
  };
  for (const auto& [name, folder] : folders)
    EXPECT_EQ(MemberFolder(name), folder) << name;
}

// Runs a save with a file size limit of 100 bytes, as on a full disk.
void SaveWithSizeLimit(const TZipFile& zip, const std::string& path) {
  SmallFileSizeLimit limit;
  zip.SaveToFile(path);
}

// The package holds the player's top ten: a save that cannot complete must leave the
// old file whole, and no temporary file behind.
void ExpectFailedSaveKeepsTheFolder(const char* what,
                                    const std::function<void(TempFolder&, const TZipFile&)>& save) {
  TempFolder folder;
  WriteRaw(folder / "Hills.zle", BuildArchive(kMembers, ""));
  fs::create_directory(folder / "Sub");
  WriteRaw(folder / "Sub/inside", "kept");
  auto before = folder.Files();
  TZipFile zip;
  zip.LoadFromFile(folder / "Hills.zle");
  zip.SetData(0, std::string(10000, 't'));
  EXPECT_THROW(save(folder, zip), FileError) << what;
  ::chmod(folder.Path().c_str(), 0755);
  EXPECT_EQ(folder.Files(), before) << what;
}

TEST(ZipFile, FailedSaveKeepsTheOldPackage) {
  ExpectFailedSaveKeepsTheFolder(
      "target is a folder", [](TempFolder& t, const TZipFile& zip) { zip.SaveToFile(t / "Sub"); });
  ExpectFailedSaveKeepsTheFolder(
      "a file in the way of the folder",
      [](TempFolder& t, const TZipFile& zip) { zip.SaveToFile(t / "Sub/inside/Hills.zle"); });
  ExpectFailedSaveKeepsTheFolder("disk full half-way", [](TempFolder& t, const TZipFile& zip) {
    SaveWithSizeLimit(zip, t / "Hills.zle");
  });
}

TEST(ZipFile, FailedSaveIntoReadOnlyFolderKeepsTheOldPackage) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into a folder without write permission";
  ExpectFailedSaveKeepsTheFolder("folder not writable", [](TempFolder& t, const TZipFile& zip) {
    ::chmod(t.Path().c_str(), 0555);
    zip.SaveToFile(t / "Hills.zle");
  });
}

TEST(ZipFile, FileErrorsAndDamageNameTheFile) {
  TempFolder folder;
  const std::string path = folder / "Bad.zle";
  WriteRaw(path, BuildArchive(kMembers, "").substr(0, 50));
  TZipFile zip;
  EXPECT_EQ(ErrorOf([&] { zip.LoadFromFile(path); }),
            "Cannot read ZIP archive \"" + path +
                "\": the data of \"Level.vle\" runs past the end of the file.");
  EXPECT_THROW(zip.LoadFromFile(folder / "none.zle"), FileError);
  EXPECT_EQ(zip.Count(), 0);
}

// ---- Interoperability with the standard zip and unzip -------------------------------

bool HaveZipTools() {
  return std::system("command -v zip >/dev/null 2>&1 && command -v unzip >/dev/null 2>&1") == 0;
}

int RunIn(const TempFolder& folder, const std::string& command) {
  int status = std::system(("cd '" + folder.Path() + "' && " + command).c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct ZipRun {
  const char* what;
  const char* command;  // makes out.zip from the files of the level folder
  bool streamed;        // the single member "-" holds Level.vle
};

const ZipRun kZipRuns[] = {
    {"zip -r", "zip -q -r ../out.zip .", false},
    {"zip -r -fd", "zip -q -r -fd ../out.zip .", false},
    {"zip -0", "zip -q -0 -r ../out.zip .", false},
    {"with comment", "zip -q -r ../out.zip . && echo Hills pack | zip -q -z ../out.zip", false},
    {"piped", "zip -q -r - . | cat > ../out.zip", false},
    {"stdin piped", "cat Level.vle | zip -q - - | cat > ../out.zip", true},
    {"stdin to a file", "cat Level.vle | zip -q - - > ../out.zip", true},
};

// A level folder as a level maker has it, and zip's archive of it.
class ZipInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveZipTools()) GTEST_SKIP() << "zip or unzip is not installed";
    fs::create_directories(folder_ / "level/Data/Polygons");
    files_ = {{"Level.vle", "<Level>\r\nName = Hills\r\n</Level>\r\n" + std::string(800, 'x')},
              {"Data/Polygons/brick.png", Pseudorandom(3000, 11)},
              {"Data/ground.dat", "Texture = brick.png\r\nFriction = 0.5\r\n"},
              {"empty.txt", ""}};
    for (const auto& [name, content] : files_)
      WriteRaw(folder_ / ("level/" + name), content);
  }

  TZipFile Zip(const ZipRun& run) {
    fs::remove(folder_ / "out.zip");
    EXPECT_EQ(RunIn(folder_, "cd level && "s + run.command), 0) << run.what;
    TZipFile zip;
    zip.LoadFromFile(folder_ / "out.zip");
    return zip;
  }

  // Every member that is a file, with its content.
  static std::map<std::string, std::string> MemberFiles(const TZipFile& zip) {
    std::map<std::string, std::string> files;
    for (int i = 0; i < zip.Count(); ++i) {
      if (!zip.Name(i).ends_with('/')) files[zip.Name(i)] = zip.Data(i);
    }
    return files;
  }

  std::map<std::string, std::string> Expected(const ZipRun& run) const {
    if (!run.streamed) return files_;
    return {{"-", files_.at("Level.vle")}};
  }

  TempFolder folder_;
  std::map<std::string, std::string> files_;
};

// What the game writes for an archive loaded unchanged: the same bytes, except that a
// member with a data descriptor has zero CRC and sizes in its local header (ZIP64 ones:
// 0xFFFFFFFF sizes, which point into the extra field), and that ZIP64 end records, which
// zip writes for streamed input, are left out.
std::string DescribedForm(std::string bytes, const TZipFile& zip) {
  size_t zip64End = bytes.rfind("PK\x06\x06"s);
  if (zip64End != std::string::npos) bytes.erase(zip64End, bytes.rfind("PK\x05\x06"s) - zip64End);
  for (int i = 0; i < zip.Count(); ++i) {
    const TZipLocalEntry& entry = zip.LocalEntry(i);
    if (!entry.HasDataDescriptor()) continue;
    size_t at = zip.CentralEntry(i).LocalHeaderOffset;
    uint32_t size = entry.Zip64 ? 0xFFFFFFFF : 0;
    bytes = Patched(Patched(Patched(bytes, at + 14, 0), at + 18, size), at + 22, size);
  }
  return bytes;
}

TEST_F(ZipInterop, ArchivesMadeByZipLoadAndSaveUnchanged) {
  for (const ZipRun& run : kZipRuns) {
    TZipFile zip = Zip(run);
    EXPECT_EQ(MemberFiles(zip), Expected(run)) << run.what;
    std::string made = ReadWholeFile(folder_ / "out.zip");
    zip.SaveToFile(folder_ / "saved.zip");
    EXPECT_EQ(ReadWholeFile(folder_ / "saved.zip"), DescribedForm(made, zip)) << run.what;
    EXPECT_EQ(RunIn(folder_, "unzip -tqq saved.zip"), 0) << run.what;
  }
}

TEST_F(ZipInterop, ChangedArchivesPassUnzip) {
  for (const ZipRun& run : kZipRuns) {
    TZipFile zip = Zip(run);
    std::map<std::string, std::string> changed;
    for (int i = 0; i < zip.Count(); ++i) {
      if (zip.Name(i).ends_with('/')) continue;
      changed[zip.Name(i)] = zip.Data(i) + "\r\n<Top10>\r\n" + zip.Name(i);
      zip.SetData(i, changed[zip.Name(i)]);
    }
    zip.SaveToFile(folder_ / "saved.zip");
    EXPECT_EQ(RunIn(folder_, "unzip -tqq saved.zip"), 0) << run.what;
    fs::remove_all(folder_ / "unzipped");
    EXPECT_EQ(RunIn(folder_, "unzip -qq saved.zip -d unzipped"), 0) << run.what;
    EXPECT_EQ(folder_.Files("unzipped"), changed) << run.what;
  }
}

// A package built from nothing, member by member, reads back, saves reproducibly with a
// fixed stamp, and is an archive that unzip accepts.
TEST(ZipFile, AddedMembersMakeAWholeArchive) {
  const std::vector<std::pair<std::string, std::string>> members = {
      {"Crystal.vle", "Type = Level\r\nCamX = 400\r\n"},
      {"Data\\Polygons\\crystal.png", Pseudorandom(5000, 7)},
      {"Data\\Polygons\\crystal.dat", "Type = Polygon\r\nTexture = crystal.png\r\n"},
      {"empty.txt", ""}};
  TZipFile built;
  for (const auto& [name, content] : members)
    built.AddMember(name, content, 0x5821, 0x6000);
  std::ostringstream first;
  built.SaveToStream(first);

  TZipFile loaded;
  std::istringstream in(first.str());
  loaded.LoadFromStream(in);
  ASSERT_EQ(loaded.Count(), int(members.size()));
  for (int i = 0; i < loaded.Count(); ++i) {
    EXPECT_EQ(loaded.Name(i), members[i].first);
    EXPECT_EQ(loaded.Data(i), members[i].second) << members[i].first;
    EXPECT_EQ(loaded.LocalEntry(i).Header.Method, 8);
    EXPECT_EQ(loaded.LocalEntry(i).Header.ModDate, 0x5821);
    EXPECT_EQ(loaded.CentralEntry(i).Header, loaded.LocalEntry(i).Header);
  }
  EXPECT_EQ(loaded.EndRecord().TotalEntries, members.size());
  EXPECT_EQ(loaded.IndexOf("Data/Polygons/crystal.dat"), 2);

  std::ostringstream again;
  loaded.SaveToStream(again);
  EXPECT_EQ(again.str(), first.str());

  if (!HaveZipTools()) GTEST_SKIP() << "zip or unzip is not installed";
  TempFolder folder;
  TZipFile forUnzip;
  forUnzip.AddMember("Data/Sprites/gem.png", members[1].second);
  forUnzip.AddMember("Level.vle", members[0].second);
  forUnzip.SaveToFile(folder / "added.zip");
  EXPECT_EQ(RunIn(folder, "unzip -tqq added.zip"), 0);
  EXPECT_EQ(RunIn(folder, "unzip -qq added.zip -d unzipped"), 0);
  EXPECT_EQ(folder.Files("unzipped"),
            (std::map<std::string, std::string>{{"Data/Sprites/gem.png", members[1].second},
                                                {"Level.vle", members[0].second}}));
}

}  // namespace
