#include <windows.h>

#include "core/application_window.h"
#include "core/scoped_win32.h"
#include "core/typeinfo.h"
#include "shell/shell_text.h"
#include "shell/single_instance.h"

namespace marrowby {

namespace {

using S = TSingleInstance;
const PropInfo kSingleInstanceProps[] = {
    OrdProp<S, &S::Activate, &S::SetActivate>("Activate", &kBooleanType, true, 1),
    StrProp<S, &S::StopMsg, &S::SetStopMsg>("StopMsg"),
};

// How long a new copy waits for a running copy that may be ending.
const DWORD kWaitForEndingCopyMs = 2000;

// A window's text or class name, up to the 254 characters the guard reads.
std::string WindowText(HWND hwnd) {
  char buf[kTitleLimit + 1] = {};
  const int n = GetWindowTextA(hwnd, buf, sizeof(buf));
  return std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

// The whole text: FindWindowA compares whole texts, so a search with a cut
// title would never find a copy whose title is longer than the cut.
std::string FullWindowText(HWND hwnd) {
  const int length = GetWindowTextLengthA(hwnd);
  if (length <= 0) return std::string();
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int n = GetWindowTextA(hwnd, &text[0], length + 1);
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return text;
}

std::string ClassNameOf(HWND hwnd) {
  char buf[kTitleLimit + 1] = {};
  const int n = GetClassNameA(hwnd, buf, sizeof(buf));
  return std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

HWND ApplicationWindowHandle() {
  return CurrentApplicationWindow().ApplicationHandle();
}

}  // namespace

const ClassInfo TSingleInstance::kClassInfo = {"TSingleInstance", &TComponent::kClassInfo,
                                               kSingleInstanceProps,
                                               std::size(kSingleInstanceProps)};

std::string TSingleInstance::MutexName() {
  return SingleInstanceMutexName(WindowText(ApplicationWindowHandle()));
}

TSingleInstance::TSingleInstance(TComponent* owner) : TComponent(owner) {
  ScopedKernelHandle mutex(CreateMutexA(nullptr, TRUE, MutexName().c_str()));
  // Another copy holds it. A copy that is just ending (the user quit and
  // started again at once) lets go within moments: wait for that briefly, or
  // the new copy would quit too and leave none running.
  if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
    const DWORD waited = WaitForSingleObject(mutex.Get(), kWaitForEndingCopyMs);
    // Keeping a handle would keep the name alive after that copy ends, so
    // that a start then would still find it taken.
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) mutex.Reset();
  }
  mutex_ = mutex.Detach();
}

TSingleInstance::~TSingleInstance() {
  ScopedKernelHandle mutex(mutex_);  // closed: a later copy may start
}

void TSingleInstance::Loaded() {
  TComponent::Loaded();
  if (mutex_ || quitting_) return;
  quitting_ = true;
  if (!stopMsg_.empty()) {
    MessageBoxA(ApplicationWindowHandle(), stopMsg_.c_str(),
                CurrentApplicationWindow().Title().c_str(), MB_OK | MB_ICONWARNING);
  }
  if (activate_) ActivateRunningCopy();
  PostQuitMessage(0);
}

void TSingleInstance::ActivateRunningCopy() {
  HWND own = ApplicationWindowHandle();
  const std::string className = ClassNameOf(own);
  const std::string title = FullWindowText(own);
  // With its own text gone for a moment, the search cannot find this copy.
  SetWindowTextA(own, "");
  HWND other = FindWindowA(className.c_str(), title.c_str());
  SetWindowTextA(own, title.c_str());
  if (!other || other == own) return;
  if (IsIconic(other)) {
    ShowWindow(other, SW_RESTORE);
    return;
  }
  // A dialog the running copy shows comes to the front.
  HWND popup = GetLastActivePopup(other);
  if (popup && popup != other && IsWindowVisible(popup) && IsWindowEnabled(popup)) {
    BringWindowToTop(popup);
  }
}

}  // namespace marrowby
