#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>
#include <string>
#include <vector>

#include "platform/engine.h"

namespace {

// What the callbacks saw: "load", then per frame the number of timer calls that ran
// before it was drawn, then "exit".
struct Record {
  std::vector<std::string> log;
  int pendingTicks = 0;
  uint64_t timerCalls = 0;
  uint64_t exitAtCall = UINT64_MAX;  // the timer calls zgl_Exit on this call
  std::vector<uint64_t> pressSeenAt;
};
Record record;

void onLoad() {
  record.log.push_back("load");
}
void onDraw() {
  record.log.push_back(std::to_string(record.pendingTicks));
  record.pendingTicks = 0;
}
void onExit() {
  record.log.push_back("exit");
}
void onTimer() {
  if (key_Press(K_R)) record.pressSeenAt.push_back(record.timerCalls);
  key_ClearState();  // as the game does after every tick
  if (record.timerCalls == record.exitAtCall) zgl_Exit();
  ++record.timerCalls;
  ++record.pendingTicks;
}

class EngineLoop : public testing::Test {
 protected:
  void SetUp() override {
    record = Record{};
    zgl_Reg(SYS_LOAD, onLoad);
    zgl_Reg(SYS_DRAW, onDraw);
    zgl_Reg(SYS_EXIT, onExit);
    timer_Add(onTimer, 1);
    wnd_SetCaption("Tovi2 test");
    scr_SetOptions(800, 600, 0, false, false);
  }
};

std::string tempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / name).string();
}

TEST_F(EngineLoop, headless_frames_advance_sixty_times_a_second) {
  struct Row {
    uint64_t ticks;
    std::vector<std::string> log;
  };
  const Row rows[] = {
      {0, {"load", "0", "exit"}},
      {16, {"load", "16", "exit"}},
      {17, {"load", "16", "1", "exit"}},
      {50, {"load", "16", "17", "17", "exit"}},
      {52, {"load", "16", "17", "17", "2", "exit"}},
  };
  for (const Row& row : rows) {
    SetUp();
    zgl_SetHeadless({row.ticks, "", nullptr});
    ASSERT_TRUE(zgl_Init()) << zgl_GetError();
    EXPECT_EQ(record.log, row.log) << row.ticks << " ticks";
    EXPECT_EQ(zgl_TickCount(), row.ticks);
  }
}

TEST_F(EngineLoop, a_second_of_ticks_is_sixty_frames) {
  struct Row {
    uint64_t ticks;
    size_t frames;
  };
  for (const Row& row : {Row{1000, 60}, Row{1001, 61}}) {
    SetUp();
    std::vector<uint64_t> beforeTicks;
    zgl_SetHeadless({row.ticks, "", [&](uint64_t tick) { beforeTicks.push_back(tick); }});
    ASSERT_TRUE(zgl_Init()) << zgl_GetError();

    std::vector<uint64_t> expected(row.ticks);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(beforeTicks, expected);
    EXPECT_EQ(record.timerCalls, row.ticks);
    // load, one entry per frame, exit
    EXPECT_EQ(record.log.size(), row.frames + 2);
    EXPECT_EQ(record.log.front(), "load");
    EXPECT_EQ(record.log.back(), "exit");
  }
}

TEST_F(EngineLoop, zgl_exit_stops_the_ticks_and_ends_after_the_frame) {
  record.exitAtCall = 100;  // frames 0..5 run ticks 0..99, frame 6 starts with tick 100
  zgl_SetHeadless({1000, "", nullptr});
  ASSERT_TRUE(zgl_Init()) << zgl_GetError();
  EXPECT_EQ(record.log,
            (std::vector<std::string>{"load", "16", "17", "17", "16", "17", "17", "1", "exit"}));
  EXPECT_EQ(zgl_TickCount(), 101u);
}

TEST_F(EngineLoop, exit_during_load_draws_nothing) {
  zgl_Reg(SYS_LOAD, [] {
    onLoad();
    zgl_Exit();
  });
  zgl_SetHeadless({1000, "", nullptr});
  ASSERT_TRUE(zgl_Init()) << zgl_GetError();
  EXPECT_EQ(record.log, (std::vector<std::string>{"load", "exit"}));
}

// A key script event for tick k is seen by timer call k and by no other.
TEST_F(EngineLoop, before_tick_runs_just_before_its_timer_call) {
  zgl_SetHeadless({40, "", [](uint64_t tick) {
                     if (tick == 5 || tick == 16 || tick == 39) key_InjectDown(K_R);
                     if (tick == 6) key_InjectUp(K_R);
                   }});
  ASSERT_TRUE(zgl_Init()) << zgl_GetError();
  EXPECT_EQ(record.pressSeenAt, (std::vector<uint64_t>{5, 16, 39}));
  key_InjectUp(K_R);
}

struct PngHeader {
  bool signature = false;
  uint32_t width = 0, height = 0;
  int bitDepth = 0, colourType = 0;
  bool operator==(const PngHeader&) const = default;
};

std::ostream& operator<<(std::ostream& out, const PngHeader& h) {
  return out << (h.signature ? "PNG " : "not PNG ") << h.width << "x" << h.height << " depth "
             << h.bitDepth << " colour type " << h.colourType;
}

uint32_t bigEndian32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = at; i < at + 4; ++i)
    value = value << 8 | uint8_t(bytes[i]);
  return value;
}

// The IHDR chunk follows the eight-byte signature and its own length and name.
PngHeader readPngHeader(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  PngHeader header;
  if (bytes.size() < 26) return header;
  header.signature =
      bytes.compare(0, 8, "\x89PNG\r\n\x1A\n") == 0 && bytes.compare(12, 4, "IHDR") == 0;
  header.width = bigEndian32(bytes, 16);
  header.height = bigEndian32(bytes, 20);
  header.bitDepth = uint8_t(bytes[24]);
  header.colourType = uint8_t(bytes[25]);
  return header;
}

constexpr int kRgba = 6;  // PNG colour type: truecolour with alpha

TEST_F(EngineLoop, headless_screenshot_has_the_logical_screen_size) {
  const std::string png = tempPath("tovi2_engine_loop_shot.png");
  std::filesystem::remove(png);
  scr_SetOptions(640, 480, 0, true, false);  // full screen means nothing headless
  zgl_SetHeadless({20, png, nullptr});
  ASSERT_TRUE(zgl_Init()) << zgl_GetError();
  EXPECT_EQ(readPngHeader(png), (PngHeader{true, 640, 480, 8, kRgba}));
  std::filesystem::remove(png);
}

TEST(EnginePng, save_png_checks_its_pixels) {
  struct Row {
    int w, h;
    size_t bytes;
    bool saved;
    PngHeader header;
  };
  const Row rows[] = {
      {3, 2, 24, true, {true, 3, 2, 8, kRgba}},
      {1, 1, 4, true, {true, 1, 1, 8, kRgba}},
      {3, 2, 23, false, {}},
      {0, 0, 0, false, {}},
      {-2, -2, 16, false, {}},
  };
  const std::string png = tempPath("tovi2_engine_save.png");
  for (const Row& row : rows) {
    std::filesystem::remove(png);
    const std::vector<uint8_t> pixels(row.bytes, 0x80);
    EXPECT_EQ(img_SavePng(png, row.w, row.h, pixels), row.saved) << row.w << "x" << row.h;
    EXPECT_EQ(readPngHeader(png), row.header) << row.w << "x" << row.h;
  }
  std::filesystem::remove(png);
}

TEST(EngineErrors, failed_video_start_reports_and_calls_nothing) {
  if (zgl_IsHeadless()) GTEST_SKIP() << "an earlier test in this process switched to headless";
  record = Record{};
  zgl_Reg(SYS_LOAD, onLoad);
  zgl_Reg(SYS_EXIT, onExit);
  setenv("SDL_VIDEODRIVER", "no_such_driver", 1);
  EXPECT_FALSE(zgl_Init());
  EXPECT_EQ(zgl_GetError(), "Cannot start the video system: no_such_driver not available");
  EXPECT_EQ(record.log, std::vector<std::string>{});
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
}

TEST(EngineErrors, show_error_writes_caption_and_text_to_stderr) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);  // never a modal box in a test
  testing::internal::CaptureStderr();
  sys_ShowError("Error", "Error while loading ZenGL");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Error while loading ZenGL\n");
}

}  // namespace
