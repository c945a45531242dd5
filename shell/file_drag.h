// The drop target: lets the user drop files from the shell onto the window of
// its owner. It listens to the window's messages, tells the shell whether the
// window accepts files, and on each drop fills three parallel lists (full
// path, last path component, extension) and raises OnDrop. An owner without a
// window leaves it detached.
#pragma once

#include <cstdint>
#include <memory>

#include "core/component.h"
#include "core/handles.h"
#include "core/window_base.h"
#include "core/strings.h"

namespace marrowby {

class TFileDrag : public TComponent, public MessageListener {
 public:
  explicit TFileDrag(TComponent* owner);
  ~TFileDrag() override;

  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  // Entry i of each list belongs to the i-th file of the latest drop, in the
  // shell's order; each holds FileCount entries.
  TStrings* NameWithPath() const { return nameWithPath_.get(); }
  TStrings* NameOnly() const { return nameOnly_.get(); }
  TStrings* Extension() const { return extension_.get(); }
  int32_t FileCount() const { return fileCount_; }

  // Whether the window accepts dropped files. Every write tells the shell,
  // also of the current value. A detached drop target stays false.
  bool EnableDrop() const { return enableDrop_; }
  void SetEnableDrop(bool v);

  // Raised once per drop, after the lists are filled.
  TNotifyEvent OnDrop;

  // Attached to its owner's window, or null.
  NativeWindow Window() const { return window_; }

  // Handles one drop (a drop handle) and releases the handle: what the drop
  // message does.
  void HandleDrop(NativeDrop drop);

 private:
  intptr_t OnMessage(NativeWindow window, const WindowMessage& message,
                     MessageChain& next) override;
  // The window went away, or its object let go of it: forget it.
  void ListeningEnded(NativeWindow window) override;

  std::unique_ptr<TStrings> nameWithPath_;
  std::unique_ptr<TStrings> nameOnly_;
  std::unique_ptr<TStrings> extension_;
  int32_t fileCount_ = 0;
  bool enableDrop_ = false;
  NativeWindow window_ = nullptr;
};

}  // namespace marrowby
