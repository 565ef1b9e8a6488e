#include "shell/startup.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>

#include "data/file_io.h"
#include "platform/engine.h"
#include "platform/physics.h"
#include "shell/game_random.h"
#include "shell/headless.h"
#include "shell/settings.h"

Camera2D Camera;

namespace {

int exitStatus = 0;

// Engine options the game has always passed; this engine keeps them without effect.
constexpr uint32_t kOptionDisabled = 512;
constexpr uint32_t kOptionEnabled = 32768;

void Fail(const std::string& text) {
  sys_ShowError("Error", text);
  exitStatus = 1;
}

// Paths given on the command line are relative to where the program was started, not to
// the --dir folder.
std::string Absolute(const std::string& path) {
  return path.empty() ? path : std::filesystem::absolute(path).string();
}

bool ReadKeyScript(const std::string& file, std::vector<KeyEvent>& events) {
  std::string error;
  try {
    if (ParseKeyScript(ReadWholeFile(file), events, error)) return true;
    Fail("Key script " + file + ": " + error);
  } catch (const FileError& e) {
    Fail(e.what());
  }
  return false;
}

bool EnterFolder(const std::string& dir) {
  if (dir.empty() || chdir(dir.c_str()) == 0) return true;
  Fail("Cannot enter folder \"" + dir + "\": " + std::strerror(errno));
  return false;
}

// The engine writes the screenshot of the last frame; a run whose outputs are missing
// has failed.
void FinishHeadless(const std::string& screenshot, const std::string& dumpState) {
  std::error_code ec;
  if (!screenshot.empty() && !std::filesystem::exists(screenshot, ec)) {
    Fail("Cannot write the screenshot \"" + screenshot + "\": " + zgl_GetError());
  }
  if (dumpState.empty()) return;
  try {
    WriteFileAtomic(dumpState, StateDumpJson());
  } catch (const FileError& e) {
    Fail(e.what());
  }
}

void RegisterCallbacks() {
  zgl_Reg(SYS_LOAD, OnLoad);
  zgl_Reg(SYS_DRAW, OnDraw);
  zgl_Reg(SYS_EXIT, OnExit);
  timer_Add(OnTimer, 1);
}

}  // namespace

void OnLoad() {
  SeedGameRandom(zgl_IsHeadless() ? 0 : static_cast<uint32_t>(std::time(nullptr)));
  if (!phys::cpInitChipmunk()) {
    Fail("Error while loading Chipmunk\n" + phys::cpGetError());
    zgl_Exit();
    return;
  }
  cam2d_Init(Camera);
}

void OnDraw() {}

void OnTimer() {
  // Alt + Enter switches full screen for this run only; it is never written to the
  // settings file.
  if (key_Down(K_ALT) && key_Press(K_ENTER)) {
    Settings.FullScreen = !Settings.FullScreen;
    scr_SetOptions(ScreenWidth, ScreenHeight, 0, Settings.FullScreen, Settings.VSync);
  }
  // A key press is seen in exactly one tick.
  mouse_ClearState();
  key_ClearState();
}

void OnExit() {}

int RunProgram(const ProgramOptions& options) {
  exitStatus = 0;
  std::vector<KeyEvent> events;
  std::error_code ignored;
  std::string screenshot = Absolute(options.screenshot);
  std::string dumpState = Absolute(options.dumpState);
  if (options.headless) {
    zgl_SetHeadless({options.ticks, screenshot, nullptr});
    if (!options.keysFile.empty() && !ReadKeyScript(options.keysFile, events)) return 1;
  }
  if (!screenshot.empty()) std::filesystem::remove(screenshot, ignored);
  if (!EnterFolder(options.dir)) return 1;
  InitBaseDir();
  try {
    LoadSettings();
  } catch (const FileError& e) {
    Fail(e.what());
    return 1;
  }
  if (options.fullScreen >= 0) Settings.FullScreen = options.fullScreen == 1;
  if (options.headless) {
    auto player = std::make_shared<KeyScriptPlayer>(std::move(events));
    zgl_SetHeadless({options.ticks, screenshot, [player](uint64_t t) { player->BeforeTick(t); }});
  }
  RegisterCallbacks();
  wnd_SetCaption("Tovi2");
  zgl_Disable(kOptionDisabled);
  zgl_Enable(kOptionEnabled);
  // A headless run always draws into an 800 x 600 offscreen window.
  bool fullScreen = Settings.FullScreen && !options.headless;
  scr_SetOptions(ScreenWidth, ScreenHeight, 0, fullScreen, Settings.VSync);
  if (!zgl_Init(0, 0)) {
    Fail("Error while loading ZenGL\n" + zgl_GetError());
    return exitStatus;
  }
  if (options.headless && exitStatus == 0) FinishHeadless(screenshot, dumpState);
  return exitStatus;
}
