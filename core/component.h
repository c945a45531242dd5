// Components: named objects with a Tag, owned by another component that frees
// them, each at a fixed index in its owner's list. Owners and interested
// components hear of insertions and removals through Notification.
//
// A component goes through Free: by its owner, or, without one, by a
// ComponentPtr (or a call of Free). Free runs BeforeDestruction once, while
// the component is whole, and then deletes it; a derived class that must act
// while its members still exist (a form's FormDestroy) extends that step
// rather than its destructor.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/object.h"
#include "core/typeinfo.h"

namespace marrowby {

enum class Operation { Insert, Remove };

class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* owner);
  // Tells the components that asked for it, frees the owned components (the
  // last one first), then leaves the owner.
  ~TComponent() override;
  // Runs BeforeDestruction (once) and deletes the component; null is ignored.
  friend void Free(TComponent* component);

  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  int32_t Tag() const { return tag_; }
  void SetTag(int32_t tag) { tag_ = tag; }

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const { return components_.at(static_cast<size_t>(index)); }
  // This component's place in its owner's list, or -1 without an owner.
  int ComponentIndex() const;
  // The owned component of that name (case-insensitive), or null.
  TComponent* FindComponent(const std::string& name) const;

  // Asks to be told (Notification with Remove) when component is destroyed.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // Loading: between BeginLoading and EndLoading the owner applies its stored
  // definition; EndLoading then calls Loaded on each owned component in order
  // and on the owner itself.
  bool Loading() const { return loading_; }
  bool Destroying() const { return destroying_; }
  void BeginLoading();
  void EndLoading();

 protected:
  // The step before destruction: Destroying() is already true.
  virtual void BeforeDestruction() {}

  virtual void Loaded() {}
  virtual void Notification(TComponent* component, Operation op);

 private:
  void InsertComponent(TComponent* c);
  void RemoveComponent(TComponent* c);

  TComponent* owner_ = nullptr;
  std::string name_;
  int32_t tag_ = 0;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
  bool loading_ = false;
  bool destroying_ = false;
};

void Free(TComponent* component);

// An owner-less component, freed through Free.
struct FreeComponent {
  void operator()(TComponent* component) const { Free(component); }
};
template <class T>
using ComponentPtr = std::unique_ptr<T, FreeComponent>;
template <class T, class... Args>
ComponentPtr<T> MakeComponent(Args&&... args) {
  return ComponentPtr<T>(new T(std::forward<Args>(args)...));
}

}  // namespace marrowby
