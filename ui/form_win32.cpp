#include "ui/form_win32.h"

#include <commctrl.h>

#include <string>

#include "core/dpi_win32.h"
#include "core/text.h"
#include "ui/application_win32.h"
#include "ui/controls_win32.h"

namespace marrowby {

namespace {

const int kFirstId = 100;

}  // namespace

Win32FormView::Win32FormView(TForm& form) : form_(form) {
  CreateFormWindow();
  CreateControls();
  form_.AttachView(this);
}

Win32FormView::~Win32FormView() {
  if (!formGone_ && form_.View() == this) form_.AttachView(nullptr);
  ClearBindings();
  DestroyOwnWindow();
}

namespace {

// The window styles of a form's border.
void FormStyles(const TForm& form, DWORD* style, DWORD* ex) {
  *style = WS_CLIPCHILDREN;
  *ex = WS_EX_CONTROLPARENT | (form.StayOnTop ? WS_EX_TOPMOST : 0) |
        (form.TaskbarEntry ? WS_EX_APPWINDOW : 0);
  switch (form.BorderStyle) {
    case TBorderStyle::bsNone:
      *style |= WS_POPUP;
      return;
    case TBorderStyle::bsSingle:
      *style |= WS_CAPTION | WS_BORDER | (form.BorderIcons ? WS_SYSMENU | WS_MINIMIZEBOX : 0);
      return;
    case TBorderStyle::bsSizeable:
      *style |= WS_CAPTION | WS_THICKFRAME |
                (form.BorderIcons ? WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX : 0);
      return;
    case TBorderStyle::bsDialog:
      *style |= WS_CAPTION | DS_MODALFRAME | (form.BorderIcons ? WS_SYSMENU : 0);
      *ex |= WS_EX_DLGMODALFRAME;
      return;
  }
}

// The form's font at the window's dots per inch.
HFONT MakeFormFont(const TForm& form, int dpi) {
  NONCLIENTMETRICSA ncm = {};
  ncm.cbSize = sizeof(ncm);
  if (form.SystemFont && SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0)) {
    // The system gives its fonts at the system's density.
    ncm.lfMessageFont.lfHeight = MulDiv(ncm.lfMessageFont.lfHeight, dpi, SystemDpi());
    return CreateFontIndirectA(&ncm.lfMessageFont);
  }
  const int height = -MulDiv(form.FontPoints, dpi, 72);
  return CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                     form.FontName.c_str());
}

}  // namespace

void Win32FormView::CreateFormWindow() {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  DWORD style, ex;
  FormStyles(form_, &style, &ex);
  // Made at the system's density; a window that comes up on a screen of
  // another density is fitted to it once made.
  const int systemDpi = SystemDpi();
  RECT r = {0, 0, ScaleToDpi(form_.ClientWidth(), systemDpi),
            ScaleToDpi(form_.ClientHeight(), systemDpi)};
  AdjustWindowRectEx(&r, style, FALSE, ex);
  const std::string cls = form_.ClassName();
  const std::string caption = form_.Caption();
  WindowSetup setup;
  setup.className = cls.c_str();
  setup.text = caption.c_str();
  setup.style = style;
  setup.exStyle = ex;
  setup.x = setup.y = CW_USEDEFAULT;
  setup.width = form_.WindowWidth() ? ScaleToDpi(form_.WindowWidth(), systemDpi) : r.right - r.left;
  setup.height =
      form_.WindowHeight() ? ScaleToDpi(form_.WindowHeight(), systemDpi) : r.bottom - r.top;
  setup.parent = form_.TaskbarEntry ? nullptr : Application().Handle();
  setup.classIcon = LoadIconA(inst, "MAINICON");
  setup.classCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  setup.classBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  CreateOwnWindow(setup);
  look_.dpi = WindowDpi(Hwnd());
  font_.Reset(MakeFormFont(form_, look_.dpi));
  look_.font = font_.Get();
  SendMessageA(Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  if (form_.BorderStyle == TBorderStyle::bsSizeable) {
    if (look_.dpi != systemDpi) {
      RECT outer;
      GetWindowRect(Hwnd(), &outer);
      SetWindowPos(Hwnd(), nullptr, 0, 0, MulDiv(outer.right - outer.left, look_.dpi, systemDpi),
                   MulDiv(outer.bottom - outer.top, look_.dpi, systemDpi),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT client;
    GetClientRect(Hwnd(), &client);
    ClientResized(client.right, client.bottom);
  } else if (look_.dpi != systemDpi) {
    SetClientAreaSize(Hwnd(), look_.Px(form_.ClientWidth()), look_.Px(form_.ClientHeight()));
  }
  tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_BALLOON, 0, 0, 0, 0,
                             Hwnd(), nullptr, inst, nullptr);
  SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0, look_.Px(300));
}

void Win32FormView::CreateControls() {
  int id = kFirstId;
  for (int i = 0; i < form_.ComponentCount(); ++i) {
    auto* control = dynamic_cast<TControl*>(form_.Components(i));
    if (!control) continue;
    std::unique_ptr<ControlBinding> binding = MakeBinding(*control, look_);
    if (!binding) continue;
    HWND parent = control->Parent() ? ControlWindow(control->Parent()) : Hwnd();
    binding->Create(parent ? parent : Hwnd(), id);
    id += 2;  // a file edit's browse button takes the next id
    control->AttachView(binding.get());
    if (!control->Hint().empty()) AddHint(binding->Hwnd(), control);
    if (binding->Helper() && !control->Hint().empty()) AddHint(binding->Helper(), control);
    bindings_.push_back(std::move(binding));
  }
}

void Win32FormView::AddHint(HWND control, const TControl* c) {
  static std::vector<std::unique_ptr<std::string>> texts;  // kept for the tooltips
  texts.push_back(std::make_unique<std::string>(ShortHint(c->Hint())));
  TTTOOLINFOA ti = {};
  ti.cbSize = TTTOOLINFOA_V2_SIZE;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS | TTF_CENTERTIP;
  ti.hwnd = Hwnd();
  ti.uId = reinterpret_cast<UINT_PTR>(control);
  ti.lpszText = &(*texts.back())[0];
  SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void Win32FormView::ClearBindings() {
  // Controls before the containers they sit in, whose windows take theirs.
  while (!bindings_.empty()) bindings_.pop_back();
}

HWND Win32FormView::ControlWindow(const TControl* control) const {
  for (const auto& b : bindings_) {
    if (&b->Control() == control) return b->Hwnd();
  }
  return nullptr;
}

ControlBinding* Win32FormView::BindingFor(HWND hwnd) const {
  for (const auto& b : bindings_) {
    if (b->Hwnd() == hwnd || (b->Helper() && b->Helper() == hwnd)) return b.get();
  }
  return nullptr;
}

void Win32FormView::ShowHelpFor(const HELPINFO& info) {
  int context = 0;
  if (info.iContextType == HELPINFO_WINDOW) {
    for (HWND h = static_cast<HWND>(info.hItemHandle); h && h != Hwnd() && !context;
         h = GetParent(h)) {
      if (ControlBinding* b = BindingFor(h)) context = b->Control().HelpContext();
    }
  }
  if (context > 0) {
    Application().HelpCommand(HELP_CONTEXT, static_cast<ULONG_PTR>(context));
  } else {
    Application().HelpCommand(HELP_CONTENTS, 0);
  }
}

void Win32FormView::Center() {
  RECT r;
  GetWindowRect(Hwnd(), &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  SetWindowPos(Hwnd(), nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - h) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);  // activation comes with showing
}

void Win32FormView::Show() {
  if (form_.Centered && !centered_) {
    Center();
    centered_ = true;
  }
  // FormShow runs before the window appears: showing it activates it at
  // once (WM_ACTIVATE comes from inside ShowWindow), and FormActivate must
  // find what FormShow prepared, as the toolkit's forms do.
  if (!form_.Visible()) form_.DoShow();
  if (IsIconic(Hwnd())) ShowWindow(Hwnd(), SW_RESTORE);
  ShowWindow(Hwnd(), SW_SHOW);
  SetForegroundWindow(Hwnd());
}

void Win32FormView::Hide() {
  ShowWindow(Hwnd(), SW_HIDE);
  form_.DoHide();
}

namespace {
BOOL CALLBACK DisableOthers(HWND hwnd, LPARAM lp) {
  auto* list = reinterpret_cast<std::vector<HWND>*>(lp);
  if (hwnd != list->front() && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
    EnableWindow(hwnd, FALSE);
    list->push_back(hwnd);
  }
  return TRUE;
}
}  // namespace

int Win32FormView::ShowModal() {
  modalEnded_ = false;
  // Every other window of the program waits while the form is up; timers and
  // other messages keep flowing.
  std::vector<HWND> disabled{Hwnd()};
  EnumThreadWindows(GetCurrentThreadId(), DisableOthers, reinterpret_cast<LPARAM>(&disabled));
  Show();
  MSG msg;
  while (!modalEnded_) {
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // for the main loop
      break;
    }
    if (FormTabKey(Hwnd(), msg) || IsDialogMessageA(Hwnd(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  for (size_t i = 1; i < disabled.size(); ++i) EnableWindow(disabled[i], TRUE);
  Hide();
  return form_.ModalResult();
}

void Win32FormView::Refresh() {
  SetWindowTextA(Hwnd(), form_.Caption().c_str());
  SetClientAreaSize(Hwnd(), look_.Px(form_.ClientWidth()), look_.Px(form_.ClientHeight()));
}

// The user's client area in the layout's lengths, for a sizeable form.
void Win32FormView::ClientResized(int width, int height) {
  form_.DoResize(ScaleFromDpi(width, look_.dpi), ScaleFromDpi(height, look_.dpi));
}

// The window went to a screen of another density (or the user changed the
// scale): fonts, controls and the window itself take their sizes there, the
// window at the place the system suggests.
void Win32FormView::OnDpiChanged(int dpi, const RECT& suggested) {
  if (dpi <= 0) return;
  look_.dpi = dpi;
  ScopedFont previous(font_.Detach());  // in use until every control has the new one
  font_.Reset(MakeFormFont(form_, dpi));
  look_.font = font_.Get();
  SendMessageA(Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  for (const auto& b : bindings_) b->DpiChanged();
  SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0, look_.Px(300));
  SetWindowPos(Hwnd(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  if (form_.BorderStyle != TBorderStyle::bsSizeable) {
    SetClientAreaSize(Hwnd(), look_.Px(form_.ClientWidth()), look_.Px(form_.ClientHeight()));
  }
  InvalidateRect(Hwnd(), nullptr, TRUE);
}

void Win32FormView::Release() {
  if (released_) return;
  released_ = true;
  ShowWindow(Hwnd(), SW_HIDE);
  if (Application().MainWindow() == Hwnd()) PostQuitMessage(0);
  // The form may be freed right after this; no message may reach it.
  ClearBindings();
  // A secondary window (an announcement, the about box) goes with its form;
  // the main window stays until the program's end, so that what is saved at
  // its destruction still finds it.
  if (Application().MainWindow() == Hwnd()) {
    DetachOwnWindow();
    return;
  }
  DestroyOwnWindow();
  font_.Reset();
}

// ---- Messages ----------------------------------------------------------------

intptr_t Win32FormView::HandleMessage(unsigned msg, uintptr_t wp, intptr_t lp) {
  LRESULT result = 0;
  if (Dispatch(msg, wp, lp, &result)) return result;
  return DefaultHandling(msg, wp, lp);
}

bool Win32FormView::ChildMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  return Dispatch(msg, wp, lp, result);
}

bool Win32FormView::Dispatch(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  switch (msg) {
    case WM_COMMAND:
      OnCommand(reinterpret_cast<HWND>(lp), LOWORD(wp), HIWORD(wp));
      KeepFocusShown();
      return true;
    case WM_NOTIFY:
      *result = OnNotify(reinterpret_cast<NMHDR*>(lp));
      return true;
    case kDeferredStepMessage:
      OnDeferredStep(static_cast<int>(wp), lp != 0);
      KeepFocusShown();
      return true;
    case DM_GETDEFID:
      *result = DefaultButtonId();
      return true;
    case WM_MOUSEMOVE:
      Application().SetHint("");
      return false;
    case WM_SIZE:
      if (form_.BorderStyle == TBorderStyle::bsSizeable && wp != SIZE_MINIMIZED) {
        ClientResized(LOWORD(lp), HIWORD(lp));
      }
      return false;
    case kDpiChangedMessage:
      OnDpiChanged(LOWORD(wp), *reinterpret_cast<const RECT*>(lp));
      return true;
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        // The focus moves on only after this: it is still where it was.
        if (ControlBinding* b = BindingAt(GetFocus())) focused_ = &b->Control();
        form_.DoDeactivate();
        return false;
      }
      form_.DoActivate();
      if (form_.TabOrder.empty() || HIWORD(wp) != 0) return false;
      RestoreFocus();
      return true;
    case WM_CLOSE:
      form_.Close();
      return true;
    case WM_HELP:  // F1: the help of the control, or of its nearest container
      ShowHelpFor(*reinterpret_cast<const HELPINFO*>(lp));
      return true;
    case WM_SYSCOMMAND:
      return OnSysCommand(wp & 0xFFF0);
    case WM_QUERYENDSESSION:
    case WM_ENDSESSION:
    case WM_TIMECHANGE:
    case WM_POWERBROADCAST:
      *result = OnSession(msg, wp);
      return true;
    default:
      return false;
  }
}

// ---- The focus -------------------------------------------------------------------

ControlBinding* Win32FormView::BindingAt(HWND hwnd) const {
  for (; hwnd && hwnd != Hwnd(); hwnd = GetParent(hwnd)) {
    if (ControlBinding* b = BindingFor(hwnd)) return b;
  }
  return nullptr;
}

ControlBinding* Win32FormView::BindingOf(const TControl* control) const {
  for (const auto& b : bindings_) {
    if (&b->Control() == control) return b.get();
  }
  return nullptr;
}

namespace {
// A file edit's browse button is a stop of its own, right after its edit.
HWND HelperStop(const ControlBinding& b) {
  const HWND h = b.Helper();
  return h && (GetWindowLongPtrA(h, GWL_STYLE) & WS_TABSTOP) && IsWindowEnabled(h) ? h : nullptr;
}
}  // namespace

void Win32FormView::Focus(HWND hwnd) {
  if (!hwnd) return;
  // An edit arrives with its whole text selected, as in a dialog.
  if (SendMessageA(hwnd, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageA(hwnd, EM_SETSEL, 0, -1);
  SetFocus(hwnd);
}

void Win32FormView::TabKey(bool backwards) {
  const HWND focus = GetFocus();
  ControlBinding* b = BindingAt(focus);
  if (b && HelperStop(*b) && form_.CanFocus(&b->Control())) {
    const bool onHelper = focus == b->Helper();
    if (!backwards && !onHelper) return Focus(b->Helper());
    if (backwards && onHelper) return Focus(b->Hwnd());
  }
  ControlBinding* next = BindingOf(form_.NextTabStop(b ? &b->Control() : nullptr, !backwards));
  if (!next) return;
  // The keyboard is in use: focus rectangles show from now on.
  SendMessageA(Hwnd(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  const HWND helper = HelperStop(*next);
  Focus(backwards && helper ? helper : next->Hwnd());
}

void Win32FormView::KeepFocusShown() {
  if (form_.TabOrder.empty() || GetActiveWindow() != Hwnd()) return;
  ControlBinding* b = BindingAt(GetFocus());
  if (!b || form_.CanFocus(&b->Control())) return;
  if (ControlBinding* before = BindingOf(form_.NextTabStop(&b->Control(), false))) {
    Focus(before->Hwnd());
  }
}

void Win32FormView::RestoreFocus() {
  if (GetActiveWindow() != Hwnd() || IsIconic(Hwnd())) return;
  const TControl* target = focused_;
  if (!form_.CanFocus(target)) target = form_.NextTabStop(focused_, focused_ == nullptr);
  if (ControlBinding* b = BindingOf(target)) {
    Focus(b->Hwnd());
  } else {
    SetFocus(Hwnd());
  }
}

bool FormTabKey(HWND active, const MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || !active) return false;
  if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
  auto* view = dynamic_cast<Win32FormView*>(WindowBase::ObjectOf(active));
  if (!view || view->Orphaned() || view->form_.TabOrder.empty()) return false;
  if (msg.hwnd != active && !IsChild(active, msg.hwnd)) return false;
  view->TabKey(GetKeyState(VK_SHIFT) < 0);
  return true;
}

// A control's notification, or a click on a file edit's browse button.
void Win32FormView::OnCommand(HWND from, WORD id, WORD code) {
  ControlBinding* b = BindingFor(from);
  if (!b && id == IDCANCEL) {
    // Escape: the form's cancel button, if it has one.
    if (TButton* cancel = CancelButton()) cancel->Click();
    return;
  }
  if (!b) return;  // Enter without a default button of our own: nothing to do
  if (from == b->Helper() && id == b->Id() + 1) {
    BrowseForFile(*b);
  } else {
    b->Command(code);
  }
}

// A balloon hint about to show puts its control's hint in the application's.
LRESULT Win32FormView::OnNotify(NMHDR* hdr) {
  if (hdr->hwndFrom == tooltip_ && hdr->code == TTN_SHOW) {
    if (ControlBinding* b = BindingFor(reinterpret_cast<HWND>(hdr->idFrom))) {
      Application().SetHint(b->Control().Hint());
    }
    return 0;
  }
  ControlBinding* b = BindingFor(hdr->hwndFrom);
  return b ? b->Notify(hdr) : 0;
}

void Win32FormView::OnDeferredStep(int id, bool up) {
  for (const auto& b : bindings_) {
    if (b->Id() == id) RunDeferredStep(*b, up);
  }
}

TButton* Win32FormView::CancelButton() const {
  for (const auto& b : bindings_) {
    auto* button = dynamic_cast<TButton*>(&b->Control());
    if (button && button->Cancel && button->Visible() && button->Enabled()) return button;
  }
  return nullptr;
}

LRESULT Win32FormView::DefaultButtonId() const {
  for (const auto& b : bindings_) {
    auto* button = dynamic_cast<TButton*>(&b->Control());
    if (button && button->Default && button->Visible()) return MAKELONG(b->Id(), DC_HASDEFID);
  }
  return 0;
}

// Minimising the main window minimises the application; true when handled.
bool Win32FormView::OnSysCommand(WPARAM command) {
  if (command != SC_MINIMIZE || Application().MainWindow() != Hwnd()) return false;
  Application().Minimize();
  return true;
}

// The end of the session, and changes of the system's time (a new time, a
// resume from standby) that the form's timers must hear of.
LRESULT Win32FormView::OnSession(UINT msg, WPARAM wp) {
  switch (msg) {
    case WM_QUERYENDSESSION:
      return form_.QueryEndSession() ? TRUE : FALSE;
    case WM_ENDSESSION:
      form_.EndSession(wp != 0);
      return 0;
    case WM_TIMECHANGE:
      form_.SystemTimeChanged();
      return 0;
    default:  // WM_POWERBROADCAST
      if (wp == PBT_APMRESUMEAUTOMATIC || wp == PBT_APMRESUMESUSPEND) form_.SystemTimeChanged();
      return TRUE;
  }
}

}  // namespace marrowby
