// The texture store. Images are decoded by SDL2_image into RGBA and keep their pixel size
// whether or not a GL context exists; they get their GL copy as soon as one does. The
// store owns every texture it hands out and frees what is left when the program ends.
#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <memory>
#include <unordered_map>

#include "platform/engine_draw.h"
#include "platform/engine_gl.h"
#include "platform/engine_internal.h"
#include "platform/image_header.h"

namespace {

// Straight-alpha RGBA, rows top to bottom.
struct Image {
  int w = 0, h = 0;
  std::vector<uint8_t> rgba;
};

struct TextureRecord {
  Texture texture;
  // Premultiplied RGBA with rows bottom to top, the order GL stores them in, so that
  // v = 1 is the image's top row. Kept only while the texture has no GL copy.
  std::vector<uint8_t> pixels;
  int cellW = 0, cellH = 0;  // of tex_SetFrameSize; 0 while unset
  bool opaque = false;       // every pixel has alpha 255
};

using Store = std::unordered_map<const Texture*, std::unique_ptr<TextureRecord>>;

// Never destroyed: patterns and animations held in static storage elsewhere delete their
// textures when the program ends, possibly after this file's statics would be gone.
Store& TheStore() {
  static Store& store = *new Store;
  return store;
}

TextureRecord* Find(const Texture* texture) {
  auto it = TheStore().find(texture);
  return it == TheStore().end() ? nullptr : it->second.get();
}

std::string Upper(std::string text) {
  for (char& c : text)
    c = char(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool CopySurface(SDL_Surface* surface, Image& out) {
  if (surface->w <= 0 || surface->h <= 0 || SDL_LockSurface(surface) != 0) return false;
  out.w = surface->w;
  out.h = surface->h;
  size_t rowBytes = size_t(out.w) * 4;
  out.rgba.resize(rowBytes * size_t(out.h));
  const auto* src = static_cast<const uint8_t*>(surface->pixels);
  for (int y = 0; y < out.h; ++y) {
    std::copy_n(src + size_t(y) * size_t(surface->pitch), rowBytes, &out.rgba[y * rowBytes]);
  }
  SDL_UnlockSurface(surface);
  return true;
}

// ---------------------------------------------------------------------------------------
// Limits for decoding untrusted images

// No single block SDL allocates may be larger: twice the largest image the game decodes,
// room for a converted copy. A decoder whose format the header check does not know (PNM,
// TIFF, ...) then fails on a gigantic claimed size with SDL's "Out of memory" instead of
// taking the machine's memory.
constexpr size_t kMaxSdlBlock = size_t(kMaxImagePixels) * 4 * 2;

struct SdlAllocator {
  SDL_malloc_func malloc = nullptr;
  SDL_calloc_func calloc = nullptr;
  SDL_realloc_func realloc = nullptr;
  SDL_free_func free = nullptr;
};

SdlAllocator& Original() {
  static SdlAllocator original;
  return original;
}

void* LimitedMalloc(size_t size) {
  return size > kMaxSdlBlock ? nullptr : Original().malloc(size);
}

void* LimitedCalloc(size_t count, size_t size) {
  if (size != 0 && count > kMaxSdlBlock / size) return nullptr;
  return Original().calloc(count, size);
}

void* LimitedRealloc(void* block, size_t size) {
  return size > kMaxSdlBlock ? nullptr : Original().realloc(block, size);
}

void OriginalFree(void* block) {
  Original().free(block);
}

// Wraps SDL's allocator once; blocks keep going to the same allocator, so memory SDL took
// before is freed correctly afterwards.
void LimitSdlAllocations() {
  static bool done = false;
  if (done) return;
  done = true;
  SdlAllocator& o = Original();
  SDL_GetMemoryFunctions(&o.malloc, &o.calloc, &o.realloc, &o.free);
  SDL_SetMemoryFunctions(LimitedMalloc, LimitedCalloc, LimitedRealloc, OriginalFree);
}

// The bytes looked at for the size an image claims; a JPEG's frame header may come after
// segments of metadata.
constexpr size_t kHeaderBytes = 64 * 1024;

// False, with the reason as SDL's error, for an image whose header claims more pixels than
// the game decodes. The stream is back where it was afterwards.
bool HeaderAllowsDecoding(SDL_RWops* rw, const std::string& hint) {
  std::vector<uint8_t> head(kHeaderBytes);
  const Sint64 start = SDL_RWtell(rw);
  const size_t got = SDL_RWread(rw, head.data(), 1, head.size());
  if (SDL_RWseek(rw, start, RW_SEEK_SET) < 0) return false;
  int64_t width = 0, height = 0;
  if (!ImageHeaderSize(head.data(), got, hint, width, height)) return true;
  const std::string problem = ImageSizeProblem(width, height);
  if (!problem.empty()) SDL_SetError("%s", problem.c_str());
  return problem.empty();
}

// Decodes an image; SDL2_image finds most formats by their magic bytes, TGA only by the
// extension hint. Takes ownership of rw.
bool Decode(SDL_RWops* rw, const std::string& extension, Image& out) {
  if (!rw) return false;
  LimitSdlAllocations();
  std::string hint = Upper(extension);
  if (!HeaderAllowsDecoding(rw, hint)) {
    SDL_RWclose(rw);
    return false;
  }
  SDL_Surface* loaded = IMG_LoadTyped_RW(rw, 1, hint.empty() ? nullptr : hint.c_str());
  if (!loaded) return false;
  SDL_Surface* converted = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
  SDL_FreeSurface(loaded);
  if (!converted) return false;
  bool ok = CopySurface(converted, out);
  SDL_FreeSurface(converted);
  return ok;
}

void ApplyColorKey(Image& image, uint32_t transparent) {
  if (transparent == TEX_NO_COLORKEY) return;
  const uint8_t r = uint8_t(transparent >> 16), g = uint8_t(transparent >> 8),
                b = uint8_t(transparent);
  for (size_t i = 0; i + 3 < image.rgba.size(); i += 4) {
    uint8_t* p = &image.rgba[i];
    if (p[0] == r && p[1] == g && p[2] == b) p[3] = 0;
  }
}

std::vector<uint8_t> ToGlPixels(const Image& image) {
  std::vector<uint8_t> pixels(image.rgba.size());
  size_t rowBytes = size_t(image.w) * 4;
  for (int y = 0; y < image.h; ++y) {
    const uint8_t* src = &image.rgba[size_t(y) * rowBytes];
    uint8_t* dst = &pixels[size_t(image.h - 1 - y) * rowBytes];
    for (size_t i = 0; i < rowBytes; i += 4) {
      unsigned a = src[i + 3];
      for (size_t c = 0; c < 3; ++c)
        dst[i + c] = uint8_t((src[i + c] * a + 127) / 255);
      dst[i + 3] = uint8_t(a);
    }
  }
  return pixels;
}

// Flags carry the wrap mode only: polygon fill textures ($434) repeat, the rest clamp.
GLint WrapMode(uint32_t flags) {
  return (flags & TEX_REPEAT) ? GL_REPEAT : GL_CLAMP_TO_EDGE;
}

void ClearGlErrors() {
  for (int i = 0; i < 16 && gl.GetError() != GL_NO_ERROR; ++i) {
  }
}

void Upload(TextureRecord& record) {
  Texture& t = record.texture;
  ClearGlErrors();
  unsigned name = 0;
  gl.GenTextures(1, &name);
  gl.BindTexture(GL_TEXTURE_2D, name);
  gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
  gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, t.Width, t.Height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                record.pixels.data());
  gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, WrapMode(t.Flags));
  gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, WrapMode(t.Flags));
  if (gl.GetError() != GL_NO_ERROR) {  // e.g. larger than the driver allows
    gl.DeleteTextures(1, &name);
    return;
  }
  t.Id = name;
  std::vector<uint8_t>().swap(record.pixels);
}

void Download(TextureRecord& record) {
  Texture& t = record.texture;
  record.pixels.resize(size_t(t.Width) * size_t(t.Height) * 4);
  gl.BindTexture(GL_TEXTURE_2D, t.Id);
  gl.PixelStorei(GL_PACK_ALIGNMENT, 1);
  gl.GetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, record.pixels.data());
  gl.DeleteTextures(1, &t.Id);
  t.Id = 0;
}

bool AllOpaque(const Image& image) {
  for (size_t i = 3; i < image.rgba.size(); i += 4) {
    if (image.rgba[i] != 255) return false;
  }
  return true;
}

Texture* Register(const Image& image, uint32_t flags) {
  auto record = std::make_unique<TextureRecord>();
  record->opaque = AllOpaque(image);
  record->texture.Width = image.w;
  record->texture.Height = image.h;
  record->texture.Flags = flags;
  record->pixels = ToGlPixels(image);
  Texture* texture = &record->texture;
  TextureRecord& stored = *TheStore().emplace(texture, std::move(record)).first->second;
  if (render_HasContext()) Upload(stored);
  return texture;
}

Texture* LoadTexture(SDL_RWops* rw, const std::string& extension, uint32_t transparent,
                     uint32_t flags) {
  Image image;
  if (!Decode(rw, extension, image)) {
    engine_SetError(SDL_GetError());
    return nullptr;
  }
  ApplyColorKey(image, transparent);
  return Register(image, flags);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Public operations

Texture* tex_LoadFromFile(const std::string& fileName, uint32_t transparent, uint32_t flags) {
  SDL_RWops* rw = SDL_RWFromFile(engine_DiskPath(fileName).c_str(), "rb");
  return LoadTexture(rw, file_GetExtension(fileName), transparent, flags);
}

Texture* tex_LoadFromMemory(const void* data, size_t size, const std::string& extension,
                            uint32_t transparent, uint32_t flags) {
  if (!data || size == 0 || size > size_t(INT_MAX)) return nullptr;
  return LoadTexture(SDL_RWFromConstMem(data, int(size)), extension, transparent, flags);
}

void tex_SetFrameSize(Texture* texture, int w, int h) {
  if (!texture || w <= 0 || h <= 0) return;
  texture->FramesX = std::max(texture->Width / w, 1);
  texture->FramesY = std::max(texture->Height / h, 1);
  if (TextureRecord* record = Find(texture)) {
    record->cellW = w;
    record->cellH = h;
  }
}

void tex_Del(Texture*& texture) {
  if (!texture) return;
  if (Find(texture)) {
    if (texture->Id != 0 && render_HasContext()) {
      render_Flush();  // the batch may still draw with it
      gl.DeleteTextures(1, &texture->Id);
    }
    TheStore().erase(texture);
  }
  texture = nullptr;
}

bool img_LoadRgba(const std::string& fileName, int& w, int& h, std::vector<uint8_t>& rgba) {
  Image image;
  SDL_RWops* rw = SDL_RWFromFile(engine_DiskPath(fileName).c_str(), "rb");
  if (!Decode(rw, file_GetExtension(fileName), image)) return false;
  w = image.w;
  h = image.h;
  rgba = std::move(image.rgba);
  return true;
}

// ---------------------------------------------------------------------------------------
// Seams for the renderer and the fonts

Texture* texture_FromPixels(int w, int h, const std::vector<uint8_t>& rgba, uint32_t flags) {
  if (w <= 0 || h <= 0 || rgba.size() != size_t(w) * size_t(h) * 4) return nullptr;
  return Register(Image{w, h, rgba}, flags);
}

unsigned texture_GlName(Texture* texture) {
  if (!render_HasContext()) return 0;
  if (texture->Id != 0) return texture->Id;
  TextureRecord* record = Find(texture);
  if (!record || record->pixels.empty()) return 0;
  Upload(*record);
  return texture->Id;
}

bool texture_IsOpaque(const Texture* texture) {
  const TextureRecord* record = Find(texture);
  return record && record->opaque;
}

void texture_CellSize(const Texture& texture, float& w, float& h) {
  const TextureRecord* record = Find(&texture);
  if (record && record->cellW > 0) {
    w = float(record->cellW);
    h = float(record->cellH);
    return;
  }
  w = float(texture.Width) / float(std::max(texture.FramesX, 1));
  h = float(texture.Height) / float(std::max(texture.FramesY, 1));
}

void texture_UploadAll() {
  for (auto& [key, record] : TheStore()) {
    if (record->texture.Id == 0 && !record->pixels.empty()) Upload(*record);
  }
}

void texture_ReleaseAll() {
  for (auto& [key, record] : TheStore()) {
    if (record->texture.Id != 0) Download(*record);
  }
}
