#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "core/errors.h"
#include "core/typeinfo.h"
#include "core/window_host.h"
#include "shell/file_drag.h"
#include "shell/shell_text.h"

namespace marrowby {

namespace {

// The window property that leads the replacement procedure to its drop target.
const char kHookProperty[] = "MarrowbyFileDragHook";
const UINT kInitialBuffer = 128;

// Kept as a window property. When the drop target goes while somebody else's
// procedure sits in front of ours, the hook stays behind with no drop target
// and keeps passing every message on.
struct Hook {
  TFileDrag* drag;
  WNDPROC previous;
};

const TypeInfo kStringsType = ClassTypeInfo("TStrings", &TStrings::kClassInfo);

using F = TFileDrag;
const PropInfo kFileDragProps[] = {
    OrdProp<F, &F::EnableDrop, &F::SetEnableDrop>("EnableDrop", &kBooleanType, true, 1),
    ObjectProp<F, &F::Extension>("Extension", &kStringsType),
    OrdProp<F, &F::FileCount, nullptr>("FileCount", &kIntegerType),
    ObjectProp<F, &F::NameOnly>("NameOnly", &kStringsType),
    ObjectProp<F, &F::NameWithPath>("NameWithPath", &kStringsType),
    EventProp("OnDrop"),
};

struct DroppedFiles {
  std::vector<std::string> paths, names, extensions;
};

DroppedFiles ReadDrop(HDROP drop) {
  DroppedFiles files;
  const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  // One buffer for all names, grown to fit the longest.
  std::vector<char> buffer(kInitialBuffer);
  for (UINT i = 0; i < count; ++i) {
    // Each query walks the drop from its first name, so the length is asked
    // for only when the name may not have fitted.
    UINT got = DragQueryFileA(drop, i, buffer.data(), static_cast<UINT>(buffer.size()));
    if (got + 1 >= buffer.size()) {
      const UINT length = DragQueryFileA(drop, i, nullptr, 0);
      if (length + 1 > buffer.size()) {
        buffer.resize(length + 1);
        got = DragQueryFileA(drop, i, buffer.data(), static_cast<UINT>(buffer.size()));
      }
    }
    const std::string path(buffer.data(), got);
    const DroppedName parts = SplitDroppedName(path);
    files.paths.push_back(path);
    files.names.push_back(parts.NameOnly);
    files.extensions.push_back(parts.Extension);
  }
  return files;
}

LRESULT CALLBACK DropWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* hook = static_cast<Hook*>(GetPropA(hwnd, kHookProperty));
  if (!hook) return DefWindowProcA(hwnd, msg, wp, lp);
  const WNDPROC previous = hook->previous;
  if (hook->drag && msg == WM_DROPFILES) {
    TFileDrag* drag = hook->drag;
    CallGuarded([&] { drag->HandleDrop(reinterpret_cast<HDROP>(wp)); });
    return 0;
  }
  if (msg == WM_NCDESTROY) {
    // The last message of the window: give it back its own procedure.
    if (hook->drag) hook->drag->WindowDestroyed();
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC)) == DropWndProc) {
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    }
    RemovePropA(hwnd, kHookProperty);
    delete hook;
  }
  return CallWindowProcA(previous, hwnd, msg, wp, lp);
}

}  // namespace

const ClassInfo TFileDrag::kClassInfo = {"TFileDrag", &TComponent::kClassInfo, kFileDragProps,
                                         std::size(kFileDragProps)};

TFileDrag::TFileDrag(TComponent* owner)
    : TComponent(owner),
      nameWithPath_(std::make_unique<TStringList>()),
      nameOnly_(std::make_unique<TStringList>()),
      extension_(std::make_unique<TStringList>()) {
  auto* host = dynamic_cast<WindowHost*>(owner);
  HWND hwnd = host ? host->WindowHandle() : nullptr;
  // One drop target per window: a second one stays detached.
  if (hwnd && IsWindow(hwnd) && !GetPropA(hwnd, kHookProperty)) {
    auto* hook = new Hook{this, nullptr};
    if (SetPropA(hwnd, kHookProperty, hook)) {
      hook->previous = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DropWndProc)));
      window_ = hwnd;
      hook_ = hook;
    } else {
      delete hook;
    }
  }
  SetEnableDrop(false);
}

TFileDrag::~TFileDrag() {
  MarkDestroying();
  if (window_) {
    HWND hwnd = window_;
    auto* hook = static_cast<Hook*>(hook_);
    SetEnableDrop(false);
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC)) == DropWndProc) {
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(hook->previous));
      RemovePropA(hwnd, kHookProperty);
      delete hook;
    } else {
      // Another procedure was put in front of ours later; cutting ours out
      // would cut that one off too. Ours stays and passes everything on.
      hook->drag = nullptr;
    }
  }
  window_ = nullptr;
  hook_ = nullptr;
}

void TFileDrag::WindowDestroyed() {
  window_ = nullptr;
  hook_ = nullptr;
  enableDrop_ = false;
}

void TFileDrag::SetEnableDrop(bool v) {
  if (!window_) v = false;
  enableDrop_ = v;
  if (window_) DragAcceptFiles(window_, v ? TRUE : FALSE);
}

void TFileDrag::HandleDrop(HDROP drop) {
  DroppedFiles files;
  {
    // The handle is ours to release, however the reading ends.
    struct Release {
      HDROP h;
      ~Release() { DragFinish(h); }
    } release{drop};
    // A drop that arrives while drops are off (a message sent directly, or
    // one already queued when they were switched off) leaves the lists alone.
    if (!enableDrop_) return;
    files = ReadDrop(drop);
  }
  // The lists change together, once every name has been read.
  fileCount_ = static_cast<int32_t>(files.paths.size());
  nameWithPath_->SetLines(std::move(files.paths));
  nameOnly_->SetLines(std::move(files.names));
  extension_->SetLines(std::move(files.extensions));
  if (OnDrop) OnDrop(this);
}

}  // namespace marrowby
