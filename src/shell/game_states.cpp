#include "shell/game_states.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <utility>

#include "data/ascii_case.h"
#include "data/file_io.h"
#include "data/game_error.h"
#include "gui/menu_world.h"
#include "platform/engine.h"
#include "replay/playback.h"
#include "replay/replay_file.h"
#include "shell/key_names.h"
#include "shell/level_run.h"
#include "shell/replay_run.h"
#include "shell/settings.h"
#include "world/level_file.h"
#include "world/pattern.h"
#include "world/top_ten.h"

namespace fs = std::filesystem;

TScreen CurrentScreen = TScreen::None, PreviousScreen = TScreen::None;
std::vector<std::string> MenuItems;
int MenuIndex = 0, MenuTop = 0;
float CursorFrame = 0;
int KeyCapture = -1;
std::string SearchText;
int SearchTimeout = 0;
std::string PlayerName, NewPlayerName;
std::string SelectedLevel, CurrentReplayName, FirstReplayName, ErrorText;

namespace {

// What a screen does with the keys that the menus share.
struct ScreenKeysInfo {
  bool typeAhead;
  bool listKeys;
};

ScreenKeysInfo KeysInfo(TScreen screen) {
  switch (screen) {
#define TOVI2_SCREEN_KEYS_INFO(id, name, typeAhead, listKeys) \
  case TScreen::id:                                           \
    return {typeAhead, listKeys};
    TOVI2_SCREENS(TOVI2_SCREEN_KEYS_INFO)
#undef TOVI2_SCREEN_KEYS_INFO
    case TScreen::None:
      break;
  }
  return {false, false};
}

// An error met in this tick, shown once the tick's own screen change is done.
std::string pendingError;
// The screen before the one that "Some Error" goes back to, so that going back opens it
// as it was opened before the error (with the same item selected).
TScreen errorReturnPrevious = TScreen::None;

constexpr int kSearchTimeout = 500;    // ticks a type-ahead text lives without a new letter
constexpr int kPlayerNameLength = 16;  // characters of the name entry
constexpr int kReplayNameLength = 32;  // characters of the "Save play" entry
constexpr int kPageStep = 10;          // items Page Up and Page Down move
constexpr float kCursorStep = 0.05f;   // the cursor runs through its 50 frames in a second
constexpr float kCursorFrames = 50;
constexpr const char* kPlayersBlock = "Players";
constexpr const char* kCreateNewPlayer = "Create New Player";
// Config.dat has no escapes and its reader drops every double quote, so a name holding one
// could never be read back.
constexpr const char* kUnstorableNameCharacters = "\"";

// The Options items: three settings, then the four keys (items 3 to 6).
enum OptionsItem {
  kFullScreenItem,
  kVSyncItem,
  kPlayerItem,
  kLeftItem,
  kRightItem,
  kJumpItem,
  kRestartItem
};

// ---------------------------------------------------------------------------------------
// Settings

// Writes Config.dat. A failure to write it must not end the game: the settings stay in
// effect for this run and the player is told on "Some Error".
void WriteConfig() {
  try {
    SaveConfig();
  } catch (const GameError& e) {
    ReportError(e.what());
  }
}

// Puts one of the nine settings into Config in the file's form ("True"/"False", or the
// key code in decimal); written with the next WriteConfig.
void StoreSetting(std::string_view key) {
  for (const SettingInfo& s : kSettingTable) {
    if (key != s.key) continue;
    if (s.isFlag) {
      Config.SetParam(key, Settings.*s.flag ? "True" : "False");
    } else {
      Config.SetParam(key, std::to_string(Settings.*s.code));
    }
  }
}

// A headless run keeps drawing into its 800 x 600 offscreen window whatever the setting.
void ApplyScreenOptions() {
  bool fullScreen = Settings.FullScreen && !zgl_IsHeadless();
  scr_SetOptions(ScreenWidth, ScreenHeight, 0, fullScreen, Settings.VSync);
}

// ---------------------------------------------------------------------------------------
// Lists

// The player list of Config. A hand-made file may hold it as an angle-bracket block; it
// is made a text block either way, or the names would not be written back.
TDatBlock& PlayersBlock() {
  TDatBlock* block = Config.FindBlock(kPlayersBlock);
  if (!block) block = Config.AddBlock(kPlayersBlock);
  block->IsText = true;
  return *block;
}

// A name is stored as a line of the player list and as the value of "SelPlayer". The file
// format has no escapes, so a name that would not read back as itself ("[/Players]"
// closes the list early) is refused.
bool SurvivesConfigFile(const std::string& name, const std::string& blockName) {
  TDat probe;
  probe.SetParam("SelPlayer", name);
  TDatBlock* list = probe.AddBlock(blockName);
  list->IsText = true;
  list->AddLine(name);
  TDat back;
  back.LoadFromText(probe.ParamsText());
  const TDatBlock* readList = back.FindBlock(blockName);
  return back.Param("SelPlayer").AsString("") == name && readList &&
         readList->Lines == std::vector<std::string>{name};
}

// Index of the last item equal to name, or 0.
int LastIndexOf(const std::string& name) {
  auto found = std::find(MenuItems.rbegin(), MenuItems.rend(), name);
  return found == MenuItems.rend() ? 0 : int(MenuItems.rend() - found) - 1;
}

// A list opens with its selection in the middle of the visible rows where it can.
void ScrollToSelection() {
  MenuTop = MenuIndex - MenuRows / 2;
  MenuTop = std::min(MenuTop, int(MenuItems.size()) - MenuRows - 1);
  MenuTop = std::max(MenuTop, 0);
}

// Case-insensitive as the platform's own comparisons are: letters fold to lower case, so
// "_" sorts before them. Names equal but for case keep the order of their bytes, so the
// list does not depend on the order the folder is read in.
bool LevelNameLess(const std::string& a, const std::string& b) {
  std::string la = LowerAscii(a), lb = LowerAscii(b);
  return la != lb ? la < lb : a < b;
}

bool IsLevelName(const std::string& name) {
  std::string extension = UpperAscii(file_GetExtension(name));
  return extension == "VLE" || extension == "ZLE";
}

bool IsReplayName(const std::string& name) {
  return UpperAscii(file_GetExtension(name)) == "CRE";
}

// The entries of a folder whose names pass the test, sorted; folders with such a name are
// listed too.
std::vector<std::string> FolderNames(const std::string& folder,
                                     bool (*wanted)(const std::string&)) {
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(BaseDir + folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (wanted(name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end(), LevelNameLess);
  return names;
}

void FillChoosePlayer() {
  const TDatBlock& players = PlayersBlock();
  MenuItems = {kCreateNewPlayer};
  MenuItems.insert(MenuItems.end(), players.Lines.begin(), players.Lines.end());
  std::string selected = Config.Param("SelPlayer").AsString("");
  auto found = std::find(MenuItems.begin() + 1, MenuItems.end(), selected);
  MenuIndex = found == MenuItems.end() ? 0 : int(found - MenuItems.begin());
  ScrollToSelection();
}

void FillSelectLevel() {
  MenuItems = FolderNames("Levels", IsLevelName);
  MenuIndex = LastIndexOf(SelectedLevel);
  ScrollToSelection();
}

void FillReplayList() {
  MenuItems = FolderNames("Rec", IsReplayName);
  MenuIndex = LastIndexOf(CurrentReplayName);
  ScrollToSelection();
}

// A fixed menu whose selection returns to the item that led to the screen just left.
void FillFixedMenu(std::vector<std::string> items,
                   std::initializer_list<std::pair<TScreen, int>> returnIndex) {
  MenuItems = std::move(items);
  MenuTop = 0;
  MenuIndex = 0;
  for (auto [previous, index] : returnIndex) {
    if (PreviousScreen == previous) MenuIndex = index;
  }
}

// ---------------------------------------------------------------------------------------
// Keys shared by the menus

void TypeAhead() {
  if (SearchTimeout > 0) --SearchTimeout;
  if (SearchTimeout == 0 && !SearchText.empty()) SearchText.clear();
  std::string name = KeyName(key_Last(0));
  if (name.size() != 1) return;
  std::string wanted = SearchText + name;
  for (size_t i = 0; i < MenuItems.size(); ++i) {
    if (!UpperAscii(MenuItems[i]).starts_with(wanted)) continue;
    MenuIndex = int(i);
    SearchText = wanted;
    SearchTimeout = kSearchTimeout;
    return;
  }
}

void ListKeys() {
  if (key_Press(K_DOWN)) MenuIndex += 1;
  if (key_Press(K_UP)) MenuIndex -= 1;
  if (key_Press(K_PAGEDOWN)) MenuIndex += kPageStep;
  if (key_Press(K_PAGEUP)) MenuIndex -= kPageStep;
  MenuIndex = std::min(MenuIndex, int(MenuItems.size()) - 1);
  MenuIndex = std::max(MenuIndex, 0);
  if (MenuTop + MenuRows < MenuIndex) MenuTop = MenuIndex - MenuRows;
  if (MenuIndex < MenuTop) MenuTop = MenuIndex;
}

bool HasSelection() {
  return MenuIndex >= 0 && MenuIndex < int(MenuItems.size());
}

// ---------------------------------------------------------------------------------------
// The screens' own keys

// Where the player screens lead once a player is chosen: back to Options when they were
// opened from there, else on to the main menu.
void LeavePlayerScreens() {
  SetScreen(PreviousScreen == TScreen::Options ? TScreen::Options : TScreen::MainMenu);
}

void ChoosePlayerKeys() {
  bool fromOptions = PreviousScreen == TScreen::Options;
  if (key_Press(K_ESCAPE)) {
    if (fromOptions) {
      SetScreen(TScreen::Options);
    } else {
      zgl_Exit();
    }
    return;
  }
  if (!key_Press(K_ENTER) || !HasSelection()) return;
  if (MenuIndex == 0) {
    NewPlayerName.clear();
    key_BeginReadText("", kPlayerNameLength, kUnstorableNameCharacters);
    SetScreen(TScreen::CreatePlayer);
    if (fromOptions) PreviousScreen = TScreen::Options;
    return;
  }
  const std::string& name = MenuItems[MenuIndex];
  if (name.empty()) return;  // a blank line of a hand-made list is no player
  PlayerName = name;
  Config.SetParam("SelPlayer", PlayerName);
  WriteConfig();
  LeavePlayerScreens();
}

void CreatePlayer(const std::string& name) {
  PlayerName = name;
  key_EndReadText();
  Config.SetParam("SelPlayer", name);
  PlayersBlock().AddLine(name);  // equal names are allowed
  WriteConfig();
  LeavePlayerScreens();
}

void CreatePlayerKeys() {
  if (key_Press(K_ESCAPE)) {
    if (PreviousScreen == TScreen::Options) {
      key_EndReadText();
      SetScreen(TScreen::Options);
    } else {
      zgl_Exit();
    }
    return;
  }
  if (key_Press(K_ENTER)) {
    if (NewPlayerName.empty()) return;
    if (SurvivesConfigFile(NewPlayerName, PlayersBlock().Name)) {
      CreatePlayer(NewPlayerName);
    } else {
      ReportError("\"" + NewPlayerName +
                  "\" cannot be a player's name: Config.dat could not read it back.");
    }
    return;
  }
  NewPlayerName = key_GetText();
}

void MainMenuKeys() {
  if (key_Press(K_ESCAPE)) {
    zgl_Exit();
    return;
  }
  if (!key_Press(K_ENTER)) return;
  switch (MenuIndex) {
    case 0:
      SelectedLevel = Config.Param("SelLevel").AsString("");
      SetScreen(TScreen::SelectLevel);
      break;
    case 1:
      CurrentReplayName.clear();
      SetScreen(TScreen::MainReplay);
      break;
    case 2:
      CurrentReplayName.clear();
      SetScreen(TScreen::MergeReplays);
      break;
    case 3:
      SetScreen(TScreen::Options);
      break;
    case 4:
      SetScreen(TScreen::Config);
      break;
    default:
      break;
  }
}

void SelectLevelKeys() {
  if (key_Press(K_ESCAPE)) {
    SetScreen(TScreen::MainMenu);
    return;
  }
  if (!key_Press(K_ENTER) || !HasSelection()) return;
  // Only files count: a folder named like a level, or a file that has vanished since the
  // list was made, is ignored. A level that cannot be read leaves the player in the list.
  const std::string& name = MenuItems[MenuIndex];
  if (IsRegularFile(LevelPath(name))) StartLevel(name);
}

void LevelMenuKeys() {
  if (key_Press(K_ESCAPE)) {
    if (!PackagePatterns.Empty()) FreeLevelPackage();
    SetScreen(TScreen::SelectLevel);
    return;
  }
  if (key_Press(K_ENTER)) {
    if (MenuIndex == 0) {
      RestartLevel();
    } else if (MenuIndex == 1) {
      RebuildReplayLevel();
      SetScreen(TScreen::Replay);
    } else if (MenuIndex == 2) {
      CurrentReplayName = file_GetName(SelectedLevel);
      key_BeginReadText(CurrentReplayName, kReplayNameLength);
      SetScreen(TScreen::SavePlay);
    } else if (MenuIndex == 3 && TopTen.Time[0] != 0) {
      SetScreen(TScreen::BestTimes);
    }
    return;
  }
  if (key_Press(uint8_t(Settings.Restart))) RestartLevel();
}

void BestTimesKeys() {
  if (key_Press(K_ESCAPE)) SetScreen(TScreen::LevelMenu);
}

void StoreKeySettings() {
  for (const char* key : {"Left", "Right", "Jump", "Restart"})
    StoreSetting(key);
}

// A key with a name becomes the key of the Options row waiting for one; keys without a
// name (Escape among them) cannot be bound.
bool CaptureKey() {
  uint8_t code = key_Last(0);
  if (code == 0 || KeyName(code).empty()) return false;
  int* keys[] = {&Settings.Left, &Settings.Right, &Settings.Jump, &Settings.Restart};
  *keys[KeyCapture - kLeftItem] = code;
  KeyCapture = -1;
  StoreKeySettings();
  return true;
}

void ToggleOption(bool TSettings::*flag, const char* key) {
  Settings.*flag = !(Settings.*flag);
  StoreSetting(key);
}

void OptionsKeys() {
  if (KeyCapture != -1 && CaptureKey()) return;
  if (key_Press(K_ESCAPE)) {
    if (KeyCapture != -1) {
      KeyCapture = -1;
    } else {
      WriteConfig();
      SetScreen(TScreen::MainMenu);
    }
    return;
  }
  if (!key_Press(K_ENTER) || KeyCapture != -1) return;
  switch (MenuIndex) {
    case kFullScreenItem:
      ToggleOption(&TSettings::FullScreen, "FullScreen");
      ApplyScreenOptions();
      break;
    case kVSyncItem:
      ToggleOption(&TSettings::VSync, "VSync");
      ApplyScreenOptions();
      break;
    case kPlayerItem:
      SetScreen(TScreen::ChoosePlayer);
      break;
    default:
      KeyCapture = MenuIndex;
      break;
  }
}

void ConfigKeys() {
  if (key_Press(K_ESCAPE)) {
    WriteConfig();
    SetScreen(TScreen::MainMenu);
    return;
  }
  if (!key_Press(K_ENTER)) return;
  switch (MenuIndex) {
    case 0:
      ToggleOption(&TSettings::ShowRecNames, "ShowRecNames");
      break;
    case 1:
      ToggleOption(&TSettings::ShowLastAppleTime, "ShowLastAppleTime");
      break;
    case 2:
      ToggleOption(&TSettings::HideSprites, "HideSprites");
      break;
    default:
      break;
  }
}

// Enter or Escape go back to the screen the error was met in.
void SomeErrorKeys() {
  if (!key_Press(K_ESCAPE) && !key_Press(K_ENTER)) return;
  TScreen back = PreviousScreen;
  CurrentScreen = errorReturnPrevious;
  SetScreen(back);
}

std::string ReplayPath(const std::string& name) {
  return BaseDir + "Rec/" + name;
}

// Why a typed replay name cannot be saved under Rec/; empty when it can.
std::string ReplayNameProblem(const std::string& name) {
  if (name.empty()) return "A replay needs a name.";
  if (name.find_first_of("/\\") != std::string::npos)
    return "A replay name cannot hold \"/\" or \"\\\": replays stay in the folder Rec.";
  if (name.front() == '.') return "A replay name cannot begin with \".\".";
  return "";
}

// The recording saved as Rec/<name>.cre; a failure leaves the player in "Save play".
void SaveTypedReplay() {
  if (std::string problem = ReplayNameProblem(CurrentReplayName); !problem.empty()) {
    ReportError(problem);
    return;
  }
  try {
    std::error_code ec;
    fs::create_directory(BaseDir + "Rec", ec);
    SaveReplay(ReplayPath(CurrentReplayName + ".cre"), SelectedLevel,
               LevelTemplate ? LevelTemplate->Checksum : 0);
  } catch (const GameError& e) {
    ReportError(e.what());
    return;
  }
  key_EndReadText();
  SetScreen(TScreen::LevelMenu);
}

void SavePlayKeys() {
  if (key_Press(K_ESCAPE)) {
    key_EndReadText();
    SetScreen(TScreen::LevelMenu);
    return;
  }
  if (key_Press(K_ENTER)) {
    SaveTypedReplay();
    return;
  }
  CurrentReplayName = key_GetText();
}

// The selected replay file, or "" when the list is empty or the file has vanished.
std::string SelectedReplay() {
  if (!HasSelection() || !IsRegularFile(ReplayPath(MenuItems[MenuIndex]))) return "";
  return MenuItems[MenuIndex];
}

// A loaded (and perhaps merged) replay starts: the level is made ready as a level start
// makes it, and the tracks bind to it on the first step.
void EnterLoadedReplay() {
  PrepareLevel();
  UnbindReplay(Recording);
  PlaceCamera();
  SetScreen(TScreen::Replay);
}

// After a failed load the levels may hold patterns of a package that is closed again;
// nothing plays them before the next load.
void ReplayFailed(const std::string& error) {
  UnbindReplay(Recording);
  Player = nullptr;
  CurrentLevel = std::make_unique<TLevel>();
  LevelTemplate = std::make_unique<TLevel>();
  ReportError(error);
}

// Escape goes back to the main menu; Enter gives the selected replay file, if any.
std::string ReplayChosenByKeys() {
  if (key_Press(K_ESCAPE)) {
    SetScreen(TScreen::MainMenu);
    return "";
  }
  return key_Press(K_ENTER) ? SelectedReplay() : "";
}

void EnterReplayOrFail(bool loaded, const std::string& error) {
  if (loaded) {
    EnterLoadedReplay();
  } else {
    ReplayFailed(error);
  }
}

void MainReplayKeys() {
  std::string name = ReplayChosenByKeys();
  if (name.empty()) return;
  CurrentReplayName = name;
  std::string error;
  EnterReplayOrFail(LoadReplay(ReplayPath(name), error), error);
}

// The first Enter chooses the first replay, the second Enter the one merged into it.
void MergeReplaysKeys() {
  std::string name = ReplayChosenByKeys();
  if (name.empty()) return;
  if (FirstReplayName.empty()) {
    FirstReplayName = name;
    return;
  }
  CurrentReplayName = name;
  std::string error;
  bool loaded = LoadReplay(ReplayPath(FirstReplayName), error) &&
                MergeReplay(ReplayPath(name), FirstReplayName, name, error);
  EnterReplayOrFail(loaded, error);
}

// Back to the menu the replay came from. A replay read from a file takes its level (and
// the package it came from) with it.
void LeaveReplay() {
  TScreen back = PreviousScreen;
  bool fromFile = back == TScreen::MainReplay || back == TScreen::MergeReplays;
  if (fromFile) {
    if (!PackagePatterns.Empty()) FreeLevelPackage();
    UnbindReplay(Recording);
    Player = nullptr;
    CurrentLevel = std::make_unique<TLevel>();
    LevelTemplate = std::make_unique<TLevel>();
  }
  if (back == TScreen::MergeReplays) {
    StoreSetting("ShowRecNames");
    WriteConfig();
  }
  if (fromFile || back == TScreen::LevelMenu) SetScreen(back);
}

// One tick of "Replay": no scripts run and the level is not stepped.
void ReplayTick() {
  if (key_Press(K_ESCAPE)) {
    LeaveReplay();
    return;
  }
  if (key_Press(K_N) && PreviousScreen == TScreen::MergeReplays)
    Settings.ShowRecNames = !Settings.ShowRecNames;
  StepReplay();
}

// The run screens are ticked by the level run and the replay playback, never as menus.
void GameKeys() {}
void ReplayKeys() {}

// One handler per screen, so that a handler that changes the screen is the only one
// that acts in this tick.
void ScreenKeys(TScreen screen) {
  switch (screen) {
#define TOVI2_SCREEN_KEYS(id, name, typeAhead, listKeys) \
  case TScreen::id:                                      \
    id##Keys();                                          \
    break;
    TOVI2_SCREENS(TOVI2_SCREEN_KEYS)
#undef TOVI2_SCREEN_KEYS
    case TScreen::None:
      break;
  }
}

void ShowPendingError() {
  if (pendingError.empty()) return;
  ErrorText = std::exchange(pendingError, {});
  errorReturnPrevious = PreviousScreen;
  SetScreen(TScreen::SomeError);
}

const char* OnOff(bool value) {
  return value ? "On" : "Off";
}

std::vector<std::string> OptionValues() {
  std::vector<std::string> values = {
      OnOff(Settings.FullScreen), OnOff(Settings.VSync),   PlayerName,
      KeyName(Settings.Left),     KeyName(Settings.Right), KeyName(Settings.Jump),
      KeyName(Settings.Restart)};
  if (KeyCapture >= kLeftItem && KeyCapture <= kRestartItem)
    values[static_cast<size_t>(KeyCapture)] = std::string(1, '_');
  return values;
}

}  // namespace

void SetScreen(TScreen screen) {
  PreviousScreen = CurrentScreen;
  CurrentScreen = screen;
  switch (screen) {
    case TScreen::ChoosePlayer:
      FillChoosePlayer();
      break;
    case TScreen::MainMenu:
      FillFixedMenu({"Play", "Replay", "Merge Replays", "Options", "Config"},
                    {{TScreen::MainReplay, 1},
                     {TScreen::MergeReplays, 2},
                     {TScreen::Options, 3},
                     {TScreen::Config, 4}});
      break;
    case TScreen::Config:
      FillFixedMenu({"Show replay names:", "Show last apple time:", "Hide sprites:"}, {});
      break;
    case TScreen::SelectLevel:
      FillSelectLevel();
      break;
    case TScreen::LevelMenu:
      FillFixedMenu({"Play again", "Replay", "Save play", "Best times"},
                    {{TScreen::Replay, 1}, {TScreen::SavePlay, 2}, {TScreen::BestTimes, 3}});
      break;
    case TScreen::Options:
      FillFixedMenu({"Full Screen:", "VSync:", "Player:", "Left", "Right", "Jump", "Restart"},
                    {{TScreen::ChoosePlayer, 2}, {TScreen::CreatePlayer, 2}});
      break;
    case TScreen::MergeReplays:
      FirstReplayName.clear();
      FillReplayList();
      break;
    case TScreen::MainReplay:
      FillReplayList();
      break;
    default:  // the other screens keep the list they had
      break;
  }
}

void ResetGameState() {
  Config.Params.clear();
  Config.Blocks.clear();
  Settings = TSettings{};
  CurrentScreen = PreviousScreen = errorReturnPrevious = TScreen::None;
  MenuItems.clear();
  MenuIndex = MenuTop = 0;
  CursorFrame = 0;
  KeyCapture = -1;
  SearchText.clear();
  SearchTimeout = 0;
  for (std::string* text : {&PlayerName, &NewPlayerName, &SelectedLevel, &CurrentReplayName,
                            &FirstReplayName, &ErrorText, &pendingError, &ResultMessage})
    text->clear();
  Player = nullptr;
  CurrentLevel.reset();
  LevelTemplate.reset();
  ResetRunClock();
  TopTen.Clear();
  BestTime = 0;
  key_EndReadText();
  key_ClearState();
}

void ReportError(const std::string& text) {
  if (pendingError.empty()) pendingError = text;
}

void MenuTick() {
  StepMenuWorld();
  CursorFrame += kCursorStep;
  if (CursorFrame > kCursorFrames) CursorFrame = 0;
  if (key_Down(K_ALT) && key_Press(K_ENTER)) return;  // the full-screen switch, nothing more
  const ScreenKeysInfo keys = KeysInfo(CurrentScreen);
  if (keys.typeAhead) TypeAhead();
  bool capturing = CurrentScreen == TScreen::Options && KeyCapture != -1;
  if (keys.listKeys && !capturing) ListKeys();
  ScreenKeys(CurrentScreen);
}

void OnTimer() {
  // Alt + Enter switches full screen for this run only; it is never written to the
  // settings file.
  if (key_Down(K_ALT) && key_Press(K_ENTER)) {
    Settings.FullScreen = !Settings.FullScreen;
    ApplyScreenOptions();
  }
  switch (CurrentScreen) {
    case TScreen::Game:
      GameTick();
      break;
    case TScreen::Replay:
      ReplayTick();
      break;
    default:
      MenuTick();
      break;
  }
  ShowPendingError();
  // A key press is seen in exactly one tick.
  mouse_ClearState();
  key_ClearState();
}

TMenuView MenuView() {
  TMenuView view;
  view.Screen = CurrentScreen;
  view.Items = &MenuItems;
  view.Index = MenuIndex;
  view.Top = MenuTop;
  view.Rows = MenuRows;
  view.CursorFrame = CursorFrame;
  view.KeyCapture = KeyCapture;
  view.TypedText = CurrentScreen == TScreen::SavePlay ? CurrentReplayName : NewPlayerName;
  view.LevelName = SelectedLevel;
  view.ResultMessage = ResultMessage;
  view.FirstReplayName = FirstReplayName;
  view.ErrorText = ErrorText;
  if (CurrentScreen == TScreen::Options) view.OptionValues = OptionValues();
  if (CurrentScreen == TScreen::Config) {
    view.OptionValues = {OnOff(Settings.ShowRecNames), OnOff(Settings.ShowLastAppleTime),
                         OnOff(Settings.HideSprites)};
  }
  view.TopTen = &TopTen;
  view.ShowLastAppleTime = Settings.ShowLastAppleTime;
  view.AppleCount = AppleCount;
  view.LastAppleTime = LastAppleTime;
  return view;
}

void OnDraw() {
  switch (CurrentScreen) {
    case TScreen::Game:
    case TScreen::Replay:
      DrawGame();
      break;
    default:
      break;
  }
  DrawScreens(MenuView());
}
