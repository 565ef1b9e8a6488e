// The fonts, GUI images and global patterns loaded at start.
#include "shell/resources.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "../platform/test_images.h"
#include "world/pattern.h"

namespace fs = std::filesystem;
using namespace test_images;

namespace {

void WritePngFile(const std::string& path, int w, int h) {
  fs::create_directories(fs::path(path).parent_path());
  ASSERT_TRUE(img_SavePng(path, w, h, Pixels(w, h, [](int, int) { return kBlue; })));
}

void WriteText(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// Every resource the table names, and a folder pattern.
void WriteFullDataFolder(const std::string& base) {
  WriteText(base + "Data/GUI/font.zfi", "Face = DejaVuSans.ttf\r\nSize = 24\r\n");
  WriteText(base + "Data/GUI/sfont.zfi", "Face = DejaVuSans.ttf\r\nSize = 10\r\n");
  WritePngFile(base + "Data/Backgrounds/sky.png", 32, 16);
  WritePngFile(base + "Data/GUI/digits.png", 160, 39);
  WritePngFile(base + "Data/GUI/back.png", 8, 8);
  WritePngFile(base + "Data/GUI/bklogo.png", 20, 10);
  WritePngFile(base + "Data/GUI/ball.png", 4, 4);
  WritePngFile(base + "Data/GUI/sisak.png", 400, 200);
  WritePngFile(base + "Data/Polygons/brick.png", 6, 2);
}

std::string TextureText(const Texture* tex) {
  if (!tex) return "none";
  std::ostringstream out;
  out << tex->Width << "x" << tex->Height << "/" << std::hex << tex->Flags << std::dec << " cells "
      << tex->FramesX << "x" << tex->FramesY;
  return out.str();
}

std::string FontText() {
  if (!MainFont || !SmallFont)
    return std::string(MainFont ? "main" : "") + (SmallFont ? "small" : "");
  return text_GetWidth(MainFont, "Tovi") > text_GetWidth(SmallFont, "Tovi") ? "main > small"
                                                                            : "main <= small";
}

std::string FrameText(const TSprFrame& f) {
  std::ostringstream out;
  out << f.SrcX << "," << f.SrcY << " " << f.SrcW << "x" << f.SrcH;
  return out.str();
}

// Every resource, then the global patterns' names.
std::string DescribeResources() {
  std::ostringstream out;
  out << "fonts: " << FontText() << "\n"
      << "sky: " << TextureText(SkyTexture) << "\n"
      << "digits: " << TextureText(DigitsTexture) << "\n"
      << "back: " << TextureText(BackTexture) << "\n"
      << "logo: " << TextureText(LogoTexture) << "\n"
      << "ball: " << TextureText(BallTexture) << "\n"
      << "cursor: " << TextureText(MenuSprite.Tex) << " frames " << MenuSprite.FrameCount();
  if (!MenuSprite.Frames.empty())
    out << " from " << FrameText(MenuSprite.Frames.front()) << " to "
        << FrameText(MenuSprite.Frames.back());
  out << "\npatterns:";
  for (const auto& pattern : GlobalPatterns.Items())
    out << " " << pattern->TypeName << " " << pattern->FileName;
  return out.str();
}

TEST(Resources, load_the_table_and_the_global_patterns_and_leave_missing_files_empty) {
  const std::string full = TempPath("resources/full") + "/";
  const std::string empty = TempPath("resources/empty") + "/";
  fs::remove_all(full);
  fs::remove_all(empty);
  WriteFullDataFolder(full);
  fs::create_directories(empty + "Data/GUI");

  const std::string loaded =
      "fonts: main > small\n"
      "sky: 32x16/432 cells 1x1\n"
      "digits: 160x39/432 cells 10x1\n"
      "back: 8x8/432 cells 1x1\n"
      "logo: 20x10/432 cells 1x1\n"
      "ball: 4x4/432 cells 1x1\n"
      "cursor: 400x200/432 cells 1x1 frames 50 from 0,0 40x40 to 360,160 40x40\n"
      "patterns: Polygon brick.png";
  const std::string nothing =
      "fonts: \n"
      "sky: none\n"
      "digits: none\n"
      "back: none\n"
      "logo: none\n"
      "ball: none\n"
      "cursor: none frames 0\n"
      "patterns:";
  struct Row {
    std::string base, expected;
  };
  // A second load replaces everything the first one made.
  const Row rows[] = {{full, loaded}, {empty, nothing}, {full, loaded}, {full, loaded}};
  for (const Row& row : rows) {
    LoadResources(row.base);
    EXPECT_EQ(SkyTexture, nullptr) << "the sky waits for the first level start";
    LoadSkyOnce();
    EXPECT_EQ(DescribeResources(), row.expected) << row.base;
  }
  FreeResources();
  EXPECT_EQ(DescribeResources(), nothing);
}

}  // namespace
