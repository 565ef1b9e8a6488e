// Seams between the drawing parts of the engine layer: the texture store
// (engine_texture.cpp), the batch renderer (engine_render.cpp) and text (engine_font.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/engine.h"

// A texture made from straight-alpha RGBA pixels, rows top to bottom; owned by the engine
// like a loaded one and freed by tex_Del.
Texture* texture_FromPixels(int w, int h, const std::vector<uint8_t>& rgba, uint32_t flags);
// The GL name of a texture of the store, uploaded first if it has none yet; 0 without a
// GL context or for a texture the store does not know.
unsigned texture_GlName(Texture* texture);
// Whether every pixel of a texture of the store is fully opaque (false for any other).
bool texture_IsOpaque(const Texture* texture);
// The pixel size of one tex_SetFrameSize cell.
void texture_CellSize(const Texture& texture, float& w, float& h);
// After render_Init made the context: every texture gets its GL copy.
void texture_UploadAll();
// Before the context goes: pixels are read back, GL names are released.
void texture_ReleaseAll();

// A quad in the current camera, corners clockwise from the top-left. uv: texture
// coordinates with v = 1 at the top row of the image. rgba: 0xAARRGGBB.
void render_AddQuad(Texture* texture, const Point2D (&corners)[4], const Point2D (&uv)[4],
                    uint32_t argb, uint32_t fx);
// Draws what is batched now (before a texture it may use goes away).
void render_Flush();

// Data names may use "\" between folders; the disk wants "/".
std::string engine_DiskPath(const std::string& fileName);
