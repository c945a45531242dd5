#include "core/component.h"

#include <algorithm>

#include "core/text.h"

namespace marrowby {

namespace {
const PropInfo kComponentProps[] = {
    StrProp<TComponent, &TComponent::Name, &TComponent::SetName>("Name"),
    OrdProp<TComponent, &TComponent::Tag, &TComponent::SetTag>("Tag", &kIntegerType, true, 0),
};

void Erase(std::vector<TComponent*>& v, TComponent* c) {
  v.erase(std::remove(v.begin(), v.end(), c), v.end());
}
}  // namespace

const ClassInfo TComponent::kClassInfo = {"TComponent", &TPersistent::kClassInfo, kComponentProps,
                                          std::size(kComponentProps)};

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  destroying_ = true;
  // Those who asked to hear of this component's end.
  while (!freeNotifies_.empty()) {
    TComponent* c = freeNotifies_.back();
    freeNotifies_.pop_back();
    Erase(c->freeNotifies_, this);
    c->Notification(this, Operation::Remove);
  }
  while (!components_.empty()) Free(components_.back());
  if (owner_) owner_->RemoveComponent(this);
}

void Free(TComponent* component) {
  if (!component) return;
  if (!component->destroying_) {
    component->destroying_ = true;
    component->BeforeDestruction();
  }
  delete component;
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  const auto& v = owner_->components_;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_) {
    if (SameText(c->name_, name)) return c;
  }
  return nullptr;
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end()) {
    freeNotifies_.push_back(component);
  }
  if (std::find(component->freeNotifies_.begin(), component->freeNotifies_.end(), this) ==
      component->freeNotifies_.end()) {
    component->freeNotifies_.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component) return;
  Erase(freeNotifies_, component);
  Erase(component->freeNotifies_, this);
}

void TComponent::BeginLoading() {
  loading_ = true;
  for (TComponent* c : components_) c->loading_ = true;
}

void TComponent::EndLoading() {
  // Loaded may create or free components; walk a copy and skip the gone ones.
  std::vector<TComponent*> snapshot = components_;
  for (TComponent* c : snapshot) {
    if (std::find(components_.begin(), components_.end(), c) == components_.end()) continue;
    c->loading_ = false;
    c->Loaded();
  }
  loading_ = false;
  Loaded();
}

void TComponent::Notification(TComponent* component, Operation op) {
  if (op == Operation::Remove) Erase(freeNotifies_, component);
}

void TComponent::InsertComponent(TComponent* c) {
  components_.push_back(c);
  c->owner_ = this;
  Notification(c, Operation::Insert);
  std::vector<TComponent*> snapshot = components_;
  for (TComponent* sibling : snapshot) {
    if (sibling != c) sibling->Notification(c, Operation::Insert);
  }
}

void TComponent::RemoveComponent(TComponent* c) {
  Erase(components_, c);
  c->owner_ = nullptr;
  // The owner and every remaining sibling hear of it, so that stores and menus
  // drop their references to it.
  Notification(c, Operation::Remove);
  std::vector<TComponent*> snapshot = components_;
  for (TComponent* sibling : snapshot) sibling->Notification(c, Operation::Remove);
}

}  // namespace marrowby
