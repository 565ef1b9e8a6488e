// The batch renderer. Every picture is a list of textured triangles in one vertex format
// (position, texture coordinate, colour with alpha), collected in one vertex array and
// drawn when the texture or the blend state changes, at batch2d_End and at frame end.
// The camera is applied on the CPU as vertices are added, so switching it costs nothing.
#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <string>

#include "platform/engine_draw.h"
#include "platform/engine_gl.h"
#include "platform/engine_internal.h"

GlApi gl;

namespace {

struct Vertex {
  float x, y, u, v;
  uint8_t rgba[4];
};

struct Viewport {
  int x = 0, y = 0, w = 0, h = 0;
};

}  // namespace

// Surface.Id and framebuffer are 0 once the GL context that held them is gone.
struct RenderTarget {
  Texture Surface;
  unsigned framebuffer = 0;
};

namespace {

// Where the current camera puts a world point on the logical screen.
struct CameraTransform {
  float dx = 0, dy = 0;  // minus the camera position
  float cx = 0, cy = 0;  // the screen centre, about which the camera turns and zooms
  float m00 = 1, m01 = 0, m10 = 0, m11 = 1;
  bool turned = false;

  Point2D Apply(Point2D p) const {
    float x = p.X + dx, y = p.Y + dy;
    if (!turned) return {x, y};
    x -= cx;
    y -= cy;
    return {cx + m00 * x + m01 * y, cy + m10 * x + m11 * y};
  }
};

struct Renderer {
  bool ready = false;
  unsigned program = 0, vao = 0, vbo = 0;
  unsigned white = 0;  // 1 x 1 white texture for untextured triangles
  int screenUniform = -1;
  int screenW = 800, screenH = 600;
  Viewport viewport;
  const Camera2D* camera = nullptr;
  std::vector<Vertex> vertices;
  unsigned batchTexture = 0;
  bool batchBlend = true;
  bool framebuffers = false;  // the driver can draw into textures
  bool discard = false;       // scr_SetDiscard
  RenderTarget* target = nullptr;
  int screenFramebuffer = 0;  // the window's, while a target is set
  std::vector<RenderTarget*> targets;
};

Renderer renderer;

constexpr float kRadPerDegree = std::numbers::pi_v<float> / 180;

// Positions are logical screen pixels, y down; the viewport does the letterbox scaling.
// Textures hold premultiplied alpha (no dark fringes under linear filtering), so the
// vertex colour is premultiplied here.
constexpr const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec2 aPos;
layout(location = 1) in vec2 aUv;
layout(location = 2) in vec4 aColor;
uniform vec2 uScreen;
out vec2 vUv;
out vec4 vColor;
void main() {
  vUv = aUv;
  vColor = vec4(aColor.rgb * aColor.a, aColor.a);
  gl_Position = vec4(aPos.x / uScreen.x * 2.0 - 1.0, 1.0 - aPos.y / uScreen.y * 2.0, 0.0, 1.0);
}
)";

constexpr const char* kFragmentShader = R"(#version 330 core
in vec2 vUv;
in vec4 vColor;
uniform sampler2D uTex;
out vec4 fragColor;
void main() {
  fragColor = texture(uTex, vUv) * vColor;
}
)";

// Loads one function of a list into gl; `complete` turns false when it is missing.
#define TOVI2_GL_LOAD(type, name)                                      \
  gl.name = reinterpret_cast<type>(SDL_GL_GetProcAddress("gl" #name)); \
  complete = complete && gl.name != nullptr;

bool LoadGl() {
  bool complete = true;
  TOVI2_GL_FUNCTIONS(TOVI2_GL_LOAD)
  if (!complete) engine_SetError("OpenGL 3.3 functions are missing");
  return complete;
}

// TOVI2_DIRECT_DRAW=1 draws everything directly, as on a driver without render targets.
bool LoadFramebufferGl() {
  bool complete = true;
  TOVI2_GL_OPTIONAL_FUNCTIONS(TOVI2_GL_LOAD)
  const char* direct = std::getenv("TOVI2_DIRECT_DRAW");
  return complete && !(direct && std::string(direct) == "1");
}
#undef TOVI2_GL_LOAD

unsigned CompileShader(GLenum kind, const char* source) {
  unsigned shader = gl.CreateShader(kind);
  gl.ShaderSource(shader, 1, &source, nullptr);
  gl.CompileShader(shader);
  GLint ok = 0;
  gl.GetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok) return shader;
  char log[1024] = {};
  gl.GetShaderInfoLog(shader, sizeof log, nullptr, log);
  engine_SetError((std::string("Shader compile error: ") + log).c_str());
  gl.DeleteShader(shader);
  return 0;
}

bool BuildProgram() {
  unsigned vs = CompileShader(GL_VERTEX_SHADER, kVertexShader);
  unsigned fs = vs ? CompileShader(GL_FRAGMENT_SHADER, kFragmentShader) : 0;
  if (!fs) {
    if (vs) gl.DeleteShader(vs);
    return false;
  }
  unsigned program = gl.CreateProgram();
  gl.AttachShader(program, vs);
  gl.AttachShader(program, fs);
  gl.LinkProgram(program);
  gl.DeleteShader(vs);  // stays alive while attached
  gl.DeleteShader(fs);
  GLint ok = 0;
  gl.GetProgramiv(program, GL_LINK_STATUS, &ok);
  if (!ok) {
    char log[1024] = {};
    gl.GetProgramInfoLog(program, sizeof log, nullptr, log);
    engine_SetError((std::string("Shader link error: ") + log).c_str());
    gl.DeleteProgram(program);
    return false;
  }
  renderer.program = program;
  renderer.screenUniform = gl.GetUniformLocation(program, "uScreen");
  gl.UseProgram(program);
  gl.Uniform1i(gl.GetUniformLocation(program, "uTex"), 0);
  return true;
}

void BuildBuffers() {
  gl.GenVertexArrays(1, &renderer.vao);
  gl.BindVertexArray(renderer.vao);
  gl.GenBuffers(1, &renderer.vbo);
  gl.BindBuffer(GL_ARRAY_BUFFER, renderer.vbo);
  const auto stride = static_cast<GLsizei>(sizeof(Vertex));
  gl.EnableVertexAttribArray(0);
  gl.VertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, stride,
                         reinterpret_cast<void*>(offsetof(Vertex, x)));
  gl.EnableVertexAttribArray(1);
  gl.VertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride,
                         reinterpret_cast<void*>(offsetof(Vertex, u)));
  gl.EnableVertexAttribArray(2);
  gl.VertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                         reinterpret_cast<void*>(offsetof(Vertex, rgba)));
}

void BuildWhiteTexture() {
  const uint8_t white[4] = {255, 255, 255, 255};
  gl.GenTextures(1, &renderer.white);
  gl.BindTexture(GL_TEXTURE_2D, renderer.white);
  gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
  gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
}

// The largest rectangle of the screen's aspect ratio, centred in the window.
Viewport Letterbox(int windowW, int windowH, int screenW, int screenH) {
  float scale = std::min(float(windowW) / float(screenW), float(windowH) / float(screenH));
  Viewport v;
  v.w = std::max(0, int(std::lround(float(screenW) * scale)));
  v.h = std::max(0, int(std::lround(float(screenH) * scale)));
  v.x = (windowW - v.w) / 2;
  v.y = (windowH - v.h) / 2;
  return v;
}

void SetBatchState(unsigned texture, bool blend) {
  if (texture == renderer.batchTexture && blend == renderer.batchBlend) return;
  render_Flush();
  renderer.batchTexture = texture;
  renderer.batchBlend = blend;
}

// Selects the texture and blend state of what follows; false when it cannot be drawn. An
// opaque texture at full alpha covers what lies below exactly as blending would, so it is
// drawn without: the driver need not read the pixels it overwrites.
bool PrepareDraw(Texture* texture, uint32_t fx, uint8_t alpha) {
  if (!renderer.ready) return false;
  unsigned name = texture ? texture_GlName(texture) : renderer.white;
  if (name == 0) return false;
  const bool covers = alpha == 255 && (texture ? texture_IsOpaque(texture) : true);
  SetBatchState(name, (fx & FX_BLEND) != 0 && !covers);
  return true;
}

CameraTransform CurrentCamera() {
  CameraTransform t;
  const Camera2D* cam = renderer.camera;
  if (!cam) return t;
  t.dx = -cam->X;
  t.dy = -cam->Y;
  if (cam->Angle == 0 && cam->Zoom == 1) return t;
  t.turned = true;
  t.cx = float(renderer.screenW) / 2;
  t.cy = float(renderer.screenH) / 2;
  float rad = cam->Angle * kRadPerDegree;
  float c = std::cos(rad) * cam->Zoom, s = std::sin(rad) * cam->Zoom;
  t.m00 = c;
  t.m01 = -s;
  t.m10 = s;
  t.m11 = c;
  return t;
}

void PackColor(uint32_t rgb, uint8_t alpha, uint8_t (&out)[4]) {
  out[0] = uint8_t(rgb >> 16);
  out[1] = uint8_t(rgb >> 8);
  out[2] = uint8_t(rgb);
  out[3] = alpha;
}

void AddVertex(const CameraTransform& cam, Point2D p, Point2D uv, const uint8_t (&rgba)[4]) {
  Point2D s = cam.Apply(p);
  renderer.vertices.push_back({s.X, s.Y, uv.X, uv.Y, {rgba[0], rgba[1], rgba[2], rgba[3]}});
}

// The texture rectangle u0..u1, vTop..vBottom (v = 1 at the image's top row) drawn over
// (x, y, w, h) turned by angle degrees (clockwise on the y-down screen) about its centre.
struct SpriteUv {
  float u0, vTop, u1, vBottom;
};

void DrawSprite(Texture* texture, const Rect2D& box, float angle, SpriteUv uv, uint8_t alpha,
                uint32_t fx) {
  if (fx & FX2D_FLIPX) std::swap(uv.u0, uv.u1);
  if (fx & FX2D_FLIPY) std::swap(uv.vTop, uv.vBottom);
  float hw = box.W / 2, hh = box.H / 2;
  float cx = box.X + hw, cy = box.Y + hh;
  const Point2D offsets[4] = {{-hw, -hh}, {hw, -hh}, {hw, hh}, {-hw, hh}};
  float c = 1, s = 0;
  if (angle != 0) {
    float rad = angle * kRadPerDegree;
    c = std::cos(rad);
    s = std::sin(rad);
  }
  Point2D corners[4];
  for (int i = 0; i < 4; ++i) {
    const Point2D& o = offsets[i];
    corners[i] = {cx + o.X * c - o.Y * s, cy + o.X * s + o.Y * c};
  }
  const Point2D uvs[4] = {
      {uv.u0, uv.vTop}, {uv.u1, uv.vTop}, {uv.u1, uv.vBottom}, {uv.u0, uv.vBottom}};
  render_AddQuad(texture, corners, uvs, uint32_t(alpha) << 24 | 0xFFFFFF, fx);
}

// The pixel rectangle of a texture in texture coordinates.
SpriteUv CutUv(const Texture& t, const Rect2D& cut) {
  float kx = t.Width > 0 ? t.U / float(t.Width) : 0;
  float ky = t.Height > 0 ? t.V / float(t.Height) : 0;
  return {cut.X * kx, t.V - cut.Y * ky, (cut.X + cut.W) * kx, t.V - (cut.Y + cut.H) * ky};
}

// ---------------------------------------------------------------------------------------
// Render target surfaces

void ReleaseTarget(RenderTarget& target) {
  if (renderer.ready && target.framebuffer != 0) {
    render_Flush();  // the batch may still draw with the surface
    gl.DeleteFramebuffers(1, &target.framebuffer);
    gl.DeleteTextures(1, &target.Surface.Id);
  }
  target.framebuffer = 0;
  target.Surface.Id = 0;
}

// An RGBA texture of w x h pixels sampled nearest (drawn at its own size it copies
// exactly), with a framebuffer that draws into it.
bool MakeSurface(RenderTarget& target, int w, int h) {
  render_Flush();
  GLint bound = 0;
  gl.GetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
  Texture& t = target.Surface;
  gl.GenTextures(1, &t.Id);
  gl.BindTexture(GL_TEXTURE_2D, t.Id);
  gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  gl.GenFramebuffers(1, &target.framebuffer);
  gl.BindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
  gl.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, t.Id, 0);
  const bool complete = gl.CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  gl.BindFramebuffer(GL_FRAMEBUFFER, unsigned(bound));
  t.Width = w;
  t.Height = h;
  if (!complete) ReleaseTarget(target);
  return complete;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Context and frames

bool render_Init() {
  if (renderer.ready) return true;
  if (!LoadGl() || !BuildProgram()) {
    gl = GlApi{};
    return false;
  }
  BuildBuffers();
  BuildWhiteTexture();
  gl.BlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  if (renderer.discard) gl.Enable(GL_RASTERIZER_DISCARD);
  renderer.framebuffers = LoadFramebufferGl();
  renderer.ready = true;
  renderer.batchTexture = 0;
  texture_UploadAll();
  return true;
}

void render_Shutdown() {
  if (!renderer.ready) return;
  renderer.vertices.clear();
  renderer.target = nullptr;
  for (RenderTarget* target : renderer.targets)
    ReleaseTarget(*target);
  texture_ReleaseAll();
  gl.DeleteTextures(1, &renderer.white);
  gl.DeleteBuffers(1, &renderer.vbo);
  gl.DeleteVertexArrays(1, &renderer.vao);
  gl.DeleteProgram(renderer.program);
  renderer.white = renderer.vbo = renderer.vao = renderer.program = 0;
  renderer.ready = false;
  gl = GlApi{};
}

bool render_HasContext() {
  return renderer.ready;
}

void render_SetScreenSize(int width, int height) {
  if (width <= 0 || height <= 0) return;
  renderer.screenW = width;
  renderer.screenH = height;
}

void render_BeginFrame(int windowW, int windowH) {
  renderer.vertices.clear();
  renderer.camera = nullptr;  // every frame starts in screen coordinates
  if (!renderer.ready) return;
  rtarget_Set(nullptr);
  renderer.viewport =
      Letterbox(std::max(windowW, 0), std::max(windowH, 0), renderer.screenW, renderer.screenH);
  gl.Viewport(0, 0, windowW, windowH);
  gl.ClearColor(0, 0, 0, 1);
  gl.Clear(GL_COLOR_BUFFER_BIT);
  const Viewport& v = renderer.viewport;
  gl.Viewport(v.x, v.y, v.w, v.h);
  gl.UseProgram(renderer.program);
  gl.BindVertexArray(renderer.vao);
  gl.BindBuffer(GL_ARRAY_BUFFER, renderer.vbo);
  gl.ActiveTexture(GL_TEXTURE0);
  gl.Uniform2f(renderer.screenUniform, float(renderer.screenW), float(renderer.screenH));
}

void render_EndFrame() {
  render_Flush();
  rtarget_Set(nullptr);  // the frame is shown from the window's own buffer
}

void render_Flush() {
  if (renderer.vertices.empty()) return;
  if (renderer.ready) {
    gl.BindTexture(GL_TEXTURE_2D, renderer.batchTexture);
    if (renderer.batchBlend) {
      gl.Enable(GL_BLEND);
    } else {
      gl.Disable(GL_BLEND);
    }
    // A fresh store each time lets the driver hand out new memory instead of waiting
    // for the previous draw to finish with the old one.
    gl.BufferData(GL_ARRAY_BUFFER, GLsizeiptr(renderer.vertices.size() * sizeof(Vertex)),
                  renderer.vertices.data(), GL_STREAM_DRAW);
    gl.DrawArrays(GL_TRIANGLES, 0, GLsizei(renderer.vertices.size()));
  }
  renderer.vertices.clear();
}

bool render_ReadPixels(int& width, int& height, std::vector<uint8_t>& rgba) {
  const Viewport v = renderer.viewport;
  if (!renderer.ready || v.w <= 0 || v.h <= 0) return false;
  render_Flush();
  std::vector<uint8_t> raw(size_t(v.w) * size_t(v.h) * 4);
  gl.PixelStorei(GL_PACK_ALIGNMENT, 1);
  gl.ReadPixels(v.x, v.y, v.w, v.h, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
  width = renderer.screenW;
  height = renderer.screenH;
  rgba.resize(size_t(width) * size_t(height) * 4);
  // GL rows run bottom to top; the viewport may be larger than the logical screen.
  for (int y = 0; y < height; ++y) {
    int row = v.h - 1 - int(int64_t(y) * v.h / height);
    for (int x = 0; x < width; ++x) {
      int col = int(int64_t(x) * v.w / width);
      const uint8_t* src = &raw[(size_t(row) * size_t(v.w) + size_t(col)) * 4];
      uint8_t* dst = &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4];
      dst[0] = src[0];
      dst[1] = src[1];
      dst[2] = src[2];
      dst[3] = 255;
    }
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// Batches and camera

void batch2d_Begin() {}

void batch2d_End() {
  render_Flush();
}

void cam2d_Init(Camera2D& camera) {
  camera = Camera2D{};
}

// The camera is read again at every draw, so moving it needs no new cam2d_Set.
void cam2d_Set(const Camera2D* camera) {
  renderer.camera = camera;
}

// ---------------------------------------------------------------------------------------
// Drawing

void render_AddQuad(Texture* texture, const Point2D (&corners)[4], const Point2D (&uv)[4],
                    uint32_t argb, uint32_t fx) {
  if (!PrepareDraw(texture, fx, uint8_t(argb >> 24))) return;
  CameraTransform cam = CurrentCamera();
  uint8_t rgba[4];
  PackColor(argb, uint8_t(argb >> 24), rgba);
  for (int i : {0, 1, 2, 0, 2, 3})
    AddVertex(cam, corners[i], uv[i], rgba);
}

void ssprite2d_Draw(Texture* texture, float x, float y, float w, float h, float angle,
                    uint8_t alpha, uint32_t fx) {
  if (!texture) return;
  DrawSprite(texture, {x, y, w, h}, angle, {0, texture->V, texture->U, 0}, alpha, fx);
}

void asprite2d_Draw(Texture* texture, float x, float y, float w, float h, float angle, int frame,
                    uint8_t alpha, uint32_t fx) {
  if (!texture) return;
  int columns = std::max(texture->FramesX, 1);
  int count = columns * std::max(texture->FramesY, 1);
  int k = ((frame - 1) % count + count) % count;  // frames past the last wrap around
  float cellW = 0, cellH = 0;
  texture_CellSize(*texture, cellW, cellH);
  Rect2D cut{float(k % columns) * cellW, float(k / columns) * cellH, cellW, cellH};
  DrawSprite(texture, {x, y, w, h}, angle, CutUv(*texture, cut), alpha, fx);
}

void csprite2d_Draw(Texture* texture, float x, float y, float w, float h, float angle,
                    const Rect2D& cut, uint8_t alpha, uint32_t fx) {
  if (!texture) return;
  DrawSprite(texture, {x, y, w, h}, angle, CutUv(*texture, cut), alpha, fx);
}

void pr2d_TriList(Texture* texture, const Point2D* points, const Point2D* texCoords, int iLo,
                  int iHi, uint32_t color, uint8_t alpha, uint32_t fx) {
  if (!points || iLo < 0 || iHi < iLo) return;
  if (!PrepareDraw(texture, fx, alpha)) return;
  int count = (iHi - iLo + 1) / 3 * 3;  // whole triangles only
  CameraTransform cam = CurrentCamera();
  uint8_t rgba[4];
  PackColor(color, alpha, rgba);
  for (int i = iLo; i < iLo + count; ++i) {
    AddVertex(cam, points[i], texCoords ? texCoords[i] : Point2D{}, rgba);
  }
}

// ---------------------------------------------------------------------------------------
// Render targets

RenderTarget* rtarget_Add() {
  const Viewport& v = renderer.viewport;
  if (!renderer.ready || !renderer.framebuffers || v.w <= 0 || v.h <= 0) return nullptr;
  auto target = std::make_unique<RenderTarget>();
  if (!MakeSurface(*target, v.w, v.h)) {
    renderer.framebuffers = false;  // nor would the next one be complete
    return nullptr;
  }
  renderer.targets.push_back(target.get());
  return target.release();
}

Texture* rtarget_GetSurface(RenderTarget* target) {
  return target ? &target->Surface : nullptr;
}

bool rtarget_Fits(const RenderTarget* target) {
  const Viewport& v = renderer.viewport;
  return target && renderer.ready && target->framebuffer != 0 && target->Surface.Width == v.w &&
         target->Surface.Height == v.h;
}

// A target whose surface is gone is never drawn into: what follows goes to the screen.
void rtarget_Set(RenderTarget* target) {
  if (!renderer.ready || !renderer.framebuffers || target == renderer.target) return;
  if (target && target->framebuffer == 0) target = nullptr;
  render_Flush();
  if (!renderer.target) gl.GetIntegerv(GL_FRAMEBUFFER_BINDING, &renderer.screenFramebuffer);
  renderer.target = target;
  if (!target) {
    gl.BindFramebuffer(GL_FRAMEBUFFER, unsigned(renderer.screenFramebuffer));
    const Viewport& v = renderer.viewport;
    gl.Viewport(v.x, v.y, v.w, v.h);
    return;
  }
  gl.BindFramebuffer(GL_FRAMEBUFFER, target->framebuffer);
  gl.Viewport(0, 0, target->Surface.Width, target->Surface.Height);
  gl.ClearColor(0, 0, 0, 1);
  gl.Clear(GL_COLOR_BUFFER_BIT);
}

void rtarget_Del(RenderTarget*& target) {
  if (!target) return;
  if (renderer.target == target) rtarget_Set(nullptr);
  ReleaseTarget(*target);
  std::erase(renderer.targets, target);
  delete target;
  target = nullptr;
}

// ---------------------------------------------------------------------------------------
// Benchmarks

void scr_SetDiscard(bool discard) {
  renderer.discard = discard;
  if (!renderer.ready) return;
  render_Flush();
  if (discard) {
    gl.Enable(GL_RASTERIZER_DISCARD);
  } else {
    gl.Disable(GL_RASTERIZER_DISCARD);
  }
}

void scr_Flush() {
  render_Flush();
  if (renderer.ready) gl.Finish();
}
