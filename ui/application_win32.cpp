#include "ui/application_win32.h"

#include <algorithm>

#include "core/errors.h"
#include "core/platform.h"
#include "core/typeinfo.h"
#include "ui/form_win32.h"

namespace marrowby {

namespace {

const char kClassName[] = "TApplication";
// Hands the activation on to the main window (see HandleMessage).
const UINT kActivateMainMessage = WM_APP + 2;

}  // namespace

const ClassInfo TApplication::kClassInfo = {"TApplication", &TObject::kClassInfo, nullptr, 0};

TApplication::TApplication() {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  WindowSetup setup;
  setup.className = kClassName;
  setup.style = WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX;
  setup.x = GetSystemMetrics(SM_CXSCREEN) / 2;
  setup.y = GetSystemMetrics(SM_CYSCREEN) / 2;
  setup.classIcon = LoadIconA(inst, "MAINICON");
  if (!setup.classIcon) setup.classIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  CreateOwnWindow(setup);
  SetExceptionHandler([this](const std::exception& e) { HandleException(e); });
  SetApplicationWindow(this);
}

TApplication::~TApplication() {
  SetApplicationWindow(nullptr);
  SetExceptionHandler(nullptr);
  DestroyOwnWindow();
}

std::string TApplication::Title() const {
  char buf[256];
  const int n = GetWindowTextA(Handle(), buf, sizeof(buf));
  return std::string(buf, n > 0 ? n : 0);
}

void TApplication::SetTitle(const std::string& title) { SetWindowTextA(Handle(), title.c_str()); }

bool TApplication::HelpCommand(UINT command, ULONG_PTR data) {
  if (OnHelp && OnHelp(command, data)) return true;
  if (helpFile_.empty()) return false;
  HWND owner = mainWindow_ ? mainWindow_ : Handle();
  return WinHelpA(owner, helpFile_.c_str(), command, data) != FALSE;
}

bool TApplication::Terminated() const { return ApplicationTerminated(); }

void TApplication::Terminate() { PostQuitMessage(0); }

void TApplication::ProcessMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      SetApplicationTerminated(true);
      PostQuitMessage(static_cast<int>(msg.wParam));  // for Run to see
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void TApplication::Run() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    // Tab, Enter and access keys in the active form.
    HWND active = GetActiveWindow();
    if (FormTabKey(active, msg) || (active && IsDialogMessageA(active, &msg))) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  SetApplicationTerminated(true);
}

void TApplication::Minimize() {
  if (!IsIconic(Handle())) ShowWindow(Handle(), SW_MINIMIZE);
  StateChanged(true);
}

void TApplication::Restore() {
  if (IsIconic(Handle()) || !IsWindowVisible(Handle())) ShowWindow(Handle(), SW_RESTORE);
  StateChanged(false);
}

void TApplication::StateChanged(bool minimized) {
  if (minimized == minimized_) return;
  minimized_ = minimized;
  if (mainWindow_) {
    if (minimized) {
      ShowWindow(mainWindow_, SW_HIDE);
    } else {
      ShowWindow(mainWindow_, SW_SHOW);
      SetForegroundWindow(GetLastActivePopup(mainWindow_));
    }
  }
  CallGuarded([&] {
    if (minimized && OnMinimize) OnMinimize(this);
    if (!minimized && OnRestore) OnRestore(this);
  });
}

void TApplication::HandleException(const std::exception& e) {
  if (OnException) {
    try {
      OnException(this, e);
      return;
    } catch (const std::exception& inner) {
      ShowException(inner);
      return;
    }
  }
  ShowException(e);
}

void TApplication::ShowException(const std::exception& e) {
  const std::string text = e.what();
  if (std::find(errorsShown_.begin(), errorsShown_.end(), text) != errorsShown_.end()) return;
  errorsShown_.push_back(text);
  MessageBoxA(DialogOwner(), text.c_str(), Title().c_str(), MB_OK | MB_ICONSTOP);
  errorsShown_.erase(std::find(errorsShown_.begin(), errorsShown_.end(), text));
}

HWND TApplication::DialogOwner() const {
  // The application window itself, active after a restore, is only the
  // taskbar's stand-in: no box should hang on it while the main window shows.
  HWND active = GetActiveWindow();
  if (active && active != Handle() && IsWindowVisible(active)) return active;
  if (mainWindow_ && IsWindowVisible(mainWindow_)) return mainWindow_;
  return Handle();
}

void TApplication::SetHint(const std::string& hint) {
  if (hint == hint_) return;
  hint_ = hint;
  CallGuarded([&] {
    if (OnHint) OnHint(this);
  });
}

intptr_t TApplication::HandleMessage(unsigned msg, uintptr_t wp, intptr_t lp) {
  switch (msg) {
    case WM_SIZE:
      // Minimised or restored by anyone: the taskbar, another copy of the
      // program (ShowWindow on this window), or Minimize/Restore.
      if (wp == SIZE_MINIMIZED) StateChanged(true);
      if (wp == SIZE_RESTORED && minimized_) StateChanged(false);
      break;
    case WM_CLOSE:
      // Closing the taskbar entry closes the main window.
      if (mainWindow_) {
        PostMessageA(mainWindow_, WM_CLOSE, 0, 0);
        return 0;
      }
      break;
    case WM_SETFOCUS:
      // The application window is only the taskbar's stand-in: restored or
      // chosen on the taskbar, it passes the activation (and so the focus)
      // on to the main window or the window the main window last opened.
      PostMessageA(Handle(), kActivateMainMessage, 0, 0);
      break;
    case kActivateMainMessage:
      if (mainWindow_ && GetActiveWindow() == Handle() && IsWindowVisible(mainWindow_) &&
          IsWindowEnabled(mainWindow_) && !IsIconic(Handle())) {
        SetActiveWindow(GetLastActivePopup(mainWindow_));
      }
      return 0;
    case WM_ENDSESSION:
    case WM_QUERYENDSESSION:
      // The main window answers for the program.
      if (mainWindow_) return SendMessageA(mainWindow_, msg, wp, lp);
      break;
  }
  return DefaultHandling(msg, wp, lp);
}

TApplication& Application() {
  static TApplication app;
  return app;
}

}  // namespace marrowby
