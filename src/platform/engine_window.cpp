// The window, its GL 3.3 core context and the frame loop: events, the millisecond timer,
// drawing. Headless runs take the same loop on SDL's offscreen driver with a virtual clock.

#include <SDL.h>
#include <SDL_image.h>
#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/engine.h"
#include "platform/engine_gl.h"
#include "platform/engine_internal.h"
#include "platform/engine_keys.h"

namespace {

// Timer calls a frame may run at most; the rest of a long stall is dropped.
constexpr uint64_t kMaxTicksPerFrame = 250;
constexpr int kDefaultRefreshHz = 60;
constexpr uint64_t kHeadlessFramesPerSecond = 60;

struct ScreenOptions {
  int width = 800, height = 600, refresh = 0;
  bool fullScreen = false, vsync = false;
};

struct Engine {
  void (*onLoad)() = nullptr;
  void (*onDraw)() = nullptr;
  void (*onExit)() = nullptr;
  void (*onTimer)() = nullptr;
  uint32_t timerIntervalMs = 1;
  std::string caption;
  uint32_t options = 0;  // zgl_Enable/zgl_Disable flags; nothing here depends on them
  ScreenOptions screen;
  std::string error;
  bool headless = false;
  HeadlessRun run;
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  bool vsyncActive = false;
  bool exitRequested = false;
  uint64_t tickCount = 0;
};
Engine engine;

bool failWith(const char* what) {
  engine.error = std::string(what) + SDL_GetError();
  return false;
}

uint64_t countsToMs(uint64_t counts) {
  const uint64_t frequency = SDL_GetPerformanceFrequency();
  return counts / frequency * 1000 + counts % frequency * 1000 / frequency;
}

// Game time in milliseconds since the loop began, read once per frame: real time, or in
// headless runs exactly 60 frames a second, so frame f ends at floor((f + 1) * 1000 / 60).
class GameClock {
 public:
  explicit GameClock(bool virtualTime)
      : virtual_(virtualTime), start_(SDL_GetPerformanceCounter()) {}

  uint64_t NextFrame() {
    ++frames_;
    if (virtual_) return frames_ * 1000 / kHeadlessFramesPerSecond;
    return countsToMs(SDL_GetPerformanceCounter() - start_);
  }

 private:
  bool virtual_;
  uint64_t start_;
  uint64_t frames_ = 0;
};

int refreshHz() {
  if (engine.screen.refresh > 0) return engine.screen.refresh;
  SDL_DisplayMode mode;
  const int display = SDL_GetWindowDisplayIndex(engine.window);
  if (display >= 0 && SDL_GetDesktopDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0) {
    return mode.refresh_rate;
  }
  return kDefaultRefreshHz;
}

// Keeps the loop from spinning. Without vsync a frame is due once per display refresh.
// With vsync the swap itself waits; the pacer then only guards against drivers whose swap
// returns at once, at twice the refresh rate so that it never costs a retrace.
class FramePacer {
 public:
  void Wait() {
    const uint64_t frequency = SDL_GetPerformanceFrequency();
    const int hz = engine.vsyncActive ? 2 * refreshHz() : refreshHz();
    next_ += frequency / hz;
    const uint64_t now = SDL_GetPerformanceCounter();
    if (next_ <= now) {
      next_ = now;  // behind: start afresh instead of rushing frames to catch up
      return;
    }
    SDL_Delay(uint32_t(countsToMs(next_ - now)));
  }

 private:
  uint64_t next_ = SDL_GetPerformanceCounter();
};

bool wantsFullScreen() {
  return engine.screen.fullScreen && !engine.headless;
}

void applySwapInterval() {
  const bool vsync = engine.screen.vsync && !engine.headless;
  engine.vsyncActive = SDL_GL_SetSwapInterval(vsync ? 1 : 0) == 0 && vsync;
}

// Windowed mode keeps a size the player dragged unless the size option itself changed.
void applyWindowMode(const ScreenOptions& previous) {
  if (wantsFullScreen()) {
    SDL_SetWindowFullscreen(engine.window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    return;
  }
  const bool wasFullScreen = SDL_GetWindowFlags(engine.window) & SDL_WINDOW_FULLSCREEN;
  if (wasFullScreen) SDL_SetWindowFullscreen(engine.window, 0);
  if (wasFullScreen || engine.screen.width != previous.width ||
      engine.screen.height != previous.height) {
    SDL_SetWindowSize(engine.window, engine.screen.width, engine.screen.height);
    SDL_SetWindowPosition(engine.window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  }
}

void setGlAttributes(int fsaa, int stencil) {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, stencil);
  if (fsaa > 0) {
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, fsaa);
  }
}

uint32_t windowFlags() {
  uint32_t flags = SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
  if (engine.headless) flags |= SDL_WINDOW_HIDDEN;
  if (wantsFullScreen()) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  return flags;
}

// SDL unloads the GL driver at SDL_Quit, and Mesa's drivers do not free everything they
// allocated when they are unloaded (a leak checker then reports it against code that is
// gone). So every library loaded by the time the context exists (EGL or GLX, the DRI
// driver, LLVM) stays loaded for the life of the process; a later zgl_Init, as in tests,
// then also skips loading the driver again.
int collectModule(dl_phdr_info* info, size_t, void* names) {
  if (info->dlpi_name && *info->dlpi_name) {
    static_cast<std::vector<std::string>*>(names)->push_back(info->dlpi_name);
  }
  return 0;
}

void keepGlDriverLoaded() {
  std::vector<std::string> names;
  dl_iterate_phdr(collectModule, &names);
  for (const std::string& name : names)
    dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
}

bool openWindow(int fsaa, int stencil) {
  if (engine.headless) {
    // The offscreen driver renders through EGL without any display server.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
  }
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return failWith("Cannot start the video system: ");
  setGlAttributes(fsaa, stencil);
  engine.window =
      SDL_CreateWindow(engine.caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                       engine.screen.width, engine.screen.height, windowFlags());
  if (!engine.window) return failWith("Cannot open the window: ");
  engine.context = SDL_GL_CreateContext(engine.window);
  if (!engine.context) return failWith("Cannot create an OpenGL 3.3 core context: ");
  keepGlDriverLoaded();
  applySwapInterval();
  return true;
}

void closeWindow() {
  if (engine.context) SDL_GL_DeleteContext(engine.context);
  if (engine.window) SDL_DestroyWindow(engine.window);
  engine.context = nullptr;
  engine.window = nullptr;
  SDL_Quit();
}

void handleEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT:
      zgl_Exit();
      break;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) zgl_Exit();
      break;
    case SDL_KEYDOWN: {
      const uint8_t code = key_FromUsbScancode(event.key.keysym.scancode);
      if (event.key.repeat) {
        key_InjectRepeat(code);
      } else {
        key_InjectDown(code);
      }
      break;
    }
    case SDL_KEYUP:
      key_InjectUp(key_FromUsbScancode(event.key.keysym.scancode));
      break;
    case SDL_TEXTINPUT:
      key_InjectText(engine_Utf8ToLatin1(event.text.text));
      break;
    default:
      break;
  }
}

void pollEvents() {
  SDL_Event event;
  while (SDL_PollEvent(&event))
    handleEvent(event);
}

bool tickAllowed() {
  if (engine.exitRequested) return false;
  return !engine.headless || engine.tickCount < engine.run.ticks;
}

void runTick() {
  if (engine.headless && engine.run.beforeTick) engine.run.beforeTick(engine.tickCount);
  if (engine.onTimer) engine.onTimer();
  ++engine.tickCount;
}

// `intervalsDone` counts the timer intervals already accounted for since the loop began.
void runOwedTicks(uint64_t elapsedMs, uint64_t& intervalsDone) {
  const uint64_t due = elapsedMs / engine.timerIntervalMs;
  uint64_t owed = std::min(due - intervalsDone, kMaxTicksPerFrame);
  intervalsDone = due;
  for (; owed > 0 && tickAllowed(); --owed)
    runTick();
}

void saveScreenshot(const std::string& fileName) {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
  if (render_ReadPixels(width, height, rgba) && img_SavePng(fileName, width, height, rgba)) {
    return;
  }
  engine.error = "Cannot write the screenshot \"" + fileName + "\"";
  sys_ShowError(engine.caption, engine.error);
}

// The last frame of a headless run is drawn once its ticks have run or the game has asked
// to stop; it is the one the screenshot shows.
void endHeadlessFrame() {
  if (!engine.exitRequested && engine.tickCount < engine.run.ticks) return;
  engine.exitRequested = true;
  if (!engine.run.screenshotPng.empty()) saveScreenshot(engine.run.screenshotPng);
}

// A window's swap hands the frame to the driver, and Mesa's software drivers finish
// drawing it before they show it. On the offscreen driver's EGL pbuffer the swap does
// nothing at all, and llvmpipe with rasteriser threads then holds on to everything every
// frame drew: 15 to 30 MB more per second of game time, without end. So a headless frame
// is finished here. Not merely flushed: nothing else paces a headless loop, and after a
// flush alone the driver keeps frames in flight (40 MB more, for no gain in speed).
void presentFrame() {
  if (engine.headless) gl.Finish();
  SDL_GL_SwapWindow(engine.window);
}

void drawFrame() {
  int width = 0, height = 0;
  SDL_GL_GetDrawableSize(engine.window, &width, &height);
  render_BeginFrame(width, height);
  if (engine.onDraw) engine.onDraw();
  render_EndFrame();
  if (engine.headless) endHeadlessFrame();
  presentFrame();
}

void runLoop() {
  GameClock clock(engine.headless);
  FramePacer pacer;
  uint64_t intervalsDone = 0;
  while (!engine.exitRequested) {
    pollEvents();
    runOwedTicks(clock.NextFrame(), intervalsDone);
    drawFrame();
    if (!engine.headless) pacer.Wait();
  }
}

bool nonEmpty(const char* text) {
  return text && *text;
}

// A message box must never wait for a click that nobody can give.
bool canShowMessageBox() {
  if (engine.headless) return false;
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  if (driver && (!std::strcmp(driver, "offscreen") || !std::strcmp(driver, "dummy"))) {
    return false;
  }
  return nonEmpty(std::getenv("DISPLAY")) || nonEmpty(std::getenv("WAYLAND_DISPLAY"));
}

}  // namespace

void zgl_Reg(int kind, void (*proc)()) {
  switch (kind) {
    case SYS_LOAD:
      engine.onLoad = proc;
      break;
    case SYS_DRAW:
      engine.onDraw = proc;
      break;
    case SYS_EXIT:
      engine.onExit = proc;
      break;
    default:
      break;
  }
}

// One timer: the game has a single tick procedure. A later call replaces it.
void timer_Add(void (*proc)(), uint32_t intervalMs) {
  engine.onTimer = proc;
  engine.timerIntervalMs = std::max<uint32_t>(intervalMs, 1);
}

void wnd_SetCaption(const std::string& caption) {
  engine.caption = caption;
  if (engine.window) SDL_SetWindowTitle(engine.window, caption.c_str());
}

void zgl_Enable(uint32_t what) {
  engine.options |= what;
}

void zgl_Disable(uint32_t what) {
  engine.options &= ~what;
}

void scr_SetOptions(int width, int height, int refresh, bool fullScreen, bool vsync) {
  const ScreenOptions previous = engine.screen;
  engine.screen = {width, height, refresh, fullScreen, vsync};
  render_SetScreenSize(width, height);
  if (!engine.window) return;
  applyWindowMode(previous);
  applySwapInterval();
}

bool zgl_Init(int fsaa, int stencil) {
  if (engine.window) {
    engine.error = "The engine loop is already running";
    return false;
  }
  engine.error.clear();
  engine.exitRequested = false;
  engine.tickCount = 0;
  if (!openWindow(fsaa, stencil) || !render_Init()) {
    closeWindow();
    return false;
  }
  key_SyncTextInput();
  if (engine.onLoad) engine.onLoad();
  runLoop();
  if (engine.onExit) engine.onExit();
  render_Shutdown();
  closeWindow();
  return true;
}

void zgl_Exit() {
  engine.exitRequested = true;
}

std::string zgl_GetError() {
  return engine.error;
}

void engine_SetError(const char* text) {
  engine.error = text ? text : "";
}

void sys_ShowError(const std::string& caption, const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  if (canShowMessageBox()) {
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(), engine.window);
  }
}

void zgl_SetHeadless(HeadlessRun run) {
  engine.headless = true;
  engine.run = std::move(run);
}

bool zgl_IsHeadless() {
  return engine.headless;
}

uint64_t zgl_TickCount() {
  return engine.tickCount;
}

bool img_SavePng(const std::string& fileName, int w, int h, const std::vector<uint8_t>& rgba) {
  if (w <= 0 || h <= 0 || w > INT_MAX / 4 || rgba.size() != size_t(w) * size_t(h) * 4) {
    return false;
  }
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(rgba.data()), w, h,
                                                            32, w * 4, SDL_PIXELFORMAT_RGBA32);
  if (!surface) return false;
  const bool saved = IMG_SavePNG(surface, fileName.c_str()) == 0;
  SDL_FreeSurface(surface);
  return saved;
}
