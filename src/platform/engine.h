// The engine layer: window, frame loop, millisecond timer, keyboard, textures, fonts,
// 2D drawing in batches, the camera, tessellation and file-name helpers.
//
// The operations keep the names the game was designed around (zgl_Init, ssprite2d_Draw,
// tess_Triangulate, ...), so call sites read like the game's own description. Everything
// except drawing works without a window: textures report their pixel size, fonts their
// text widths, and tessellation needs no GL context.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// ---------------------------------------------------------------------------------------
// Plain types

struct Point2D {
  float X = 0, Y = 0;
};

struct Rect2D {
  float X = 0, Y = 0, W = 0, H = 0;
};

struct Line2D {
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// A texture keeps its pixel size. Textures are never padded, so U = V = 1.
struct Texture {
  int Width = 0, Height = 0;
  float U = 1, V = 1;
  int FramesX = 1, FramesY = 1;  // cells of tex_SetFrameSize, numbered from 1
  uint32_t Flags = 0;
  unsigned Id = 0;  // GL name; 0 while no GL context exists
};

struct Font;  // opaque; made by font_LoadFromFile

// X, Y: the world offset of the screen's top-left corner. Angle (degrees) and Zoom act
// around the centre of the screen.
struct Camera2D {
  float X = 0, Y = 0, Angle = 0, Zoom = 1;
};

// ---------------------------------------------------------------------------------------
// Constants

// zgl_Reg kinds
constexpr int SYS_LOAD = 3;
constexpr int SYS_DRAW = 4;
constexpr int SYS_EXIT = 6;

// Texture flags: of the original flag words only the wrap bits mean anything here.
constexpr uint32_t TEX_CLAMP = 0x002;
constexpr uint32_t TEX_REPEAT = 0x004;
constexpr uint32_t TEX_POLYGON_FILL = 0x434;      // polygon fill textures: repeat
constexpr uint32_t TEX_DEFAULT_2D = 0x432;        // every other image: clamp
constexpr uint32_t TEX_NO_COLORKEY = 0xFF000000;  // transparent-colour argument "none"

// Drawing effects
constexpr uint32_t FX2D_FLIPX = 0x000001;
constexpr uint32_t FX2D_FLIPY = 0x000002;
constexpr uint32_t PR2D_FILL = 0x010000;
constexpr uint32_t FX_BLEND = 0x100000;

// Keyboard codes: PC set-1 scan codes, plus combined codes for either Shift, Alt, Ctrl.
constexpr uint8_t K_ESCAPE = 1;
constexpr uint8_t K_BACKSPACE = 14;
constexpr uint8_t K_ENTER = 28;
constexpr uint8_t K_N = 49;
constexpr uint8_t K_R = 19;
constexpr uint8_t K_SPACE = 57;
constexpr uint8_t K_UP = 200;
constexpr uint8_t K_PAGEUP = 201;
constexpr uint8_t K_LEFT = 203;
constexpr uint8_t K_RIGHT = 205;
constexpr uint8_t K_DOWN = 208;
constexpr uint8_t K_PAGEDOWN = 209;
constexpr uint8_t K_SHIFT = 252;
constexpr uint8_t K_ALT = 253;
constexpr uint8_t K_CTRL = 254;

// ---------------------------------------------------------------------------------------
// Window and frame loop

// kind: SYS_LOAD (once, when the window exists), SYS_DRAW (once per frame),
// SYS_EXIT (once after the loop has ended).
void zgl_Reg(int kind, void (*proc)());
// The procedure runs once per elapsed interval (milliseconds). A frame runs every call it
// owes before drawing, at most 250 of them, so a long stall does not freeze the game.
void timer_Add(void (*proc)(), uint32_t intervalMs);
void wnd_SetCaption(const std::string& caption);
// Options are kept as flags; none of the values the game passes changes this engine.
void zgl_Enable(uint32_t what);
void zgl_Disable(uint32_t what);
// Window size and mode; may be called again at any time. Full screen scales the picture
// to the display keeping its aspect ratio.
void scr_SetOptions(int width, int height, int refresh, bool fullScreen, bool vsync);
// Opens the window and runs the loop until zgl_Exit. Returns false, with zgl_GetError,
// when the window or its GL context cannot be made.
bool zgl_Init(int fsaa = 0, int stencil = 0);
void zgl_Exit();
// The last error text of the engine's libraries.
std::string zgl_GetError();

// A modal error box (when a display exists) and the same text on standard error.
void sys_ShowError(const std::string& caption, const std::string& text);

// ---------------------------------------------------------------------------------------
// Headless runs: the same loop and renderer on SDL's offscreen driver with a virtual clock.

struct HeadlessRun {
  uint64_t ticks = 0;         // stop after this many timer calls (then draw and exit)
  std::string screenshotPng;  // written from the last frame when not empty
  std::function<void(uint64_t tick)> beforeTick;  // called just before timer call `tick` (from 0)
};
// Must be called before zgl_Init. Each frame advances 16 or 17 ms (60 frames a second).
void zgl_SetHeadless(HeadlessRun run);
bool zgl_IsHeadless();
// Timer calls run since zgl_Init began.
uint64_t zgl_TickCount();

// ---------------------------------------------------------------------------------------
// Keyboard and text entry

bool key_Down(uint8_t code);
// A press stays visible until the next key_ClearState.
bool key_Press(uint8_t code);
// The last key pressed down since the last clear (0 for none).
uint8_t key_Last(int kind = 0);
void key_ClearState();
void mouse_ClearState();
// Starts text entry with text, at most maxLength characters; characters in refused are
// not taken (a name field may refuse what its file cannot store).
void key_BeginReadText(const std::string& text, int maxLength, std::string_view refused = {});
std::string key_GetText();  // 8-bit (Latin-1) text typed so far
void key_EndReadText();

// The set-1 code of a USB HID keyboard usage (what SDL calls a scan code); 0 if none.
uint8_t key_FromUsbScancode(int usage);
// The same path real key events take; used by headless key scripts.
void key_InjectDown(uint8_t code);
void key_InjectUp(uint8_t code);
void key_InjectText(const std::string& latin1);
// Typed text arrives as UTF-8; the game keeps 8-bit text. Characters that Latin-1 cannot
// hold and malformed bytes are dropped.
std::string engine_Utf8ToLatin1(std::string_view utf8);

// ---------------------------------------------------------------------------------------
// Textures

// nullptr when the file cannot be read or decoded (PNG, TGA, JPG, BMP).
Texture* tex_LoadFromFile(const std::string& fileName, uint32_t transparent = TEX_NO_COLORKEY,
                          uint32_t flags = TEX_DEFAULT_2D);
// extension is the format hint ("PNG", "png", "TGA", ...).
Texture* tex_LoadFromMemory(const void* data, size_t size, const std::string& extension,
                            uint32_t transparent = TEX_NO_COLORKEY,
                            uint32_t flags = TEX_DEFAULT_2D);
// Cells of w x h pixels, numbered from 1 left to right, then row by row.
void tex_SetFrameSize(Texture* texture, int w, int h);
void tex_Del(Texture*& texture);

// Writes 8-bit RGBA pixels (rows top to bottom) as a PNG file; false on failure.
bool img_SavePng(const std::string& fileName, int w, int h, const std::vector<uint8_t>& rgba);
// Decodes an image file (PNG, TGA, JPG, BMP) into 8-bit RGBA pixels, rows top to bottom,
// without a GL context; false when it cannot be read or decoded.
bool img_LoadRgba(const std::string& fileName, int& w, int& h, std::vector<uint8_t>& rgba);

// ---------------------------------------------------------------------------------------
// Fonts and text (8-bit Latin-1 text)

// A ".zfi" descriptor: a block/parameter file with Face (a TrueType file, looked up beside
// the descriptor, then in the system font folders) and Size (pixels). nullptr on failure.
Font* font_LoadFromFile(const std::string& fileName);
void font_Del(Font*& font);
void text_Draw(Font* font, float x, float y, std::string_view text, uint32_t flags = 0);
void text_DrawEx(Font* font, float x, float y, float scale, float step, std::string_view text,
                 uint8_t alpha = 255, uint32_t color = 0xFFFFFF, uint32_t flags = 0);
float text_GetWidth(Font* font, std::string_view text, float step = 0);

// ---------------------------------------------------------------------------------------
// Drawing: in the current camera, collected in batches of textured triangles.

// The whole texture at (x, y) with size (w, h), rotated by angle degrees about its centre.
void ssprite2d_Draw(Texture* texture, float x, float y, float w, float h, float angle,
                    uint8_t alpha = 255, uint32_t fx = FX_BLEND);
// Frame number `frame` (from 1) of a texture cut by tex_SetFrameSize.
void asprite2d_Draw(Texture* texture, float x, float y, float w, float h, float angle, int frame,
                    uint8_t alpha = 255, uint32_t fx = FX_BLEND);
// The cut-out rectangle (pixels) of the texture.
void csprite2d_Draw(Texture* texture, float x, float y, float w, float h, float angle,
                    const Rect2D& cut, uint8_t alpha = 255, uint32_t fx = FX_BLEND);
// Triangles iLo..iHi (vertex indices, three per triangle) with texture coordinates
// (0..1 of the texture); texture may be nullptr for plain colour.
void pr2d_TriList(Texture* texture, const Point2D* points, const Point2D* texCoords, int iLo,
                  int iHi, uint32_t color, uint8_t alpha, uint32_t fx);
void batch2d_Begin();
void batch2d_End();

// ---------------------------------------------------------------------------------------
// Render targets: a picture drawn once into a texture, then drawn like any image.

struct RenderTarget;  // opaque; made by rtarget_Add

// A target as large as the logical screen is in the window now (in window pixels), so
// that its surface drawn over the whole screen puts one texel on each pixel. nullptr
// outside a frame or when the driver cannot draw into textures: draw directly then.
RenderTarget* rtarget_Add();
// The texture the target draws into, sampled without filtering: drawn over the whole
// screen it puts back exactly what was drawn into it. nullptr for no target.
Texture* rtarget_GetSurface(RenderTarget* target);
// Whether the surface still holds what was drawn into it and has the size rtarget_Add
// would give now (a window resized, or a GL context made anew, loses it).
bool rtarget_Fits(const RenderTarget* target);
// What is drawn next goes into the target's surface, cleared to opaque black, with the
// logical screen mapped onto the whole surface; nullptr sends it to the screen again.
void rtarget_Set(RenderTarget* target);
void rtarget_Del(RenderTarget*& target);

// For benchmarks: while on, the driver drops every triangle before it becomes pixels, so
// drawing costs all its CPU work except the fill.
void scr_SetDiscard(bool discard);
// Draws what is batched and waits until the driver has finished everything asked of it.
void scr_Flush();

void cam2d_Init(Camera2D& camera);
// nullptr draws in screen coordinates.
void cam2d_Set(const Camera2D* camera);

// ---------------------------------------------------------------------------------------
// Geometry

// Triangulates the closed contour points[iLo..iHi] (no holes).
void tess_Triangulate(const Point2D* contour, int iLo, int iHi, bool addHoles = false);
// The triangles of the last tess_Triangulate, three points each.
std::vector<Point2D> tess_GetData();
// Whether the segments cross; the crossing point is written when colPoint is given.
bool col2d_Line(const Line2D& a, const Line2D& b, Point2D* colPoint);
float m_Distance(float x1, float y1, float x2, float y2);

// ---------------------------------------------------------------------------------------
// File names: "/" and "\" both separate folders.

std::string file_GetName(const std::string& fileName);       // no folder, no extension
std::string file_GetExtension(const std::string& fileName);  // without the dot
std::string file_GetDirectory(const std::string& fileName);  // with its final separator
