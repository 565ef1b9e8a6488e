// A level run: starting and restarting a level, one tick of play, and the in-game
// picture. The physics world itself is built in world_build.cpp.
#include "shell/level_run.h"

#include <cmath>

#include "data/file_io.h"
#include "data/game_error.h"
#include "gui/gui_resources.h"
#include "gui/screens.h"
#include "gui/time_display.h"
#include "shell/game_script.h"
#include "shell/game_states.h"
#include "shell/replay_run.h"
#include "shell/resources.h"
#include "shell/settings.h"
#include "world/creature.h"
#include "world/level_file.h"
#include "world/top_ten.h"

std::unique_ptr<TLevel> CurrentLevel;
std::unique_ptr<TLevel> LevelTemplate;
TCreature* Player = nullptr;
int32_t TouchedObjectID = 0, TouchingCreatureID = 0;
std::string ResultMessage;
Camera2D Camera;

namespace {

// The background is two screen-sized copies side by side that scroll at half the speed
// of the camera, so the pair repeats every 1600 camera units.
constexpr float kBackgroundWidth = ScreenWidth;
constexpr float kBackgroundHeight = ScreenHeight;
constexpr float kBackgroundPeriod = 2 * kBackgroundWidth;
constexpr float kTimeX = 650, kBestTimeX = 28, kTimeY = 25;

// A level file that cannot be read at all leaves the player where he is, with the reason
// on "Some Error". A package that failed halfway is closed again.
bool LoadLevelFile(TLevel& level, const std::string& name) {
  bool plain = IsLevelFileName(name);
  try {
    if (plain) {
      LoadLevel(level, LevelPath(name));
    } else {
      LoadLevelPackage(level, LevelPath(name));
    }
  } catch (const GameError& e) {
    ReportError(e.what());
    if (!plain) FreeLevelPackage();
    return false;
  }
  return true;
}

// The choice is written at once. A settings file that cannot be written does not keep
// the level from starting.
void RememberLevel(const std::string& name) {
  SelectedLevel = name;
  Config.SetParam("SelLevel", name);
  try {
    SaveConfig();
  } catch (const GameError& e) {
    ReportError(e.what());
  }
}

// Start positions and the physics world of CurrentLevel, which is not yet simulated.
void BuildCurrentLevel() {
  CurrentLevel->StoreHome();
  BuildWorld(*CurrentLevel);
}

// The old level goes first, and the player with it.
void DropCurrentLevel() {
  Player = nullptr;
  CurrentLevel.reset();
}

uint8_t KeyCode(int code) {
  return static_cast<uint8_t>(code);
}

// The direction already active wins while both are held; right wins when both start in
// the same tick.
void SteerPlayer(TCreature& player) {
  bool right = key_Down(KeyCode(Settings.Right)) && !player.LeftKey;
  bool left = key_Down(KeyCode(Settings.Left)) && !right;
  player.RightKey = right;
  player.LeftKey = left;
  player.JumpKey = key_Down(KeyCode(Settings.Jump));
}

// The sky is the first layer, over the black of a fresh frame: blending would change
// nothing there but cost a read of every pixel.
void DrawBackground() {
  float x = BackgroundOffset(Camera.X);
  cam2d_Set(nullptr);
  batch2d_Begin();
  ssprite2d_Draw(SkyTexture, x, 0, kBackgroundWidth, kBackgroundHeight, 0, 255, 0);
  ssprite2d_Draw(SkyTexture, x + kBackgroundWidth, 0, kBackgroundWidth, kBackgroundHeight, 0, 255,
                 0);
  batch2d_End();
}

// In the world's coordinates, over the level.
void DrawNames() {
  batch2d_Begin();
  cam2d_Set(&Camera);
  DrawReplayNames();
  cam2d_Set(nullptr);
  batch2d_End();
}

void DrawClocks() {
  cam2d_Set(nullptr);
  batch2d_Begin();
  DrawTimeDigits(GameTicks, kTimeX, kTimeY);
  if (BestTime != 0) DrawTimeDigits(BestTime, kBestTimeX, kTimeY);
  DrawMessages();
  batch2d_End();
}

}  // namespace

std::string LevelPath(const std::string& name) {
  return BaseDir + "Levels/" + name;
}

void PrepareLevel() {
  LoadSkyOnce();
  CurrentLevel->SnapToGrid();
  LevelTemplate = CurrentLevel->CreateCopy();
  BuildCurrentLevel();
}

// The loader already turned the file's view centre into the top-left corner.
void PlaceCamera() {
  Camera.X = RoundHalfEven(CurrentLevel->InitCamera.X);
  Camera.Y = RoundHalfEven(CurrentLevel->InitCamera.Y);
  Camera.Zoom = 1;
}

// On a file that cannot be read both levels are left empty: the package the old template
// drew its patterns from is gone by then.
bool StartLevel(const std::string& name) {
  if (!IsRegularFile(LevelPath(name))) return false;
  RememberLevel(name);
  StartRecording();
  DropCurrentLevel();
  CurrentLevel = std::make_unique<TLevel>();
  if (!LoadLevelFile(*CurrentLevel, name)) {
    CurrentLevel = std::make_unique<TLevel>();
    LevelTemplate = std::make_unique<TLevel>();
    return false;
  }
  PrepareLevel();
  PlaceCamera();
  CurrentScreen = TScreen::Game;
  RunStartScript(*CurrentLevel);
  return true;
}

// The camera stays where it is; the next frame centres it on the player again.
void RestartLevel() {
  StartRecording();
  DropCurrentLevel();
  CurrentLevel = LevelTemplate ? LevelTemplate->CreateCopy() : std::make_unique<TLevel>();
  BuildCurrentLevel();
  CurrentScreen = TScreen::Game;
  RunStartScript(*CurrentLevel);
}

void GameTick() {
  NewScriptTick();
  if (key_Press(K_ESCAPE)) {
    ResultMessage = "You Failed to Finish!";
    SetScreen(TScreen::LevelMenu);
    mouse_ClearState();
    key_ClearState();
    return;
  }
  if (key_Press(KeyCode(Settings.Restart))) RestartLevel();
  if (Player) SteerPlayer(*Player);
  ++GameTicks;
  RunTicks = GameTicks;
  if (!CurrentLevel) return;
  TRunRecorder recorder;
  CurrentLevel->Step(Player, &recorder);
  RunUpdateScript(*CurrentLevel);
  // The periodic samples see what the update script did in this tick.
  if (CurrentLevel && IsKeyframeTick()) RecordKeyframes(*CurrentLevel);
}

void DrawGame() {
  DrawBackground();
  if (Player) {
    Camera.X = RoundHalfEven(Player->X - ScreenWidth / 2.0f);
    Camera.Y = RoundHalfEven(Player->Y - ScreenHeight / 2.0f);
  }
  if (CurrentLevel) CurrentLevel->Draw(Camera);
  if (CurrentScreen == TScreen::Replay && Settings.ShowRecNames) DrawNames();
  DrawClocks();
}

// The remainder keeps the sign of -X, as whole-number division does.
float BackgroundOffset(float cameraX) {
  float x = RoundHalfEven(cameraX);
  float offset = std::fmod(-x, kBackgroundPeriod) / 2;
  return x > 0 ? offset : offset - kBackgroundWidth;
}
