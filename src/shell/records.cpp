#include "shell/records.h"

#include "data/game_error.h"
#include "gui/time_display.h"
#include "shell/game_states.h"
#include "shell/level_run.h"
#include "world/level_file.h"
#include "world/top_ten.h"

namespace {

// Five blanks part the time from what it achieved.
constexpr const char* kBestTimeSuffix = "     Best Time!";
constexpr const char* kTopTenSuffix = "     You Made the Top Ten!";

// The level is written as it was loaded, not as the run left it: LevelTemplate is the
// copy every run starts from, made right after loading (with its coordinates rounded, as
// every load rounds them), and it keeps the camera the file gave. A level file that
// cannot be written leaves the new table in memory; the player sees why on "Some Error"
// once the level menu is open.
void WriteLevelFile() {
  if (!LevelTemplate) return;
  const std::string path = LevelPath(SelectedLevel);
  try {
    if (IsLevelFileName(SelectedLevel)) {
      SaveLevel(*LevelTemplate, path);
    } else {
      SaveLevelPackage(*LevelTemplate, path);
    }
  } catch (const GameError& e) {
    ReportError(e.what());
  }
  Camera.Zoom = 1;
}

// A time equal to an entry goes after it. Only a time that pushes an entry down made the
// top ten; one that fills an empty place at the end is just entered.
void EnterTopTen(int32_t hundredths) {
  const int place = TopTen.PlaceOf(hundredths);
  if (place > TTopTen::kPlaces) return;
  if (place == 1) {
    BestTime = GameTicks;
    ResultMessage += kBestTimeSuffix;
  } else if (TopTen.Time[place - 1] != 0) {
    ResultMessage += kTopTenSuffix;
  }
  TopTen.Insert(place, hundredths, PlayerName);
  WriteLevelFile();
}

}  // namespace

// A finish within the first hundredth of a second has no time to show or record.
void FinishRun() {
  if (CurrentScreen != TScreen::Game) return;
  if (CurrentLevel) RecordCreaturePositions(*CurrentLevel);
  const int32_t hundredths = GameTicks / 10;
  ResultMessage.clear();
  if (hundredths != 0) {
    ResultMessage = ResultTime(GameTicks);
    EnterTopTen(hundredths);
  }
  SetScreen(TScreen::LevelMenu);
}

void FailRun() {
  if (CurrentScreen != TScreen::Game) return;
  if (CurrentLevel) RecordCreaturePositions(*CurrentLevel);
  ResultMessage = "You Failed to Finish!";
  SetScreen(TScreen::LevelMenu);
}
