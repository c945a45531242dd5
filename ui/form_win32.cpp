#include "ui/form_win32.h"

#include <commctrl.h>

#include <string>

#include "core/errors.h"
#include "ui/application_win32.h"
#include "ui/controls_win32.h"

namespace marrowby {

void BrowseForFile(ControlBinding& binding);  // controls_win32.cpp

namespace {

const int kFirstId = 100;

Win32FormView* ViewOf(HWND hwnd) {
  HWND root = GetAncestor(hwnd, GA_ROOT);
  return reinterpret_cast<Win32FormView*>(GetWindowLongPtrA(root, GWLP_USERDATA));
}

LRESULT CALLBACK FormWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* view = reinterpret_cast<Win32FormView*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (view) {
    bool handled = false;
    const LRESULT r = view->HandleMessage(hwnd, msg, wp, lp, &handled);
    if (handled) return r;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

void PaintContainer(HWND hwnd, const TPanel& panel) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  if (panel.GroupFrame) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(GetAncestor(hwnd, GA_ROOT), WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    RECT frame = r;
    frame.top += tm.tmHeight / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    const std::string& text = panel.Caption();
    TextOutA(dc, 8, 0, text.c_str(), static_cast<int>(text.size()));
    SelectObject(dc, old);
  } else if (panel.Bevel) {
    DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
  }
  EndPaint(hwnd, &ps);
}

// Containers hand their children's notifications to the form's view.
LRESULT CALLBACK ContainerWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_MOUSEMOVE:
      if (Win32FormView* view = ViewOf(hwnd)) {
        bool handled = false;
        const LRESULT r = view->HandleMessage(hwnd, msg, wp, lp, &handled);
        if (handled) return r;
      }
      break;
    case WM_PAINT:
      if (auto* panel = reinterpret_cast<TPanel*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA))) {
        PaintContainer(hwnd, *panel);
        return 0;
      }
      break;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

std::string ShortHint(const std::string& hint) {
  const size_t bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(0, bar);
}

}  // namespace

Win32FormView::Win32FormView(TForm& form) : form_(form) {
  RegisterContainerClass(ContainerWndProc);
  CreateFormWindow();
  CreateControls();
  form_.AttachView(this);
}

Win32FormView::~Win32FormView() {
  // After Release the form may be gone; it no longer knows this view anyway.
  if (!released_ && form_.View() == this) form_.AttachView(nullptr);
  bindings_.clear();
  if (hwnd_) {
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  if (font_) DeleteObject(font_);
}

void Win32FormView::CreateFormWindow() {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  const std::string cls = form_.ClassName();
  WNDCLASSA wc = {};
  if (!GetClassInfoA(inst, cls.c_str(), &wc)) {
    wc.lpfnWndProc = FormWndProc;
    wc.hInstance = inst;
    wc.hIcon = LoadIconA(inst, "MAINICON");
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = cls.c_str();
    RegisterClassA(&wc);
  }
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(form_.FontPoints, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  font_ = CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                      form_.FontName.c_str());

  DWORD style = WS_CLIPCHILDREN;
  DWORD ex = WS_EX_CONTROLPARENT | (form_.StayOnTop ? WS_EX_TOPMOST : 0);
  if (form_.BorderStyle == TBorderStyle::bsNone) {
    style |= WS_POPUP;
  } else {
    style |= WS_CAPTION | (form_.BorderStyle == TBorderStyle::bsDialog ? DS_MODALFRAME : WS_BORDER);
    if (form_.BorderIcons) style |= WS_SYSMENU | (form_.BorderStyle == TBorderStyle::bsSingle ? WS_MINIMIZEBOX : 0);
    if (form_.BorderStyle == TBorderStyle::bsDialog) ex |= WS_EX_DLGMODALFRAME;
  }
  RECT r = {0, 0, form_.ClientWidth(), form_.ClientHeight()};
  AdjustWindowRectEx(&r, style, FALSE, ex);
  hwnd_ = CreateWindowExA(ex, cls.c_str(), form_.Caption().c_str(), style, CW_USEDEFAULT,
                          CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, Application().Handle(),
                          nullptr, inst, this);
  SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_BALLOON, 0, 0, 0, 0,
                             hwnd_, nullptr, inst, nullptr);
  SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0, 300);
}

void Win32FormView::CreateControls() {
  int id = kFirstId;
  for (int i = 0; i < form_.ComponentCount(); ++i) {
    auto* control = dynamic_cast<TControl*>(form_.Components(i));
    if (!control) continue;
    std::unique_ptr<ControlBinding> binding = MakeBinding(*control, font_);
    if (!binding) continue;
    HWND parent = control->Parent() ? ControlWindow(control->Parent()) : hwnd_;
    binding->Create(parent ? parent : hwnd_, id);
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
  ti.hwnd = hwnd_;
  ti.uId = reinterpret_cast<UINT_PTR>(control);
  ti.lpszText = &(*texts.back())[0];
  SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
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
    for (HWND h = static_cast<HWND>(info.hItemHandle); h && h != hwnd_ && !context;
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
  GetWindowRect(hwnd_, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  SetWindowPos(hwnd_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void Win32FormView::Show() {
  if (form_.Centered && !centered_) {
    Center();
    centered_ = true;
  }
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  if (!form_.Visible()) form_.DoShow();
}

void Win32FormView::Hide() {
  ShowWindow(hwnd_, SW_HIDE);
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
  std::vector<HWND> disabled{hwnd_};
  EnumThreadWindows(GetCurrentThreadId(), DisableOthers, reinterpret_cast<LPARAM>(&disabled));
  Show();
  MSG msg;
  while (!modalEnded_) {
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // for the main loop
      break;
    }
    if (IsDialogMessageA(hwnd_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  for (size_t i = 1; i < disabled.size(); ++i) EnableWindow(disabled[i], TRUE);
  Hide();
  return form_.ModalResult();
}

void Win32FormView::Refresh() {
  SetWindowTextA(hwnd_, form_.Caption().c_str());
  RECT r = {0, 0, form_.ClientWidth(), form_.ClientHeight()};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(hwnd_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrA(hwnd_, GWL_EXSTYLE)));
  SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32FormView::Release() {
  if (released_) return;
  released_ = true;
  ShowWindow(hwnd_, SW_HIDE);
  if (Application().MainWindow() == hwnd_) PostQuitMessage(0);
  // The form may be freed right after this; no message may reach it.
  bindings_.clear();
  SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
}

LRESULT Win32FormView::HandleMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
  *handled = true;
  LRESULT result = 0;
  CallGuarded([&] {
    switch (msg) {
      case WM_COMMAND: {
        HWND from = reinterpret_cast<HWND>(lp);
        if (ControlBinding* b = BindingFor(from)) {
          if (from == b->Helper() && LOWORD(wp) == b->Id() + 1) {
            BrowseForFile(*b);
          } else {
            b->Command(HIWORD(wp));
          }
        } else if (!from && (LOWORD(wp) == IDOK)) {
          // Enter without a default button of our own: nothing to do.
        }
        return;
      }
      case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        if (hdr->hwndFrom == tooltip_ && hdr->code == TTN_SHOW) {
          if (ControlBinding* b = BindingFor(reinterpret_cast<HWND>(hdr->idFrom))) {
            Application().SetHint(b->Control().Hint());
          }
          return;
        }
        if (ControlBinding* b = BindingFor(hdr->hwndFrom)) result = b->Notify(hdr);
        return;
      }
      case kDeferredStepMessage:
        for (const auto& b : bindings_) {
          if (b->Id() == static_cast<int>(wp)) RunDeferredStep(*b, lp != 0);
        }
        return;
      case DM_GETDEFID:
        for (const auto& b : bindings_) {
          auto* button = dynamic_cast<TButton*>(&b->Control());
          if (button && button->Default && button->Visible()) {
            result = MAKELONG(b->Id(), DC_HASDEFID);
            return;
          }
        }
        return;
      case WM_MOUSEMOVE:
        Application().SetHint("");
        *handled = false;
        return;
      case WM_ACTIVATE:
        if (LOWORD(wp) == WA_INACTIVE) {
          form_.DoDeactivate();
        } else {
          form_.DoActivate();
        }
        *handled = false;
        return;
      case WM_CLOSE:
        form_.Close();
        return;
      case WM_HELP:  // F1: the help of the control, or of its nearest container
        ShowHelpFor(*reinterpret_cast<const HELPINFO*>(lp));
        return;
      case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_MINIMIZE && Application().MainWindow() == hwnd_) {
          Application().Minimize();
          return;
        }
        *handled = false;
        return;
      case WM_QUERYENDSESSION:
        result = form_.QueryEndSession() ? TRUE : FALSE;
        return;
      case WM_ENDSESSION:
        form_.EndSession(wp != 0);
        return;
      case WM_TIMECHANGE:
        form_.SystemTimeChanged();
        return;
      case WM_POWERBROADCAST:
        if (wp == PBT_APMRESUMEAUTOMATIC || wp == PBT_APMRESUMESUSPEND) form_.SystemTimeChanged();
        result = TRUE;
        return;
      default:
        *handled = false;
        return;
    }
  });
  (void)hwnd;
  return result;
}

}  // namespace marrowby
