// Textures without a window: sizes, frame cells, failures, decoding.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "platform/engine.h"
#include "test_images.h"

namespace {

using namespace test_images;

struct TextureFields {
  int width = 0, height = 0;
  float u = 0, v = 0;
  int framesX = 0, framesY = 0;
  uint32_t flags = 0;
  unsigned id = 0;
  bool operator==(const TextureFields&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TextureFields& f) {
  return out << "{" << f.width << "x" << f.height << ", U " << f.u << ", V " << f.v << ", frames "
             << f.framesX << "x" << f.framesY << ", flags " << std::hex << f.flags << std::dec
             << ", id " << f.id << "}";
}

TextureFields FieldsOf(const Texture* t) {
  if (!t) return {};
  return {t->Width, t->Height, t->U, t->V, t->FramesX, t->FramesY, t->Flags, t->Id};
}

Rgb Gradient(int x, int y) {
  return {uint8_t(x * 10), uint8_t(y * 20), 99};
}

TEST(EngineTexture, loaded_texture_keeps_its_pixel_size_without_a_window) {
  const std::string png = WritePng("tovi2_tex_5x3.png", 5, 3, Gradient);
  ASSERT_FALSE(png.empty());
  const std::string square = WritePng("tovi2_tex_1x1.png", 1, 1, Gradient);
  std::filesystem::create_directories(TempPath("tovi2_tex_dir"));
  const std::string nested = WritePng("tovi2_tex_dir/wide.png", 64, 8, Gradient);
  const std::string nestedBackslash = TempPath("tovi2_tex_dir\\wide.png");
  struct Row {
    std::string path;
    uint32_t flags;
    TextureFields expected;
  };
  const Row rows[] = {
      {png, TEX_DEFAULT_2D, {5, 3, 1, 1, 1, 1, TEX_DEFAULT_2D, 0}},
      {png, TEX_POLYGON_FILL, {5, 3, 1, 1, 1, 1, TEX_POLYGON_FILL, 0}},
      {square, TEX_DEFAULT_2D, {1, 1, 1, 1, 1, 1, TEX_DEFAULT_2D, 0}},
      {nestedBackslash, TEX_DEFAULT_2D, {64, 8, 1, 1, 1, 1, TEX_DEFAULT_2D, 0}},
  };
  for (const Row& row : rows) {
    Texture* t = tex_LoadFromFile(row.path, TEX_NO_COLORKEY, row.flags);
    EXPECT_EQ(FieldsOf(t), row.expected) << row.path;
    tex_Del(t);
    EXPECT_EQ(t, nullptr);
  }
}

TEST(EngineTexture, memory_load_uses_the_extension_hint) {
  const std::string png = WritePng("tovi2_tex_mem.png", 7, 2, Gradient);
  const std::string bytes = ReadFile(png);
  for (const char* hint : {"PNG", "png", ""}) {
    Texture* t = tex_LoadFromMemory(bytes.data(), bytes.size(), hint);
    EXPECT_EQ(FieldsOf(t), (TextureFields{7, 2, 1, 1, 1, 1, TEX_DEFAULT_2D, 0})) << hint;
    tex_Del(t);
  }
}

TEST(EngineTexture, unreadable_images_give_no_texture) {
  const std::string garbage = WriteFile("tovi2_tex_garbage.png", "this is not an image at all");
  const std::string empty = WriteFile("tovi2_tex_empty.png", "");
  const std::string truncated = WriteFile(
      "tovi2_tex_cut.png", ReadFile(WritePng("tovi2_tex_whole.png", 9, 9, Gradient)).substr(0, 40));
  for (const std::string& path :
       {TempPath("tovi2_tex_missing.png"), garbage, empty, truncated, TempPath("")}) {
    EXPECT_EQ(tex_LoadFromFile(path), nullptr) << path;
  }
  const std::string bytes = "GIF? no";
  EXPECT_EQ(tex_LoadFromMemory(bytes.data(), bytes.size(), "PNG"), nullptr);
  EXPECT_EQ(tex_LoadFromMemory(nullptr, 10, "PNG"), nullptr);
  EXPECT_EQ(tex_LoadFromMemory(bytes.data(), 0, "PNG"), nullptr);
}

TEST(EngineTexture, frame_size_counts_whole_cells) {
  const std::string png = WritePng("tovi2_tex_cells.png", 68, 40, Gradient);
  struct Row {
    int w, h;
    int framesX, framesY;
  };
  const Row rows[] = {
      {16, 39, 4, 1},  // the digit strip's cell size: the spare column and row are no cell
      {17, 20, 4, 2}, {68, 40, 1, 1},
      {40, 40, 1, 1}, {100, 100, 1, 1},  // a cell larger than the image is still one frame
      {1, 1, 68, 40},
  };
  for (const Row& row : rows) {
    Texture* t = tex_LoadFromFile(png);
    tex_SetFrameSize(t, row.w, row.h);
    EXPECT_EQ(std::make_pair(t->FramesX, t->FramesY), std::make_pair(row.framesX, row.framesY))
        << row.w << "x" << row.h;
    tex_Del(t);
  }
  Texture* t = tex_LoadFromFile(png);
  tex_SetFrameSize(t, 17, 20);
  tex_SetFrameSize(t, 0, 5);  // ignored: keeps the cells it had
  EXPECT_EQ(std::make_pair(t->FramesX, t->FramesY), std::make_pair(4, 2));
  tex_SetFrameSize(nullptr, 4, 4);
  tex_Del(t);
  tex_Del(t);  // a second delete of the nulled pointer does nothing
}

TEST(EngineTexture, decoded_pixels_match_what_was_written) {
  std::vector<uint8_t> written;
  for (int i = 0; i < 4 * 3; ++i) {
    written.insert(written.end(), {uint8_t(i * 20), uint8_t(255 - i), uint8_t(i), uint8_t(i * 21)});
  }
  const std::string png = TempPath("tovi2_tex_roundtrip.png");
  ASSERT_TRUE(img_SavePng(png, 4, 3, written));
  int w = 0, h = 0;
  std::vector<uint8_t> read;
  ASSERT_TRUE(img_LoadRgba(png, w, h, read));
  EXPECT_EQ(std::make_pair(w, h), std::make_pair(4, 3));
  EXPECT_EQ(read, written);
  EXPECT_FALSE(img_LoadRgba(TempPath("tovi2_tex_missing.png"), w, h, read));
}

}  // namespace
