// Fonts without a window: lookup of the face and text widths.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/engine.h"
#include "test_images.h"

namespace {

using namespace test_images;

constexpr const char* kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

class EngineFont : public testing::Test {
 protected:
  void SetUp() override {
    font_ = font_LoadFromFile(FixturePath("dejavu_sans_16.zfi"));
    ASSERT_NE(font_, nullptr) << zgl_GetError();
  }
  void TearDown() override { font_Del(font_); }
  Font* font_ = nullptr;
};

TEST_F(EngineFont, width_adds_advances_and_spacing) {
  const float a = text_GetWidth(font_, "A");
  const float b = text_GetWidth(font_, "b");
  ASSERT_GT(a, 0);
  struct Row {
    const char* text;
    float step;
    float expected;
  };
  const Row rows[] = {
      {"", 0, 0},
      {"", 3, 0},
      {"A", 5, a},
      {"AA", 0, 2 * a},
      {"AbA", 0, 2 * a + b},
      {"AAA", 2, 3 * a + 2 * 2},
      {"A\xC9", 0, a + text_GetWidth(font_, "E")},  // Latin-1 E acute is as wide as E
  };
  for (const Row& row : rows)
    EXPECT_EQ(text_GetWidth(font_, row.text, row.step), row.expected) << row.text;
  EXPECT_LT(text_GetWidth(font_, "Hello"), text_GetWidth(font_, "Hello world"));
  EXPECT_EQ(text_GetWidth(nullptr, "Hello"), 0);
}

TEST_F(EngineFont, face_beside_the_descriptor_is_found_first) {
  // A name no system folder has: only the copy beside the descriptor can satisfy it.
  const std::string dir = TempPath("tovi2_font_beside");
  std::filesystem::create_directories(dir);
  std::filesystem::copy_file(kDejaVuSans, dir + "/BesideFace.ttf",
                             std::filesystem::copy_options::overwrite_existing);
  const std::string zfi =
      WriteFile("tovi2_font_beside/beside.zfi", "Face = BesideFace.ttf\nSize = 16\n");
  Font* beside = font_LoadFromFile(zfi);
  ASSERT_NE(beside, nullptr) << zgl_GetError();
  EXPECT_EQ(text_GetWidth(beside, "Hello world"), text_GetWidth(font_, "Hello world"));
  font_Del(beside);
  EXPECT_EQ(beside, nullptr);
}

TEST_F(EngineFont, system_folders_are_searched_ignoring_case) {
  const std::string zfi =
      WriteFile("tovi2_font_bold.zfi", "Face = dejavusans-BOLD.ttf\nSize = 16\n");
  Font* bold = font_LoadFromFile(zfi);
  ASSERT_NE(bold, nullptr) << zgl_GetError();
  EXPECT_GT(text_GetWidth(bold, "Hello world"), text_GetWidth(font_, "Hello world"));
  font_Del(bold);
}

TEST(EngineFontFailures, unusable_descriptors_give_no_font) {
  const std::string noFace = WriteFile("tovi2_font_noface.zfi", "Size = 16\n");
  const std::string missingFace =
      WriteFile("tovi2_font_missing.zfi", "Face = NoSuchFace-Tovi2.ttf\nSize = 16\n");
  const std::string notAFont = WriteFile("tovi2_font_bad.ttf", "not a font");
  const std::string badFace = WriteFile("tovi2_font_badface.zfi", "Face = tovi2_font_bad.ttf\n");
  for (const std::string& path :
       {TempPath("tovi2_font_none.zfi"), noFace, missingFace, badFace, TempPath("")}) {
    Font* font = font_LoadFromFile(path);
    EXPECT_EQ(font, nullptr) << path;
    font_Del(font);
  }
}

}  // namespace
