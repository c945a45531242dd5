#include "ui/controls_win32.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <string>

#include "core/errors.h"
#include "ui/date_format.h"

namespace marrowby {

namespace {

std::string WindowText(HWND hwnd) {
  const int n = GetWindowTextLengthA(hwnd);
  std::string s(static_cast<size_t>(n) + 1, '\0');
  GetWindowTextA(hwnd, &s[0], n + 1);
  s.resize(static_cast<size_t>(n));
  return s;
}

}  // namespace

namespace {
// Each control window carries its component's name as a global atom under
// this property, so that tools (and the end-to-end tests) can find a control
// by name from another process.
const char kNameProperty[] = "MarrowbyControlName";
}  // namespace

ControlBinding::~ControlBinding() {
  control_.AttachView(nullptr);
  if (hwnd_) {
    if (ATOM atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(RemovePropA(hwnd_, kNameProperty)))) {
      GlobalDeleteAtom(atom);
    }
  }
  if (ownFont_) DeleteObject(ownFont_);
}

HWND ControlBinding::Make(const char* cls, DWORD style, DWORD exStyle, HWND parent, int id) {
  const TBounds& r = control_.Bounds();
  id_ = id;
  HWND hwnd = CreateWindowExA(exStyle, cls, control_.Text().c_str(),
                              style | WS_CHILD | WS_CLIPSIBLINGS, r.Left, r.Top, r.Width, r.Height,
                              parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleA(nullptr), nullptr);
  SetFontFor(hwnd);
  if (hwnd && !control_.Name().empty()) {
    const ATOM atom = GlobalAddAtomA(control_.Name().c_str());
    SetPropA(hwnd, kNameProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(atom)));
  }
  return hwnd;
}

void ControlBinding::SetFontFor(HWND hwnd) {
  HFONT font = font_;
  if (control_.Bold() || control_.FontHeight()) {
    if (!ownFont_) {
      LOGFONTA lf;
      GetObjectA(font_, sizeof(lf), &lf);
      if (control_.FontHeight()) lf.lfHeight = -control_.FontHeight();
      if (control_.Bold()) lf.lfWeight = FW_BOLD;
      ownFont_ = CreateFontIndirectA(&lf);
    }
    font = ownFont_;
  }
  SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void ControlBinding::PlaceWindow() {
  const TBounds& r = control_.Bounds();
  SetWindowPos(hwnd_, HWND_TOP, r.Left, r.Top, r.Width, r.Height, SWP_NOACTIVATE);
}

void ControlBinding::Refresh(ControlAspect aspect) {
  if (!hwnd_) return;
  updating_ = true;
  ShowState(aspect);
  updating_ = false;
}

void ControlBinding::ShowState(ControlAspect aspect) {
  switch (aspect) {
    case ControlAspect::Text:
      if (WindowText(hwnd_) != control_.Text()) SetWindowTextA(hwnd_, control_.Text().c_str());
      break;
    case ControlAspect::Enabled:
      EnableWindow(hwnd_, control_.Enabled());
      if (helper_) EnableWindow(helper_, control_.Enabled());
      break;
    case ControlAspect::Visible:
      ShowWindow(hwnd_, control_.Visible() ? SW_SHOWNA : SW_HIDE);
      if (helper_) ShowWindow(helper_, control_.Visible() ? SW_SHOWNA : SW_HIDE);
      break;
    case ControlAspect::Bounds:
      PlaceWindow();
      break;
    case ControlAspect::Font:
      if (ownFont_) DeleteObject(ownFont_);
      ownFont_ = nullptr;
      SetFontFor(hwnd_);
      InvalidateRect(hwnd_, nullptr, TRUE);
      break;
    default:
      break;
  }
}

namespace {

DWORD Common(const TControl& c) {
  return (c.Visible() ? WS_VISIBLE : 0) | (c.Enabled() ? 0 : WS_DISABLED);
}

class LabelBinding : public ControlBinding {
 public:
  using ControlBinding::ControlBinding;
  void Create(HWND parent, int id) override {
    const auto& label = static_cast<const TLabel&>(control_);
    DWORD style = SS_LEFT;
    if (label.Centered) {
      style = SS_CENTER;
    } else if (label.AlignRight) {
      style = SS_RIGHT;
    } else if (!label.WordWrap) {
      style = SS_LEFTNOWORDWRAP;
    }
    hwnd_ = Make("STATIC", style | SS_NOPREFIX | Common(control_), 0, parent, id);
  }
};

class ButtonBinding : public ControlBinding {
 public:
  using ControlBinding::ControlBinding;
  void Create(HWND parent, int id) override {
    const bool def = static_cast<const TButton&>(control_).Default;
    hwnd_ = Make("BUTTON", (def ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP | Common(control_),
                 0, parent, id);
  }
  void Command(WORD code) override {
    if (code == BN_CLICKED) control_.Click();
  }
};

class CheckBoxBinding : public ControlBinding {
 public:
  using ControlBinding::ControlBinding;
  void Create(HWND parent, int id) override {
    hwnd_ = Make("BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP | Common(control_), 0, parent, id);
    ShowState(ControlAspect::Checked);
  }
  void ShowState(ControlAspect aspect) override {
    if (aspect == ControlAspect::Checked) {
      const bool checked = static_cast<TCheckBox&>(control_).Checked();
      SendMessageA(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
      return;
    }
    ControlBinding::ShowState(aspect);
  }
  void Command(WORD code) override {
    if (code != BN_CLICKED || updating_) return;
    const bool checked = SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
    static_cast<TCheckBox&>(control_).SetChecked(checked);
  }
};

class EditBinding : public ControlBinding {
 public:
  using ControlBinding::ControlBinding;
  void Create(HWND parent, int id) override { CreateEdit(parent, id, 0); }
  void Command(WORD code) override {
    if (code == EN_CHANGE && !updating_) control_.SetText(WindowText(hwnd_));
  }

 protected:
  void CreateEdit(HWND parent, int id, DWORD extra) {
    hwnd_ = Make("EDIT", ES_AUTOHSCROLL | WS_TABSTOP | extra | Common(control_), WS_EX_CLIENTEDGE,
                 parent, id);
    const int max = static_cast<const TEdit&>(control_).MaxLength;
    if (max) SendMessageA(hwnd_, EM_LIMITTEXT, static_cast<WPARAM>(max), 0);
  }
};

// An edit with an up-down control as its buddy: the arrows write the number
// into the edit, which reports it like typing. The component decides what
// the edit holds; the edit shows exactly that.
class SpinEditBinding : public EditBinding {
 public:
  using EditBinding::EditBinding;
  void Create(HWND parent, int id) override {
    CreateEdit(parent, id, ES_NUMBER | ES_RIGHT);
    const auto& spin = static_cast<const TSpinEdit&>(control_);
    // No more digits than the range's widest number.
    const size_t digits = std::max(std::to_string(spin.MinValue).size(),
                                   std::to_string(spin.MaxValue).size());
    SendMessageA(hwnd_, EM_LIMITTEXT, digits, 0);
    helper_ = CreateWindowExA(0, UPDOWN_CLASSA, "",
                              WS_CHILD | WS_CLIPSIBLINGS | UDS_SETBUDDYINT | UDS_ALIGNRIGHT |
                                  UDS_ARROWKEYS | UDS_NOTHOUSANDS | Common(control_),
                              0, 0, 0, 0, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(helper_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(hwnd_), 0);
    SendMessageA(helper_, UDM_SETRANGE32, static_cast<WPARAM>(spin.MinValue),
                 static_cast<LPARAM>(spin.MaxValue));
    SendMessageA(helper_, UDM_SETPOS32, 0, spin.Value());
    PlaceWindow();
  }
  void ShowState(ControlAspect aspect) override {
    if (aspect != ControlAspect::Text) {
      EditBinding::ShowState(aspect);
      return;
    }
    const std::string& text = control_.Text();
    if (WindowText(hwnd_) != text) {
      SetWindowTextA(hwnd_, text.c_str());
      // Typing goes on after what the edit now shows.
      if (GetFocus() == hwnd_) SendMessageA(hwnd_, EM_SETSEL, text.size(), text.size());
    }
    // The arrows step from the number shown. Their position is set only when
    // they would write back the very same text: an empty edit (the user is
    // typing) or "05" must stay as they are.
    const int value = static_cast<TSpinEdit&>(control_).Value();
    if (helper_ && text == std::to_string(value)) SendMessageA(helper_, UDM_SETPOS32, 0, value);
  }
  void Command(WORD code) override {
    if (code == EN_KILLFOCUS) static_cast<TSpinEdit&>(control_).EditingDone();
    EditBinding::Command(code);
  }

 protected:
  // Narrow arrows inside the control's rectangle, so two digits show in 38 pixels.
  void PlaceWindow() override {
    const TBounds& r = control_.Bounds();
    const int arrows = 13;
    SetWindowPos(hwnd_, HWND_TOP, r.Left, r.Top, r.Width - arrows, r.Height, SWP_NOACTIVATE);
    if (helper_) {
      SetWindowPos(helper_, HWND_TOP, r.Left + r.Width - arrows, r.Top, arrows, r.Height,
                   SWP_NOACTIVATE);
    }
  }
};

// The drop-down calendar of a date edit marks Saturdays and Sundays in bold
// through its day states. The calendar asks its notification window for the
// states of the months it shows (MCN_GETDAYSTATE) whenever it scrolls; the
// date edit does not answer that, so this answers before it.
void MarkWeekends(const SYSTEMTIME& first, int months, MONTHDAYSTATE* states) {
  int y = first.wYear, m = first.wMonth;
  for (int i = 0; i < months; ++i) {
    states[i] = WeekendDayBits(y, m);
    if (++m > 12) {
      m = 1;
      ++y;
    }
  }
}

// MCN_GETDAYSTATE is MCN_FIRST - 1 (as Windows and Wine send it); the
// mingw-w64 header spells it MCN_FIRST + 3.
const UINT kGetDayState = 0U - 747U;

LRESULT CALLBACK AnswerDayStates(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == kGetDayState) {
    auto* ask = reinterpret_cast<NMDAYSTATE*>(lp);
    MarkWeekends(ask->stStart, ask->cDayState, ask->prgDayState);
    return 0;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

// A calendar made without day states refuses to take them on later (Wine's
// date edit makes its calendar once, with no way to ask for them); this lets
// the style through.
LRESULT CALLBACK AcceptDayStates(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  if (msg == WM_STYLECHANGING && wp == static_cast<WPARAM>(GWL_STYLE)) return 0;
  return DefSubclassProc(hwnd, msg, wp, lp);
}

void MarkCalendarWeekends(HWND dateEdit, HWND calendar) {
  if (!calendar) return;
  const LONG_PTR style = GetWindowLongPtrA(calendar, GWL_STYLE);
  if (!(style & MCS_DAYSTATE)) {
    SetWindowSubclass(calendar, AcceptDayStates, 1, 0);
    SetWindowLongPtrA(calendar, GWL_STYLE, style | MCS_DAYSTATE);
    RemoveWindowSubclass(calendar, AcceptDayStates, 1);
  }
  // The calendar tells the window it was made for: the date edit (Wine), or
  // a drop-down window of the date edit's own (Windows); a popup's parent as
  // the system reports it is the top window, not that one.
  HWND parent = GetParent(calendar);
  if (parent && parent != GetAncestor(dateEdit, GA_ROOT)) {
    SetWindowSubclass(parent, AnswerDayStates, 1, 0);
  }
  SYSTEMTIME range[2] = {};
  MONTHDAYSTATE states[16];
  const int months = static_cast<int>(
      SendMessageA(calendar, MCM_GETMONTHRANGE, GMR_DAYSTATE, reinterpret_cast<LPARAM>(range)));
  if (months <= 0 || months > 16) return;
  MarkWeekends(range[0], months, states);
  SendMessageA(calendar, MCM_SETDAYSTATE, static_cast<WPARAM>(months),
               reinterpret_cast<LPARAM>(states));
}

// A date picker showing the user's short date with a four-digit year, the
// same text as the component.
class DateEditBinding : public ControlBinding {
 public:
  using ControlBinding::ControlBinding;
  void Create(HWND parent, int id) override {
    hwnd_ = Make(DATETIMEPICK_CLASSA, DTS_SHORTDATECENTURYFORMAT | WS_TABSTOP | Common(control_), 0,
                 parent, id);
    SendMessageA(hwnd_, DTM_SETFORMATA, 0,
                 reinterpret_cast<LPARAM>(UserShortDateFormat().Picture().c_str()));
    // Where the date edit makes its calendar at each drop-down (Windows
    // Vista and later), it makes it with day states. The calendar writes in
    // the window's font, with the bold of that font for the marked days.
    // (DTM_SETMCSTYLE, which XP's date edit ignores.)
    SendMessageA(hwnd_, DTM_FIRST + 11, 0, MCS_DAYSTATE);
    SendMessageA(hwnd_, DTM_SETMCFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SetWindowSubclass(hwnd_, AnswerDayStates, 1, 0);
    ShowState(ControlAspect::Text);
  }
  void ShowState(ControlAspect aspect) override {
    if (aspect != ControlAspect::Text) {
      ControlBinding::ShowState(aspect);
      return;
    }
    int y, m, d;
    DecodeDate(static_cast<TDateEdit&>(control_).Date(), &y, &m, &d);
    if (y < 1753) return;  // before what the picker can show
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(m);
    st.wDay = static_cast<WORD>(d);
    SendMessageA(hwnd_, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
  }
  LRESULT Notify(NMHDR* hdr) override {
    if (hdr->code == DTN_DROPDOWN) {
      MarkCalendarWeekends(hwnd_,
                           reinterpret_cast<HWND>(SendMessageA(hwnd_, DTM_GETMONTHCAL, 0, 0)));
    } else if (hdr->code == DTN_DATETIMECHANGE && !updating_) {
      auto* change = reinterpret_cast<NMDATETIMECHANGE*>(hdr);
      if (change->dwFlags == GDT_VALID) {
        TDateTime value;
        if (TryEncodeDate(change->st.wYear, change->st.wMonth, change->st.wDay, &value)) {
          static_cast<TDateEdit&>(control_).SetDate(value);
        }
      }
    }
    return 0;
  }
};

// An edit for a file name with a browse button beside it.
class FilenameEditBinding : public EditBinding {
 public:
  using EditBinding::EditBinding;
  void Create(HWND parent, int id) override {
    const TBounds& r = control_.Bounds();
    CreateEdit(parent, id, 0);
    SetWindowPos(hwnd_, nullptr, r.Left, r.Top, r.Width - r.Height, r.Height, SWP_NOZORDER);
    helper_ = CreateWindowExA(0, "BUTTON", "...",
                              WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | BS_PUSHBUTTON |
                                  Common(control_),
                              r.Left + r.Width - r.Height, r.Top, r.Height, r.Height, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id + 1)),
                              GetModuleHandleA(nullptr), nullptr);
    SetFontFor(helper_);
  }
  // The browse button's click (the view routes id + 1 here).
  void Browse() {
    auto& edit = static_cast<TFilenameEdit&>(control_);
    char file[MAX_PATH] = {};
    lstrcpynA(file, edit.FileName().c_str(), MAX_PATH);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = GetAncestor(hwnd_, GA_ROOT);
    ofn.lpstrFilter = "All files (*.*)\0*.*\0Programs (*.exe)\0*.exe\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrTitle = edit.DialogTitle.c_str();
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (GetOpenFileNameA(&ofn)) edit.SetFileName(file);
  }
};

class ListBoxBinding : public ControlBinding {
 public:
  using ControlBinding::ControlBinding;
  void Create(HWND parent, int id) override {
    hwnd_ = Make("LISTBOX", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP |
                                Common(control_),
                 WS_EX_CLIENTEDGE, parent, id);
    ShowState(ControlAspect::Items);
  }
  void ShowState(ControlAspect aspect) override {
    auto& list = static_cast<TListBox&>(control_);
    if (aspect == ControlAspect::Items) {
      SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
      SendMessageA(hwnd_, LB_RESETCONTENT, 0, 0);
      for (const std::string& line : list.Items()->Lines()) {
        SendMessageA(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
      }
      SendMessageA(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(list.ItemIndex()), 0);
      SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
      InvalidateRect(hwnd_, nullptr, TRUE);
    } else if (aspect == ControlAspect::ItemIndex) {
      SendMessageA(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(list.ItemIndex()), 0);
    } else {
      ControlBinding::ShowState(aspect);
    }
  }
  void Command(WORD code) override {
    if (code != LBN_SELCHANGE || updating_) return;
    auto& list = static_cast<TListBox&>(control_);
    list.SetItemIndex(static_cast<int>(SendMessageA(hwnd_, LB_GETCURSEL, 0, 0)));
    list.Click();
  }
};

class PanelBinding : public ControlBinding {
 public:
  using ControlBinding::ControlBinding;
  void Create(HWND parent, int id) override {
    hwnd_ = Make(RegisterContainerClass(nullptr), WS_CLIPCHILDREN | Common(control_),
                 WS_EX_CONTROLPARENT, parent, id);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&control_));
  }
  void ShowState(ControlAspect aspect) override {
    ControlBinding::ShowState(aspect);
    if (aspect == ControlAspect::Text) InvalidateRect(hwnd_, nullptr, TRUE);
  }
};

// A spin button alone: its up half is "previous", its down half "next".
class SpinButtonBinding : public ControlBinding {
 public:
  using ControlBinding::ControlBinding;
  void Create(HWND parent, int id) override {
    hwnd_ = Make(UPDOWN_CLASSA, UDS_ARROWKEYS | Common(control_), 0, parent, id);
    SendMessageA(hwnd_, UDM_SETRANGE32, 0, 100);
    SendMessageA(hwnd_, UDM_SETPOS32, 0, 50);
    PlaceWindow();  // the control may take its own width on creation
  }
  LRESULT Notify(NMHDR* hdr) override {
    if (hdr->code != UDN_DELTAPOS) return 0;
    auto* delta = reinterpret_cast<NMUPDOWN*>(hdr);
    // The step runs after the arrows have finished with the mouse: a message
    // box that the step opens would otherwise leave them repeating on their
    // timer behind it.
    PostMessageA(GetAncestor(hwnd_, GA_ROOT), kDeferredStepMessage, static_cast<WPARAM>(id_),
                 delta->iDelta > 0 ? 1 : 0);
    return 1;  // the position itself never moves
  }
};

class StatusBarBinding : public ControlBinding {
 public:
  using ControlBinding::ControlBinding;
  void Create(HWND parent, int id) override {
    hwnd_ = Make(STATUSCLASSNAMEA, CCS_NORESIZE | CCS_NOPARENTALIGN | Common(control_), 0, parent,
                 id);
    int parts[1] = {static_cast<const TStatusBar&>(control_).PanelWidth};
    SendMessageA(hwnd_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
    ShowState(ControlAspect::Text);
  }
  void ShowState(ControlAspect aspect) override {
    if (aspect == ControlAspect::Text) {
      SendMessageA(hwnd_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(control_.Text().c_str()));
      return;
    }
    ControlBinding::ShowState(aspect);
  }
};

class ImageBinding : public ControlBinding {
 public:
  using ControlBinding::ControlBinding;
  void Create(HWND parent, int id) override {
    const auto& image = static_cast<const TImage&>(control_);
    hwnd_ = Make("STATIC", (image.IsIcon ? SS_ICON : SS_BITMAP) | SS_NOTIFY | Common(control_), 0,
                 parent, id);
    HINSTANCE inst = GetModuleHandleA(nullptr);
    if (image.IsIcon) {
      HICON icon = LoadIconA(inst, image.ResourceName.c_str());
      SendMessageA(hwnd_, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    } else {
      HBITMAP bmp = static_cast<HBITMAP>(
          LoadImageA(inst, image.ResourceName.c_str(), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
      SendMessageA(hwnd_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bmp));
    }
  }
  void Command(WORD code) override {
    auto& image = static_cast<TImage&>(control_);
    if (code == STN_CLICKED) image.Click();
    if (code == STN_DBLCLK && image.OnDblClick) image.OnDblClick(&image);
  }
};

}  // namespace

void RunDeferredStep(ControlBinding& binding, bool up) {
  auto& spin = static_cast<TSpinButton&>(binding.Control());
  if (up) {
    spin.TopClick();
  } else {
    spin.BottomClick();
  }
}

// The file edit's browse button reaches the binding through this.
void BrowseForFile(ControlBinding& binding) { static_cast<FilenameEditBinding&>(binding).Browse(); }

std::unique_ptr<ControlBinding> MakeBinding(TControl& c, HFONT font) {
  const ClassInfo* cls = c.GetClassInfo();
  if (cls->InheritsFrom(&TFilenameEdit::kClassInfo)) return std::make_unique<FilenameEditBinding>(c, font);
  if (cls->InheritsFrom(&TSpinEdit::kClassInfo)) return std::make_unique<SpinEditBinding>(c, font);
  if (cls->InheritsFrom(&TDateEdit::kClassInfo)) return std::make_unique<DateEditBinding>(c, font);
  if (cls->InheritsFrom(&TEdit::kClassInfo)) return std::make_unique<EditBinding>(c, font);
  if (cls->InheritsFrom(&TCheckBox::kClassInfo)) return std::make_unique<CheckBoxBinding>(c, font);
  if (cls->InheritsFrom(&TButton::kClassInfo)) return std::make_unique<ButtonBinding>(c, font);
  if (cls->InheritsFrom(&TLabel::kClassInfo)) return std::make_unique<LabelBinding>(c, font);
  if (cls->InheritsFrom(&TListBox::kClassInfo)) return std::make_unique<ListBoxBinding>(c, font);
  if (cls->InheritsFrom(&TPanel::kClassInfo)) return std::make_unique<PanelBinding>(c, font);
  if (cls->InheritsFrom(&TSpinButton::kClassInfo)) return std::make_unique<SpinButtonBinding>(c, font);
  if (cls->InheritsFrom(&TStatusBar::kClassInfo)) return std::make_unique<StatusBarBinding>(c, font);
  if (cls->InheritsFrom(&TImage::kClassInfo)) return std::make_unique<ImageBinding>(c, font);
  return nullptr;
}

const char* RegisterContainerClass(WNDPROC proc) {
  static const char kName[] = "TPanel";
  static bool registered = false;
  if (!registered && proc) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kName;
    registered = RegisterClassA(&wc) != 0;
  }
  return kName;
}

}  // namespace marrowby
