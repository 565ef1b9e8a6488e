// The shipped game folder as the build makes it: the committed text of game/, the images
// drawn by make_assets and the packages it builds from game-src/packages. Every file the
// game loads must be there with the size the game cuts it by, the art must agree with
// the descriptions and animation files that cut it, and every level must load.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "data/dat_file.h"
#include "data/file_io.h"
#include "data/zip_file.h"
#include "platform/engine.h"

namespace fs = std::filesystem;

namespace {

struct Image {
  int w = 0, h = 0;
  std::vector<uint8_t> rgba;

  uint8_t Alpha(int x, int y) const { return rgba[(size_t(y) * w + x) * 4 + 3]; }
};

Image LoadImage(const std::string& path) {
  Image image;
  EXPECT_TRUE(img_LoadRgba(path, image.w, image.h, image.rgba)) << path;
  return image;
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::string text = ReadWholeFile(path), line;
  for (char c : text) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

int Shell(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quote(const std::string& text) {
  return "'" + text + "'";
}

// Builds the game folder once per test process, as the build does. It is built in SetUp,
// not in SetUpTestSuite, so that a generator that fails fails every test instead of
// skipping them.
class GameFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    if (built_) return;
    root_ = (fs::temp_directory_path() / ("tovi2-game-test-" + std::to_string(getpid()))).string();
    fs::remove_all(root_);
    fs::create_directories(root_);
    fs::copy(std::string(TOVI2_SOURCE_DIR) + "/game", Game(), fs::copy_options::recursive);
    ASSERT_EQ(MakeAssets(Game()), 0);
    built_ = true;
  }
  static void TearDownTestSuite() { fs::remove_all(root_); }

  static int MakeAssets(const std::string& folder) {
    return Shell(Quote(MAKE_ASSETS) + " " + Quote(folder) + " " +
                 Quote(std::string(TOVI2_SOURCE_DIR) + "/game-src/packages") + " >/dev/null");
  }
  static std::string Game() { return root_ + "/game"; }
  static std::string In(const std::string& relative) { return Game() + "/" + relative; }

  // Every file below the game folder with the given extension, relative to it.
  static std::vector<std::string> FilesWith(const std::string& extension) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(Game())) {
      if (entry.path().extension() == extension)
        found.push_back(fs::relative(entry.path(), Game()).string());
    }
    std::sort(found.begin(), found.end());
    return found;
  }

  static std::string root_;
  static bool built_;
};
std::string GameFolder::root_;
bool GameFolder::built_ = false;

TEST_F(GameFolder, every_image_the_game_loads_is_there_with_its_size) {
  // The GUI images with the sizes the menus and the time display cut them by; the fill
  // textures, sprites and frame strips with the sizes their descriptions assume.
  const std::map<std::string, std::pair<int, int>> expected = {
      {"Data/Backgrounds/sky.png", {800, 600}},    {"Data/GUI/back.png", {128, 128}},
      {"Data/GUI/ball.png", {106, 106}},           {"Data/GUI/bklogo.png", {240, 100}},
      {"Data/GUI/digits.png", {11 * 16, 39}},      {"Data/GUI/sisak.png", {10 * 40, 5 * 40}},
      {"Data/Creatures/tovi.png", {384, 240}},     {"Data/Objects/exit.png", {16 * 48, 80}},
      {"Data/Objects/food.png", {24 * 32, 32}},    {"Data/Objects/spikes.png", {40, 28}},
      {"Data/Objects/key.png", {24 * 32, 32}},     {"Data/Objects/lever.png", {40, 48}},
      {"Data/Objects/portal.png", {16 * 48, 64}},  {"Data/Objects/spring.png", {40, 32}},
      {"Data/Polygons/earth.png", {128, 128}},     {"Data/Polygons/grass.png", {128, 128}},
      {"Data/Polygons/ground.png", {128, 128}},    {"Data/Polygons/rock.png", {128, 128}},
      {"Data/Polygons/wood.png", {128, 128}},      {"Data/Sprites/bush.png", {100, 60}},
      {"Data/Sprites/cloud.png", {220, 120}},      {"Data/Sprites/flowers.png", {64, 40}},
      {"Data/Sprites/lever_pulled.png", {40, 48}}, {"Data/Sprites/padlock.png", {28, 32}},
      {"Data/Sprites/sunflower.png", {104, 112}},  {"Data/Sprites/tree.png", {160, 220}},
      {"Data/Sprites/windmill.png", {224, 160}},
  };
  std::map<std::string, std::pair<int, int>> found;
  for (const std::string& png : FilesWith(".png")) {
    Image image = LoadImage(In(png));
    found[png] = {image.w, image.h};
  }
  EXPECT_EQ(found, expected);
}

// Every file of a folder tree, relative to it, with a hash of its bytes.
std::map<std::string, size_t> TreeHashes(const std::string& folder) {
  std::map<std::string, size_t> hashes;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file())
      hashes[fs::relative(entry.path(), folder).string()] =
          std::hash<std::string>()(ReadWholeFile(entry.path()));
  return hashes;
}

TEST_F(GameFolder, a_second_build_gives_the_same_files_with_the_same_bytes) {
  std::string again = root_ + "/again";
  fs::copy(std::string(TOVI2_SOURCE_DIR) + "/game", again, fs::copy_options::recursive);
  ASSERT_EQ(MakeAssets(again), 0);
  std::map<std::string, size_t> built = TreeHashes(again);
  EXPECT_EQ(built, TreeHashes(Game()));
  EXPECT_GT(built.size(), 20u);
}

// A fill texture repeats across the world, so its opposite edges must join. Along a
// boundary between two neighbouring columns (or rows), a line of pixels "breaks" where
// its step across the boundary is much sharper than the steps just before and after it.
// Natural edges (a plank's end, a stone's joint) break some lines wherever they lie, so
// the seam between the last column and the first may break little more than the worst
// boundary inside the image. A hill that ends in mid-air, or noise that does not repeat,
// breaks many more.
double Step(const Image& image, int x0, int y0, int x1, int y1) {
  double sum = 0;
  for (int c = 0; c < 3; ++c) {
    sum += std::abs(int(image.rgba[(size_t(y0) * image.w + x0) * 4 + c]) -
                    image.rgba[(size_t(y1) * image.w + x1) * 4 + c]);
  }
  return sum / 3;
}

// Lines that break at the boundary after index i (wrapping), across columns or rows.
int Breaks(const Image& image, bool acrossColumns, int i) {
  const int lines = acrossColumns ? image.h : image.w;
  const int n = acrossColumns ? image.w : image.h;
  auto step = [&](int line, int k) {
    int a = (k % n + n) % n, b = (a + 1) % n;
    return acrossColumns ? Step(image, a, line, b, line) : Step(image, line, a, line, b);
  };
  int breaks = 0;
  for (int line = 0; line < lines; ++line) {
    if (step(line, i) > 3 * std::max(step(line, i - 1), step(line, i + 1)) + 6) ++breaks;
  }
  return breaks;
}

void ExpectSeamless(const Image& image, const std::string& name, bool acrossColumns) {
  const int n = acrossColumns ? image.w : image.h;
  int worstInside = 0;
  for (int i = 1; i + 2 < n; ++i)
    worstInside = std::max(worstInside, Breaks(image, acrossColumns, i));
  EXPECT_LE(Breaks(image, acrossColumns, n - 1), 2.5 * worstInside + 2)
      << name << (acrossColumns ? " left/right" : " top/bottom");
}

bool Opaque(const Image& image) {
  for (int y = 0; y < image.h; ++y)
    for (int x = 0; x < image.w; ++x)
      if (image.Alpha(x, y) != 255) return false;
  return true;
}

TEST_F(GameFolder, backgrounds_and_fill_textures_tile_without_seams) {
  struct Tile {
    const char* path;
    // Whether it also repeats top to bottom: the grass-topped ground starts at a polygon's
    // top edge, and the sky is drawn once from the top of the screen.
    bool vertically;
  };
  for (const Tile& tile : {Tile{"Data/Polygons/earth.png", true},
                           {"Data/Polygons/grass.png", true},
                           {"Data/Polygons/rock.png", true},
                           {"Data/Polygons/wood.png", true},
                           {"Data/Polygons/ground.png", false},
                           {"Data/GUI/back.png", true},
                           {"Data/Backgrounds/sky.png", false}}) {
    Image image = LoadImage(In(tile.path));
    EXPECT_TRUE(Opaque(image)) << tile.path;
    ExpectSeamless(image, tile.path, true);
    if (tile.vertically) ExpectSeamless(image, tile.path, false);
  }
}

// The box of the pixels at least half opaque within a cell, relative to the cell's centre.
struct Extent {
  int left = 1 << 20, top = 1 << 20, right = -(1 << 20), bottom = -(1 << 20);
  bool Empty() const { return right < left; }
};

Extent OpaqueExtent(const Image& image, int x0, int y0, int w, int h) {
  Extent e;
  for (int y = y0; y < y0 + h; ++y) {
    for (int x = x0; x < x0 + w; ++x) {
      if (image.Alpha(x, y) < 128) continue;
      e.left = std::min(e.left, x - x0 - w / 2);
      e.right = std::max(e.right, x - x0 - w / 2 + 1);
      e.top = std::min(e.top, y - y0 - h / 2);
      e.bottom = std::max(e.bottom, y - y0 - h / 2 + 1);
    }
  }
  return e;
}

struct SprFrame {
  int x, y, w, h;
};

// The image and the cut-out rectangles of a frame list.
std::pair<std::string, std::vector<SprFrame>> ReadFrameList(const std::string& path) {
  std::vector<std::string> lines = ReadLines(path);
  std::vector<SprFrame> frames;
  for (size_t i = 1; i < lines.size(); ++i) {
    SprFrame f{};
    EXPECT_EQ(std::sscanf(lines[i].c_str(), "%d %d %d %d", &f.x, &f.y, &f.w, &f.h), 4) << lines[i];
    frames.push_back(f);
  }
  return {lines.empty() ? "" : lines[0], frames};
}

// The creature is simulated as a capsule: circles of Radius at LegsY and HeadY below the
// position, which is the centre of each frame. The drawing must stand on the capsule's
// bottom and be about as wide as the capsule, or Tovi would float or sink into walls.
TEST_F(GameFolder, the_creature_is_drawn_on_its_body) {
  TDat tovi;
  tovi.LoadFromFile(In("Data/Creatures/tovi.dat"));
  const float legs = tovi.Param("LegsY").AsFloat(0), radius = tovi.Param("Radius").AsFloat(0);
  ASSERT_GT(radius, 0);
  for (const char* key : {"StandSpr", "WalkSpr"}) {
    std::string spr = In("Data/Creatures/" + tovi.Param(key).AsString(""));
    auto [imageName, frames] = ReadFrameList(spr);
    Image image = LoadImage(In("Data/Creatures/" + imageName));
    EXPECT_GE(frames.size(), 8u) << key;
    for (const SprFrame& f : frames) {
      ASSERT_LE(f.x + f.w, image.w) << key;
      ASSERT_LE(f.y + f.h, image.h) << key;
      Extent e = OpaqueExtent(image, f.x, f.y, f.w, f.h);
      ASSERT_FALSE(e.Empty()) << key;
      EXPECT_NEAR(e.bottom, legs + radius, 1.5) << key << " frame at " << f.x << "," << f.y;
      EXPECT_TRUE(e.top > -f.h / 2 && e.left > -f.w / 2 && e.right < f.w / 2)
          << key << " frame at " << f.x << "," << f.y << " is cut off";
      EXPECT_LE(e.right - e.left, 2 * radius + 8) << key;
      EXPECT_GE(e.right - e.left, 2 * radius - 2) << key;
    }
  }
}

// An object or sprite description with a frame strip cuts FramesCount cells left to
// right, row by row; each cell must lie inside the image and show something.
TEST_F(GameFolder, frame_strips_hold_every_frame_they_promise) {
  int strips = 0;
  for (const std::string& dat : FilesWith(".dat")) {
    TDat description;
    description.LoadFromFile(In(dat));
    int w = description.Param("FrameWidth").AsInteger(0);
    int h = description.Param("FrameHeight").AsInteger(0);
    int count = description.Param("FramesCount").AsInteger(0);
    if (w < 1 || h < 1 || count < 1) continue;
    ++strips;
    std::string folder = fs::path(dat).parent_path().string();
    Image image = LoadImage(In(folder + "/" + description.Param("Texture").AsString("")));
    EXPECT_GE((image.w / w) * (image.h / h), count) << dat;
    for (int i = 0; i < count && (image.w / w) > 0; ++i) {
      int x = i % (image.w / w) * w, y = i / (image.w / w) * h;
      if (y + h > image.h) break;
      EXPECT_FALSE(OpaqueExtent(image, x, y, w, h).Empty()) << dat << " frame " << i;
    }
  }
  EXPECT_GE(strips, 2);
}

// Pattern descriptions name their files relative to their own folder.
TEST_F(GameFolder, pattern_descriptions_name_files_that_exist) {
  const std::set<std::string> types = {"Polygon", "Sprite", "Creature", "Object"};
  int named = 0;
  for (const std::string& dat : FilesWith(".dat")) {
    TDat description;
    description.LoadFromFile(In(dat));
    EXPECT_TRUE(types.count(description.Param("Type").AsString(""))) << dat;
    std::string folder = fs::path(dat).parent_path().string();
    for (const char* key : {"Texture", "Sprite", "StandSpr", "WalkSpr"}) {
      std::string file = description.Param(key).AsString("");
      if (file.empty()) continue;
      EXPECT_TRUE(fs::is_regular_file(In(folder + "/" + file))) << dat << " " << key;
      ++named;
    }
  }
  EXPECT_EQ(named, 9);
}

// Frame lists cut inside their images; every outline point of a keyframed part lies on
// its texture, and each part shows something.
TEST_F(GameFolder, animation_files_cut_inside_their_images) {
  int cut = 0;
  for (const std::string& spr : FilesWith(".spr")) {
    auto [imageName, frames] = ReadFrameList(In(spr));
    cut += static_cast<int>(frames.size());
    Image image = LoadImage(In(fs::path(spr).parent_path().string() + "/" + imageName));
    for (const SprFrame& f : frames) {
      EXPECT_TRUE(f.x >= 0 && f.y >= 0 && f.x + f.w <= image.w && f.y + f.h <= image.h) << spr;
    }
  }
  std::vector<std::string> rigs = FilesWith(".rgs");
  EXPECT_EQ(std::make_pair(cut, rigs.size()), std::make_pair(40, size_t(2)));
  for (const std::string& rgs : rigs) {
    std::vector<std::string> lines = ReadLines(In(rgs));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "RigSprite") << rgs;
    Image texture;
    int parts = 0;
    for (size_t i = 1; i < lines.size(); ++i) {
      const std::string& line = lines[i];
      size_t eq = line.find('=');
      std::string key = line.substr(0, eq),
                  value = eq == std::string::npos ? "" : line.substr(eq + 1);
      if (key == "Texture") {
        texture = LoadImage(In(fs::path(rgs).parent_path().string() + "/" + value));
      } else if (key == "Frames") {
        ++parts;
        for (int frame = std::stoi(value); frame > 0; --frame) {
          int points = std::stoi(lines.at(i + 3));
          float minX = 1e9f, minY = 1e9f, maxX = -1e9f, maxY = -1e9f;
          for (int p = 0; p < points; ++p) {
            float x = 0, y = 0;
            std::sscanf(lines.at(i + 4 + p).c_str(), "%f %f", &x, &y);
            EXPECT_TRUE(x >= 0 && y >= 0 && x <= texture.w && y <= texture.h)
                << rgs << ": " << x << " " << y;
            minX = std::min(minX, x), minY = std::min(minY, y);
            maxX = std::max(maxX, x), maxY = std::max(maxY, y);
          }
          EXPECT_FALSE(
              OpaqueExtent(texture, int(minX), int(minY), int(maxX - minX), int(maxY - minY))
                  .Empty())
              << rgs;
          i += 3 + points;
        }
      } else if (key.size() > 4 && key.ends_with("Keys")) {
        i += std::stoi(value);
      }
    }
    EXPECT_GE(parts, 2) << rgs;
  }
}

// A package carries its level, its pattern description and the images drawn for it, all
// deflated, with "\" between folders and CR LF line ends (the game splits package text
// at CR, so a file with LF alone would be one long line). Its fill textures tile like
// the stock ones.
TEST_F(GameFolder, the_boulder_package_brings_its_own_images) {
  TZipFile zip;
  zip.LoadFromFile(In("Levels/06-Boulder.zle"));
  std::vector<std::string> names;
  for (int i = 0; i < zip.Count(); ++i)
    names.push_back(zip.Name(i));
  EXPECT_EQ(names, (std::vector<std::string>{
                       "Boulder.vle", "Data\\Polygons\\crystal.dat", "Data\\Polygons\\crystal.png",
                       "Data\\Polygons\\cavewall.png", "Data\\Sprites\\gem.png"}));
  for (int i = 0; i < zip.Count(); ++i) {
    EXPECT_EQ(zip.LocalEntry(i).Header.Method, 8) << names[i];
    std::string data = zip.Data(i);
    if (names[i].ends_with(".png")) {
      std::string scratch = root_ + "/member.png";
      WriteFileAtomic(scratch, data);
      Image image = LoadImage(scratch);
      EXPECT_GT(image.w * image.h, 0) << names[i];
      if (names[i].starts_with("Data\\Polygons\\")) {
        EXPECT_TRUE(Opaque(image)) << names[i];
        ExpectSeamless(image, names[i], true);
        ExpectSeamless(image, names[i], false);
      }
      continue;
    }
    for (size_t at = data.find('\n'); at != std::string::npos; at = data.find('\n', at + 1))
      ASSERT_TRUE(at > 0 && data[at - 1] == '\r') << names[i] << " has a line without CR";
    EXPECT_TRUE(data.ends_with("\r\n")) << names[i];
  }
}

// What every level is made of: a creature (the last one is the player), one exit, apples
// to eat, IDs that name one element each, and joints whose ends exist.
void ExpectPlayable(TDat& level, const std::string& name) {
  EXPECT_EQ(level.Param("Type").AsString(""), "Level") << name;
  std::map<std::string, int> counts;
  std::set<int> ids;
  std::vector<std::pair<int, int>> joints;
  for (const auto& layer : level.Blocks) {
    if (layer->Name != "Layer") continue;
    for (const auto& element : layer->Blocks) {
      int id = element->Param("ID").AsInteger(0);
      EXPECT_TRUE(ids.insert(id).second) << name << ": ID " << id << " twice";
      std::string file = element->Param("FileName").AsString("");
      ++counts[element->Name == "Object" ? file : element->Name];
      if (element->Name == "Joint")
        joints.push_back(
            {element->Param("E1ID").AsInteger(0), element->Param("E2ID").AsInteger(0)});
      if (element->Name == "Polygon") {
        EXPECT_GE(element->FindBlock("Vertices")->Lines.size(), 3u) << name << ": polygon " << id;
      }
    }
  }
  EXPECT_GE(counts["Creature"], 1) << name;
  EXPECT_EQ(counts["exit.dat"], 1) << name;
  EXPECT_GE(counts["food.dat"], 3) << name;
  for (auto [e1, e2] : joints) {
    EXPECT_TRUE(ids.count(e1)) << name << ": joint end " << e1;
    EXPECT_TRUE(e2 == 0 || ids.count(e2)) << name << ": joint end " << e2;
  }
}

TEST_F(GameFolder, every_level_has_a_player_an_exit_and_apples) {
  for (const std::string& vle : FilesWith(".vle")) {
    TDat level;
    level.LoadFromFile(In(vle));
    ExpectPlayable(level, vle);
  }
  for (const std::string& zle : FilesWith(".zle")) {
    TZipFile zip;
    zip.LoadFromFile(In(zle));
    TDat packaged;
    packaged.LoadFromText(zip.Data(0));
    ExpectPlayable(packaged, zle);
  }
}

// Each level is played through by the ctest level_<name>, from the key script
// tests/game/levels/<name>.keys; a level without one would go unproven.
TEST_F(GameFolder, every_level_has_a_key_script_that_plays_it_through) {
  std::vector<std::string> levels, scripts;
  for (const auto& entry : fs::directory_iterator(In("Levels")))
    levels.push_back(entry.path().stem().string());
  for (const auto& entry :
       fs::directory_iterator(std::string(TOVI2_SOURCE_DIR) + "/tests/game/levels"))
    scripts.push_back(entry.path().stem().string());
  std::sort(levels.begin(), levels.end());
  std::sort(scripts.begin(), scripts.end());
  EXPECT_EQ(levels, scripts);
  EXPECT_GE(levels.size(), 12u);
}

// The game's own loader, through tovi2-tool, run in the game folder as the game runs:
// nothing a level names may be missing.
TEST_F(GameFolder, every_level_loads_with_nothing_missing) {
  int checked = 0;
  for (const auto& entry : fs::directory_iterator(In("Levels"))) {
    std::string name = entry.path().filename().string();
    if (name.starts_with(".")) continue;
    EXPECT_EQ(Shell("cd " + Quote(Game()) + " && " + Quote(TOVI2_TOOL) + " level check " +
                    Quote("Levels/" + name) + " >/dev/null"),
              0)
        << name;
    ++checked;
  }
  EXPECT_EQ(checked, 14);
}

// Tovi looks where he walks. The camera keeps the player at the screen's centre, so his
// eyes (the only pure white of the creature) lie right of x = 400 after walking right and
// left of it after walking left.
TEST_F(GameFolder, the_creature_faces_the_way_it_walks) {
  const std::string folder = root_ + "/facing";
  fs::remove_all(folder);
  fs::copy(Game(), folder, fs::copy_options::recursive);
  std::ofstream(folder + "/Config.dat") << "SelPlayer = \"Anna\"\r\nSelLevel = "
                                           "\"01-Walk.vle\"\r\n[Players]\r\nAnna\r\n[/Players]\r\n";
  // The level starts beside a wall on the left: walk right first, then back.
  const std::pair<const char*, int> walks[] = {
      {"500 down RIGHT\n", 1}, {"500 down RIGHT\n900 up RIGHT\n900 down LEFT\n", -1}};
  for (auto [walk, side] : walks) {
    std::ofstream(root_ + "/keys.txt") << "5 down ENTER\n6 up ENTER\n10 down ENTER\n11 up ENTER\n"
                                       << "15 down ENTER\n16 up ENTER\n"
                                       << walk;
    const std::string shot = root_ + "/facing.png";
    ASSERT_EQ(
        Shell(Quote(TOVI2_EXE) + " --headless --dir " + Quote(folder) + " --ticks 1200 --keys " +
              Quote(root_ + "/keys.txt") + " --screenshot " + Quote(shot)),
        0);
    Image image = LoadImage(shot);
    ASSERT_EQ(image.w, 800);
    long sum = 0, count = 0;
    for (int y = 276; y < 324; ++y) {
      for (int x = 376; x < 424; ++x) {
        const uint8_t* p = &image.rgba[(size_t(y) * image.w + x) * 4];
        if (p[0] < 245 || p[1] < 245 || p[2] < 245) continue;
        sum += x - 400;
        ++count;
      }
    }
    ASSERT_GT(count, 10) << walk;
    EXPECT_GT(side * sum, 0) << walk << "eyes on the wrong side";
  }
}

}  // namespace
