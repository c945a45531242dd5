#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "core/typeinfo.h"
#include "core/window_host.h"
#include "shell/file_drag.h"
#include "shell/shell_text.h"

namespace marrowby {

namespace {

const UINT kInitialBuffer = 128;

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

bool HasDropTarget(HWND hwnd) {
  for (MessageListener* l : MessageListenersOf(hwnd)) {
    if (dynamic_cast<TFileDrag*>(l)) return true;
  }
  return false;
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
  if (hwnd && !HasDropTarget(hwnd) && AddMessageListener(hwnd, this)) window_ = hwnd;
  SetEnableDrop(false);
}

TFileDrag::~TFileDrag() {
  if (!window_) return;
  SetEnableDrop(false);
  RemoveMessageListener(window_, this);
}

intptr_t TFileDrag::OnMessage(HWND, const WindowMessage& message, MessageChain& next) {
  if (message.id != WM_DROPFILES) return next.PassOn();
  HandleDrop(reinterpret_cast<HDROP>(message.wParam));
  return 0;
}

void TFileDrag::ListeningEnded(HWND) {
  window_ = nullptr;
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
