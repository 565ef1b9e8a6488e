// Seams between the parts of the engine layer: the window and loop (engine_window.cpp)
// hands the renderer (engine_render.cpp) its GL context and frames.
#pragma once

#include <cstdint>
#include <vector>

// After the GL 3.3 core context is current: shaders, buffers, upload of textures that
// were loaded before the context existed. False (with zgl_GetError text) on failure.
bool render_Init();
// Before the context goes: GL objects are released; textures keep their sizes.
void render_Shutdown();
bool render_HasContext();
// Starts a frame drawn into the window of pixel size (windowW, windowH): the logical
// screen (the size of scr_SetOptions, e.g. 800 x 600) is scaled into it keeping its
// aspect ratio, with black bars (letterbox). Clears to black.
void render_BeginFrame(int windowW, int windowH);
// Flushes what is batched.
void render_EndFrame();
// The logical screen of the frame just drawn (before the swap), 8-bit RGBA rows top to
// bottom; width and height are the logical screen size.
bool render_ReadPixels(int& width, int& height, std::vector<uint8_t>& rgba);
// The logical screen size set by scr_SetOptions (800 x 600 until then).
void render_SetScreenSize(int width, int height);
// Sets the error text that zgl_GetError returns.
void engine_SetError(const char* text);
