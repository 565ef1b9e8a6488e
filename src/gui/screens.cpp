// The menu screens: the background with its balls, then the titles, items and cursor of
// the current screen, drawn afresh every frame from the menu view. y grows downwards; a
// text's y is its top, the cursor's position is its centre.
#include "gui/screens.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "anim/anim_play.h"
#include "gui/gui_resources.h"
#include "gui/menu_world.h"
#include "gui/message_list.h"
#include "gui/time_display.h"
#include "world/game_object.h"
#include "world/screen_size.h"
#include "world/top_ten.h"

namespace {

using Items = std::vector<std::string>;

constexpr float kTitleY = 30;
constexpr float kMenuStep = 42;  // rows of the fixed menus
constexpr float kListStep = 34;  // rows of the scrolling lists and the best times
constexpr uint32_t kLastAppleColour = 0xF4E410;
constexpr float kLastAppleX = 630, kLastAppleY = 580, kLastAppleRightMargin = 10;

// ---------------------------------------------------------------------------------------
// Background

// The first layer goes over the black of a fresh frame, so blending would change nothing
// but cost a read of every pixel.
void DrawTiles() {
  if (!BackTexture || BackTexture->Width <= 0 || BackTexture->Height <= 0) return;
  const int w = BackTexture->Width, h = BackTexture->Height;
  for (int r = 0; r <= ScreenHeight / h; ++r) {
    for (int c = 0; c <= ScreenWidth / w; ++c)
      ssprite2d_Draw(BackTexture, float(c * w), float(r * h), float(w), float(h), 0, 255, 0);
  }
}

// Rows 120 apart, every other row shifted by 130.
void DrawLogoPattern() {
  if (!LogoTexture) return;
  const float w = float(LogoTexture->Width), h = float(LogoTexture->Height);
  for (int r = 0; r <= ScreenHeight / 120; ++r) {
    for (int c = 0; c <= ScreenWidth / 260 + 1; ++c)
      ssprite2d_Draw(LogoTexture, float(300 * c + 130 * (r % 2) - 200), float(120 * r), w, h, 0,
                     15);
  }
}

// The images are a little larger than the physics radii 25, 30 and 50.
void DrawBalls() {
  if (!BallTexture) return;
  for (int i = 0; i < 9 && MenuBall(i); ++i) {
    const float s = i <= 2 ? 26 : i <= 5 ? 32 : 53;
    double x = 0, y = 0;
    MenuBallPosition(i, x, y);
    ssprite2d_Draw(BallTexture, float(x) - s, float(y) - s, 2 * s, 2 * s, 0, 70);
  }
}

// The tiles and the logo pattern stay the same from frame to frame, and drawn directly
// they cover the screen about twice over. So they are composed once into a surface of the
// screen's size, and a frame copies that one picture, without blending, and draws the
// balls over it. The surface is composed again when the window or the GL context changes
// or the textures do; a driver that cannot draw into textures gets them drawn directly.
struct ComposedBackground {
  RenderTarget* target = nullptr;
  const Texture* back = nullptr;  // the textures it was composed from
  const Texture* logo = nullptr;
};
ComposedBackground composed;

bool ComposedIsCurrent() {
  return rtarget_Fits(composed.target) && composed.back == BackTexture &&
         composed.logo == LogoTexture;
}

bool ComposeBackground() {
  FreeMenuBackground();
  composed = {rtarget_Add(), BackTexture, LogoTexture};
  if (!composed.target) return false;
  rtarget_Set(composed.target);
  DrawTiles();
  DrawLogoPattern();
  rtarget_Set(nullptr);
  return true;
}

void DrawMenuBackground() {
  if (ComposedIsCurrent() || ComposeBackground()) {
    ssprite2d_Draw(rtarget_GetSurface(composed.target), 0, 0, float(ScreenWidth),
                   float(ScreenHeight), 0, 255, 0);
  } else {
    DrawTiles();
    DrawLogoPattern();
  }
  DrawBalls();
}

// ---------------------------------------------------------------------------------------
// Texts, cursor and lists

void DrawText(float x, float y, std::string_view text) {
  text_Draw(MainFont, x, y, text);
}

void DrawCentred(float y, const std::string& text) {
  DrawText(CentredX(text), y, text);
}

void DrawTitle(const std::string& title) {
  DrawCentred(kTitleY, title);
}

const Items& ItemsOf(const TMenuView& view) {
  static const Items none;
  return view.Items ? *view.Items : none;
}

// trunc(CursorFrame), kept within what DrawAnim can be asked for.
uint16_t CursorFrameNumber(float frame) {
  if (!(frame >= 0)) return 0;  // negative or NaN
  return uint16_t(std::min(frame, 65535.0f));
}

void DrawCursor(const TMenuView& view, float x, float y) {
  DrawAnim(MenuSprite, CursorFrameNumber(view.CursorFrame), false, x, y, 0, 255);
}

// Item i at (x, y + step i); the cursor beside the selected item.
struct Column {
  float x, y, cursorX, cursorY, step;
};

void DrawFixedMenu(const TMenuView& view, const Column& col) {
  const Items& items = ItemsOf(view);
  for (size_t i = 0; i < items.size(); ++i)
    DrawText(col.x, col.y + col.step * float(i), items[i]);
  DrawCursor(view, col.cursorX, col.cursorY + col.step * float(view.Index));
}

// Items from Top on, at most Rows + 1 of them, placed from the first visible row.
void DrawScrollingList(const TMenuView& view, const Column& col) {
  const Items& items = ItemsOf(view);
  const int last = std::min(view.Top + view.Rows, int(items.size()) - 1);
  for (int i = std::max(view.Top, 0); i <= last; ++i)
    DrawText(col.x, col.y + col.step * float(i - view.Top), items[size_t(i)]);
}

void DrawListCursor(const TMenuView& view, const Column& col) {
  DrawCursor(view, col.cursorX, col.cursorY + col.step * float(view.Index - view.Top));
}

constexpr Column kPlayerList{276, 100, 247, 112, kListStep};
constexpr Column kFileList{326, 90, 297, 102, kListStep};

// Level files and replay files: the cursor only when there is something to choose.
void DrawFileList(const TMenuView& view) {
  DrawScrollingList(view, kFileList);
  if (!ItemsOf(view).empty()) DrawListCursor(view, kFileList);
}

std::string LevelTitle(const TMenuView& view) {
  return "Level: " + view.LevelName;
}

// ---------------------------------------------------------------------------------------
// The screens

void DrawChoosePlayerScreen(const TMenuView& view) {
  DrawTitle("Choose Player");
  DrawScrollingList(view, kPlayerList);
  DrawListCursor(view, kPlayerList);
}

void DrawCreatePlayerScreen(const TMenuView& view) {
  DrawCentred(200, "Please enter your name:");
  DrawCentred(260, view.TypedText + "_");
}

void DrawMainMenuScreen(const TMenuView& view) {
  DrawTitle("Main Menu");
  DrawFixedMenu(view, {330, 150, 300, 162, kMenuStep});
}

void DrawSelectLevelScreen(const TMenuView& view) {
  DrawTitle("Select Level!");
  DrawFileList(view);
}

void DrawLevelMenuScreen(const TMenuView& view) {
  DrawTitle(LevelTitle(view));
  DrawFixedMenu(view, {320, 150, 290, 162, kMenuStep});
  if (!view.ResultMessage.empty()) DrawCentred(400, view.ResultMessage);
}

// Entry i (from 1) at y = 80 + 34 i, up to the first empty entry.
void DrawBestTimesScreen(const TMenuView& view) {
  DrawTitle(LevelTitle(view));
  if (!view.TopTen) return;
  const TTopTen& table = *view.TopTen;
  for (size_t k = 0; k < table.Time.size() && table.Time[k] != 0; ++k) {
    const float y = 80 + kListStep * float(k + 1);
    // Hundredths to milliseconds; 64 bits, as a damaged file may hold any time.
    const int64_t ms = std::clamp<int64_t>(int64_t(table.Time[k]) * 10, 0, INT32_MAX);
    DrawText(200, y, table.Name[k]);
    DrawText(460, y, ResultTime(int32_t(ms)));
  }
}

std::string OptionValue(const TMenuView& view, int i) {
  if (i == view.KeyCapture) return "_";  // waiting for the new key
  return size_t(i) < view.OptionValues.size() ? view.OptionValues[size_t(i)] : "";
}

// The four key rows sit one row lower, below the "Control keys:" label.
int OptionRow(int i) {
  return i < 3 ? i : i + 1;
}

void DrawOptionsScreen(const TMenuView& view) {
  DrawTitle("Options");
  const Items& items = ItemsOf(view);
  for (int i = 0; i < int(items.size()); ++i) {
    const float y = 100 + kMenuStep * float(OptionRow(i));
    DrawText(220, y, items[size_t(i)]);
    DrawText(500, y, OptionValue(view, i));
  }
  DrawText(300, 226, "Control keys:");
  DrawCursor(view, 190, 112 + kMenuStep * float(OptionRow(view.Index)));
}

void DrawConfigScreen(const TMenuView& view) {
  DrawTitle("Config");
  const Items& items = ItemsOf(view);
  for (size_t i = 0; i < items.size(); ++i) {
    const float y = 100 + kMenuStep * float(i);
    DrawText(200, y, items[i]);
    if (i < view.OptionValues.size()) DrawText(520, y, view.OptionValues[i]);
  }
  DrawCursor(view, 170, 112 + kMenuStep * float(view.Index));
}

void DrawSavePlayScreen(const TMenuView& view) {
  DrawTitle(LevelTitle(view));
  DrawCentred(140, "Please enter the filename:");
  DrawCentred(200, view.TypedText + "_");
}

void DrawMainReplayScreen(const TMenuView& view) {
  DrawTitle("Select replay file!");
  DrawFileList(view);
}

void DrawMergeReplaysScreen(const TMenuView& view) {
  DrawTitle(view.FirstReplayName.empty() ? "Select replay 1" : "Select replay 2");
  DrawFileList(view);
}

void DrawSomeErrorScreen(const TMenuView& view) {
  DrawCentred(200, view.ErrorText);
}

// "Game" and "Replay" show the level, drawn by the run before the screens.
void DrawGameScreen(const TMenuView&) {}
void DrawReplayScreen(const TMenuView&) {}

void DrawScreen(const TMenuView& view) {
  switch (view.Screen) {
#define TOVI2_DRAW_SCREEN(id, name, typeAhead, listKeys) \
  case TScreen::id:                                      \
    Draw##id##Screen(view);                              \
    break;
    TOVI2_SCREENS(TOVI2_DRAW_SCREEN)
#undef TOVI2_DRAW_SCREEN
    case TScreen::None:
      break;
  }
}

}  // namespace

void DrawScreens(const TMenuView& view) {
  batch2d_Begin();
  cam2d_Set(nullptr);  // screen space, whatever camera the level left set
  DrawLastApple(view);
  if (!IsRunScreen(view.Screen)) {
    DrawMenuBackground();
    DrawScreen(view);
  }
  batch2d_End();
}

void FreeMenuBackground() {
  rtarget_Del(composed.target);
  composed = {};
}

void DrawLastApple(const TMenuView& view) {
  if (!IsRunScreen(view.Screen) || !view.ShowLastAppleTime || view.LastAppleTime == 0) return;
  const std::string count = "last apple(" + std::to_string(view.AppleCount) + ")";
  const std::string time = ShortTime(view.LastAppleTime);
  const float timeX =
      float(ScreenWidth) - RoundHalfEven(text_GetWidth(SmallFont, time)) - kLastAppleRightMargin;
  text_DrawEx(SmallFont, kLastAppleX, kLastAppleY, 1, 0, count, 255, kLastAppleColour);
  text_DrawEx(SmallFont, timeX, kLastAppleY, 1, 0, time, 255, kLastAppleColour);
}

void DrawMessages() {
  const std::vector<std::string>& messages = MessageList();
  for (size_t i = 0; i < messages.size(); ++i)
    text_Draw(SmallFont, 10, 10 + 20 * float(i), messages[i]);
}

float CentredX(const std::string& text) {
  return RoundHalfEven(float(ScreenWidth) / 2 - text_GetWidth(MainFont, text, 0) / 2);
}
