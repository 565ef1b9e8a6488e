// Level, object and pattern scripts in the game: how they are compiled and run, and the 25
// routines of the unit SYSTEM. The routines act on CurrentLevel; an ID that names no
// element, or an element of another kind, does nothing (a getter leaves its variables
// alone, a function answers 0 or false).
#include "shell/game_script.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "data/ascii_case.h"
#include "data/real_text.h"
#include "gui/message_list.h"
#include "shell/level_run.h"
#include "shell/records.h"
#include "world/creature.h"
#include "world/elements.h"
#include "world/pattern.h"
#include "world/script_unit.h"

namespace {

using phys::cpVect;

constexpr double kDegreesToRadians = 0.017453292;
// Positions and speeds a script may give a body. Beyond this the physics cannot keep
// shapes apart (see the world build); such a call does nothing.
constexpr double kMaxScriptValue = 1e9;

// ---------------------------------------------------------------------------------------
// Finding elements

TElement* Find(int32_t id) {
  return CurrentLevel ? CurrentLevel->FindElement(id) : nullptr;
}

template <class T>
T* FindAs(int32_t id) {
  TElement* e = Find(id);
  return e ? e->As<T>() : nullptr;
}

int32_t Id(const TPSCall& c) {
  return static_cast<int32_t>(c.Int(0));
}

// ID 0 names the object of the latest touch.
int32_t ObjectId(const TPSCall& c) {
  int32_t id = Id(c);
  return id == 0 ? TouchedObjectID : id;
}

// ID 0 names the creature of the latest touch.
int32_t CreatureId(const TPSCall& c) {
  int32_t id = Id(c);
  return id == 0 ? TouchingCreatureID : id;
}

// The body of a polygon or circle with one (a dynamic one).
phys::cpBody* PolyBody(int32_t id) {
  TPoly* poly = PolyOf(Find(id));
  return poly ? poly->Body : nullptr;
}

phys::cpBody* CreatureBody(int32_t id) {
  TCreature* creature = FindAs<TCreature>(id);
  return creature ? creature->Body : nullptr;
}

// Moves a body and records the jump from where it was to where it lands.
void MoveBody(TElement& e, phys::cpBody* body, cpVect at) {
  const cpVect old = phys::cpBodyGetPos(body);
  phys::cpBodySetPos(body, at);
  RecordJump(e, float(old.x), float(old.y), float(at.x), float(at.y));
}

// Arguments i and i + 1, singles of the script, as a vector of the physics; nothing when
// the values are out of reach.
std::optional<cpVect> VectorArg(const TPSCall& c, size_t i) {
  cpVect v{double(float(c.Real(i))), double(float(c.Real(i + 1)))};
  if (!(std::fabs(v.x) <= kMaxScriptValue && std::fabs(v.y) <= kMaxScriptValue)) return {};
  return v;
}

// Writes a vector of the physics into the script's variables i and i + 1.
void SetVectorArgs(TPSCall& c, cpVect v) {
  c.SetReal(1, v.x);
  c.SetReal(2, v.y);
}

// Marks the element deleted; the level step removes it after the physics step. Elements
// that depend on it go with it at once.
void Delete(TElement& e) {
  e.Deleted = true;
  if (e.IsLinkTarget) CurrentLevel->DeleteCascade(&e, Player);
}

// ---------------------------------------------------------------------------------------
// The routines, in the order of the unit's declarations

bool SetInt(TPSExec&, TPSCall& c) {
  if (CurrentLevel) CurrentLevel->SetInt(c.Str(0), static_cast<int32_t>(c.Int(1)));
  return true;
}

bool GetInt(TPSExec&, TPSCall& c) {
  c.SetResultInt(CurrentLevel ? CurrentLevel->GetInt(c.Str(0)) : 0);
  return true;
}

bool ObjDelete(TPSExec&, TPSCall& c) {
  TElement* e = Find(ObjectId(c));
  if (!e || !e->As<TObj>()) return true;
  if (e->PatternName() == "FOOD") {
    ++AppleCount;
    LastAppleTime = GameTicks;
  }
  Delete(*e);
  return true;
}

// Objects marked deleted but not yet removed still count.
bool ObjGetCount(TPSExec&, TPSCall& c) {
  c.SetResultInt(CurrentLevel ? CurrentLevel->CountByName(UpperAscii(c.Str(0)), ekObj) : 0);
  return true;
}

// An object's body is static: the collision index learns of the move once the current
// physics step is over.
bool ObjSetPos(TPSExec&, TPSCall& c) {
  TElement* e = Find(ObjectId(c));
  TObj* obj = e ? e->As<TObj>() : nullptr;
  std::optional<cpVect> at = VectorArg(c, 1);
  if (!obj || !obj->Body || !at) return true;
  MoveBody(*e, obj->Body, *at);
  phys::cpSpaceRehashStatic(CurrentLevel->Space);
  return true;
}

// A number (non-zero is true) or "True" / "False" in any letter case.
std::optional<bool> TruthValue(const std::string& text) {
  if (std::optional<int32_t> n = TextToInteger(text)) return *n != 0;
  if (std::optional<float> x = TextToFloat(text)) return *x != 0;
  std::string upper = UpperAscii(text);
  if (upper == "TRUE") return true;
  if (upper == "FALSE") return false;
  return {};
}

bool SprSetParam(TPSExec&, TPSCall& c) {
  TElement* e = Find(Id(c));
  TSprite* sprite = e ? e->As<TSprite>() : nullptr;
  if (!sprite) return true;
  std::string name = UpperAscii(c.Str(1));
  bool* flag = name == "VISIBLE" ? &sprite->Visible : name == "ANIMATED" ? &sprite->Animated
                                                                           : nullptr;
  if (!flag) return true;
  std::string value = c.Str(2);
  std::optional<bool> truth = TruthValue(value);
  if (!truth) {
    c.Raise(erCustomError, "'" + value + "' is not a valid boolean value");
    return false;
  }
  *flag = *truth;
  if (flag == &sprite->Visible) {
    RecordVisible(e->ID, *truth, e->TrackIndex);
  } else {
    RecordRunning(e->ID, *truth, e->TrackIndex);
  }
  return true;
}

bool SprDelete(TPSExec&, TPSCall& c) {
  TElement* e = Find(Id(c));
  if (e && e->As<TSprite>()) Delete(*e);
  return true;
}

bool SprSetPos(TPSExec&, TPSCall& c) {
  TElement* e = Find(Id(c));
  TSprite* sprite = e ? e->As<TSprite>() : nullptr;
  std::optional<cpVect> at = VectorArg(c, 1);
  if (!sprite || !at) return true;
  const float oldX = sprite->X, oldY = sprite->Y;
  sprite->X = float(at->x);
  sprite->Y = float(at->y);
  RecordJump(*e, oldX, oldY, sprite->X, sprite->Y);
  return true;
}

bool PolyDelete(TPSExec&, TPSCall& c) {
  TElement* e = Find(Id(c));
  if (PolyOf(e)) Delete(*e);
  return true;
}

bool PolySetPos(TPSExec&, TPSCall& c) {
  TElement* e = Find(Id(c));
  TPoly* poly = PolyOf(e);
  std::optional<cpVect> at = VectorArg(c, 1);
  if (poly && poly->Body && at) MoveBody(*e, poly->Body, *at);
  return true;
}

bool PolyGetPos(TPSExec&, TPSCall& c) {
  if (phys::cpBody* body = PolyBody(Id(c))) SetVectorArgs(c, phys::cpBodyGetPos(body));
  return true;
}

bool PolySetSpeed(TPSExec&, TPSCall& c) {
  phys::cpBody* body = PolyBody(Id(c));
  std::optional<cpVect> v = VectorArg(c, 1);
  if (body && v) phys::cpBodySetVel(body, *v);
  return true;
}

bool PolyGetSpeed(TPSExec&, TPSCall& c) {
  if (phys::cpBody* body = PolyBody(Id(c))) SetVectorArgs(c, phys::cpBodyGetVel(body));
  return true;
}

// The body turns to the angle at the next physics step.
bool PolySetAngle(TPSExec&, TPSCall& c) {
  phys::cpBody* body = PolyBody(Id(c));
  double degrees = float(c.Real(1));
  if (body && std::fabs(degrees) <= kMaxScriptValue)
    phys::cpBodySetAngle(body, degrees * kDegreesToRadians);
  return true;
}

bool CrGetID(TPSExec&, TPSCall& c) {
  c.SetResultInt(TouchingCreatureID);
  return true;
}

bool CrDelete(TPSExec&, TPSCall& c) {
  TElement* e = Find(CreatureId(c));
  TCreature* creature = e ? e->As<TCreature>() : nullptr;
  if (!creature) return true;
  if (creature == Player) Player = nullptr;
  Delete(*e);
  return true;
}

bool CrSetPos(TPSExec&, TPSCall& c) {
  TElement* e = Find(CreatureId(c));
  TCreature* creature = e ? e->As<TCreature>() : nullptr;
  std::optional<cpVect> at = VectorArg(c, 1);
  if (creature && creature->Body && at) MoveBody(*e, creature->Body, *at);
  return true;
}

bool CrGetPos(TPSExec&, TPSCall& c) {
  if (phys::cpBody* body = CreatureBody(CreatureId(c))) SetVectorArgs(c, phys::cpBodyGetPos(body));
  return true;
}

bool CrSetSpeed(TPSExec&, TPSCall& c) {
  phys::cpBody* body = CreatureBody(CreatureId(c));
  std::optional<cpVect> v = VectorArg(c, 1);
  if (body && v) phys::cpBodySetVel(body, *v);
  return true;
}

bool CrGetSpeed(TPSExec&, TPSCall& c) {
  if (phys::cpBody* body = CreatureBody(CreatureId(c))) SetVectorArgs(c, phys::cpBodyGetVel(body));
  return true;
}

// The old player stops where he is: his keys are let go.
bool CrSetAsPlayer(TPSExec&, TPSCall& c) {
  TElement* e = Find(CreatureId(c));
  TCreature* creature = e ? e->As<TCreature>() : nullptr;
  if (!creature || creature == Player) return true;
  if (Player) Player->JumpKey = Player->LeftKey = Player->RightKey = 0;
  RecordEvent(kPlayerChanged, e->ID);
  Player = creature;
  return true;
}

bool CrIsPlayer(TPSExec&, TPSCall& c) {
  TCreature* creature = FindAs<TCreature>(CreatureId(c));
  c.SetResultBool(creature && creature == Player);
  return true;
}

bool JointDelete(TPSExec&, TPSCall& c) {
  TElement* e = Find(Id(c));
  if (e && e->As<TJoint>()) Delete(*e);
  return true;
}

bool GameOver(TPSExec&, TPSCall&) {
  FailRun();
  return true;
}

bool Victory(TPSExec&, TPSCall&) {
  FinishRun();
  return true;
}

using Routine = bool (*)(TPSExec&, TPSCall&);

// In the order of kGameScriptRoutines.
constexpr std::array<Routine, kGameScriptRoutines.size()> kRoutines = {
    SetInt,     GetInt,       ObjDelete,   ObjGetCount,  ObjSetPos,   SprSetParam,  SprDelete,
    SprSetPos,  PolyDelete,   PolySetPos,  PolyGetPos,   PolySetSpeed, PolyGetSpeed, PolySetAngle,
    CrGetID,    CrDelete,     CrSetPos,    CrGetPos,     CrSetSpeed,  CrGetSpeed,   CrSetAsPlayer,
    CrIsPlayer, JointDelete,  GameOver,    Victory,
};

void Report(const std::string& name, const char* what) {
  AddMessage(name + " Script " + what);
}

// "Object \"food\"": the pattern's name as its description gives it.
std::string ObjectName(const TObj& obj) {
  return "Object \"" + (obj.Pattern ? obj.Pattern->Name : std::string()) + "\"";
}

std::string OwnScriptName(const TElement& e, const TObj& obj) {
  return ObjectName(obj) + " (ID: " + std::to_string(e.ID) + ")";
}

uint64_t tickBudgetLeft = kScriptTickBudget;

const std::string kStartLevel = "\"Start Level\"";
const std::string kUpdateLevel = "\"Update Level\"";

void CompileLevelScript(TScriptRecord& script, const std::string& name) {
  if (!CompileRecord(script)) Report(name, "Error");
}

// Pattern scripts outlive the level: one that a guard stopped gets a new chance each run.
void AllowPatternScripts(const TPatternList& list) {
  for (const auto& pattern : list.Items()) {
    if (auto* obj = dynamic_cast<TObjPat*>(pattern.get())) obj->TouchScript.Stopped = false;
  }
}

}  // namespace

std::unique_ptr<TPSExec> CompileScript(const std::vector<std::string>& lines) {
  TGameScriptCompile compiled = CompileGameSource(JoinScriptLines(lines));
  if (!compiled.Compiled) return nullptr;
  auto exec = std::make_unique<TPSExec>();
  for (size_t i = 0; i < kRoutines.size(); ++i)
    exec->RegisterRoutine(kRoutines[i], kGameScriptRoutines[i].Name);
  if (!exec->LoadCompiledData(compiled.Data)) return nullptr;
  return exec;
}

void InstallScriptCompiler() {
  SetScriptCompiler(CompileScript);
}

void NewScriptTick() {
  tickBudgetLeft = kScriptTickBudget;
}

void RunScript(TScriptRecord& script, const std::string& name) {
  if (!script.Program || script.Stopped || tickBudgetLeft == 0) return;
  TPSExec& program = *script.Program;
  const bool wholeBudget = tickBudgetLeft == kScriptTickBudget;
  program.SetInstructionBudget(tickBudgetLeft);
  program.RunMain();
  tickBudgetLeft -= std::min(program.InstructionsRun(), tickBudgetLeft);
  TPSGuardStop guard = program.GuardStop();
  if (guard == TPSGuardStop::None || (guard == TPSGuardStop::InstructionBudget && !wholeBudget))
    return;
  script.Stopped = true;
  Report(name, "Stopped");
}

void RunStartScript(TLevel& level) {
  NewScriptTick();
  RunScript(level.StartScript, kStartLevel);
}

void RunUpdateScript(TLevel& level) {
  if (level.StepCount % 10 == 0) RunScript(level.UpdateScript, kUpdateLevel);
}

void RunTouchScript(const TElement& objElement, TObj& obj) {
  if (obj.TouchScript.Program) {
    RunScript(obj.TouchScript, OwnScriptName(objElement, obj));
  } else if (obj.Pattern) {
    RunScript(obj.Pattern->TouchScript, ObjectName(obj));
  }
}

void CompileLevelScripts(TLevel& level) {
  CompileLevelScript(level.StartScript, kStartLevel);
  CompileLevelScript(level.UpdateScript, kUpdateLevel);
  AllowPatternScripts(GlobalPatterns);
  AllowPatternScripts(PackagePatterns);
}

void CompileObjectScript(const TElement& objElement, TObj& obj) {
  CompileLevelScript(obj.TouchScript, OwnScriptName(objElement, obj));
}
