#include "ui/controls_win32.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <string>

#include "core/dpi_win32.h"

namespace marrowby {

namespace {

std::string WindowText(HWND hwnd) {
  const int n = GetWindowTextLengthA(hwnd);
  std::string s(static_cast<size_t>(n) + 1, '\0');
  GetWindowTextA(hwnd, &s[0], n + 1);
  s.resize(static_cast<size_t>(n));
  return s;
}

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
}

HWND ControlBinding::Make(const char* cls, DWORD style, DWORD exStyle, HWND parent, int id) {
  const TBounds r = PixelBounds();
  HWND hwnd = CreateWindowExA(exStyle, cls, control_.Text().c_str(),
                              style | WS_CHILD | WS_CLIPSIBLINGS, r.Left, r.Top, r.Width, r.Height,
                              parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleA(nullptr), nullptr);
  Adopt(hwnd, id);
  return hwnd;
}

void ControlBinding::Adopt(HWND hwnd, int id) {
  hwnd_ = hwnd;
  id_ = id;
  SetFontFor(hwnd);
  if (hwnd && !control_.Name().empty()) {
    const ATOM atom = GlobalAddAtomA(control_.Name().c_str());
    SetPropA(hwnd, kNameProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(atom)));
  }
}

void ControlBinding::SetFontFor(HWND hwnd) {
  HFONT font = look_.font;
  if (control_.Bold() || control_.FontHeight()) {
    if (!ownFont_) {
      LOGFONTA lf;
      GetObjectA(look_.font, sizeof(lf), &lf);
      if (control_.FontHeight()) lf.lfHeight = -look_.Px(control_.FontHeight());
      if (control_.Bold()) lf.lfWeight = FW_BOLD;
      ownFont_.Reset(CreateFontIndirectA(&lf));
    }
    font = ownFont_.Get();
  }
  SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void ControlBinding::PlaceWindow() {
  const TBounds r = PixelBounds();
  SetWindowPos(hwnd_, HWND_TOP, r.Left, r.Top, r.Width, r.Height, SWP_NOACTIVATE);
}

void ControlBinding::Move() {
  const TBounds r = PixelBounds();
  SetWindowPos(hwnd_, nullptr, r.Left, r.Top, r.Width, r.Height, SWP_NOACTIVATE | SWP_NOZORDER);
}

void ControlBinding::DpiChanged() {
  Refresh(ControlAspect::Font);
  Refresh(ControlAspect::Bounds);
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
      Move();
      break;
    case ControlAspect::Font:
      ownFont_.Reset();
      SetFontFor(hwnd_);
      InvalidateRect(hwnd_, nullptr, TRUE);
      break;
    default:
      break;
  }
}

DWORD Common(const TControl& c) {
  return (c.Visible() ? WS_VISIBLE : 0) | (c.Enabled() ? 0 : WS_DISABLED);
}

namespace {

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
    if (label.PathEllipsis) style |= SS_PATHELLIPSIS;
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
  void PlaceWindow() override { Place(HWND_TOP, 0); }
  void Move() override { Place(nullptr, SWP_NOZORDER); }

 private:
  // Narrow arrows inside the control's rectangle, so two digits show in 38 pixels.
  void Place(HWND after, UINT flags) {
    const TBounds r = PixelBounds();
    const int arrows = look_.Px(13);
    SetWindowPos(hwnd_, after, r.Left, r.Top, r.Width - arrows, r.Height, SWP_NOACTIVATE | flags);
    if (helper_) {
      SetWindowPos(helper_, after, r.Left + r.Width - arrows, r.Top, arrows, r.Height,
                   SWP_NOACTIVATE | flags);
    }
  }
};

// An edit for a file name with a browse button beside it.
class FilenameEditBinding : public EditBinding {
 public:
  using EditBinding::EditBinding;
  void Create(HWND parent, int id) override {
    CreateEdit(parent, id, 0);
    helper_ = CreateWindowExA(0, "BUTTON", "...",
                              WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | BS_PUSHBUTTON |
                                  Common(control_),
                              0, 0, 0, 0, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id + 1)),
                              GetModuleHandleA(nullptr), nullptr);
    SetFontFor(helper_);
    Move();
  }
  void DpiChanged() override {
    EditBinding::DpiChanged();
    SetFontFor(helper_);
  }
  // The edit, and the button as a square at its right within the control's
  // rectangle.
  void Move() override {
    const TBounds r = PixelBounds();
    const UINT flags = SWP_NOACTIVATE | SWP_NOZORDER;
    SetWindowPos(hwnd_, nullptr, r.Left, r.Top, r.Width - r.Height, r.Height, flags);
    SetWindowPos(helper_, nullptr, r.Left + r.Width - r.Height, r.Top, r.Height, r.Height, flags);
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
    SetParts();
    ShowState(ControlAspect::Text);
  }
  void DpiChanged() override {
    ControlBinding::DpiChanged();
    SetParts();
  }
  void ShowState(ControlAspect aspect) override {
    if (aspect == ControlAspect::Text) {
      SendMessageA(hwnd_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(control_.Text().c_str()));
      return;
    }
    ControlBinding::ShowState(aspect);
  }

 private:
  void SetParts() {
    const int width = static_cast<const TStatusBar&>(control_).PanelWidth;
    int parts[1] = {width < 0 ? -1 : look_.Px(width)};
    SendMessageA(hwnd_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
  }
};

struct IconCloser {
  static void Close(HICON icon) { DestroyIcon(icon); }
};

// A picture of the program's resources at the form's density: an icon of the
// size for it (from the sizes the icon holds), a bitmap stretched to it.
class ImageBinding : public ControlBinding {
 public:
  using ControlBinding::ControlBinding;
  void Create(HWND parent, int id) override {
    const auto& image = static_cast<const TImage&>(control_);
    hwnd_ = Make("STATIC", (image.IsIcon ? SS_ICON : SS_BITMAP) | SS_NOTIFY | Common(control_), 0,
                 parent, id);
    ShowPicture();
  }
  void DpiChanged() override {
    ControlBinding::DpiChanged();
    ShowPicture();
    Move();  // the control takes the picture's size on taking it
  }
  void Command(WORD code) override {
    auto& image = static_cast<TImage&>(control_);
    if (code == STN_CLICKED) image.Click();
    if (code == STN_DBLCLK && image.OnDblClick) image.OnDblClick(&image);
  }

 private:
  void ShowPicture() {
    const auto& image = static_cast<const TImage&>(control_);
    HINSTANCE inst = GetModuleHandleA(nullptr);
    const char* name = image.ResourceName.c_str();
    if (image.IsIcon) {
      const int size = IconSizeAt(look_.dpi);
      auto icon = static_cast<HICON>(LoadImageA(inst, name, IMAGE_ICON, size, size, 0));
      SendMessageA(hwnd_, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
      icon_.Reset(icon);  // the one shown before is no longer in use
      return;
    }
    HBITMAP bitmap = BitmapAtDpi(
        static_cast<HBITMAP>(LoadImageA(inst, name, IMAGE_BITMAP, 0, 0, 0)), look_.dpi);
    SendMessageA(hwnd_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    bitmap_.Reset(bitmap);
  }
  ScopedHandle<HICON, IconCloser> icon_;
  ScopedBitmap bitmap_;
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

void BrowseForFile(ControlBinding& binding) { static_cast<FilenameEditBinding&>(binding).Browse(); }

std::unique_ptr<ControlBinding> MakeBinding(TControl& c, const ControlLook& font) {
  const ClassInfo* cls = c.GetClassInfo();
  if (cls->InheritsFrom(&TFilenameEdit::kClassInfo)) return std::make_unique<FilenameEditBinding>(c, font);
  if (cls->InheritsFrom(&TSpinEdit::kClassInfo)) return std::make_unique<SpinEditBinding>(c, font);
  if (cls->InheritsFrom(&TDateEdit::kClassInfo)) return MakeDateEditBinding(c, font);
  if (cls->InheritsFrom(&TEdit::kClassInfo)) return std::make_unique<EditBinding>(c, font);
  if (cls->InheritsFrom(&TCheckBox::kClassInfo)) return std::make_unique<CheckBoxBinding>(c, font);
  if (cls->InheritsFrom(&TButton::kClassInfo)) return std::make_unique<ButtonBinding>(c, font);
  if (cls->InheritsFrom(&TLabel::kClassInfo)) return std::make_unique<LabelBinding>(c, font);
  if (cls->InheritsFrom(&TListBox::kClassInfo)) return std::make_unique<ListBoxBinding>(c, font);
  if (cls->InheritsFrom(&TPanel::kClassInfo)) return MakePanelBinding(c, font);
  if (cls->InheritsFrom(&TListView::kClassInfo)) return MakeListViewBinding(c, font);
  if (cls->InheritsFrom(&TSpinButton::kClassInfo)) return std::make_unique<SpinButtonBinding>(c, font);
  if (cls->InheritsFrom(&TStatusBar::kClassInfo)) return std::make_unique<StatusBarBinding>(c, font);
  if (cls->InheritsFrom(&TImage::kClassInfo)) return std::make_unique<ImageBinding>(c, font);
  return nullptr;
}

}  // namespace marrowby
