// The single-instance guard: one copy of the program runs at a time. At
// creation the guard claims a named mutex derived from the application title;
// when its owner has been loaded (EndLoading) and another copy holds the
// mutex, it warns the user (StopMsg), brings the running copy forward
// (Activate) and asks this copy to quit.
#pragma once

#include <string>

#include "core/component.h"

namespace marrowby {

class TSingleInstance : public TComponent {
 public:
  // Claims the mutex; the application title must be set before.
  explicit TSingleInstance(TComponent* owner);
  // Releases the mutex, which frees the name for the next start.
  ~TSingleInstance() override;

  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  // Whether a second copy restores the running one (or brings its dialog to
  // the top).
  bool Activate() const { return activate_; }
  void SetActivate(bool v) { activate_ = v; }
  // Warning a second copy shows; empty: none.
  const std::string& StopMsg() const { return stopMsg_; }
  void SetStopMsg(const std::string& v) { stopMsg_ = v; }

  // This copy holds the mutex: it is the running copy.
  bool IsFirst() const { return mutex_ != nullptr; }
  // This copy is a second one and has asked to quit: it must start nothing
  // before its message loop ends.
  bool Quitting() const { return quitting_; }

  // The name of the mutex for the current application title.
  static std::string MutexName();

 protected:
  void Loaded() override;

 private:
  void ActivateRunningCopy();

  bool activate_ = true;
  std::string stopMsg_;
  void* mutex_ = nullptr;
  bool quitting_ = false;
};

}  // namespace marrowby
