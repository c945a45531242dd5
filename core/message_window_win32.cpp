#include <windows.h>

#include "core/errors.h"
#include "core/message_window.h"

namespace marrowby {

struct MessageWindowProcedure {
  static LRESULT CALLBACK Run(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
      auto* self = static_cast<MessageWindow*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      if (self) self->window_ = hwnd;
    }
    MessageWindow* self = MessageWindow::ObjectOf(hwnd);
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    LRESULT result = 0;
    CallGuarded([&] { result = self->HandleMessage(msg, wp, lp); });
    return result;
  }
};

namespace {

bool RegisterOnce(const MessageWindow::WindowSetup& setup, HINSTANCE inst) {
  WNDCLASSA wc = {};
  if (GetClassInfoA(inst, setup.className, &wc)) return true;
  wc.lpfnWndProc = MessageWindowProcedure::Run;
  wc.hInstance = inst;
  wc.hIcon = setup.classIcon;
  wc.hCursor = setup.classCursor;
  wc.hbrBackground = setup.classBackground;
  wc.lpszClassName = setup.className;
  return RegisterClassA(&wc) != 0;
}

}  // namespace

MessageWindow::~MessageWindow() { DestroyOwnWindow(); }

MessageWindow* MessageWindow::ObjectOf(HWND hwnd) {
  if (!hwnd) return nullptr;
  // The class's procedure, not the window's: a subclass (the size limits of
  // the settings store, a tooltip) replaces the latter.
  WNDPROC proc = reinterpret_cast<WNDPROC>(GetClassLongPtrA(hwnd, GCLP_WNDPROC));
  if (proc != MessageWindowProcedure::Run) return nullptr;
  return reinterpret_cast<MessageWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

bool MessageWindow::CreateOwnWindow(const WindowSetup& setup) {
  if (window_) return true;
  HINSTANCE inst = GetModuleHandleA(nullptr);
  if (!RegisterOnce(setup, inst)) return false;
  HWND parent = setup.messageOnly ? HWND_MESSAGE : setup.parent;
  HWND hwnd = CreateWindowExA(setup.exStyle, setup.className, setup.text, setup.style, setup.x, setup.y,
                              setup.width, setup.height, parent, nullptr, inst, this);
  if (!hwnd) window_ = nullptr;  // a creation refused after WM_NCCREATE
  return hwnd != nullptr;
}

void MessageWindow::DetachOwnWindow() {
  if (window_) SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
}

void MessageWindow::DestroyOwnWindow() {
  if (!window_) return;
  HWND hwnd = window_;
  DetachOwnWindow();
  window_ = nullptr;
  DestroyWindow(hwnd);
}

intptr_t MessageWindow::HandleMessage(unsigned message, uintptr_t wParam, intptr_t lParam) {
  return DefaultHandling(message, wParam, lParam);
}

intptr_t MessageWindow::DefaultHandling(unsigned message, uintptr_t wParam, intptr_t lParam) {
  return DefWindowProcA(window_, message, wParam, lParam);
}

}  // namespace marrowby
