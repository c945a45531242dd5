#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "core/application_window.h"
#include "core/errors.h"
#include "core/platform.h"
#include "core/typeinfo.h"
#include "shell/shell_text.h"
#include "shell/tray_icon.h"
#include "shell/tray_menu.h"

namespace marrowby {

namespace {

const char kWindowClass[] = "TTrayIconWindow";
// The first form of the record, which every shell reads: 88 bytes on 32-bit
// Windows (104 with 64-bit handles).
static_assert(NOTIFYICONDATAA_V1_SIZE == (sizeof(void*) == 4 ? 88 : 104),
              "notification record of the first shell version");
// The shortest time between frames; the system's timers tick no faster.
const UINT kMinFrameIntervalMs = USER_TIMER_MINIMUM;

const TypeInfo kIconType = ClassTypeInfo("TIcon", &TIcon::kClassInfo);
const TypeInfo kIconListType = ClassTypeInfo("TIconList", &TIconList::kClassInfo);
const TypeInfo kPopupMenuType = ClassTypeInfo("TTrayPopupMenu", &TTrayPopupMenu::kClassInfo);
const TypeInfo kMouseEventType = SimpleTypeInfo(TypeKind::Method, "TMouseEvent");
const TypeInfo kMouseMoveEventType = SimpleTypeInfo(TypeKind::Method, "TMouseMoveEvent");

using T = TTrayIcon;
const PropInfo kTrayIconProps[] = {
    OrdProp<T, &T::Active, &T::SetActive>("Active", &kBooleanType, true, 1),
    OrdProp<T, &T::Animated, &T::SetAnimated>("Animated", &kBooleanType, true, 0),
    OrdProp<T, &T::Enabled, &T::SetEnabled>("Enabled", &kBooleanType, true, 1),
    StrProp<T, &T::Hint, &T::SetHint>("Hint"),
    ObjectProp<T, &T::Icon>("Icon", &kIconType),
    ObjectProp<T, &T::Icons>("Icons", &kIconListType),
    OrdProp<T, &T::Interval, &T::SetInterval>("Interval", &kWordType, true, 150),
    ObjectProp<T, &T::PopupMenu>("PopupMenu", &kPopupMenuType),
    EventProp("OnClick", &kMouseEventType),
    EventProp("OnDblClick"),
    EventProp("OnMouseDown", &kMouseEventType),
    EventProp("OnMouseMove", &kMouseMoveEventType),
    EventProp("OnMouseUp", &kMouseEventType),
};

TrayNotifyFunction& NotifyHook() {
  static TrayNotifyFunction hook;
  return hook;
}

UINT TaskbarCreatedMessage() {
  static const UINT msg = RegisterWindowMessageA("TaskbarCreated");
  return msg;
}

// A program running with raised rights does not hear Explorer's broadcast
// unless it lets the message in (Vista and later; looked up at run time so
// that older systems still start the program).
void AllowTaskbarCreated(HWND hwnd) {
  HMODULE user32 = GetModuleHandleA("user32.dll");
  if (!user32) return;
  using FilterEx = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
  // Through a plain function pointer: FARPROC's own type does not match.
  auto filterEx = reinterpret_cast<FilterEx>(reinterpret_cast<void (*)()>(
      GetProcAddress(user32, "ChangeWindowMessageFilterEx")));
  if (filterEx) filterEx(hwnd, TaskbarCreatedMessage(), 1 /* MSGFLT_ALLOW */, nullptr);
}

TShiftState KeyShift() {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
  if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  return s;
}

}  // namespace

void SetTrayNotifyFunction(TrayNotifyFunction fn) { NotifyHook() = std::move(fn); }

bool ShellNotifyIcon(unsigned message, void* record) {
  return Shell_NotifyIconA(message, static_cast<NOTIFYICONDATAA*>(record)) != FALSE;
}

const ClassInfo TTrayIcon::kClassInfo = {"TTrayIcon", &TComponent::kClassInfo, kTrayIconProps,
                                         std::size(kTrayIconProps)};

TTrayIcon::TTrayIcon(TComponent* owner)
    : TComponent(owner), icon_(std::make_unique<TIcon>()), icons_(std::make_unique<TIconList>()) {
  // A top-level window (never shown): message-only windows do not receive
  // the taskbar's broadcast.
  WindowSetup setup;
  setup.className = kWindowClass;
  setup.style = WS_POPUP;
  setup.exStyle = WS_EX_TOOLWINDOW;
  if (CreateOwnWindow(setup)) AllowTaskbarCreated(OwnWindow());
  icon_->OnChange = [this](TObject*) { IconChanged(); };
  icons_->OnChange = [this](TObject*) { IconChanged(); };
}

TTrayIcon::~TTrayIcon() {
  enabled_ = false;
  icon_->OnChange = nullptr;
  icons_->OnChange = nullptr;
  // The animation stops without an icon change; the icon goes next anyway.
  StopFrames();
  animated_ = false;
  Remove();
  SetPopupMenu(nullptr);
  DestroyOwnWindow();
}

void TTrayIcon::Loaded() {
  TComponent::Loaded();
  if (active_) Show();
}

void TTrayIcon::Notification(TComponent* component, Operation op) {
  TComponent::Notification(component, op);
  if (op == Operation::Remove && component == popupMenu_) popupMenu_ = nullptr;
}

void TTrayIcon::SetActive(bool v) {
  if (v == active_) return;
  active_ = v;
  if (Loading()) return;
  if (v) {
    Show();
  } else {
    Remove();
  }
}

void TTrayIcon::SetHint(const std::string& v) {
  if (v == hint_) return;
  hint_ = v;
  IconChanged();
}

void TTrayIcon::SetInterval(uint16_t v) {
  if (v == interval_) return;
  interval_ = v;
  if (framesRunning_) StartFrames();  // counts the new period afresh
}

void TTrayIcon::SetPopupMenu(TTrayPopupMenu* menu) {
  if (menu == popupMenu_) return;
  if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
  popupMenu_ = menu;
  if (menu) menu->FreeNotification(this);
}

// ---- Showing, changing, removing ----------------------------------------------

HICON TTrayIcon::ActiveIconHandle() {
  TIcon* icon = icon_.get();
  const int count = icons_->Count();
  if (animated_ && count > 0) icon = icons_->Items(std::clamp(frameIndex_, 0, count - 1));
  return icon->Empty() ? nullptr : icon->Handle();
}

bool TTrayIcon::Notify(unsigned message) {
  NOTIFYICONDATAA nid;
  std::memset(&nid, 0, sizeof(nid));
  nid.cbSize = NOTIFYICONDATAA_V1_SIZE;  // the record every shell version reads
  nid.hWnd = OwnWindow();
  nid.uID = 0;
  nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  nid.uCallbackMessage = kCallbackMessage;
  HICON handle = ActiveIconHandle();
  nid.hIcon = handle ? handle : reinterpret_cast<HICON>(INVALID_HANDLE_VALUE);
  const std::string tip = TrayTip(hint_);
  std::memcpy(nid.szTip, tip.c_str(), tip.size() + 1);
  if (NotifyHook()) return NotifyHook()(message, &nid);
  return ShellNotifyIcon(message, &nid);
}

void TTrayIcon::Show() {
  if (!OwnWindow()) return;
  Remove();
  if (ActiveIconHandle()) {
    pressed_ = {};
    added_ = Notify(NIM_ADD);
  }
  if (animated_ && added_) StartFrames();
}

void TTrayIcon::Remove() {
  if (OwnWindow()) Notify(NIM_DELETE);
  added_ = false;
  pressed_ = {};
  StopFrames();
}

void TTrayIcon::IconChanged() {
  if (Loading() || Destroying()) return;
  if (icons_->Count() == 0 && animated_) {
    SetAnimated(false);  // makes the change itself
    return;
  }
  if (added_) {
    if (!ActiveIconHandle()) {
      Remove();
    } else if (!Notify(NIM_MODIFY)) {
      // The shell no longer knows the icon (its taskbar went away unnoticed):
      // offer it anew.
      Show();
    }
  } else if (active_) {
    Show();
  }
}

// ---- Animation ------------------------------------------------------------------

void TTrayIcon::SetAnimated(bool v) {
  if (v == animated_) return;
  if (v) {
    if (icons_->Count() == 0) return;
    ++animation_;
    animated_ = true;
    if (added_) StartFrames();  // held while the icon is away
  } else {
    StopFrames();
    animated_ = false;
  }
  frameIndex_ = 0;
  IconChanged();
}

// The frames are stepped by a timer of the hidden window, on the
// user-interface thread. The system makes a timer message only when the
// thread has nothing else to do and never queues two, so a busy thread skips
// frames instead of catching up. Starting again counts a fresh interval.
void TTrayIcon::StartFrames() {
  HWND hwnd = static_cast<HWND>(OwnWindow());
  if (!hwnd) return;
  framesRunning_ =
      SetTimer(hwnd, animation_, std::max<UINT>(interval_, kMinFrameIntervalMs), nullptr) != 0;
}

void TTrayIcon::StopFrames() {
  if (!framesRunning_) return;
  KillTimer(static_cast<HWND>(OwnWindow()), animation_);
  framesRunning_ = false;
}

void TTrayIcon::FrameStep() {
  if (!animated_ || !added_ || ApplicationTerminated()) return;
  const int count = icons_->Count();
  if (count == 0) return;
  frameIndex_ = frameIndex_ + 1 >= count ? 0 : frameIndex_ + 1;
  IconChanged();
}

// ---- Mouse ------------------------------------------------------------------------

intptr_t TTrayIcon::HandleMessage(unsigned message, uintptr_t wParam, intptr_t lParam) {
  if (message == kCallbackMessage) {
    if (!enabled_) return DefaultHandling(message, wParam, lParam);
    MouseMessage(static_cast<unsigned>(lParam));
    return 0;
  }
  if (message == WM_TIMER && framesRunning_ && wParam == animation_) {
    FrameStep();
    return 0;
  }
  if (message == TaskbarCreatedMessage()) {
    // Explorer started again: its new notification area has no icon of ours.
    if (active_ && !Loading()) {
      added_ = false;
      Show();
    }
    return 0;
  }
  return DefaultHandling(message, wParam, lParam);
}

void TTrayIcon::MouseMessage(unsigned message) {
  POINT pt = {0, 0};
  GetCursorPos(&pt);
  TShiftState shift = KeyShift();
  auto down = [&](TMouseButton button, TShiftStateItem flag, bool twice) {
    shift.Include(flag);
    if (twice) shift.Include(ssDouble);
    if (OnMouseDown) OnMouseDown(this, button, shift, pt.x, pt.y);
  };
  auto up = [&](TMouseButton button, TShiftStateItem flag, bool clicks) {
    shift.Include(flag);
    if (clicks && pressed_.Contains(button)) {
      pressed_.Exclude(button);
      Click(button, shift, pt.x, pt.y);
    }
    if (OnMouseUp) OnMouseUp(this, button, shift, pt.x, pt.y);
  };
  switch (message) {
    case WM_MOUSEMOVE:
      if (OnMouseMove) OnMouseMove(this, shift, pt.x, pt.y);
      break;
    case WM_LBUTTONDOWN:
      down(mbLeft, ssLeft, false);
      pressed_.Include(mbLeft);
      break;
    case WM_LBUTTONUP: up(mbLeft, ssLeft, true); break;
    case WM_LBUTTONDBLCLK:
      DblClick();
      down(mbLeft, ssLeft, true);
      break;
    case WM_RBUTTONDOWN:
      down(mbRight, ssRight, false);
      pressed_.Include(mbRight);
      break;
    case WM_RBUTTONUP: up(mbRight, ssRight, true); break;
    case WM_RBUTTONDBLCLK: down(mbRight, ssRight, true); break;
    case WM_MBUTTONDOWN: down(mbMiddle, ssMiddle, false); break;
    case WM_MBUTTONUP: up(mbMiddle, ssMiddle, false); break;
    case WM_MBUTTONDBLCLK: down(mbMiddle, ssMiddle, true); break;
  }
}

void TTrayIcon::Click(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbRight && ShowPopup()) return;
  if (OnClick) OnClick(this, button, shift, x, y);
}

void TTrayIcon::DblClick() {
  if (popupMenu_) {
    TMenuItem* items = popupMenu_->Items();
    for (int i = 0; i < items->Count(); ++i) {
      TMenuItem* item = items->Items(i);
      if (item->Default() && item->Enabled()) {
        item->Click();
        return;
      }
    }
  }
  if (OnDblClick) OnDblClick(this);
}

bool TTrayIcon::ShowPopup() {
  HWND hwnd = OwnWindow();
  if (!active_ || !popupMenu_ || !popupMenu_->AutoPopup() || !hwnd) return false;
  TTrayPopupMenu* menu = popupMenu_;
  menu->SetPopupComponent(this);
  // A control that holds the mouse (a pressed button, a drag) lets go first.
  HWND target = GetActiveWindow();
  if (!target) target = CurrentApplicationWindow().MainWindowHandle();
  if (target) {
    HWND focus = GetFocus();
    if (!focus || (focus != target && !IsChild(target, focus))) focus = target;
    SendMessageA(focus, WM_CANCELMODE, 0, 0);
  }
  // The menu's owner must be the foreground window, or the menu stays open
  // when the user clicks elsewhere.
  if (IsWindowEnabled(hwnd)) SetForegroundWindow(hwnd);
  CurrentApplicationWindow().ProcessMessages();
  if (popupMenu_ != menu) return false;  // the menu went while messages ran
  POINT pt = {0, 0};
  GetCursorPos(&pt);
  uint32_t command = 0;
  const bool shown = menu->Track(hwnd, pt.x, pt.y, &command);
  SetForegroundWindow(hwnd);
  PostMessageA(hwnd, WM_NULL, 0, 0);
  if (command && popupMenu_ == menu) menu->ClickCommand(command);
  return shown;
}

}  // namespace marrowby
