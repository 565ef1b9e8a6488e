// Patterns: lookups across the package and global lists, pattern descriptions of every
// type, and the patterns that level packages and the "Data" folder make from their files.
#include "world/pattern.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "../data/zip_writer.h"
#include "../platform/test_images.h"
#include "data/file_io.h"
#include "data/zip_file.h"
#include "world/world_messages.h"

namespace fs = std::filesystem;
using namespace test_images;

namespace {

// ---- Files and packages ---------------------------------------------------------------

void WriteBytes(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string PngBytes(int w, int h) {
  std::string path = TempPath("pattern_png_scratch.png");
  EXPECT_TRUE(img_SavePng(path, w, h, Pixels(w, h, [](int, int) { return kGreen; })));
  return ReadFile(path);
}

void WritePngFile(const std::string& path, int w, int h) {
  WriteBytes(path, PngBytes(w, h));
}

// A folder of its own for each test, so that tests never see each other's files.
std::string Folder(const std::string& name) {
  std::string path = TempPath("patterns/" + name) + "/";
  fs::remove_all(path);
  fs::create_directories(path);
  return path;
}

struct Member {
  std::string name;
  std::string bytes;
  bool damaged = false;  // stored with a CRC-32 that does not match
};

// An archive of stored members with the names exactly as given; a damaged member's local
// header, which is what the game reads, carries a wrong CRC-32.
TZipFile Package(const std::vector<Member>& members) {
  std::vector<zip_writer::TestMember> stored;
  for (const Member& m : members)
    stored.push_back({m.name, m.bytes, 0});
  std::vector<size_t> ends;
  std::string out = zip_writer::BuildArchive(stored, "", &ends);
  for (size_t i = 0; i < members.size(); ++i) {
    size_t crcAt = (i == 0 ? 0 : ends[i - 1]) + 14;
    if (members[i].damaged) out[crcAt] = char(out[crcAt] ^ 1);
  }
  std::istringstream stream(out);
  TZipFile zip;
  zip.LoadFromStream(stream);
  return zip;
}

std::string WithSeparator(std::string text, char separator) {
  std::replace(text.begin(), text.end(), '\\', separator);
  return text;
}

// ---- Patterns as text -----------------------------------------------------------------

std::string TextureText(const Texture* tex) {
  if (!tex) return "none";
  std::ostringstream out;
  out << tex->Width << "x" << tex->Height << "/" << std::hex << tex->Flags;
  return out.str();
}

std::string AnimText(const TSpr& anim) {
  std::ostringstream out;
  out << "tex " << TextureText(anim.Tex) << " frames " << anim.FrameCount()
      << (anim.Rig ? " rig" : "");
  return out.str();
}

std::string Describe(const TPattern& p) {
  std::ostringstream out;
  out << p.TypeName << " " << p.Name << " | " << p.FileName << " | " << p.UpperName << " |";
  if (auto* poly = dynamic_cast<const TPolyPat*>(&p))
    out << " " << TextureText(poly->Tex) << " scale " << poly->TexScaleX << "," << poly->TexScaleY;
  if (auto* sprite = dynamic_cast<const TSpritePat*>(&p))
    out << " " << AnimText(sprite->Anim) << " speed " << sprite->AnimSpeed;
  if (auto* creature = dynamic_cast<const TCreaturePat*>(&p))
    out << " stand " << AnimText(creature->StandAnim) << " walk " << AnimText(creature->WalkAnim)
        << " legs " << creature->LegsY << " head " << creature->HeadY << " radius "
        << creature->Radius << " mass " << creature->Mass;
  if (auto* object = dynamic_cast<const TObjPat*>(&p))
    out << " " << AnimText(object->Anim) << " speed " << object->AnimSpeed << " lines "
        << object->TouchScript.Lines.size() << " [" << object->TouchScript.Source << "]";
  return out.str();
}

// The whole list, newest first, one pattern a line with the path it came from.
std::string Describe(const TPatternList& list) {
  std::string text;
  for (const auto& pattern : list.Items())
    text += Describe(*pattern) + " @ " + pattern->Path + "\n";
  return text;
}

// The list's lines in sorted order, for folders whose listing order the platform chooses.
std::vector<std::string> SortedLines(const TPatternList& list) {
  std::vector<std::string> lines;
  for (const auto& pattern : list.Items())
    lines.push_back(Describe(*pattern));
  std::sort(lines.begin(), lines.end());
  return lines;
}

class PatternTest : public ::testing::Test {
 protected:
  void SetUp() override { Free(); }
  // The engine's texture store must still exist when the patterns let go of their
  // textures, so nothing is left for the static destructors.
  void TearDown() override {
    Free();
    SetMessageSink(nullptr);
  }
  static void Free() {
    FreePatternList(PackagePatterns);
    FreePatternList(GlobalPatterns);
  }
};

// ---- Lookups --------------------------------------------------------------------------

TEST_F(PatternTest, package_patterns_are_found_first_with_exact_case) {
  std::string dir = Folder("lookup");
  WriteBytes(dir + "ground.dat", "Type = Polygon\r\n");
  WriteBytes(dir + "rock.dat", "Type = Polygon\r\n");
  LoadPattern(dir + "ground.dat", nullptr, -1);
  LoadPattern(dir + "rock.dat", nullptr, -1);
  TZipFile zip = Package({{"ground.dat", "Type = Polygon\rTexScaleX = 2\r"}});
  LoadPackagePatterns(zip);

  struct Row {
    TPattern* (*find)(const std::string&, const std::string&);
    std::string type, name, expectedPath;  // "" for none
  };
  const Row rows[] = {
      {FindPattern, "Polygon", "ground.dat", "ground.dat"},
      {FindPattern, "Polygon", "Ground.dat", ""},
      {FindPattern, "Polygon", "rock.dat", dir + "rock.dat"},
      {FindPattern, "Sprite", "ground.dat", ""},
      {FindPattern, "Polygon", "ground", ""},
      {FindPatternByName, "Polygon", "ground", "ground.dat"},
      {FindPatternByName, "Polygon", "GROUND", ""},
      {FindPatternByName, "Polygon", "rock", dir + "rock.dat"},
  };
  for (const Row& row : rows) {
    TPattern* found = row.find(row.type, row.name);
    EXPECT_EQ(found ? found->Path : "", row.expectedPath) << row.type << " " << row.name;
  }

  FreePatternList(PackagePatterns);
  TPattern* stock = FindPattern("Polygon", "ground.dat");
  EXPECT_EQ(stock ? stock->Path : "", dir + "ground.dat");
}

// ---- Descriptions on disk -------------------------------------------------------------

TEST_F(PatternTest, descriptions_make_one_pattern_of_their_type) {
  std::string dir = Folder("describe");
  WritePngFile(dir + "stone.png", 8, 4);
  WritePngFile(dir + "img/brick.png", 6, 2);
  WritePngFile(dir + "walk.png", 12, 4);
  WritePngFile(dir + "tiny.png", 2, 2);
  WriteBytes(dir + "bird.spr", "walk.png\r\n0 0 4 4 0 0 4 4\r\n4 0 4 4 0 0 4 4\r\n");

  struct Row {
    std::string name, description, expected;  // expected "" when no pattern is made
  };
  const Row rows[] = {
      {"poly", "Type = Polygon\nTexture = stone.png\nTexScaleX = 2.5\n",
       "Polygon poly | poly.dat | POLY | 8x4/434 scale 2.5,1"},
      {"windows", "Type = Polygon\nTexture = IMG\\Brick.png\n",
       "Polygon windows | windows.dat | WINDOWS | 6x2/434 scale 1,1"},
      {"gone", "Type = Polygon\nTexture = gone.png\n",
       "Polygon gone | gone.dat | GONE | none scale 1,1"},
      {"bare", "Type = Polygon\n", "Polygon bare | bare.dat | BARE | none scale 1,1"},
      {"bird", "Type = Sprite\nSprite = bird.spr\n",
       "Sprite bird | bird.dat | BIRD | tex 12x4/432 frames 2 speed 0.024"},
      {"still", "Type = Sprite\nTexture = stone.png\nAnimSpeed = 0.5\n",
       "Sprite still | still.dat | STILL | tex 8x4/432 frames 0 speed 0.5"},
      {"strip",
       "Type = Sprite\nSprite = walk.png\nFrameWidth = 4\nFrameHeight = 4\nFramesCount = 3\n",
       "Sprite strip | strip.dat | STRIP | tex 12x4/432 frames 3 speed 0.024"},
      {"nocount", "Type = Sprite\nSprite = walk.png\nFrameWidth = 4\nFrameHeight = 4\n",
       "Sprite nocount | nocount.dat | NOCOUNT | tex 12x4/432 frames 0 speed 0.024"},
      {"negative",
       "Type = Sprite\nSprite = walk.png\nFrameWidth = -4\nFrameHeight = 4\nFramesCount = 3\n",
       "Sprite negative | negative.dat | NEGATIVE | tex 12x4/432 frames 0 speed 0.024"},
      // Bounded by the frames that drawing can reach, not by the file.
      {"absurd",
       "Type = Sprite\nSprite = tiny.png\nFrameWidth = 1\nFrameHeight = 1\n"
       "FramesCount = 2000000000\n",
       "Sprite absurd | absurd.dat | ABSURD | tex 2x2/432 frames 65536 speed 0.024"},
      {"Hero", "Type = Creature\n",
       "Creature Hero | Hero.dat | HERO | stand tex none frames 0 walk tex none frames 0 "
       "legs 19 head -19 radius 11 mass 30"},
      {"odd", "Type = Creature\nLegsY = nan\nHeadY = 1e40\nRadius = 7\nMass = heavy\n",
       "Creature odd | odd.dat | ODD | stand tex none frames 0 walk tex none frames 0 "
       "legs 19 head -19 radius 7 mass 30"},
      {"walker", "Type = Creature\nStandSpr = stone.png\nWalkSpr = BIRD.SPR\nMass = 45.5\n",
       "Creature walker | walker.dat | WALKER | stand tex 8x4/432 frames 0 "
       "walk tex 12x4/432 frames 2 legs 19 head -19 radius 11 mass 45.5"},
      {"apple",
       "Type = Object\nSprite = stone.png\n[TouchScript]\nbegin\n  Victory;\nend;\n"
       "[/TouchScript]\n",
       "Object apple | apple.dat | APPLE | tex 8x4/432 frames 0 speed 0.024 lines 3 "
       "[begin   Victory; end; ]"},
      {"plain", "Type = Object\n",
       "Object plain | plain.dat | PLAIN | tex none frames 0 speed 0.024 lines 0 []"},
      {"lower", "Type = polygon\nTexture = stone.png\n", ""},
      {"untyped", "Texture = stone.png\n", ""},
  };
  for (const Row& row : rows) {
    std::string path = dir + row.name + ".dat";
    WriteBytes(path, row.description);
    LoadPattern(path, nullptr, -1);
    std::string expected = row.expected.empty() ? "" : row.expected + " @ " + path + "\n";
    EXPECT_EQ(Describe(GlobalPatterns), expected) << row.name;
    FreePatternList(GlobalPatterns);
  }
}

TEST_F(PatternTest, a_description_that_cannot_be_read_raises_the_file_error) {
  std::string dir = Folder("unreadable");
  EXPECT_THROW(LoadPattern(dir + "missing.dat", nullptr, -1), FileError);
  EXPECT_TRUE(GlobalPatterns.Empty());
}

// ---- Level packages -------------------------------------------------------------------

TEST_F(PatternTest, package_members_make_patterns_in_the_game_order) {
  for (char separator : {'\\', '/'}) {
    auto name = [&](const std::string& text) { return WithSeparator(text, separator); };
    TZipFile zip = Package({
        {"level.vle", "Type = Level\r"},
        {name("Data\\Polygons\\stone.dat"), "Type = Polygon\rTexture = stone.png\rTexScaleX = 3\r"},
        {name("Data\\Polygons\\stone.png"), PngBytes(8, 4)},
        {name("Data\\Polygons\\brick2.png"), PngBytes(6, 2)},
        {name("Data\\Polygons\\Sub\\deep.png"), PngBytes(2, 2)},
        {name("data\\polygons\\lower.png"), PngBytes(2, 2)},
        {name("Data\\Sprites\\walker.png"), PngBytes(12, 4)},
        {name("Data\\Sprites\\walker.spr"), "walker.png\r\n0 0 4 4 0 0 4 4\r\n"},
        {name("Data\\Sprites\\still.png"), PngBytes(2, 2)},
        {name("Data\\Sprites\\notes.txt"), "not a pattern"},
        {name("Patterns\\hero.DAT"),
         "Type = Creature\rStandSpr = hero.png\rWalkSpr = Sub\\hero.png\r"},
        {name("Patterns\\hero.png"), PngBytes(4, 8)},
        {name("Patterns\\Sub\\hero.png"), PngBytes(8, 8)},
    });
    LoadPackagePatterns(zip);

    std::string expected = name(
        "Sprite still | still.png | STILL | tex 2x2/432 frames 0 speed 0 "
        "@ Data\\Sprites\\still.png\n"
        "Sprite walker | walker.spr | WALKER | tex 12x4/432 frames 1 speed 0.024 "
        "@ Data\\Sprites\\walker.spr\n"
        "Polygon brick2 | brick2.png | BRICK2 | 6x2/434 scale 1,1 @ Data\\Polygons\\brick2.png\n"
        "Creature hero | hero.DAT | HERO | stand tex 4x8/432 frames 0 walk tex 8x8/432 frames 0 "
        "legs 19 head -19 radius 11 mass 30 @ Patterns\\hero.DAT\n"
        "Polygon stone | stone.dat | STONE | 8x4/434 scale 3,1 @ Data\\Polygons\\stone.dat\n");
    EXPECT_EQ(Describe(PackagePatterns), expected) << separator;
    TPattern* brick = FindPattern("Polygon", "brick2.png");
    EXPECT_EQ(brick ? brick->Path : "", name("Data\\Polygons\\brick2.png")) << separator;
    EXPECT_TRUE(GlobalPatterns.Empty());
    FreePatternList(PackagePatterns);
  }
}

TEST_F(PatternTest, a_damaged_member_that_is_read_raises_its_error) {
  struct Row {
    std::vector<Member> members;
    std::string expected;  // the error text; "" when loading succeeds
  };
  const Row rows[] = {
      {{{"Data\\Polygons\\brick.png", PngBytes(2, 2), true}},
       "CRC Error in \"Data\\Polygons\\brick.png\"."},
      {{{"Data/Sprites/bird.spr", "bird.png\r", true}}, "CRC Error in \"Data/Sprites/bird.spr\"."},
      {{{"Data\\Sprites\\leaf.png", PngBytes(2, 2), true}},
       "CRC Error in \"Data\\Sprites\\leaf.png\"."},
      {{{"ground.dat", "Type = Polygon\r", true}}, "CRC Error in \"ground.dat\"."},
      {{{"ground.dat", "Type = Polygon\rTexture = ground.png\r"},
        {"ground.png", PngBytes(2, 2), true}},
       "CRC Error in \"ground.png\"."},
      {{{"readme.txt", "nobody reads this", true}, {"Data\\Polygons\\brick.png", PngBytes(2, 2)}},
       ""},
  };
  for (const Row& row : rows) {
    TZipFile zip = Package(row.members);
    std::string error;
    try {
      LoadPackagePatterns(zip);
    } catch (const ZipError& e) {
      error = e.what();
    }
    EXPECT_EQ(error, row.expected) << row.members.front().name;
    FreePatternList(PackagePatterns);
  }
}

// ---- The "Data" folder ----------------------------------------------------------------

TEST_F(PatternTest, data_folder_reads_descriptions_first_and_images_only_at_the_top) {
  std::string base = Folder("global");
  std::string data = base + "Data/";
  WriteBytes(data + "Patterns/deep/more/rock.dat", "Type = Polygon\r\nTexScaleY = 4\r\n");
  WriteBytes(data + "Polygons/odd.DAT", "Type = Sprite\r\n");
  WriteBytes(data + "dir.dat/inner.dat", "Type = Creature\r\nMass = 5\r\n");
  WritePngFile(data + "Polygons/rock.png", 8, 4);
  WritePngFile(data + "Polygons/brick.png", 6, 2);
  WritePngFile(data + "Polygons/sub/hidden.png", 2, 2);
  WriteBytes(data + "Polygons/readme.txt", "no pattern");
  WritePngFile(data + "Sprites/walk.png", 12, 4);
  WriteBytes(data + "Sprites/walk.spr", "walk.png\r\n0 0 4 4 0 0 4 4\r\n4 0 4 4 0 0 4 4\r\n");
  WritePngFile(data + "Sprites/leaf.png", 2, 2);
  WritePngFile(data + "Sprites/sub/nested.png", 2, 2);
  WriteBytes(data + "Sprites/good.rgs", "RigSprite\r\n");
  WriteBytes(data + "Sprites/broken.rgs", "RigSprite\r\nStartFrame=many\r\n");
  // Entries that must neither loop, block nor stop the start.
  fs::create_directory_symlink(fs::path(data), data + "loop");
  fs::create_symlink(fs::path(data + "nowhere.dat"), data + "ghost.dat");
  ASSERT_EQ(mkfifo((data + "pipe.dat").c_str(), 0600), 0);
  std::vector<std::string> messages;
  SetMessageSink([&](const std::string& text) { messages.push_back(text); });

  LoadPatternsFromFolder(base + "Data");
  LoadGlobalImagePatterns(base);

  const std::vector<std::string> expected = {
      "Creature inner | inner.dat | INNER | stand tex none frames 0 walk tex none frames 0 "
      "legs 19 head -19 radius 11 mass 5",
      "Polygon brick | brick.png | BRICK | 6x2/434 scale 1,1",
      "Polygon rock | rock.dat | ROCK | none scale 1,4",
      "Sprite good | good.rgs | GOOD | tex none frames 0 rig speed 0.024",
      "Sprite leaf | leaf.png | LEAF | tex 2x2/432 frames 0 speed 0",
      "Sprite odd | odd.DAT | ODD | tex none frames 0 speed 0.024",
      "Sprite walk | walk.spr | WALK | tex 12x4/432 frames 2 speed 0.024",
  };
  EXPECT_EQ(SortedLines(GlobalPatterns), expected);
  EXPECT_EQ(messages, std::vector<std::string>{"'many' is not a valid integer value (\"" + data +
                                               "Sprites/broken.rgs\", line 2)"});
}

// The paths of the list, newest first.
std::vector<std::string> PathsOf(const TPatternList& list) {
  std::vector<std::string> paths;
  for (const auto& pattern : list.Items())
    paths.push_back(pattern->Path);
  return paths;
}

// Made in an order that is not sorted: the file system's own listing order (creation,
// reversed creation or hash order) would give another list.
TEST_F(PatternTest, descriptions_are_read_in_byte_order_of_names_and_the_last_wins) {
  std::string data = Folder("order") + "Data/";
  for (const char* path :
       {"b/rock.dat", "rock.dat", "B/rock.dat", "z/rock.dat", "a/c/rock.dat", "a/rock.dat"})
    WriteBytes(data + path, "Type = Polygon\r\n");
  LoadPatternsFromFolder(data);
  const std::vector<std::string> newestFirst = {
      data + "z/rock.dat", data + "rock.dat",     data + "b/rock.dat",
      data + "a/rock.dat", data + "a/c/rock.dat", data + "B/rock.dat",
  };
  EXPECT_EQ(PathsOf(GlobalPatterns), newestFirst);
  TPattern* found = FindPattern("Polygon", "rock.dat");
  EXPECT_EQ(found ? found->Path : "", data + "z/rock.dat");
}

TEST_F(PatternTest, images_are_read_in_byte_order_of_names_and_the_first_of_one_name_wins) {
  std::string base = Folder("twins");
  // The decoder knows a PNG by its first bytes whatever the extension says.
  for (const char* name :
       {"twin.png", "b.png", "twin.tga", "a b.png", "twin.JPG", "B.png", "twin.jpg", "a.png"})
    WritePngFile(base + "Data/Polygons/" + name, 2, 2);
  LoadGlobalImagePatterns(base);
  const std::string polygons = base + "Data/Polygons/";
  const std::vector<std::string> newestFirst = {
      polygons + "twin.JPG", polygons + "b.png", polygons + "a.png",
      polygons + "a b.png",  polygons + "B.png",
  };
  EXPECT_EQ(PathsOf(GlobalPatterns), newestFirst);
}

TEST_F(PatternTest, missing_folders_make_no_patterns) {
  std::string base = Folder("nothing");
  LoadPatternsFromFolder(base + "Data");
  LoadGlobalImagePatterns(base);
  EXPECT_TRUE(GlobalPatterns.Empty());
}

}  // namespace
