#include "shell/startup.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <random>

#include "data/file_io.h"
#include "gui/menu_world.h"
#include "gui/message_list.h"
#include "platform/engine.h"
#include "platform/physics.h"
#include "shell/game_random.h"
#include "shell/game_script.h"
#include "shell/game_states.h"
#include "shell/headless.h"
#include "shell/level_run.h"
#include "shell/resources.h"
#include "shell/settings.h"
#include "world/level_file.h"
#include "world/world_messages.h"

namespace {

int exitStatus = 0;
std::string dumpStatePath;  // headless: where OnExit writes the state dump

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

// The state is dumped when the loop has ended, before the game frees what it describes.
void WriteStateDump() {
  if (dumpStatePath.empty() || exitStatus != 0) return;
  try {
    WriteFileAtomic(dumpStatePath, StateDumpJson());
  } catch (const FileError& e) {
    Fail(e.what());
  }
}

// The engine writes the screenshot of the last frame; a run whose outputs are missing
// has failed.
void CheckScreenshot(const std::string& screenshot) {
  std::error_code ec;
  if (!screenshot.empty() && !std::filesystem::exists(screenshot, ec)) {
    Fail("Cannot write the screenshot \"" + screenshot + "\": " + zgl_GetError());
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
  LoadResources(BaseDir);
  cam2d_Init(Camera);
  CurrentLevel = std::make_unique<TLevel>();
  LevelTemplate = std::make_unique<TLevel>();
  CreateMenuWorld(std::uniform_int_distribution<int>(0, 359)(GameRandom()));
  SetScreen(TScreen::ChoosePlayer);
}

// Settings are never written here: the screens write them when a choice is made.
void OnExit() {
  WriteStateDump();
  FreeMenuWorld();
  Player = nullptr;
  CurrentLevel.reset();
  LevelTemplate.reset();
  FreeLevelPackage();
  FreeResources();
}

int RunProgram(const ProgramOptions& options) {
  exitStatus = 0;
  std::vector<KeyEvent> events;
  std::error_code ignored;
  std::string screenshot = Absolute(options.screenshot);
  dumpStatePath = options.headless ? Absolute(options.dumpState) : "";
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
    zgl_SetHeadless({options.ticks, screenshot, [player, hook = options.beforeTick](uint64_t t) {
                       player->BeforeTick(t);
                       if (hook) hook(t);
                     }});
  }
  SetMessageSink([](const std::string& text) { AddMessage(text); });
  InstallScriptCompiler();
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
  if (options.headless && exitStatus == 0) CheckScreenshot(screenshot);
  return exitStatus;
}
