// Loading from disk and from packages: names written on Windows, letter case, member
// folders, shared rig textures, and what a failed load leaves behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "../data/zip_writer.h"
#include "anim/anim_files.h"
#include "anim/disk_path.h"
#include "anim_test_util.h"
#include "data/file_io.h"
#include "data/zip_file.h"

namespace {

using namespace anim_test;
namespace fs = std::filesystem;

const std::string kRig =
    "RigSprite\r\nFrame=1\r\nSprite=\r\nName=body\r\nID=1\r\nTexture=parts\\Arm.PNG\r\n"
    "Frames=1\r\n0\r\n0\r\n4\r\n0 0\r\n8 0\r\n8 4\r\n0 4\r\n";

std::string TextureSize(const Texture* tex) {
  return tex ? std::to_string(tex->Width) + "x" + std::to_string(tex->Height) : "none";
}

// What a loaded record holds, in one line.
std::string Describe(const TSpr& spr) {
  std::string text = "name=" + spr.Name + " tex=" + TextureSize(spr.Tex) +
                     " frames=" + std::to_string(spr.FrameCount());
  if (spr.Rig) {
    text += " parts=" + std::to_string(spr.Rig->Parts.size());
    for (const auto& part : spr.Rig->Parts)
      text += " " + part->Name + ":" + TextureSize(part->Texture ? part->Texture->Tex : nullptr) +
              "/" + std::to_string(part->FrameCount());
  }
  return text;
}

// Files made on Windows: "\" between folders and letters in another case.
class DiskFiles : public testing::Test {
 protected:
  void SetUp() override {
    root_ = TempPath("disk/");
    WritePng("disk/Sprites/parts/arm.png", 12, 6);
    WritePng("disk/Sprites/sheet.png", 32, 16);
    WritePng("disk/Sprites/ball.png", 5, 7);
    WriteFile("disk/Sprites/man.rgs", kRig);
    WriteFile("disk/Sprites/walk.spr", "SHEET.png\r\n0 0 16 16\r\n16 0 16 16\r\n");
    WriteFile("disk/Sprites/broken.png", "not an image");
  }
  std::string root_;
};

TEST_F(DiskFiles, each_kind_loads) {
  const std::pair<std::string, std::string> cases[] = {
      {"Sprites/man.rgs", "name= tex=none frames=0 parts=1 body:12x6/1"},
      {"Sprites\\man.rgs", "name= tex=none frames=0 parts=1 body:12x6/1"},
      {"sprites/MAN.RGS", "name= tex=none frames=0 parts=1 body:12x6/1"},
      {"Sprites/walk.spr", "name=SHEET.png tex=32x16 frames=2"},
      {"Sprites/ball.png", "name=ball.png tex=5x7 frames=0"},
      {"Sprites\\Ball.PNG", "name=Ball.PNG tex=5x7 frames=0"},
      {"Sprites/broken.png", "name=broken.png tex=none frames=0"},
  };
  for (const auto& [name, expected] : cases) {
    TSpr spr;
    LoadAnimFile(spr, root_ + name);
    EXPECT_EQ(Describe(spr), expected) << name;
  }
}

TEST_F(DiskFiles, missing_files_raise_the_file_error) {
  for (const std::string name : {"Sprites/none.rgs", "Sprites/none.spr", "Sprites/none.png"}) {
    TSpr spr;
    try {
      LoadAnimFile(spr, root_ + name);
      ADD_FAILURE() << "no error for " << name;
    } catch (const FileError& e) {
      EXPECT_EQ(std::string(e.what()),
                "Cannot open file \"" + root_ + name + "\": No such file or directory");
    }
  }
}

TEST_F(DiskFiles, a_failed_load_leaves_the_record_as_it_was) {
  WriteFile("disk/Sprites/bad.rgs", "RigSprite\nSprite=\nID=x\n");
  TSpr spr;
  LoadAnimFile(spr, root_ + "Sprites/man.rgs");
  EXPECT_THROW(LoadAnimFile(spr, root_ + "Sprites/bad.rgs"), AnimError);
  EXPECT_THROW(LoadAnimFile(spr, root_ + "Sprites/none.rgs"), FileError);
  EXPECT_EQ(Describe(spr), "name= tex=none frames=0 parts=1 body:12x6/1");
  LoadAnimFile(spr, root_ + "Sprites/walk.spr");
  EXPECT_EQ(Describe(spr), "name=SHEET.png tex=32x16 frames=2") << "a load replaces";
}

TEST_F(DiskFiles, names_from_data_find_their_files) {
  const std::pair<std::string, std::string> cases[] = {
      {"Sprites/parts/arm.png", "Sprites/parts/arm.png"},
      {"Sprites\\parts\\arm.png", "Sprites/parts/arm.png"},
      {"SPRITES\\Parts\\ARM.png", "Sprites/parts/arm.png"},
      {"Sprites/none/arm.png", "Sprites/none/arm.png"},
      {"Sprites\\parts\\none.png", "Sprites/parts/none.png"},
  };
  for (const auto& [name, found] : cases) {
    EXPECT_EQ(FindDiskFile(root_ + name), root_ + found) << name;
  }
}

TEST_F(DiskFiles, rigs_share_a_texture_until_the_last_is_freed) {
  ASSERT_TRUE(RigTextures().empty());
  WriteFile("disk/Sprites/other.rgs", "RigSprite\nSprite=\nTexture=parts/arm.png\n");
  TSpr first, second;
  LoadAnimFile(first, root_ + "Sprites/man.rgs");
  LoadAnimFile(second, root_ + "Sprites/other.rgs");  // the same file, spelled otherwise
  EXPECT_EQ(first.Rig->Parts[0]->Texture, second.Rig->Parts[0]->Texture);
  EXPECT_EQ(RigTextures().size(), 1u);
  FreeAnim(first);
  ASSERT_EQ(RigTextures().size(), 1u);
  EXPECT_EQ(TextureSize(RigTextures()[0]->Tex), "12x6");
  FreeAnim(second);
  EXPECT_TRUE(RigTextures().empty());
}

// ---- Packages -------------------------------------------------------------------------

// A stored (not deflated) archive, as some Windows tools write it, with the names exactly
// as given.
std::string StoredArchive(const std::vector<std::pair<std::string, std::string>>& members) {
  std::vector<zip_writer::TestMember> stored;
  for (const auto& [name, content] : members)
    stored.push_back({name, content, 0});
  return zip_writer::BuildArchive(stored, "");
}

TZipFile LoadZip(const std::string& path) {
  TZipFile zip;
  zip.LoadFromFile(path);
  return zip;
}

std::string PngBytes(const std::string& name, int w, int h) {
  return ReadFile(WritePng("png/" + name, w, h));
}

TEST(PackageFiles, members_made_with_the_standard_zip) {
  if (std::system("command -v zip >/dev/null 2>&1") != 0) GTEST_SKIP() << "no zip command";
  const std::string folder = TempPath("zipped/");
  WritePng("zipped/Data/Sprites/parts/arm.png", 12, 6);
  WritePng("zipped/Data/Sprites/sheet.png", 32, 16);
  WritePng("zipped/Data/Sprites/ball.png", 5, 7);
  WriteFile("zipped/Data/Sprites/man.rgs", kRig);
  WriteFile("zipped/Data/Sprites/walk.spr", "sheet.png\r\n0 0 16 16\r\n16 0 16 16\r\n");
  const std::string command = "cd '" + folder + "' && zip -qr level.zle Data";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const TZipFile zip = LoadZip(folder + "level.zle");
  const std::pair<std::string, std::string> cases[] = {
      // Member names keep their letter case: "Arm.PNG" is not "arm.png" in a package.
      {"Data\\Sprites\\man.rgs", "name= tex=none frames=0 parts=1 body:none/1"},
      {"Data/Sprites/walk.spr", "name=sheet.png tex=32x16 frames=2"},
      {"Data\\Sprites\\walk.spr", "name=sheet.png tex=32x16 frames=2"},
      {"Data/Sprites/ball.png", "name=ball.png tex=5x7 frames=0"},
  };
  for (const auto& [member, expected] : cases) {
    TSpr spr;
    LoadAnimFromPackage(spr, zip, member);
    EXPECT_EQ(Describe(spr), expected) << member;
  }
}

TEST(PackageFiles, backslash_members_and_mixed_separators) {
  const std::string rig =
      "RigSprite\r\nSprite=\r\nName=body\r\nTexture=parts/arm.png\r\nFrames=1\r\n0\r\n0\r\n3\r\n"
      "0 0\r\n4 0\r\n0 4\r\n";
  const std::string archive = StoredArchive({
      {"Data\\Sprites\\man.rgs", rig},
      {"Data\\Sprites\\parts\\arm.png", PngBytes("arm.png", 12, 6)},
      {"Data\\Sprites\\walk.spr", "parts\\arm.png\r\n0 0 6 6\r\n"},
      {"top.spr", "sheet.png\r\n1 1 2 2\r\n"},
      {"sheet.png", PngBytes("sheet.png", 9, 3)},
  });
  const TZipFile zip = LoadZip(WriteFile("stored.zle", archive));
  const std::pair<std::string, std::string> cases[] = {
      {"Data/Sprites/man.rgs", "name= tex=none frames=0 parts=1 body:12x6/1"},
      {"Data\\Sprites\\walk.spr", "name=parts\\arm.png tex=12x6 frames=1"},
      {"top.spr", "name=sheet.png tex=9x3 frames=1"},
  };
  for (const auto& [member, expected] : cases) {
    TSpr spr;
    LoadAnimFromPackage(spr, zip, member);
    EXPECT_EQ(Describe(spr), expected) << member;
  }
}

TEST(PackageFiles, a_missing_member_is_an_error) {
  const TZipFile zip = LoadZip(WriteFile("one.zle", StoredArchive({{"a.rgs", "RigSprite\r"}})));
  TSpr spr;
  try {
    LoadAnimFromPackage(spr, zip, "b.rgs");
    ADD_FAILURE() << "no error";
  } catch (const ZipError& e) {
    EXPECT_EQ(std::string(e.what()), "No member \"b.rgs\" in the package.");
  }
}

TEST(PackageFiles, same_name_shares_only_the_same_image) {
  const std::string rig = "RigSprite\rSprite=\rTexture=arm.png\r";
  const TZipFile small = LoadZip(WriteFile(
      "small.zle", StoredArchive({{"a.rgs", rig}, {"arm.png", PngBytes("s.png", 4, 4)}})));
  const TZipFile large = LoadZip(WriteFile(
      "large.zle", StoredArchive({{"a.rgs", rig}, {"arm.png", PngBytes("l.png", 8, 8)}})));
  const TZipFile again = LoadZip(WriteFile(
      "again.zle", StoredArchive({{"a.rgs", rig}, {"arm.png", PngBytes("s.png", 4, 4)}})));
  TSpr a, b, c;
  LoadAnimFromPackage(a, small, "a.rgs");
  LoadAnimFromPackage(b, large, "a.rgs");
  LoadAnimFromPackage(c, again, "a.rgs");
  EXPECT_EQ(Describe(a) + " | " + Describe(b) + " | " + Describe(c),
            "name= tex=none frames=0 parts=1 :4x4/0 | name= tex=none frames=0 parts=1 :8x8/0 | "
            "name= tex=none frames=0 parts=1 :4x4/0");
  EXPECT_NE(a.Rig->Parts[0]->Texture, b.Rig->Parts[0]->Texture);
  EXPECT_EQ(a.Rig->Parts[0]->Texture, c.Rig->Parts[0]->Texture);
}

}  // namespace
