// Level files: the writer's exact text, the reader's rules and defaults, round trips,
// packages, and files made to break the loader.
#include "world/level_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "data/file_io.h"
#include "data/real_text.h"
#include "data/zip_file.h"
#include "level_fixture.h"
#include "world/creature.h"
#include "world/elements.h"
#include "world/poly.h"

namespace {

using level_test::AddPattern;
using level_test::LevelTest;
using level_test::Lines;
using level_test::TempFolder;

// What the writer makes of a level holding every kind of element.
const std::string kEveryKind = Lines({
    "Type = Level",
    "CamX = 410",
    "CamY = 280",
    "CamZoom = 1.5",
    "Checksum = 4464",
    "[StartScript]",
    "begin",
    "  SetInt('A', 1); // one",
    "end;",
    "[/StartScript]",
    "<Layer>",
    "Name = \"Main Hall\"",
    "<Polygon>",
    "FileName = \"ground.png\"",
    "ID = 1",
    "Type = Static",
    "TexX = 0.25",
    "TexY = -3",
    "[Vertices]",
    "10.25 -3",
    "0.3333 2",
    "100 0",
    "[/Vertices]",
    "</Polygon>",
    "<Polygon>",
    "FileName = \"\"",
    "ID = 2",
    "LinkID = 1",
    "Type = Dynamic",
    "TexX = 0",
    "TexY = 0",
    "Visible = False",
    "[Vertices]",
    "0 0",
    "10 0",
    "10 10",
    "[/Vertices]",
    "</Polygon>",
    "<Circle>",
    "FileName = \"wheel.png\"",
    "ID = 3",
    "Type = Decor",
    "TexX = 0",
    "TexY = 0",
    "v1x = 50",
    "v1y = 60",
    "v2x = 62.5",
    "v2y = 60",
    "</Circle>",
    "<Sprite>",
    "FileName = \"tree.png\"",
    "ID = 4",
    "LinkID = 2",
    "X = 5.5",
    "Y = 6",
    "Visible = False",
    "Animated = False",
    "</Sprite>",
    "</Layer>",
    "<Layer>",
    "Visible = False",
    "<Creature>",
    "FileName = \"tovi.dat\"",
    "ID = 5",
    "X = 100",
    "Y = 200",
    "</Creature>",
    "<Object>",
    "FileName = \"food.dat\"",
    "ID = 6",
    "X = 1",
    "Y = 2",
    "[TouchScript]",
    "Obj_Delete(0);",
    "[/TouchScript]",
    "</Object>",
    "<Object>",
    "FileName = \"exit.dat\"",
    "ID = 7",
    "X = -1",
    "Y = 0",
    "</Object>",
    "<Joint>",
    "ID = 8",
    "X = 10",
    "Y = 10",
    "E1ID = 1",
    "E2ID = 2",
    "</Joint>",
    "</Layer>",
    "[TopTen]",
    "1234 Ann Lee",
    "1500 Bob",
    "[/TopTen]",
});

// The head the writer gives a level with the default camera and no checksum.
std::string Head() {
  return Lines({"Type = Level", "CamX = 0", "CamY = 0", "CamZoom = 1"});
}

class LevelFileTest : public LevelTest {
 protected:
  // The patterns kEveryKind names.
  void AddEveryKindPatterns() {
    PolyPat("ground.png");
    PolyPat("wheel.png");
    SpritePat("tree.png");
    CreaturePat("tovi.dat");
    ObjPat("food.dat");
    ObjPat("exit.dat");
  }

  static std::string Resaved(std::string_view text) { return ToText(*FromText(text)); }
};

template <class Object>
Object* Add(TLayer& layer, int32_t id, std::unique_ptr<Object> obj) {
  Object* raw = obj.get();
  layer.AddElement(std::move(obj), id);
  return raw;
}

void AddFirstLayer(TLayer& layer, TPolyPat* ground, TPolyPat* wheel, TSpritePat* tree) {
  TPoly* poly = Add(layer, 1, std::make_unique<TPoly>());
  poly->SetPattern(ground);
  poly->TexX = 0.25f;
  poly->TexY = -3;
  poly->AddVertex(10.25f, -3);
  poly->AddVertex(1.0f / 3, 2);
  poly->AddVertex(100, 0);
  TPoly* bare = Add(layer, 2, std::make_unique<TPoly>());
  bare->Type = ptDynamic;
  bare->Visible = false;
  for (auto [x, y] : {std::pair{0, 0}, {10, 0}, {10, 10}})
    bare->AddVertex(float(x), float(y));
  layer.Elements.back()->LinkID = 1;
  TCircle* circle = Add(layer, 3, std::make_unique<TCircle>(50, 60, 12.5f));
  circle->Poly->SetPattern(wheel);
  circle->Poly->Type = ptDecor;
  TSprite* sprite = Add(layer, 4, std::make_unique<TSprite>());
  sprite->SetPattern(tree);
  sprite->X = 5.5f;
  sprite->Y = 6;
  sprite->Visible = false;
  sprite->Animated = false;
  layer.Elements.back()->LinkID = 2;
}

TEST_F(LevelFileTest, writer_gives_every_kind_in_the_game_order) {
  TLevel level;
  level.InitCamera = {10, -20, 0, 1.5f};
  level.Checksum = 4464;
  level.StartScript.SetLines({"begin", "  SetInt('A', 1); // one", "end;"});
  AddFirstLayer(*level.AddLayer("Main Hall"), PolyPat("ground.png"), PolyPat("wheel.png"),
                SpritePat("tree.png"));
  TLayer* second = level.AddLayer("");
  second->Visible = false;
  TCreature* creature = Add(*second, 5, std::make_unique<TCreature>());
  creature->SetPattern(CreaturePat("tovi.dat"));
  creature->X = 100;
  creature->Y = 200;
  TObj* food = Add(*second, 6, std::make_unique<TObj>());
  food->SetPattern(ObjPat("food.dat"));
  food->X = 1;
  food->Y = 2;
  food->TouchScript.SetLines({"Obj_Delete(0);"});
  TObj* exit = Add(*second, 7, std::make_unique<TObj>());
  exit->SetPattern(ObjPat("exit.dat"));
  exit->X = -1;
  TJoint* joint = Add(*second, 8, std::make_unique<TJoint>());
  joint->X = joint->Y = 10;
  joint->E1ID = 1;
  joint->E2ID = 2;
  // Entries after the first empty one are not written.
  TopTen.Time = {1234, 1500, 0, 77};
  TopTen.Name = {"Ann Lee", "Bob", "", "Ghost"};

  EXPECT_EQ(ToText(level), kEveryKind);
}

TEST_F(LevelFileTest, a_loose_file_settles_after_one_save) {
  PolyPat("my ground.png");
  const std::string loose = Lines({
      "Type = Level",
      "CamZoom = 1",
      "// a comment line",
      "<Layer>",
      "Name = \"  two  blanks  \"",
      "Visible = 0",
      "<Polygon>",
      "FileName = \"my ground.png\"",
      "ID = $10",
      "Type = dynamic",
      "TexX = 1.50",
      "Unknown = 5",
      "[Vertices]",
      "1.0 2.0 3.0",
      "abc 7",
      "9 nan",
      "1e39 1",
      "[/Vertices]",
      "</Polygon>",
      "<Circle>",
      "v1x = 10",
      "v1y = 10",
      "v2x = 10",
      "v2y = -10",
      "Visible = no",
      "</Circle>",
      "<Joint>",
      "E1ID = 16",
      "E2ID = 99",
      "</Joint>",
      "</Layer>",
      "[startscript]",
      "x := 1;",
      "[/startscript]",
  });
  const std::string settled = Head() + Lines({
                                           "[StartScript]",
                                           "x := 1;",
                                           "[/StartScript]",
                                           "<Layer>",
                                           "Name = \"  two  blanks  \"",
                                           "Visible = False",
                                           "<Polygon>",
                                           "FileName = \"my ground.png\"",
                                           "ID = 16",
                                           "Type = Static",
                                           "TexX = 1.5",
                                           "TexY = 0",
                                           "[Vertices]",
                                           "1 2",
                                           "0 7",
                                           "9 0",
                                           "0 1",
                                           "[/Vertices]",
                                           "</Polygon>",
                                           "<Circle>",
                                           "FileName = \"\"",
                                           "ID = 1",
                                           "Type = Static",
                                           "TexX = 0",
                                           "TexY = 0",
                                           "Visible = False",
                                           "v1x = 10",
                                           "v1y = 10",
                                           "v2x = 30",
                                           "v2y = 10",
                                           "</Circle>",
                                           "<Joint>",
                                           "ID = 2",
                                           "X = 0",
                                           "Y = 0",
                                           "E1ID = 16",
                                           "E2ID = 99",
                                           "</Joint>",
                                           "</Layer>",
                                       });
  std::string once = Resaved(loose);
  EXPECT_EQ(once, settled);
  EXPECT_EQ(Resaved(once), once);
}

TEST_F(LevelFileTest, vertex_lines_are_split_at_single_blanks) {
  PolyPat("g.png");
  struct Case {
    const char* line;
    const char* vertex;  // as written back; empty for none
  };
  const Case cases[] = {
      {"10.25 -3", "10.25 -3"},
      {" 5 5", ""},
      {"5\t5", ""},
      {"5  5", ""},
      {"5 5 ", "5 5"},
      {"5 5 7 x", "5 5"},
      {"5", ""},
      {"5 ", ""},
      {"", ""},
      {"x 5", "0 5"},
      {"5 nan", "5 0"},
      {"inf -inf", "0 0"},
      {"1e39 2", "0 2"},
      {"+1.5 -.5", "1.5 -0.5"},
      {"1e-50 3", "0 3"},
      {"0.00004 2", "0 2"},
  };
  for (const Case& c : cases) {
    std::unique_ptr<TLevel> level =
        FromText(Lines({"Type = Level", "<Layer>", "<Polygon>", "FileName = \"g.png\"",
                        "[Vertices]", c.line, "[/Vertices]", "</Polygon>", "</Layer>"}));
    TPoly* poly = level->Layers[0]->Elements[0]->As<TPoly>();
    std::string written;
    for (const TPolyVertex& v : poly->Vertices)
      written += FloatToText(v.X) + " " + FloatToText(v.Y);
    EXPECT_EQ(written, c.vertex) << "line \"" << c.line << "\"";
  }
}

TEST_F(LevelFileTest, block_names_and_script_lookups) {
  PolyPat("g.png");
  std::unique_ptr<TLevel> level = FromText(Lines({
      "Type = Level",    "<layer>",
      "<Polygon>",       "FileName = \"g.png\"",
      "</Polygon>",      "</layer>",
      "<Layer>",         "<polygon>",
      "</polygon>",      "<Sprites>",
      "</Sprites>",      "<Joint>",
      "<Joint>",         "</Joint>",
      "</Joint>",        "</Layer>",
      "[startscript]",   "a := 1; // comment",
      "b := 2;",         "[/startscript]",
      "[UPDATESCRIPT]",  "c := 3;",
      "[/UPDATESCRIPT]",
  }));
  ASSERT_EQ(level->Layers.size(), 1u);
  ASSERT_EQ(level->Layers[0]->Elements.size(), 1u);
  EXPECT_NE(level->Layers[0]->Elements[0]->As<TJoint>(), nullptr);
  EXPECT_EQ(level->StartScript.Lines, (std::vector<std::string>{"a := 1; // comment", "b := 2;"}));
  EXPECT_EQ(level->StartScript.Source, "a := 1; // comment b := 2; ");
  EXPECT_EQ(level->UpdateScript.Source, "c := 3; ");
  // The compiler sees every line cut at its first "//", quoted or not.
  EXPECT_EQ(JoinScriptLines(level->StartScript.Lines), "a := 1;  b := 2; ");
  EXPECT_EQ(JoinScriptLines({"s := 'a//b';", "//", "x"}), "s := 'a  x ");
  EXPECT_EQ(JoinScriptLines({}), "");
}

TEST_F(LevelFileTest, camera_is_the_view_centre_on_an_800_by_600_screen) {
  struct Case {
    const char* lines;
    Camera2D camera;
    const char* written;
  };
  const Case cases[] = {
      {"CamX = 400\r\nCamY = 300\r\nCamZoom = 1\r\n",
       {0, 0, 0, 1},
       "CamX = 400\r\nCamY = 300\r\nCamZoom = 1\r\n"},
      {"", {-400, -300, 0, 1}, "CamX = 0\r\nCamY = 0\r\nCamZoom = 1\r\n"},
      {"CamX = 410.5\r\nCamY = -20\r\nCamZoom = 0.5\r\n",
       {10.5f, -320, 0, 0.5f},
       "CamX = 410.5\r\nCamY = -20\r\nCamZoom = 0.5\r\n"},
      {"CamX = wide\r\nCamZoom = none\r\n",
       {-400, -300, 0, 1},
       "CamX = 0\r\nCamY = 0\r\nCamZoom = 1\r\n"},
  };
  for (const Case& c : cases) {
    std::unique_ptr<TLevel> level = FromText("Type = Level\r\n" + std::string(c.lines));
    const Camera2D& cam = level->InitCamera;
    EXPECT_EQ((std::vector<float>{cam.X, cam.Y, cam.Zoom}),
              (std::vector<float>{c.camera.X, c.camera.Y, c.camera.Zoom}))
        << c.lines;
    EXPECT_EQ(ToText(*level), "Type = Level\r\n" + std::string(c.written)) << c.lines;
  }
}

TEST_F(LevelFileTest, checksum_keeps_its_low_16_bits) {
  struct Case {
    const char* value;
    uint16_t checksum;
  };
  const Case cases[] = {{"70000", 4464}, {"0", 0},   {"65535", 65535}, {"-1", 65535},
                        {"$10", 16},     {"abc", 0}, {"65536", 0}};
  for (const Case& c : cases) {
    std::unique_ptr<TLevel> level =
        FromText(Lines({"Type = Level", std::string("Checksum = ") + c.value}));
    EXPECT_EQ(level->Checksum, c.checksum) << c.value;
  }
  EXPECT_EQ(Resaved(Lines({"Type = Level", "Checksum = 70000"})),
            Head() + Lines({"Checksum = 4464"}));
  EXPECT_EQ(Resaved(Lines({"Type = Level", "Checksum = 65536"})), Head());
}

// A polygon or circle whose pattern is missing keeps its file name, so a level rewritten
// with a new top ten does not lose its texture names.
TEST_F(LevelFileTest, missing_patterns_drop_sprites_creatures_and_objects_but_keep_shapes) {
  struct Case {
    std::vector<std::string_view> block;
    std::string saved;  // the layer's content as written back
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {{"<Sprite>", "FileName = \"gone.png\"", "ID = 3", "</Sprite>"},
       "",
       {"File Not Found: gone.png"}},
      {{"<Sprite>", "ID = 3", "</Sprite>"}, "", {}},
      {{"<Creature>", "FileName = \"gone.dat\"", "</Creature>"}, "", {"File Not Found: gone.dat"}},
      {{"<Object>", "FileName = \"Apple.dat\"", "</Object>"}, "", {"File Not Found: Apple.dat"}},
      {{"<Object>", "FileName = \"apple.png\"", "</Object>"}, "", {"File Not Found: apple.png"}},
      {{"<Polygon>", "FileName = \"gone.png\"", "ID = 7", "[Vertices]", "1 2", "[/Vertices]",
        "</Polygon>"},
       Lines({"<Polygon>", "FileName = \"gone.png\"", "ID = 7", "Type = Static", "TexX = 0",
              "TexY = 0",
              "[Vertices]", "1 2", "[/Vertices]", "</Polygon>"}),
       {"File Not Found: gone.png"}},
      {{"<Circle>", "FileName = \"gone.png\"", "v2x = 4", "</Circle>"},
       Lines({"<Circle>", "FileName = \"gone.png\"", "ID = 1", "Type = Static", "TexX = 0",
              "TexY = 0",
              "v1x = 0", "v1y = 0", "v2x = 4", "v2y = 0", "</Circle>"}),
       {"File Not Found: gone.png"}},
  };
  // A pattern of another type, or with another letter case, is no match.
  SpritePat("apple.dat");
  ObjPat("apple.dat");
  for (const Case& c : cases) {
    Messages.clear();
    std::string text = Lines({"Type = Level", "<Layer>"});
    for (std::string_view line : c.block)
      text += Lines({line});
    text += Lines({"</Layer>"});
    EXPECT_EQ(Resaved(text), Head() + Lines({"<Layer>"}) + c.saved + Lines({"</Layer>"}))
        << c.block[1];
    EXPECT_EQ(Messages, c.messages) << c.block[1];
  }
}

TEST_F(LevelFileTest, top_ten_is_read_up_to_ten_lines) {
  std::string text = Lines({"Type = Level", "[TopTen]", "1234 Ann Lee", "1500  Bob", "1600 "});
  for (int i = 4; i <= 11; ++i)
    text += Lines({std::to_string(1600 + i) + " P" + std::to_string(i)});
  text += Lines({"[/TopTen]"});
  FromText(text);
  EXPECT_EQ(TopTen.Time,
            (std::array<int32_t, 10>{1234, 1500, 1600, 1604, 1605, 1606, 1607, 1608, 1609, 1610}));
  EXPECT_EQ(TopTen.Name, (std::array<std::string, 10>{"Ann Lee", " Bob", "", "P4", "P5", "P6", "P7",
                                                      "P8", "P9", "P10"}));
  EXPECT_EQ(BestTime, 12340);

  FromText(Lines({"Type = Level"}));
  EXPECT_EQ(TopTen.Time, (std::array<int32_t, 10>{}));
  EXPECT_EQ(BestTime, 0);
}

TEST_F(LevelFileTest, a_bad_top_ten_time_fails_the_load_and_changes_nothing) {
  struct Case {
    const char* line;
    const char* error;
  };
  const Case cases[] = {
      {"12x Ann", "'12x' is not a valid integer value (top ten line 2: \"12x Ann\")"},
      {"Ann", "'Ann' is not a valid integer value (top ten line 2: \"Ann\")"},
      {"1234", "'1234' is not a valid integer value (top ten line 2: \"1234\")"},
      {"", "'' is not a valid integer value (top ten line 2: \"\")"},
      {" 12 Ann", "'' is not a valid integer value (top ten line 2: \" 12 Ann\")"},
      {"$10 Ann", "'$10' is not a valid integer value (top ten line 2: \"$10 Ann\")"},
      {"-5 Ann", "'-5' is not a valid integer value (top ten line 2: \"-5 Ann\")"},
      {"214748365 Ann",
       "'214748365' is not a valid integer value (top ten line 2: \"214748365 Ann\")"},
  };
  for (const Case& c : cases) {
    TopTen.Clear();
    TopTen.Time[0] = 99;
    BestTime = 990;
    auto dat = std::make_unique<TDat>();
    dat->LoadFromText(Lines(
        {"Type = Level", "<Layer>", "</Layer>", "[TopTen]", "100 First", c.line, "[/TopTen]"}));
    TLevel level;
    try {
      LoadLevel(level, "", std::move(dat));
      ADD_FAILURE() << "no error for \"" << c.line << "\"";
    } catch (const EConvertError& e) {
      EXPECT_EQ(std::string(e.what()), c.error);
    }
    EXPECT_TRUE(level.Layers.empty()) << c.line;
    EXPECT_EQ(TopTen.Time, (std::array<int32_t, 10>{99})) << c.line;
    EXPECT_EQ(BestTime, 990) << c.line;
  }
  FromText(Lines({"Type = Level", "[TopTen]", "214748364 Max", "[/TopTen]"}));
  EXPECT_EQ(BestTime, 2147483640);
}

TEST_F(LevelFileTest, a_file_of_another_type_leaves_the_level_empty_and_the_package_closed) {
  for (const char* type : {"Type = level", "Type = Levels", "", "Type = \"Level \""}) {
    AddPattern<TPolyPat>(PackagePatterns, "Polygon", "g.png");
    std::unique_ptr<TLevel> level = FromText(Lines({type, "Checksum = 5", "<Layer>", "</Layer>"}));
    EXPECT_TRUE(level->Layers.empty()) << type;
    EXPECT_EQ(level->Checksum, 0) << type;
    EXPECT_TRUE(PackagePatterns.Empty()) << type;
  }
}

TEST_F(LevelFileTest, snap_to_grid_rounds_halves_to_even) {
  PolyPat("g.png");
  SpritePat("s.png");
  std::unique_ptr<TLevel> level = FromText(Lines({
      "Type = Level", "<Layer>",
      "<Polygon>",    "FileName = \"g.png\"",
      "TexX = 0.5",   "TexY = 1.5",
      "[Vertices]",   "2.5 3.5",
      "-2.5 -3.5",    "0.4 7.6",
      "[/Vertices]",  "</Polygon>",
      "<Sprite>",     "FileName = \"s.png\"",
      "X = 2.5",      "Y = -0.5",
      "</Sprite>",    "<Circle>",
      "v1x = 1.5",    "v1y = 0.5",
      "v2x = 11.5",   "v2y = 0.5",
      "</Circle>",    "<Joint>",
      "X = 4.5",      "Y = 5.5",
      "</Joint>",     "</Layer>",
  }));
  level->SnapToGrid();
  EXPECT_EQ(ToText(*level), Head() + Lines({
                                         "<Layer>",    "<Polygon>",     "FileName = \"g.png\"",
                                         "ID = 1",     "Type = Static", "TexX = 0",
                                         "TexY = 2",   "[Vertices]",    "2 4",
                                         "-2 -4",      "0 8",           "[/Vertices]",
                                         "</Polygon>", "<Sprite>",      "FileName = \"s.png\"",
                                         "ID = 2",     "X = 2",         "Y = 0",
                                         "</Sprite>",  "<Circle>",      "FileName = \"\"",
                                         "ID = 3",     "Type = Static", "TexX = 0",
                                         "TexY = 0",   "v1x = 2",       "v1y = 0",
                                         "v2x = 12",   "v2y = 0",       "</Circle>",
                                         "<Joint>",    "ID = 4",        "X = 4",
                                         "Y = 6",      "E1ID = 0",      "E2ID = 0",
                                         "</Joint>",   "</Layer>",
                                     }));
}

TEST_F(LevelFileTest, a_level_of_every_kind_loads_and_saves_as_the_same_text_on_disk) {
  AddEveryKindPatterns();
  TempFolder folder;
  std::string path = folder / "level.vle";
  WriteFileAtomic(path, kEveryKind);
  TLevel level;
  LoadLevel(level, path);
  EXPECT_EQ(Messages, std::vector<std::string>{});
  EXPECT_EQ(BestTime, 12340);
  std::string saved = folder / "saved.vle";
  SaveLevel(level, saved);
  EXPECT_EQ(ReadWholeFile(saved), kEveryKind);
  TLevel missing;
  EXPECT_THROW(LoadLevel(missing, folder / "none.vle"), FileError);
}

// Members of a package in order, with their content.
std::vector<std::pair<std::string, std::string>> MembersOf(const std::string& path) {
  TZipFile zip;
  zip.LoadFromFile(path);
  std::vector<std::pair<std::string, std::string>> members;
  for (int i = 0; i < zip.Count(); ++i)
    members.emplace_back(zip.Name(i), zip.Data(i));
  return members;
}

bool HaveZipCommand() {
  return std::system("command -v zip >/dev/null 2>&1") == 0;
}

class LevelPackageTest : public LevelFileTest {
 protected:
  // A package made with the standard zip tool: a pattern description, a note, the level.
  std::string MakePackage(const std::string& levelText) {
    std::filesystem::create_directories(folder_ / "pack/Data");
    WriteFileAtomic(folder_ / "pack/Data/ground.dat", "Type = Polygon\r\nTexScaleX = 2\r\n");
    WriteFileAtomic(folder_ / "pack/readme.txt", "made by hand\n");
    WriteFileAtomic(folder_ / "pack/My Level.VLE", levelText);
    std::string command = "cd '" + folder_.Path() +
                          "/pack' && zip -q -X ../level.zle Data/ground.dat readme.txt "
                          "'My Level.VLE'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return folder_ / "level.zle";
  }

  TempFolder folder_;
};

const std::string kPackageLevel =
    Head() + Lines({"<Layer>", "<Polygon>", "FileName = \"ground.dat\"", "ID = 1", "Type = Static",
                    "TexX = 0", "TexY = 0", "[Vertices]", "0 0", "10 0", "10 10", "[/Vertices]",
                    "</Polygon>", "</Layer>"});

TEST_F(LevelPackageTest, saving_replaces_the_level_member_and_keeps_the_others) {
  if (!HaveZipCommand()) GTEST_SKIP() << "no zip command";
  std::string path = MakePackage(kPackageLevel);
  TLevel level;
  LoadLevelPackage(level, path);
  ASSERT_NE(CurrentPackage(), nullptr);
  TPoly* poly = level.FindElement(1)->As<TPoly>();
  ASSERT_NE(poly->Pattern, nullptr);
  EXPECT_EQ(poly->Pattern, PackagePatterns.Find("Polygon", "ground.dat"));
  EXPECT_EQ(poly->TexScaleX, 2);
  EXPECT_EQ(Messages, std::vector<std::string>{});

  TopTen.Time[0] = 4321;
  TopTen.Name[0] = "Eve";
  std::string saved = folder_ / "saved.zle";
  SaveLevelPackage(level, saved);
  const std::string expectedLevel = kPackageLevel + Lines({"[TopTen]", "4321 Eve", "[/TopTen]"});
  EXPECT_EQ(MembersOf(saved), (std::vector<std::pair<std::string, std::string>>{
                                  {"Data/ground.dat", "Type = Polygon\r\nTexScaleX = 2\r\n"},
                                  {"readme.txt", "made by hand\n"},
                                  {"My Level.VLE", expectedLevel},
                              }));

  TLevel again;
  LoadLevelPackage(again, saved);
  EXPECT_EQ(ToText(again), expectedLevel);
  EXPECT_EQ(BestTime, 43210);

  FreeLevelPackage();
  EXPECT_EQ(CurrentPackage(), nullptr);
  EXPECT_TRUE(PackagePatterns.Empty());
}

TEST_F(LevelPackageTest, without_a_level_member_nothing_is_loaded_or_saved) {
  if (!HaveZipCommand()) GTEST_SKIP() << "no zip command";
  std::filesystem::create_directories(folder_ / "pack");
  WriteFileAtomic(folder_ / "pack/readme.txt", "no level\n");
  std::string command = "cd '" + folder_.Path() + "/pack' && zip -q ../empty.zle readme.txt";
  ASSERT_EQ(std::system(command.c_str()), 0);

  TLevel level;
  EXPECT_THROW(LoadLevelPackage(level, folder_ / "empty.zle"), ZipError);
  ASSERT_NE(CurrentPackage(), nullptr);
  SaveLevelPackage(level, folder_ / "saved.zle");
  EXPECT_FALSE(std::filesystem::exists(folder_ / "saved.zle"));

  FreeLevelPackage();
  SaveLevelPackage(level, folder_ / "saved.zle");
  EXPECT_FALSE(std::filesystem::exists(folder_ / "saved.zle"));
  EXPECT_THROW(LoadLevelPackage(level, folder_ / "none.zle"), FileError);
  EXPECT_EQ(CurrentPackage(), nullptr);
}

// Files no editor makes: the loader keeps what it can, and the level can still be saved,
// copied, snapped and stepped.
TEST_F(LevelFileTest, hostile_files_load_without_harm) {
  PolyPat("g.png");
  // A comb: 99 998 teeth along the bottom, closed over the top.
  std::string many = Lines({"Type = Level", "<Layer>", "<Polygon>", "FileName = \"g.png\"",
                            "Type = Dynamic", "[Vertices]"});
  for (int i = 0; i < 99998; ++i)
    many += Lines({std::to_string(i) + " " + std::to_string(i % 2)});
  many += Lines({"99997 1000", "0 1000", "[/Vertices]", "</Polygon>", "</Layer>"});
  struct Case {
    const char* what;
    std::string text;
    size_t elements;
  };
  const Case cases[] = {
      {"100 000 vertices", many, 1},
      {"huge coordinates",
       Lines({"Type = Level", "<Layer>", "<Polygon>", "FileName = \"g.png\"", "[Vertices]",
              "3e38 -3e38", "-3e38 3e38", "3e38 3e38", "[/Vertices]", "</Polygon>", "<Circle>",
              "FileName = \"g.png\"", "v1x = -3e38", "v2x = 3e38", "Type = Dynamic", "</Circle>",
              "</Layer>"}),
       2},
      {"empty and missing vertex blocks",
       Lines({"Type = Level", "<Layer>", "<Polygon>", "FileName = \"g.png\"", "[Vertices]",
              "[/Vertices]", "</Polygon>", "<Polygon>", "</Polygon>", "</Layer>"}),
       2},
      {"colliding IDs and joints to nowhere",
       Lines({"Type = Level", "<Layer>", "<Joint>", "ID = 1", "E1ID = 1", "E2ID = -7", "LinkID = 1",
              "</Joint>", "<Joint>", "ID = 1", "E1ID = 2147483647", "</Joint>", "</Layer>"}),
       2},
      {"an unclosed text block",
       Lines({"Type = Level", "<Layer>", "<Polygon>", "FileName = \"g.png\"", "[Vertices]", "1 1",
              "</Polygon>", "</Layer>"}),
       1},
  };
  for (const Case& c : cases) {
    std::unique_ptr<TLevel> level = FromText(c.text);
    ASSERT_EQ(level->Layers.size(), 1u) << c.what;
    EXPECT_EQ(level->Layers[0]->Elements.size(), c.elements) << c.what;
    std::string saved = ToText(*level);
    level->SnapToGrid();
    level->StoreHome();
    std::unique_ptr<TLevel> copy = level->CreateCopy();
    copy->Step();
    EXPECT_EQ(ToText(*FromText(saved)), saved) << c.what;
  }
}

}  // namespace
