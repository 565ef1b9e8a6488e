// The level: ordered layers of elements, two level scripts, script variables and, while
// it runs, its physics world.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/engine.h"
#include "platform/physics.h"
#include "world/game_object.h"
#include "world/script_record.h"

class TCreature;

// One entry of a layer: a game object with its ID and links.
class TElement {
 public:
  uint8_t Kind = 0;  // ElementKind; the object's own kind once added to a layer
  std::unique_ptr<TGameObject> Obj;
  int32_t ID = 0;
  TBounds Bounds;
  int32_t LinkID = 0;        // the element this one depends on; 0 for none
  TElement* Link = nullptr;  // resolved at level start
  bool IsLinkTarget = false;
  bool Deleted = false;     // removed at the next Step
  int32_t TrackIndex = -1;  // replay track; -1 until recorded or bound for playback

  // The object as its kind; nullptr when the element is of another kind. The level's loops
  // ask this of every element on every tick, so it reads the kept kind, not the object.
  template <class T>
  T* As() const {
    return Kind == T::StaticKind && Obj ? static_cast<T*>(Obj.get()) : nullptr;
  }
  std::string PatternName() const { return Obj ? Obj->PatternName() : ""; }
};

class TLayer {
 public:
  std::string Name;
  bool Visible = true;  // kept in the file and copied; nothing else consults it
  std::vector<std::unique_ptr<TElement>> Elements;

  // Copies Name, Visible and every element (object copy, ID, Bounds, LinkID).
  std::unique_ptr<TLayer> CreateCopy() const;
  // Appends an element; ID 0 assigns the smallest free ID of this layer (see the rule in
  // the implementation). Sets Bounds from the object.
  TElement* AddElement(std::unique_ptr<TGameObject> obj, int32_t id);
  TElement* FindElement(int32_t id) const;
  int CountByName(const std::string& upperName, uint8_t kind) const;
  void Draw();
  void Update();
};

// What a level step reports to whoever records the run; the world records nothing itself.
// Within a step the removals come first, then the creatures in layer and element order.
class TStepObserver {
 public:
  virtual ~TStepObserver() = default;
  // An element whose removal flag is set, after the physics step and before it is freed.
  virtual void Removing(TElement& e) = 0;
  // A creature after the layer update; its LastVY still holds the previous step's value
  // and takes the new vertical velocity right after this call.
  virtual void CreatureUpdated(TElement& e, TCreature& c) = 0;
};

class TLevel {
 public:
  TLevel() = default;
  ~TLevel();  // layers (and their physics objects), then the world and its static body
  TLevel(const TLevel&) = delete;
  TLevel& operator=(const TLevel&) = delete;

  uint16_t Checksum = 0;
  std::vector<std::unique_ptr<TLayer>> Layers;
  std::vector<std::pair<std::string, int32_t>> IntVars;
  TScriptRecord StartScript, UpdateScript;
  int32_t StepCount = 0;
  // The camera the level file gives (top-left offset and zoom); the run starts with it and
  // the level file is written with it.
  Camera2D InitCamera;
  phys::cpSpace* Space = nullptr;
  phys::cpBody* StaticBody = nullptr;

  // A deep copy: checksum, script texts, camera and layers; no variables, steps or world.
  std::unique_ptr<TLevel> CreateCopy() const;
  TLayer* AddLayer(const std::string& name);
  TElement* FindElement(int32_t id) const;
  int CountByName(const std::string& upperName, uint8_t kind) const;
  void SetInt(const std::string& name, int32_t value);
  int32_t GetInt(const std::string& name) const;
  // Layers in order, through the camera, in one batch.
  void Draw(const Camera2D& camera);
  // One tick: clears the creatures' ground flags, steps the world by 0.001 s, removes
  // deleted elements, updates every element (creatures' LastVY included).
  void Step();
  // The same; `player` becomes nullptr when its creature is removed. An observer, when
  // given, hears of the removals and of every creature after the update.
  void Step(TCreature*& player, TStepObserver* observer = nullptr);
  // Every element follows its body without a physics step, as a replay shows them:
  // creatures take no key flags. With `onlyChanging`, for the ticks of a playback after
  // the first, elements that no replay track moves (nor the element they ride on) only
  // animate; polygons, circles and joints then have nothing to do.
  void Follow(bool onlyChanging = false);
  void StoreHome();
  void SnapToGrid();
  // Marks every element whose link chain reaches e, and every joint with a deleted end.
  // `player` becomes nullptr when its creature is marked.
  void DeleteCascade(TElement* e, TCreature*& player);
  // Frees the physics world with all it holds (elements first release their own parts).
  void FreeWorld();
};
