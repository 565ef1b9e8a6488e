#include "shell/replay_run.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_set>
#include <utility>

#include "data/dat_file.h"
#include "data/file_io.h"
#include "gui/gui_resources.h"
#include "replay/playback.h"
#include "replay/replay_file.h"
#include "shell/level_run.h"
#include "world/creature.h"
#include "world/level_file.h"

namespace {

constexpr uint8_t kCopyAlpha = 180;  // the second replay's creatures are translucent

std::optional<TReplayFile> ReadReplayFile(const std::string& path, std::string& error) {
  try {
    return ParseReplay(ReadWholeFile(path));
  } catch (const GameError& e) {
    error = e.what();
    return std::nullopt;
  }
}

// A level read from a package takes the package's patterns with it when it is refused.
void ReleaseReplayLevel(const std::string& levelName) {
  if (!IsLevelFileName(levelName)) FreeLevelPackage();
}

bool LoadReplayLevel(const std::string& name, std::string& error) {
  Player = nullptr;
  CurrentLevel = std::make_unique<TLevel>();
  try {
    if (IsLevelFileName(name)) {
      LoadLevel(*CurrentLevel, LevelPath(name));
    } else {
      LoadLevelPackage(*CurrentLevel, LevelPath(name));
    }
  } catch (const GameError& e) {
    error = e.what();
    ReleaseReplayLevel(name);
    return false;
  }
  return true;
}

// The copy goes into the first layer, drawn just before the creature it copies when that
// one is in the first layer too.
TElement* AddCreatureCopy(TElement& original, const std::string& firstName,
                          const std::string& secondName) {
  TCreature& creature = *original.As<TCreature>();
  creature.Name = file_GetName(firstName);
  auto copy = creature.CreateCopy();
  auto& copied = static_cast<TCreature&>(*copy);
  copied.Name = file_GetName(secondName);
  copied.Alpha = kCopyAlpha;
  TLayer& first = *CurrentLevel->Layers.front();
  TElement* added = first.AddElement(std::move(copy), 0);
  auto& elements = first.Elements;
  auto at = std::find_if(elements.begin(), elements.end(),
                         [&](const auto& e) { return e.get() == &original; });
  if (at != elements.end()) std::rotate(at, elements.end() - 1, elements.end());
  return added;
}

// The IDs of the creatures a level holds.
std::unordered_set<int32_t> CreatureIDs(const TLevel& level) {
  std::unordered_set<int32_t> ids;
  for (const auto& layer : level.Layers) {
    for (const auto& e : layer->Elements) {
      if (e->As<TCreature>()) ids.insert(e->ID);
    }
  }
  return ids;
}

// Only creature tracks are merged, each creature of the level once: a run records one
// track per element, so a second track for it, or one for a copy made by this merge, comes
// from a damaged file and would only pile up copies. The others, and IDs the level does not
// hold, are dropped.
void MergeTrack(TReplayTrack& track, std::unordered_set<int32_t>& unmerged,
                const std::string& firstName, const std::string& secondName) {
  if (unmerged.erase(track.ElementID) == 0) return;
  TElement* e = CurrentLevel->FindElement(track.ElementID);
  if (!e || !e->As<TCreature>()) return;
  track.ElementID = AddCreatureCopy(*e, firstName, secondName)->ID;
  track.Element = nullptr;
  Recording.Tracks.push_back(std::move(track));
}

constexpr uint32_t kNameColour = 0x00FF00;
constexpr float kNameRise = 50;  // units above the creature's position

// Opaque over the Player and near it; the others fade in with twice their distance.
uint8_t NameAlpha(const TCreature& c) {
  if (!Player || &c == Player) return 255;
  double fade = std::trunc(2 * std::hypot(double(c.X) - Player->X, double(c.Y) - Player->Y));
  return fade < 255 ? uint8_t(fade) : 255;
}

void DrawName(const TCreature& c) {
  float width = RoundHalfEven(text_GetWidth(SmallFont, c.Name));
  float left = RoundHalfEven(c.X) - std::floor(width / 2);
  text_DrawEx(SmallFont, left, RoundHalfEven(c.Y) - kNameRise, 1, 0, c.Name, NameAlpha(c),
              kNameColour);
}

}  // namespace

bool LoadReplay(const std::string& path, std::string& error) {
  error.clear();
  std::optional<TReplayFile> file = ReadReplayFile(path, error);
  if (!file) return false;
  const std::string name = file->Replay.LevelName;
  if (!IsRegularFile(LevelPath(name))) {
    error = "Cannot find level file: " + name;
    return false;
  }
  GameTicks = LastAppleTime = AppleCount = 0;
  RunTicks = file->RunTicks;
  if (!LoadReplayLevel(name, error)) return false;
  // A level saved without a checksum plays any replay.
  if (CurrentLevel->Checksum != 0 && CurrentLevel->Checksum != file->Replay.Checksum) {
    error = "Level file has changed.";
    ReleaseReplayLevel(name);
    return false;
  }
  Recording = std::move(file->Replay);
  return true;
}

bool MergeReplay(const std::string& path, const std::string& firstName,
                 const std::string& secondName, std::string& error) {
  error.clear();
  std::optional<TReplayFile> file = ReadReplayFile(path, error);
  if (file && file->Replay.LevelName != Recording.LevelName) error = "Levels must be same.";
  if (file && error.empty() && file->Replay.Checksum != Recording.Checksum)
    error = "Level file in second replay has changed.";
  if (!error.empty()) {
    ReleaseReplayLevel(Recording.LevelName);
    return false;
  }
  RunTicks = std::max(RunTicks, file->RunTicks);
  std::unordered_set<int32_t> unmerged = CreatureIDs(*CurrentLevel);
  for (TReplayTrack& track : file->Replay.Tracks)
    MergeTrack(track, unmerged, firstName, secondName);
  return true;
}

void RebuildReplayLevel() {
  GameTicks = LastAppleTime = AppleCount = 0;
  UnbindReplay(Recording);
  Player = nullptr;
  CurrentLevel = LevelTemplate ? LevelTemplate->CreateCopy() : std::make_unique<TLevel>();
  CurrentLevel->StoreHome();
  BuildWorld(*CurrentLevel);
}

void StepReplay() {
  if (++GameTicks >= RunTicks) RebuildReplayLevel();
  TPlaybackRun run{Player, AppleCount, LastAppleTime};
  PlayReplayStep(Recording, *CurrentLevel, GameTicks, run);
  Player = run.Player;
  AppleCount = run.AppleCount;
  LastAppleTime = run.LastAppleTime;
}

void DrawReplayNames() {
  if (!CurrentLevel) return;
  for (const auto& layer : CurrentLevel->Layers) {
    for (const auto& e : layer->Elements) {
      if (const TCreature* c = e->As<TCreature>()) DrawName(*c);
    }
  }
}
