#include "world/level.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "world/creature.h"
#include "world/elements.h"
#include "world/poly.h"

namespace {

// The ID an element added with ID 0 gets: the smallest of 1..n that no element of the
// layer uses (n = elements before the addition), else the first free one above n.
int32_t FreeID(const std::vector<std::unique_ptr<TElement>>& elements) {
  size_t n = elements.size();
  std::vector<bool> used(n + 1, false);
  for (const auto& e : elements) {
    if (e->ID >= 1 && static_cast<size_t>(e->ID) <= n) used[static_cast<size_t>(e->ID)] = true;
  }
  for (size_t id = 1; id <= n; ++id) {
    if (!used[id]) return static_cast<int32_t>(id);
  }
  // n elements holding all of 1..n leave none for n + 1.
  return static_cast<int32_t>(n + 1);
}

// Whether the chain of Link pointers after an element reaches the target. The answer is
// remembered for every element a walk passes, so the chains of a whole level cost linear
// time; a walk that comes back to an element of its own path is in a loop without the
// target and stops there.
class LinkReach {
 public:
  explicit LinkReach(const TElement* target) : target_(target) {}

  bool FromLinkOf(const TElement& start) {
    std::vector<const TElement*> path;
    bool reaches = false;
    for (const TElement* p = start.Link; p; p = p->Link) {
      if (p == target_) {
        reaches = true;
        break;
      }
      auto [it, fresh] = known_.try_emplace(p, State::OnPath);
      if (!fresh) {
        reaches = it->second == State::Reaches;
        break;
      }
      path.push_back(p);
    }
    for (const TElement* p : path)
      known_[p] = reaches ? State::Reaches : State::Misses;
    return reaches;
  }

 private:
  enum class State : uint8_t { OnPath, Reaches, Misses };
  const TElement* target_;
  std::unordered_map<const TElement*, State> known_;
};

bool HasDeletedEnd(const TJoint& joint) {
  return (joint.Element1 && joint.Element1->Deleted) || (joint.Element2 && joint.Element2->Deleted);
}

// Takes an element's physics parts out of the world and frees them. A sprite only rides
// on a body it does not own; the reference is dropped so it cannot outlive the world.
void ReleasePhysicsOf(TElement& e) {
  if (TPoly* poly = e.As<TPoly>()) poly->ReleasePhysics();
  if (TCircle* circle = e.As<TCircle>()) circle->Poly->ReleasePhysics();
  if (TCreature* creature = e.As<TCreature>()) creature->ReleasePhysics();
  if (TObj* obj = e.As<TObj>()) obj->ReleasePhysics();
  if (TJoint* joint = e.As<TJoint>()) joint->ReleasePhysics();
  if (TSprite* sprite = e.As<TSprite>()) sprite->Body = nullptr;
}

template <class Visit>
void ForEachCreature(const TLevel& level, Visit visit) {
  for (const auto& layer : level.Layers) {
    for (const auto& e : layer->Elements) {
      if (TCreature* creature = e->As<TCreature>()) visit(*creature);
    }
  }
}

// Links, a riding sprite's body and joint ends that pointed at a removed element are
// cleared, so nothing is left dangling even when an element went without its dependants.
void ForgetRemoved(const TLevel& level, const std::unordered_set<const TElement*>& removed) {
  for (const auto& layer : level.Layers) {
    for (const auto& e : layer->Elements) {
      if (removed.contains(e->Link)) {
        e->Link = nullptr;
        if (TSprite* sprite = e->As<TSprite>()) sprite->Body = nullptr;
      }
      TJoint* joint = e->As<TJoint>();
      if (!joint) continue;
      if (removed.contains(joint->Element1)) {
        joint->Element1 = nullptr;
        joint->Poly1 = nullptr;
      }
      if (removed.contains(joint->Element2)) {
        joint->Element2 = nullptr;
        joint->Poly2 = nullptr;
      }
    }
  }
}

// Elements are destroyed in layer and list order; the survivors keep theirs. A removed
// creature stops being the player, however it came to be deleted.
void RemoveDeleted(const TLevel& level, TCreature*& player, TStepObserver* observer) {
  std::unordered_set<const TElement*> removed;
  for (const auto& layer : level.Layers) {
    // Nearly every step deletes nothing: a layer without deleted elements stays as it is.
    if (std::none_of(layer->Elements.begin(), layer->Elements.end(),
                     [](const auto& e) { return e->Deleted; }))
      continue;
    std::vector<std::unique_ptr<TElement>> kept;
    for (auto& e : layer->Elements) {
      if (!e->Deleted) {
        kept.push_back(std::move(e));
        continue;
      }
      removed.insert(e.get());
      if (observer) observer->Removing(*e);
      if (player && e->Obj.get() == player) player = nullptr;
      e.reset();
    }
    layer->Elements = std::move(kept);
  }
  if (!removed.empty()) ForgetRemoved(level, removed);
}

// Without a physics step or scripts, only a replay track moves a body: an element that no
// track moves, riding on none that one moves, keeps its place. Creatures always follow.
bool Unmoved(const TElement& e) {
  if (e.TrackIndex >= 0 || e.Kind == ekCreature) return false;
  const TSprite* sprite = e.As<TSprite>();
  return !sprite || !sprite->Body || !e.Link || e.Link->TrackIndex < 0;
}

// What the follow of an unmoved element still does: objects and sprites animate; polygons,
// circles and joints have nothing else to do.
void Animate(const TElement& e) {
  if (TObj* obj = e.As<TObj>()) obj->Animate();
  if (TSprite* sprite = e.As<TSprite>()) sprite->Animate();
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TLayer

std::unique_ptr<TLayer> TLayer::CreateCopy() const {
  auto copy = std::make_unique<TLayer>();
  copy->Name = Name;
  copy->Visible = Visible;
  for (const auto& e : Elements) {
    TElement* added = copy->AddElement(e->Obj->CreateCopy(), e->ID);
    added->Bounds = e->Bounds;
    added->LinkID = e->LinkID;
  }
  return copy;
}

TElement* TLayer::AddElement(std::unique_ptr<TGameObject> obj, int32_t id) {
  auto e = std::make_unique<TElement>();
  e->Kind = obj->Kind();
  e->ID = id != 0 ? id : FreeID(Elements);
  obj->GetBounds(e->Bounds);
  e->Obj = std::move(obj);
  Elements.push_back(std::move(e));
  return Elements.back().get();
}

TElement* TLayer::FindElement(int32_t id) const {
  for (const auto& e : Elements) {
    if (e->ID == id) return e.get();
  }
  return nullptr;
}

int TLayer::CountByName(const std::string& upperName, uint8_t kind) const {
  int count = 0;
  for (const auto& e : Elements) {
    if ((kind == 0 || e->Kind == kind) && e->PatternName() == upperName) ++count;
  }
  return count;
}

void TLayer::Draw() {
  for (const auto& e : Elements)
    e->Obj->Draw();
}

void TLayer::Update() {
  for (const auto& e : Elements)
    e->Obj->Update();
}

// ---------------------------------------------------------------------------------------
// TLevel

// Layers go first: each object takes its own parts out of the world while it still exists.
TLevel::~TLevel() {
  Layers.clear();
  FreeWorld();
}

std::unique_ptr<TLevel> TLevel::CreateCopy() const {
  auto copy = std::make_unique<TLevel>();
  copy->Checksum = Checksum;
  copy->StartScript.CopyText(StartScript);
  copy->UpdateScript.CopyText(UpdateScript);
  copy->InitCamera = InitCamera;
  for (const auto& layer : Layers)
    copy->Layers.push_back(layer->CreateCopy());
  return copy;
}

TLayer* TLevel::AddLayer(const std::string& name) {
  auto layer = std::make_unique<TLayer>();
  layer->Name = name;
  Layers.push_back(std::move(layer));
  return Layers.back().get();
}

TElement* TLevel::FindElement(int32_t id) const {
  for (const auto& layer : Layers) {
    if (TElement* e = layer->FindElement(id)) return e;
  }
  return nullptr;
}

int TLevel::CountByName(const std::string& upperName, uint8_t kind) const {
  int count = 0;
  for (const auto& layer : Layers)
    count += layer->CountByName(upperName, kind);
  return count;
}

void TLevel::SetInt(const std::string& name, int32_t value) {
  for (auto& [varName, varValue] : IntVars) {
    if (varName == name) {
      varValue = value;
      return;
    }
  }
  IntVars.emplace_back(name, value);
}

int32_t TLevel::GetInt(const std::string& name) const {
  for (const auto& [varName, varValue] : IntVars) {
    if (varName == name) return varValue;
  }
  return 0;
}

// The renderer keeps the camera pointer, so it is reset before returning: the caller's
// camera may not outlive this call.
void TLevel::Draw(const Camera2D& camera) {
  batch2d_Begin();
  cam2d_Set(&camera);
  for (const auto& layer : Layers)
    layer->Draw();
  cam2d_Set(nullptr);
  batch2d_End();
}

void TLevel::Step() {
  TCreature* noPlayer = nullptr;
  Step(noPlayer);
}

void TLevel::Step(TCreature*& player, TStepObserver* observer) {
  ++StepCount;
  ForEachCreature(*this, [](TCreature& c) { c.OnGround = 0; });
  if (Space) phys::cpSpaceStep(Space, 0.001);
  RemoveDeleted(*this, player, observer);
  for (const auto& layer : Layers)
    layer->Update();
  for (const auto& layer : Layers) {
    for (const auto& e : layer->Elements) {
      TCreature* c = e->As<TCreature>();
      if (!c) continue;
      if (observer) observer->CreatureUpdated(*e, *c);
      if (c->Body) c->LastVY = static_cast<float>(phys::cpBodyGetVel(c->Body).y);
    }
  }
}

void TLevel::Follow(bool onlyChanging) {
  for (const auto& layer : Layers) {
    for (const auto& e : layer->Elements) {
      if (onlyChanging && Unmoved(*e)) {
        Animate(*e);
      } else if (TCreature* c = e->As<TCreature>()) {
        c->Update(false);
      } else {
        e->Obj->Update();
      }
    }
  }
}

void TLevel::StoreHome() {
  for (const auto& layer : Layers) {
    for (const auto& e : layer->Elements)
      e->Obj->StoreHome();
  }
}

void TLevel::SnapToGrid() {
  for (const auto& layer : Layers) {
    for (const auto& e : layer->Elements)
      e->Obj->SnapToGrid();
  }
}

void TLevel::DeleteCascade(TElement* e, TCreature*& player) {
  std::vector<TElement*> joints;
  LinkReach reach(e);
  for (const auto& layer : Layers) {
    for (const auto& x : layer->Elements) {
      if (x->As<TJoint>()) joints.push_back(x.get());
      if (x->Deleted || !x->Link || !reach.FromLinkOf(*x)) continue;
      x->Deleted = true;
      if (player && x->As<TCreature>() == player) player = nullptr;
    }
  }
  for (TElement* joint : joints) {
    if (HasDeletedEnd(*joint->As<TJoint>())) joint->Deleted = true;
  }
}

void TLevel::FreeWorld() {
  for (const auto& layer : Layers) {
    for (const auto& e : layer->Elements)
      ReleasePhysicsOf(*e);
  }
  if (Space) {
    phys::cpSpaceFreeChildren(Space);
    phys::cpSpaceFree(Space);
    Space = nullptr;
  }
  // Never added to the space, so cpSpaceFreeChildren leaves it to us.
  if (StaticBody) {
    phys::cpBodyFree(StaticBody);
    StaticBody = nullptr;
  }
}
