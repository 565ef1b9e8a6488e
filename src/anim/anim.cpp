// The animation record's lifetime, the rig tree's links and the shared rig textures.
#include "anim/anim.h"

#include <algorithm>
#include <utility>

namespace {

// Weak, so that a texture goes with the last part that uses it; oldest first. Never
// destroyed: animations held in static storage elsewhere may be freed after this file's
// statics would be gone.
std::vector<std::weak_ptr<RigTexture>>& Registry() {
  static auto& registry = *new std::vector<std::weak_ptr<RigTexture>>;
  return registry;
}

void DropExpired() {
  auto& registry = Registry();
  std::erase_if(registry, [](const std::weak_ptr<RigTexture>& entry) { return entry.expired(); });
}

}  // namespace

TSpr::TSpr(TSpr&& other) noexcept
    : Tex(std::exchange(other.Tex, nullptr)),
      Name(std::move(other.Name)),
      Frames(std::move(other.Frames)),
      Rig(std::move(other.Rig)) {
  other.Name.clear();
  other.Frames.clear();
}

TSpr& TSpr::operator=(TSpr&& other) noexcept {
  if (this != &other) {
    FreeAnim(*this);
    Tex = std::exchange(other.Tex, nullptr);
    Name = std::move(other.Name);
    Frames = std::move(other.Frames);
    Rig = std::move(other.Rig);
    other.Name.clear();
    other.Frames.clear();
  }
  return *this;
}

TSpr::~TSpr() {
  FreeAnim(*this);
}

void FreeAnim(TSpr& spr) {
  tex_Del(spr.Tex);
  spr.Frames.clear();
  spr.Name.clear();
  spr.Rig.reset();  // parts are owned flat by the root, so any depth frees alike
  DropExpired();
}

RigPart& AddRigPart(RigPart& root) {
  root.Parts.push_back(std::make_unique<RigPart>());
  RigPart& part = *root.Parts.back();
  part.Parent = &root;
  root.Children.push_back(&part);
  return part;
}

bool SetRigParent(RigPart& part, RigPart& parent) {
  if (&part == &parent) return false;
  // Only a part with children can be an ancestor of another, so leaves skip the walk.
  for (const RigPart* p = &parent; p && !part.Children.empty(); p = p->Parent) {
    if (p == &part) return false;
  }
  if (part.Parent) std::erase(part.Parent->Children, &part);
  part.Parent = &parent;
  parent.Children.push_back(&part);
  return true;
}

// An explicit stack keeps the search flat however deep the tree is.
RigPart* FindRigPart(RigPart& root, int32_t id) {
  std::vector<RigPart*> stack{&root};
  while (!stack.empty()) {
    RigPart* part = stack.back();
    stack.pop_back();
    if (part->ID == id) return part;
    stack.insert(stack.end(), part->Children.rbegin(), part->Children.rend());
  }
  return nullptr;
}

std::shared_ptr<RigTexture> RigTextureFor(const std::string& key, const std::string& path,
                                          const std::function<Texture*()>& load) {
  DropExpired();
  auto& registry = Registry();
  if (!key.empty()) {
    for (const std::weak_ptr<RigTexture>& entry : registry) {
      std::shared_ptr<RigTexture> texture = entry.lock();
      if (texture && texture->Key == key) return texture;
    }
  }
  auto texture = std::make_shared<RigTexture>();
  texture->Path = path;
  texture->Key = key;
  texture->Tex = load();
  registry.push_back(texture);
  return texture;
}

std::vector<std::shared_ptr<RigTexture>> RigTextures() {
  std::vector<std::shared_ptr<RigTexture>> live;
  for (const std::weak_ptr<RigTexture>& entry : Registry()) {
    if (std::shared_ptr<RigTexture> texture = entry.lock()) live.push_back(std::move(texture));
  }
  return live;
}
