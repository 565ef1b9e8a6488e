// Feeds arbitrary bytes as a level text to the level loader, builds the physics world of
// a copy the way a level start does, steps it and writes the stepped level back. The
// system Chipmunk aborts on values it cannot simulate, so an abort here is a finding.
// The saved level must load again and save as the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/ascii_case.h"
#include "data/dat_file.h"
#include "data/file_io.h"
#include "gui/message_list.h"
#include "platform/physics.h"
#include "shell/level_run.h"
#include "world/level.h"
#include "world/level_file.h"
#include "world/pattern.h"
#include "world/top_ten.h"

namespace {

constexpr int kSteps = 50;

// Names a pattern the way the pattern loader does: "ground.png" is Name "ground",
// UpperName "GROUND".
template <class Pattern>
void AddGlobalPattern(const char* typeName, const std::string& fileName) {
  auto pattern = std::make_unique<Pattern>();
  pattern->FileName = fileName;
  pattern->Name = fileName.substr(0, fileName.rfind('.'));
  pattern->UpperName = UpperAscii(pattern->Name);
  pattern->TypeName = typeName;
  pattern->Path = fileName;
  GlobalPatterns.AddFront(std::move(pattern));
}

// The patterns the seed levels name (without images or animations) and the physics
// library, once per process.
bool Init() {
  if (!phys::cpInitChipmunk()) std::abort();
  AddGlobalPattern<TPolyPat>("Polygon", "ground.png");
  AddGlobalPattern<TCreaturePat>("Creature", "tovi.dat");
  AddGlobalPattern<TObjPat>("Object", "food.dat");
  AddGlobalPattern<TSpritePat>("Sprite", "tree.png");
  return true;
}

// The level of the text, or nullptr when the loader refuses it.
std::unique_ptr<TLevel> Load(std::string_view text) {
  auto dat = std::make_unique<TDat>();
  dat->LoadFromText(text);
  auto level = std::make_unique<TLevel>();
  try {
    LoadLevel(*level, "", std::move(dat));
  } catch (const FileError&) {
    return nullptr;
  } catch (const EConvertError&) {
    return nullptr;
  }
  return level;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = Init();
  (void)ready;
  std::unique_ptr<TLevel> loaded =
      Load(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!loaded) return 0;
  loaded->SnapToGrid();
  std::unique_ptr<TLevel> level = loaded->CreateCopy();
  level->StoreHome();
  BuildWorld(*level);
  for (int i = 0; i < kSteps; ++i)
    level->Step();
  TDat saved;
  SaveLevel(*level, "", &saved);
  const std::string text = saved.ToText();
  Player = nullptr;
  std::unique_ptr<TLevel> reloaded = Load(text);
  if (!reloaded) std::abort();  // the game refuses a level it saved itself
  TDat again;
  SaveLevel(*reloaded, "", &again);
  if (again.ToText() != text) std::abort();  // a saved level reads back as itself
  Player = nullptr;
  // Emptied so that runs do not pile up memory (which would also switch off libFuzzer's
  // leak checks).
  ClearMessages();
  TopTen.Clear();
  BestTime = 0;
  return 0;
}
