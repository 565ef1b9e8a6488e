// The game's side of level scripts: compiling a script with the unit SYSTEM bound to the
// game's 25 routines, running start, update and touch scripts, and the routines themselves,
// which read and change CurrentLevel and the run globals.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "script/exec.h"
#include "world/script_record.h"

class TElement;
class TLevel;
class TObj;

// Instructions the scripts of one game tick may take together: far more than any level
// needs, and a stall of a small fraction of a second at most, however many scripts run.
inline constexpr uint64_t kScriptTickBudget = 10'000'000;

// Lines joined with their "//" cut, compiled with SYSTEM, and loaded into an executor with
// the game's routines; none when they do not compile or load.
std::unique_ptr<TPSExec> CompileScript(const std::vector<std::string>& lines);
// Makes CompileScript the compiler of every script record (object patterns compile as they
// load). Called once at start-up, before the patterns load.
void InstallScriptCompiler();

// Gives the scripts of a new game tick their shared instruction budget.
void NewScriptTick();
// Runs the script's main block once, if it is compiled, no guard stopped it before and the
// tick's budget is not spent. A run that a guard of the engine stops (the whole tick
// budget, recursion, memory) is not run again while the program lives, and `name` +
// " Script Stopped" goes to the message list; a run cut short by what earlier scripts of
// the tick left ends only that run, as a runtime error does.
void RunScript(TScriptRecord& script, const std::string& name);

// The level's compiled start script, once (after a start or a restart), on a fresh budget.
void RunStartScript(TLevel& level);
// The update script, when the level's step count is a multiple of 10.
void RunUpdateScript(TLevel& level);
// The touch of an object by a creature: the object's own script, else its pattern's.
void RunTouchScript(const TElement& objElement, TObj& obj);

// The level's start and update scripts compiled, with "\"Start Level\" Script Error" or
// "\"Update Level\" Script Error" for one that does not compile. Also lets pattern scripts
// that a guard stopped run again in the new run.
void CompileLevelScripts(TLevel& level);
// An object's own touch script compiled, with "Object \"NAME\" (ID: N) Script Error" when
// it does not compile.
void CompileObjectScript(const TElement& objElement, TObj& obj);
