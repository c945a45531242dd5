// Root classes of the component model: every object knows its class's
// property table (see typeinfo.h), and persistent objects can be copied from
// one another.
#pragma once

#include <functional>
#include <string>

namespace marrowby {

struct ClassInfo;

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  static const ClassInfo kClassInfo;
  virtual const ClassInfo* GetClassInfo() const { return &kClassInfo; }
  std::string ClassName() const;
  bool InheritsFrom(const ClassInfo* cls) const;
};

// Events: small callables with the Sender first. A veto is a bool&.
using TNotifyEvent = std::function<void(TObject* Sender)>;

class TPersistent : public TObject {
 public:
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  // Copies the state of source into this object. Classes that can copy a
  // source override it; otherwise the source gets a chance through AssignTo,
  // and failing that "Cannot assign a <source> to a <this>" is raised.
  virtual void Assign(const TPersistent* source);

 protected:
  virtual void AssignTo(TPersistent* dest) const;
};

}  // namespace marrowby
