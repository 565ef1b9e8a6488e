// Fonts. A ".zfi" descriptor names a TrueType face and a pixel size; the Latin-1 glyphs
// are rasterised once with SDL2_ttf into one atlas texture, and text is drawn as one
// quad per glyph from it. Widths come from the glyph advances, so they need no window.
#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <memory>
#include <system_error>

#include "data/dat_file.h"
#include "data/file_io.h"
#include "platform/engine_draw.h"
#include "platform/engine_internal.h"

struct Font {
  struct Glyph {
    float advance = 0;
    float offsetX = 0;               // of the bitmap's left edge from the pen position
    int x = 0, y = 0, w = 0, h = 0;  // bitmap in the atlas, pixels; w = 0 for none
  };
  std::array<Glyph, 256> glyphs;  // by Latin-1 code, which is also the Unicode code point
  Texture* atlas = nullptr;
};

namespace {

namespace fs = std::filesystem;

constexpr int kAtlasWidth = 512;
constexpr int kGap = 1;  // between glyphs, so linear filtering never reaches a neighbour
constexpr const char* kSystemFontDir = "/usr/share/fonts/truetype/dejavu/";
constexpr const char* kSystemFontRoot = "/usr/share/fonts";

std::vector<std::unique_ptr<Font>>& Fonts() {
  static std::vector<std::unique_ptr<Font>> fonts;
  return fonts;
}

// Codes 127 to 159 are control characters in Latin-1 and have no glyphs.
bool HasGlyph(int code) {
  return code >= 32 && (code < 127 || code >= 160);
}

bool IsFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string SearchFontTree(const std::string& name) {
  std::error_code ec;
  auto options = fs::directory_options::skip_permission_denied;
  for (fs::recursive_directory_iterator it(kSystemFontRoot, options, ec), end; !ec && it != end;
       it.increment(ec)) {
    if (SameNameIgnoringCase(it->path().filename().string(), name) && IsFile(it->path()))
      return it->path().string();
  }
  return "";
}

// The face beside the descriptor, then in the system font folders; "" when not found.
std::string FindFace(const std::string& descriptor, const std::string& face) {
  std::string path = engine_DiskPath(face);
  if (fs::path(path).is_absolute() && IsFile(path)) return path;
  std::string beside = engine_DiskPath(file_GetDirectory(descriptor)) + path;
  if (IsFile(beside)) return beside;
  std::string name = fs::path(path).filename().string();
  if (name.empty()) return "";
  if (IsFile(kSystemFontDir + name)) return kSystemFontDir + name;
  return SearchFontTree(name);
}

// One glyph as straight-alpha RGBA rows; empty when the face has nothing to draw.
struct Bitmap {
  int w = 0, h = 0;
  std::vector<uint8_t> rgba;
};

Bitmap RenderGlyph(TTF_Font* ttf, int code) {
  Bitmap bitmap;
  SDL_Surface* rendered = TTF_RenderGlyph_Blended(ttf, Uint16(code), SDL_Color{255, 255, 255, 255});
  if (!rendered) return bitmap;
  SDL_Surface* surface = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_RGBA32, 0);
  SDL_FreeSurface(rendered);
  if (!surface) return bitmap;
  if (surface->w > 0 && surface->h > 0 && SDL_LockSurface(surface) == 0) {
    bitmap.w = surface->w;
    bitmap.h = surface->h;
    size_t rowBytes = size_t(bitmap.w) * 4;
    bitmap.rgba.resize(rowBytes * size_t(bitmap.h));
    const auto* src = static_cast<const uint8_t*>(surface->pixels);
    for (int y = 0; y < bitmap.h; ++y)
      std::copy_n(src + size_t(y) * size_t(surface->pitch), rowBytes, &bitmap.rgba[y * rowBytes]);
    SDL_UnlockSurface(surface);
  }
  SDL_FreeSurface(surface);
  return bitmap;
}

// Places the bitmaps in rows of the atlas and fills in where each one went.
int PackGlyphs(Font& font, const std::array<Bitmap, 256>& bitmaps, int atlasW) {
  int x = kGap, y = kGap, rowH = 0;
  for (int code = 0; code < 256; ++code) {
    const Bitmap& b = bitmaps[code];
    if (b.w == 0) continue;
    if (x + b.w + kGap > atlasW) {
      x = kGap;
      y += rowH + kGap;
      rowH = 0;
    }
    Font::Glyph& g = font.glyphs[code];
    g.x = x;
    g.y = y;
    g.w = b.w;
    g.h = b.h;
    x += b.w + kGap;
    rowH = std::max(rowH, b.h);
  }
  return y + rowH + kGap;
}

Texture* BuildAtlas(Font& font, const std::array<Bitmap, 256>& bitmaps) {
  int atlasW = kAtlasWidth;
  for (const Bitmap& b : bitmaps)
    atlasW = std::max(atlasW, b.w + 2 * kGap);
  int atlasH = PackGlyphs(font, bitmaps, atlasW);
  std::vector<uint8_t> pixels(size_t(atlasW) * size_t(atlasH) * 4, 0);
  for (int code = 0; code < 256; ++code) {
    const Font::Glyph& g = font.glyphs[code];
    const Bitmap& b = bitmaps[code];
    size_t rowBytes = size_t(b.w) * 4;
    for (int row = 0; row < b.h; ++row) {
      std::copy_n(&b.rgba[size_t(row) * rowBytes], rowBytes,
                  &pixels[(size_t(g.y + row) * size_t(atlasW) + size_t(g.x)) * 4]);
    }
  }
  return texture_FromPixels(atlasW, atlasH, pixels, TEX_CLAMP);
}

std::unique_ptr<Font> Rasterise(TTF_Font* ttf) {
  auto font = std::make_unique<Font>();
  std::array<Bitmap, 256> bitmaps;
  for (int code = 0; code < 256; ++code) {
    if (!HasGlyph(code)) continue;
    int minX = 0, maxX = 0, minY = 0, maxY = 0, advance = 0;
    if (TTF_GlyphMetrics(ttf, Uint16(code), &minX, &maxX, &minY, &maxY, &advance) != 0) continue;
    Font::Glyph& g = font->glyphs[code];
    g.advance = float(advance);
    // A rendered glyph starts at the pen, or left of it when the glyph reaches back.
    g.offsetX = float(std::min(minX, 0));
    bitmaps[code] = RenderGlyph(ttf, code);
  }
  font->atlas = BuildAtlas(*font, bitmaps);
  if (!font->atlas) return nullptr;
  return font;
}

std::unique_ptr<Font> LoadFace(const std::string& path, int size) {
  if (TTF_Init() != 0) {
    engine_SetError(TTF_GetError());
    return nullptr;
  }
  std::unique_ptr<Font> font;
  if (TTF_Font* ttf = TTF_OpenFont(path.c_str(), size)) {
    font = Rasterise(ttf);
    TTF_CloseFont(ttf);
  } else {
    engine_SetError(TTF_GetError());
  }
  TTF_Quit();  // the glyphs are in the atlas; FreeType is not needed any more
  return font;
}

void DrawGlyph(Texture* atlas, const Font::Glyph& g, float x, float y, float scale, uint32_t argb) {
  float w = float(g.w) * scale, h = float(g.h) * scale;
  const Point2D corners[4] = {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}};
  float kx = 1 / float(atlas->Width), ky = 1 / float(atlas->Height);
  float u0 = float(g.x) * kx, u1 = float(g.x + g.w) * kx;
  float vTop = 1 - float(g.y) * ky, vBottom = 1 - float(g.y + g.h) * ky;
  const Point2D uv[4] = {{u0, vTop}, {u1, vTop}, {u1, vBottom}, {u0, vBottom}};
  render_AddQuad(atlas, corners, uv, argb, FX_BLEND);
}

}  // namespace

Font* font_LoadFromFile(const std::string& fileName) {
  TDat descriptor;
  try {
    descriptor.LoadFromFile(engine_DiskPath(fileName));
  } catch (const FileError& e) {
    engine_SetError(e.what());
    return nullptr;
  }
  std::string face = FindFace(fileName, descriptor.Param("Face").AsString(""));
  if (face.empty()) {
    engine_SetError(("Font face not found for " + fileName).c_str());
    return nullptr;
  }
  // Bounded so that a mistyped size cannot ask for a giant atlas.
  int size = std::clamp(descriptor.Param("Size").AsInteger(16), 4, 256);
  std::unique_ptr<Font> font = LoadFace(face, size);
  if (!font) return nullptr;
  Fonts().push_back(std::move(font));
  return Fonts().back().get();
}

void font_Del(Font*& font) {
  auto& fonts = Fonts();
  auto it =
      std::find_if(fonts.begin(), fonts.end(), [&](const auto& f) { return f.get() == font; });
  if (it != fonts.end()) {
    tex_Del((*it)->atlas);
    fonts.erase(it);
  }
  font = nullptr;
}

void text_Draw(Font* font, float x, float y, std::string_view text, uint32_t flags) {
  text_DrawEx(font, x, y, 1, 0, text, 255, 0xFFFFFF, flags);
}

// y is the top of the line; step is extra space after every character.
void text_DrawEx(Font* font, float x, float y, float scale, float step, std::string_view text,
                 uint8_t alpha, uint32_t color, uint32_t /*flags*/) {
  if (!font || !font->atlas || !render_HasContext()) return;
  uint32_t argb = uint32_t(alpha) << 24 | (color & 0xFFFFFF);
  float pen = x;
  for (unsigned char code : text) {
    const Font::Glyph& g = font->glyphs[code];
    if (g.w > 0) DrawGlyph(font->atlas, g, pen + g.offsetX * scale, y, scale, argb);
    pen += g.advance * scale + step;
  }
}

// The distance from the first character's pen position to the end of the last advance.
float text_GetWidth(Font* font, std::string_view text, float step) {
  if (!font || text.empty()) return 0;
  float width = 0;
  for (unsigned char code : text)
    width += font->glyphs[code].advance;
  return width + step * float(text.size() - 1);
}
