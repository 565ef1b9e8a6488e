// Headless frames of the menu screens read back from their screenshots: where the cursor,
// the titles, the list rows and the background land.
#include "gui/screens.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "../platform/test_images.h"
#include "../platform/test_screenshot.h"
#include "anim/anim_play.h"
#include "gui/gui_resources.h"
#include "gui/menu_world.h"
#include "gui/message_list.h"
#include "gui/time_display.h"
#include "world/top_ten.h"

namespace {

using namespace test_images;

constexpr Rgb kTile{0, 0, 64};
// Cursor frame k is (255, 5 k, 200), so a pixel names its frame.
constexpr uint8_t kCursorRed = 255, kCursorBlue = 200;
// Digit strip frame f (from 1) is (20 f, 255, 100).
constexpr int kDigitFrames = 11;

Rgb CursorCell(int x, int y) {
  const int frame = y / 40 * 10 + x / 40;
  return {kCursorRed, uint8_t(5 * frame), kCursorBlue};
}

Rgb DigitCell(int x, int) {
  return {uint8_t(20 * (x / 16 + 1)), 255, 100};
}

// The fully covered pixels of the white menu text.
bool IsText(Rgb c) {
  return c[0] >= 230 && c[1] >= 230 && c[2] >= 230;
}

bool IsCursor(Rgb c) {
  return c[0] == kCursorRed && c[2] == kCursorBlue;
}

Screenshot Shoot(const std::function<void()>& draw) {
  static int count = 0;
  return ShootFrame("gui_screen_" + std::to_string(count++) + ".png", draw);
}

Screenshot ShootView(const TMenuView& view) {
  return Shoot([&] { DrawScreens(view); });
}

std::vector<std::string> Names(int count) {
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i)
    names.push_back("Player " + std::to_string(i));
  return names;
}

// A text of the main font at its place.
struct Placed {
  float x, y;
  std::string text;
};

// Texts a list draws from (x, y0), step apart, one per name.
std::vector<Placed> ListTexts(float x, float y0, float step,
                              const std::vector<std::string>& names) {
  std::vector<Placed> texts;
  for (const std::string& name : names)
    texts.push_back({x, y0 + step * float(texts.size()), name});
  return texts;
}

// The plain menu background with only the given texts drawn on it.
Screenshot Reference(const std::vector<Placed>& texts) {
  return Shoot([&] {
    TMenuView plain;
    plain.Screen = TScreen::None;
    DrawScreens(plain);
    for (const Placed& t : texts)
      text_Draw(MainFont, t.x, t.y, t.text);
    batch2d_End();
  });
}

// Below the title and without the cursor, the screen draws exactly the given texts.
bool BodyShows(const TMenuView& view, const std::vector<Placed>& texts) {
  TSpr cursor = std::move(MenuSprite);
  const Screenshot shot = ShootView(view);
  MenuSprite = std::move(cursor);
  return shot.Band(64, 600) == Reference(texts).Band(64, 600);
}

class Screens : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string zfi = WriteFile("gui_font.zfi", "Face = DejaVuSans.ttf\nSize = 20\n");
    const std::string small = WriteFile("gui_sfont.zfi", "Face = DejaVuSans.ttf\nSize = 12\n");
    MainFont = font_LoadFromFile(zfi);
    SmallFont = font_LoadFromFile(small);
    BackTexture = Load("gui_back.png", 50, 50, [](int, int) { return kTile; });
    LogoTexture = Load("gui_logo.png", 40, 20, [](int, int) { return kRed; });
    BallTexture = Load("gui_ball.png", 8, 8, [](int, int) { return kGreen; });
    DigitsTexture = Load("gui_digits.png", 16 * kDigitFrames, 39, DigitCell);
    tex_SetFrameSize(DigitsTexture, 16, 39);
    MenuSprite.Tex = Load("gui_cursor.png", 400, 200, CursorCell);
    SetGridFrames(MenuSprite, 40, 40, 50);
  }
  static void TearDownTestSuite() {
    font_Del(MainFont);
    font_Del(SmallFont);
    for (Texture** t : {&BackTexture, &LogoTexture, &BallTexture, &DigitsTexture})
      tex_Del(*t);
    FreeAnim(MenuSprite);
  }
  void SetUp() override {
    ASSERT_NE(MainFont, nullptr);
    ASSERT_NE(SmallFont, nullptr);
    ASSERT_NE(MenuSprite.Tex, nullptr);
  }

 private:
  static Texture* Load(const std::string& name, int w, int h,
                       const std::function<Rgb(int, int)>& colourAt) {
    const std::string path = WritePng(name, w, h, colourAt);
    return path.empty() ? nullptr : tex_LoadFromFile(path);
  }
};

// Where the cursor's pixels are centred and which frame they show; "none" without any.
struct CursorSeen {
  std::string screen;
  bool shown = false;
  int x = 0, y = 0, frame = 0;
  bool operator==(const CursorSeen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const CursorSeen& c) {
  out << c.screen << ": ";
  if (!c.shown) return out << "none";
  return out << "(" << c.x << ", " << c.y << ") frame " << c.frame;
}

// Measured within 2 pixels of the expected place counts as the expected place.
CursorSeen FindCursor(const Screenshot& shot, const CursorSeen& expected) {
  int x0 = shot.w, y0 = shot.h, x1 = -1, y1 = -1;
  for (int y = 0; y < shot.h; ++y) {
    for (int x = 0; x < shot.w; ++x) {
      if (!IsCursor(shot.At(x, y))) continue;
      x0 = std::min(x0, x), x1 = std::max(x1, x);
      y0 = std::min(y0, y), y1 = std::max(y1, y);
    }
  }
  CursorSeen seen{expected.screen};
  if (x1 < 0) return seen;
  seen.shown = true;
  seen.x = (x0 + x1 + 1) / 2;
  seen.y = (y0 + y1 + 1) / 2;
  seen.frame = shot.At(seen.x, seen.y)[1] / 5;
  if (std::abs(seen.x - expected.x) <= 2) seen.x = expected.x;
  if (std::abs(seen.y - expected.y) <= 2) seen.y = expected.y;
  return seen;
}

TEST_F(Screens, cursor_sits_beside_the_selected_item) {
  const std::vector<std::string> mainMenu = {"Play", "Replay", "Merge Replays", "Options",
                                             "Config"};
  const std::vector<std::string> options = {"Full Screen:", "VSync:", "Player:", "Left",
                                            "Right",        "Jump",   "Restart"};
  const std::vector<std::string> levelMenu = {"Play again", "Replay", "Save play", "Best times"};
  const std::vector<std::string> config = {
      "Show replay names:", "Show last apple time:", "Hide sprites:"};
  const std::vector<std::string> players = Names(30);
  const std::vector<std::string> levels = {"Bridges.vle", "Meadow.vle", "Seesaw.vle"};
  const std::vector<std::string> none;
  struct Case {
    TMenuView view;
    CursorSeen expected;
  };
  auto view = [](TScreen screen, const std::vector<std::string>& items, int index, int top,
                 float frame) {
    TMenuView v;
    v.Screen = screen;
    v.Items = &items;
    v.Index = index;
    v.Top = top;
    v.CursorFrame = frame;
    return v;
  };
  const std::vector<Case> cases = {
      {view(TScreen::MainMenu, mainMenu, 2, 0, 7.9f), {"Main Menu", true, 300, 162 + 42 * 2, 7}},
      // Item 3 is "Left", one row below the "Control keys:" label.
      {view(TScreen::Options, options, 3, 0, 0), {"Options", true, 190, 112 + 42 * 4, 0}},
      {view(TScreen::Options, options, 2, 0, 0), {"Options", true, 190, 112 + 42 * 2, 0}},
      {view(TScreen::LevelMenu, levelMenu, 1, 0, 49.99f), {"Level Menu", true, 290, 162 + 42, 49}},
      {view(TScreen::Config, config, 2, 0, 12), {"Config", true, 170, 112 + 42 * 2, 12}},
      {view(TScreen::ChoosePlayer, players, 7, 5, 0),
       {"Choose Player", true, 247, 112 + 34 * 2, 0}},
      {view(TScreen::SelectLevel, levels, 1, 0, 0), {"Select Level", true, 297, 102 + 34, 0}},
      {view(TScreen::MergeReplays, levels, 2, 0, 0), {"Merge Replays", true, 297, 102 + 34 * 2, 0}},
      // A frame past the last shows the last; a negative one the first.
      {view(TScreen::MainMenu, mainMenu, 0, 0, 50), {"Main Menu", true, 300, 162, 49}},
      {view(TScreen::MainMenu, mainMenu, 0, 0, -3), {"Main Menu", true, 300, 162, 0}},
      // Nothing to choose, or nothing to choose from: no cursor.
      {view(TScreen::MainReplay, none, 0, 0, 0), {"Main Replay"}},
      {view(TScreen::SelectLevel, none, 0, 0, 0), {"Select Level"}},
      {view(TScreen::CreatePlayer, none, 0, 0, 0), {"Create Player"}},
      {view(TScreen::BestTimes, levelMenu, 0, 0, 0), {"Best times"}},
      {view(TScreen::SomeError, none, 0, 0, 0), {"Some Error"}},
  };
  std::vector<CursorSeen> expected, seen;
  for (const Case& c : cases) {
    expected.push_back(c.expected);
    seen.push_back(FindCursor(ShootView(c.view), c.expected));
  }
  EXPECT_EQ(seen, expected);
}

// The title band of the screen against the same band of a frame that draws only the
// expected title at x = (800 - its width) / 2, over the plain background.
TEST_F(Screens, titles_name_the_screen_centred_at_the_top) {
  const std::vector<std::string> items = {"a.cre"};
  struct Case {
    TScreen screen;
    std::string levelName, firstReplay, title;
    float x;
  };
  const std::vector<Case> cases = {
      {TScreen::ChoosePlayer, "", "", "Choose Player", 330},
      {TScreen::MainMenu, "", "", "Main Menu", 346},
      {TScreen::SelectLevel, "", "", "Select Level!", 336},
      {TScreen::LevelMenu, "Meadow.vle", "", "Level: Meadow.vle", 308},
      {TScreen::BestTimes, "Seesaw.zle", "", "Level: Seesaw.zle", 312},
      {TScreen::Options, "", "", "Options", 361},
      {TScreen::Config, "", "", "Config", 368},
      {TScreen::SavePlay, "Bridges.vle", "", "Level: Bridges.vle", 311},
      {TScreen::MainReplay, "", "", "Select replay file!", 312},
      {TScreen::MergeReplays, "", "", "Select replay 1", 325},
      {TScreen::MergeReplays, "", "first.cre", "Select replay 2", 325},
      {TScreen::CreatePlayer, "", "", "", 0},
      {TScreen::SomeError, "", "", "", 0},
  };
  for (const Case& c : cases) {
    TMenuView view;
    view.Screen = c.screen;
    view.Items = &items;
    view.LevelName = c.levelName;
    view.FirstReplayName = c.firstReplay;
    const Screenshot reference = Reference({{c.x, 30, c.title}});
    EXPECT_TRUE(ShootView(view).Band(20, 64) == reference.Band(20, 64))
        << c.screen << ": " << c.title;
  }
}

// Texts centred on the screen: the middle of their text pixels is the screen's middle.
TEST_F(Screens, centred_texts_are_centred) {
  struct Centred {
    std::string what;
    int middle;
    bool operator==(const Centred&) const = default;
  };
  auto middleOfBand = [](const Screenshot& shot, int y) {
    int x0 = shot.w, x1 = -1;
    for (int yy = y; yy < y + 28; ++yy) {
      for (int x = 0; x < shot.w; ++x) {
        if (!IsText(shot.At(x, yy))) continue;
        x0 = std::min(x0, x), x1 = std::max(x1, x);
      }
    }
    return x1 < 0 ? -1 : (x0 + x1 + 1) / 2;
  };
  const std::vector<std::string> levelMenu = {"Play again", "Replay", "Save play", "Best times"};
  TMenuView create;
  create.Screen = TScreen::CreatePlayer;
  create.TypedText = "Tovi";
  TMenuView level;
  level.Screen = TScreen::LevelMenu;
  level.Items = &levelMenu;
  level.LevelName = "Meadow.vle";
  level.ResultMessage = "01:23:45     Best Time!";
  TMenuView save;
  save.Screen = TScreen::SavePlay;
  save.TypedText = "Meadow";
  TMenuView error;
  error.Screen = TScreen::SomeError;
  error.ErrorText = "CRC Error in \"a.cre\".";
  const Screenshot createShot = ShootView(create), levelShot = ShootView(level),
                   saveShot = ShootView(save), errorShot = ShootView(error);
  const std::vector<Centred> seen = {
      {"enter your name", middleOfBand(createShot, 200)},
      {"typed name", middleOfBand(createShot, 260)},
      {"level title", middleOfBand(levelShot, 30)},
      {"result line", middleOfBand(levelShot, 400)},
      {"enter the filename", middleOfBand(saveShot, 140)},
      {"typed file name", middleOfBand(saveShot, 200)},
      {"error text", middleOfBand(errorShot, 200)},
  };
  std::vector<Centred> rounded;
  for (Centred c : seen) {
    if (std::abs(c.middle - 400) <= 3) c.middle = 400;  // glyph edges are not symmetric
    rounded.push_back(c);
  }
  std::vector<Centred> expected;
  for (const Centred& c : seen)
    expected.push_back({c.what, 400});
  EXPECT_EQ(rounded, expected);
}

TEST_F(Screens, scrolling_lists_show_at_most_rows_plus_one_items_from_the_top_one) {
  const std::vector<std::string> thirty = Names(30), sixteen = Names(16), three = Names(3);
  auto from = [](const std::vector<std::string>& names, size_t first, size_t count) {
    return std::vector<std::string>(names.begin() + long(first),
                                    names.begin() + long(first + count));
  };
  struct Case {
    TScreen screen;
    const std::vector<std::string>* items;
    int top;
    std::vector<Placed> texts;
  };
  const std::vector<Case> cases = {
      {TScreen::ChoosePlayer, &thirty, 5, ListTexts(276, 100, 34, from(thirty, 5, 14))},
      {TScreen::ChoosePlayer, &sixteen, 5, ListTexts(276, 100, 34, from(sixteen, 5, 11))},
      {TScreen::SelectLevel, &thirty, 0, ListTexts(326, 90, 34, from(thirty, 0, 14))},
      {TScreen::MainReplay, &three, 0, ListTexts(326, 90, 34, three)},
      {TScreen::MergeReplays, &thirty, 16, ListTexts(326, 90, 34, from(thirty, 16, 14))},
  };
  for (const Case& c : cases) {
    TMenuView view;
    view.Screen = c.screen;
    view.Items = c.items;
    view.Top = c.top;
    view.Index = c.top;
    EXPECT_TRUE(BodyShows(view, c.texts)) << c.screen << " from " << c.top;
  }
}

TEST_F(Screens, options_rows_leave_room_for_the_control_keys_label) {
  const std::vector<std::string> items = {"Full Screen:", "VSync:", "Player:", "Left",
                                          "Right",        "Jump",   "Restart"};
  TMenuView view;
  view.Screen = TScreen::Options;
  view.Items = &items;
  // Key names left empty draw nothing; the row waiting for a key shows "_".
  view.OptionValues = {"On", "Off", "Tovi", "", "", "", ""};
  view.KeyCapture = 5;
  EXPECT_TRUE(BodyShows(view, {{220, 100, "Full Screen:"},
                               {500, 100, "On"},
                               {220, 142, "VSync:"},
                               {500, 142, "Off"},
                               {220, 184, "Player:"},
                               {500, 184, "Tovi"},
                               {300, 226, "Control keys:"},
                               {220, 268, "Left"},
                               {220, 310, "Right"},
                               {220, 352, "Jump"},
                               {500, 352, "_"},
                               {220, 394, "Restart"}}));
}

TEST_F(Screens, config_rows_show_their_values) {
  const std::vector<std::string> items = {
      "Show replay names:", "Show last apple time:", "Hide sprites:"};
  TMenuView view;
  view.Screen = TScreen::Config;
  view.Items = &items;
  view.OptionValues = {"On", "", "Off"};
  EXPECT_TRUE(BodyShows(view, {{200, 100, "Show replay names:"},
                               {520, 100, "On"},
                               {200, 142, "Show last apple time:"},
                               {200, 184, "Hide sprites:"},
                               {520, 184, "Off"}}));
}

TEST_F(Screens, best_times_list_entries_up_to_the_first_empty_one) {
  TTopTen table;
  table.Time = {8345, 9000, INT32_MAX, 0, 4000};  // an entry after an empty one is not shown
  table.Name = {"Tovi", "Ann", "Huge", "", "Hidden"};
  TMenuView view;
  view.Screen = TScreen::BestTimes;
  view.LevelName = "Meadow.vle";
  view.TopTen = &table;
  // Entry i (from 1) at y = 80 + 34 i; a time past the clock shows its largest value.
  EXPECT_TRUE(BodyShows(view, {{200, 114, "Tovi"},
                               {460, 114, "01:23:45"},
                               {200, 148, "Ann"},
                               {460, 148, "01:30:00"},
                               {200, 182, "Huge"},
                               {460, 182, "99:59:99"}}));
}

// Where the yellow last-apple line is: the left edge of its first text and the right edge
// of its second, each within 3 pixels of the expected place; "none" without any.
TEST_F(Screens, last_apple_line_ends_at_the_right_edge_only_in_a_run_with_the_setting) {
  auto edges = [](const Screenshot& shot) -> std::string {
    int x0 = shot.w, x1 = -1;
    for (int y = 570; y < shot.h; ++y) {
      for (int x = 0; x < shot.w; ++x) {
        const Rgb c = shot.At(x, y);
        if (c[0] < 200 || c[1] < 190 || c[2] > 80) continue;  // not the yellow F4E410
        x0 = std::min(x0, x), x1 = std::max(x1, x);
      }
    }
    if (x1 < 0) return "none";
    if (std::abs(x0 - 630) <= 3) x0 = 630;
    if (std::abs(x1 - 790) <= 3) x1 = 790;
    return std::to_string(x0) + " to " + std::to_string(x1);
  };
  struct Case {
    TScreen screen;
    bool setting;
    int32_t lastApple;
    std::string seen;
  };
  const std::vector<Case> cases = {
      {TScreen::Game, true, 12340, "630 to 790"},    // "12:34"
      {TScreen::Replay, true, 75500, "630 to 790"},  // "1:15:50", longer, same right edge
      {TScreen::Game, false, 12340, "none"},
      {TScreen::Game, true, 0, "none"},  // no apple taken yet
      {TScreen::LevelMenu, true, 12340, "none"},
  };
  std::vector<std::string> expected, seen;
  for (const Case& c : cases) {
    TMenuView view;
    view.Screen = c.screen;
    view.ShowLastAppleTime = c.setting;
    view.AppleCount = 12;
    view.LastAppleTime = c.lastApple;
    const std::string name(ScreenName(c.screen));
    expected.push_back(name + " " + c.seen);
    seen.push_back(name + " " + edges(ShootView(view)));
  }
  EXPECT_EQ(seen, expected);
}

TEST_F(Screens, menu_background_tiles_a_faint_logo_and_the_balls) {
  CreateMenuWorld(0);
  TMenuView view;
  view.Screen = TScreen::Config;  // no items
  const Screenshot menu = ShootView(view);
  view.Screen = TScreen::Game;
  const Screenshot game = ShootView(view);
  FreeMenuWorld();

  // Logo rows 120 apart, every other one shifted by 130: at (100, 0), (230, 120), ...
  // alpha 15 of red over the tile; balls alpha 70 of green over the tile.
  const Rgb logo{15, 0, 60}, ball{0, 70, 47};
  const std::vector<Probe> expected = {
      {"tile", 60, 5, kTile},
      {"logo, row 0, x = 100", 110, 5, logo},
      {"logo, row 0, x = 700", 710, 5, logo},
      {"logo, row 1, x = 230", 240, 125, logo},
      {"logo, row 1, x = 530", 540, 125, logo},
      {"row 1 is shifted", 110, 125, kTile},
      {"logo, row 4, x = 100", 110, 485, logo},
      {"between the rows", 110, 60, kTile},
      {"ball 0, half-size 26", 250 - 24, 200, ball},
      {"outside ball 0", 250 - 28, 200, kTile},
      {"ball 8, half-size 53", 490 + 51, 440, ball},
      {"outside ball 8", 490 + 55, 440, kTile},
      {"game: no menu", 60, 5, kBlack},
      {"game: no balls", 250, 200, kBlack},
  };
  std::vector<Probe> seen;
  for (const Probe& want : expected) {
    const Screenshot& shot = want.what.starts_with("game") ? game : menu;
    Probe p = want;
    p.colour = shot.At(p.x, p.y);
    for (size_t k = 0; k < 3; ++k) {  // blending may round either way
      if (std::abs(p.colour[k] - want.colour[k]) <= 2) p.colour[k] = want.colour[k];
    }
    seen.push_back(p);
  }
  EXPECT_EQ(seen, expected);
}

// Composed once into a surface and copied each frame, the background is the very picture
// drawn directly, as a driver without render targets draws it.
TEST_F(Screens, composed_menu_background_equals_the_one_drawn_directly) {
  CreateMenuWorld(0);
  TMenuView view;
  view.Screen = TScreen::Config;
  setenv("TOVI2_DIRECT_DRAW", "1", 1);
  const Screenshot direct = ShootView(view);
  unsetenv("TOVI2_DIRECT_DRAW");
  const Screenshot composed = ShootView(view);
  const Screenshot again = ShootView(view);  // a new GL context: composed anew
  FreeMenuWorld();
  EXPECT_TRUE(composed.rgba == direct.rgba);
  EXPECT_TRUE(again.rgba == direct.rgba);
}

TEST_F(Screens, time_digits_come_from_the_digit_strip) {
  const Screenshot shot = Shoot([] {
    DrawTimeDigits(83456, 100, 300);  // 01:23:45
    batch2d_End();
  });
  // Frame digit + 1, frame 11 for the colons, 16 pixels apart.
  const std::vector<int> expected = {1, 2, 11, 3, 4, 11, 5, 6};
  std::vector<int> frames;
  for (int i = 0; i < 8; ++i)
    frames.push_back(shot.At(100 + 16 * i + 8, 320)[0] / 20);
  EXPECT_EQ(frames, expected);
  EXPECT_EQ(shot.At(100 + 16 * 8 + 2, 320), kBlack);
  EXPECT_EQ(shot.At(108, 300 + 41), kBlack);
}

TEST_F(Screens, messages_listed_down_the_left_edge_in_the_small_font) {
  ClearMessages();
  AddMessage("File Not Found: Data/a.dat");
  AddMessage("\"Start Level\" Script Error");
  const Screenshot shot = Shoot([] {
    DrawMessages();
    batch2d_End();
  });
  const Screenshot reference = Shoot([] {
    text_Draw(SmallFont, 10, 10, "File Not Found: Data/a.dat");
    text_Draw(SmallFont, 10, 30, "\"Start Level\" Script Error");
    batch2d_End();
  });
  EXPECT_TRUE(shot.rgba == reference.rgba);
}

TEST_F(Screens, missing_resources_draw_nothing_and_never_crash) {
  Font* font = MainFont;
  Texture* back = BackTexture;
  Texture* logo = LogoTexture;
  Texture* digits = DigitsTexture;
  MainFont = nullptr;
  BackTexture = nullptr;
  LogoTexture = nullptr;
  DigitsTexture = nullptr;
  TSpr cursor = std::move(MenuSprite);
  const std::vector<std::string> items = Names(3);
  const Screenshot shot = Shoot([&] {
    for (TScreen screen :
         {TScreen::ChoosePlayer, TScreen::MainMenu, TScreen::Options, TScreen::BestTimes}) {
      TMenuView view;
      view.Screen = screen;
      view.Items = &items;
      DrawScreens(view);
    }
    DrawTimeDigits(1000, 100, 100);
    batch2d_End();
  });
  MainFont = font;
  BackTexture = back;
  LogoTexture = logo;
  DigitsTexture = digits;
  MenuSprite = std::move(cursor);
  EXPECT_FALSE(shot.Any(0, 0, 800, 600, [](Rgb c) { return c != kBlack; }));
}

}  // namespace
