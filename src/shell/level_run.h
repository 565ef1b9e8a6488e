// A level run: the loaded level turned into a physics world, stepped once per game tick
// while the keyboard steers the player's creature.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/engine.h"
#include "replay/recording.h"
#include "world/level.h"

class TCreature;
class TPoly;

// Run state (process-wide).
extern std::unique_ptr<TLevel> CurrentLevel;   // the level being played or replayed
extern std::unique_ptr<TLevel> LevelTemplate;  // untouched copy every restart copies
extern TCreature* Player;                      // the creature the keyboard steers, or none
extern int32_t TouchedObjectID, TouchingCreatureID;
extern std::string ResultMessage;
extern Camera2D Camera;  // world offset of the screen's top-left corner

// BaseDir + "Levels/" + name: where the level files and packages live.
std::string LevelPath(const std::string& name);
// Starts the level file BaseDir + "Levels/" + name (".vle": plain, else a package) and
// enters "Game". False when the file does not exist or cannot be read; a read error
// (I/O, a damaged package, a bad top-ten line) is shown on "Some Error".
bool StartLevel(const std::string& name);
// A freshly loaded CurrentLevel made ready to run: coordinates rounded, LevelTemplate
// copied from it, start positions stored and the world built. Does not change the screen.
void PrepareLevel();
// The camera where the level file puts it, unzoomed.
void PlaceCamera();
// A fresh copy of LevelTemplate, rebuilt, in "Game".
void RestartLevel();
// The physics world of a level that is not yet simulated: bodies, shapes, handlers,
// links, joints and the overlap groups.
void BuildWorld(TLevel& level);
// One millisecond of "Game".
void GameTick();
// The in-game picture: background, level through the camera, time digits, messages.
void DrawGame();

// Exposed for tests.
// The convex pieces of a dynamic polygon's outline (itself when convex), each wound so
// that its shoelace area is not positive.
std::vector<std::vector<Point2D>> ConvexPieces(TPoly& poly);
// x of the left background copy for a camera x: ((-X) mod 1600) / 2, less 800 unless X > 0.
float BackgroundOffset(float cameraX);
