// Shared set-up of the level tests: patterns made in memory, the messages loading reports,
// and levels read from text.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "../data/temp_folder.h"
#include "data/ascii_case.h"
#include "data/dat_file.h"
#include "world/level.h"
#include "world/level_file.h"
#include "world/pattern.h"
#include "world/top_ten.h"
#include "world/world_messages.h"

namespace level_test {

// Names a pattern the way the pattern loader does: "ground.png" is Name "ground",
// UpperName "GROUND".
template <class Pattern>
Pattern* AddPattern(TPatternList& list, const char* typeName, const std::string& fileName) {
  auto pattern = std::make_unique<Pattern>();
  pattern->FileName = fileName;
  pattern->Name = fileName.substr(0, fileName.rfind('.'));
  pattern->UpperName = UpperAscii(pattern->Name);
  pattern->TypeName = typeName;
  pattern->Path = fileName;
  return static_cast<Pattern*>(list.AddFront(std::move(pattern)));
}

// Every test starts and ends with empty pattern lists, an empty top ten, no open package
// and the loader's messages collected in Messages.
class LevelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Reset();
    SetMessageSink([this](const std::string& text) { Messages.push_back(text); });
  }
  void TearDown() override {
    SetMessageSink(nullptr);
    Reset();
  }

  static void Reset() {
    FreeLevelPackage();
    GlobalPatterns.Clear();
    PackagePatterns.Clear();
    TopTen.Clear();
    BestTime = 0;
  }

  TPolyPat* PolyPat(const std::string& fileName) {
    return AddPattern<TPolyPat>(GlobalPatterns, "Polygon", fileName);
  }
  TSpritePat* SpritePat(const std::string& fileName) {
    return AddPattern<TSpritePat>(GlobalPatterns, "Sprite", fileName);
  }
  TCreaturePat* CreaturePat(const std::string& fileName) {
    return AddPattern<TCreaturePat>(GlobalPatterns, "Creature", fileName);
  }
  TObjPat* ObjPat(const std::string& fileName) {
    return AddPattern<TObjPat>(GlobalPatterns, "Object", fileName);
  }

  // The level read from the text (lines ended by CR LF, as the game writes them).
  static std::unique_ptr<TLevel> FromText(std::string_view text) {
    auto dat = std::make_unique<TDat>();
    dat->LoadFromText(text);
    auto level = std::make_unique<TLevel>();
    LoadLevel(*level, "", std::move(dat));
    return level;
  }

  // The text SaveLevel makes of the level.
  static std::string ToText(const TLevel& level) {
    TDat dat;
    SaveLevel(level, "", &dat);
    return dat.ToText();
  }

  std::vector<std::string> Messages;
};

using ::TempFolder;

// Joins lines with CR LF after each, so that expected texts read line by line.
inline std::string Lines(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

}  // namespace level_test
