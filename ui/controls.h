// The state of a window's controls, kept in portable components: what a
// control shows (caption, text, check, value, lines), whether it is enabled
// and visible, where it is, its hint and help context, and the events its
// changes raise. The program's handlers work on these components alone, so
// they run the same with a window or in a unit test; on Windows a view binds
// each component to a real control (controls_win32.cpp) and keeps the two in
// step both ways.
//
// Changes follow the toolkit's rules: writing a different text raises
// OnChange, a different check state raises OnClick, the same value raises
// nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/component.h"
#include "core/datetime.h"
#include "core/strings.h"

namespace marrowby {

struct TBounds {
  int Left = 0, Top = 0, Width = 0, Height = 0;
};

// Bounds of the layout (96 dots per inch) in pixels at dpi. Each edge is
// scaled on its own, so that controls that touch or line up at 96 dots per
// inch still do.
TBounds ScaledBounds(const TBounds& bounds, int dpi);

// What a bound view is told: this part of the control's state changed.
enum class ControlAspect { Text, Checked, Enabled, Visible, Bounds, Items, ItemIndex, Font };

class ControlView {
 public:
  virtual ~ControlView() = default;
  virtual void Refresh(ControlAspect aspect) = 0;
};

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  // The control this one sits in (a panel or group), or null for the form.
  TControl* Parent() const { return parent_; }
  void SetParent(TControl* parent) { parent_ = parent; }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  const TBounds& Bounds() const { return bounds_; }
  void SetBounds(int left, int top, int width, int height);
  int Left() const { return bounds_.Left; }
  int Top() const { return bounds_.Top; }
  void SetTop(int top) { SetBounds(bounds_.Left, top, bounds_.Width, bounds_.Height); }
  int Width() const { return bounds_.Width; }
  int Height() const { return bounds_.Height; }
  void SetHeight(int h) { SetBounds(bounds_.Left, bounds_.Top, bounds_.Width, h); }

  // The short part shows at the control, the long part in the status bar
  // (core/text.h: ShortHint, LongHint).
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint) { hint_ = hint; }
  int32_t HelpContext() const { return helpContext_; }
  void SetHelpContext(int32_t id) { helpContext_ = id; }

  // The text a control shows: a caption or an edit's text.
  const std::string& Caption() const { return text_; }
  void SetCaption(const std::string& text) { SetText(text); }
  const std::string& Text() const { return text_; }
  virtual void SetText(const std::string& text);

  // Font emphasis of the caption (bold labels and counters).
  bool Bold() const { return bold_; }
  void SetBold(bool bold);
  int FontHeight() const { return fontHeight_; }  // pixels; 0 for the window's font
  void SetFontHeight(int pixels);

  void AttachView(ControlView* view) { view_ = view; }
  ControlView* View() const { return view_; }

  // Raised after the text changed (edits) — a text written equal raises nothing.
  TNotifyEvent OnChange;
  // Raised by a click, or by a change of a check box's state.
  TNotifyEvent OnClick;

  // A click of the user (or of code clicking the control).
  virtual void Click();

 protected:
  void Refresh(ControlAspect aspect) {
    if (view_) view_->Refresh(aspect);
  }
  // Stores text without raising events (views reporting what the user typed
  // go through SetText instead).
  void StoreText(const std::string& text) { text_ = text; }

 private:
  TControl* parent_ = nullptr;
  bool enabled_ = true;
  bool visible_ = true;
  TBounds bounds_;
  std::string hint_;
  int32_t helpContext_ = 0;
  std::string text_;
  bool bold_ = false;
  int fontHeight_ = 0;
  ControlView* view_ = nullptr;
};

class TLabel : public TControl {
 public:
  using TControl::TControl;
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }
  bool WordWrap = false;
  bool AlignRight = false;
  bool Centered = false;
  bool PathEllipsis = false;  // a path too long to show loses its middle to "..."
};

class TButton : public TControl {
 public:
  using TControl::TControl;
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }
  bool Default = false;  // Enter clicks it
  bool Cancel = false;   // Escape clicks it
};

class TCheckBox : public TControl {
 public:
  using TControl::TControl;
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }
  bool Checked() const { return checked_; }
  // A different state raises OnClick, as the toolkit's check box does.
  void SetChecked(bool v);
  // A user's click toggles the state.
  void Click() override { SetChecked(!checked_); }

 private:
  bool checked_ = false;
};

class TEdit : public TControl {
 public:
  using TControl::TControl;
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }
  void SetText(const std::string& text) override;
  int MaxLength = 0;
};

// An edit with up and down arrows over an integer range. It holds only what
// it shows: a number typed beyond the range becomes the nearest end (the
// edit shows that), text that is no number is refused, and an edit the user
// emptied to type anew stays empty until the user leaves it. An edit begins
// when the program sets or stores the value or the user leaves the edit;
// while it is empty, it holds the value it had when the edit began, not the
// last number read on the way (deleting "23" passes through "2").
class TSpinEdit : public TEdit {
 public:
  using TEdit::TEdit;
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }
  int MinValue = 0;
  int MaxValue = 100;
  // The number shown; while the edit is empty, the number it held when the
  // edit began.
  int Value() const;
  void SetValue(int v);
  void SetText(const std::string& text) override;
  // The user left the edit: an emptied edit shows its value again, and the
  // next typing begins a new edit.
  void EditingDone();
  // The value was stored: an emptied edit returns to it from now on.
  void ValueStored() { valueBeforeEdit_ = value_; }

 private:
  int Clamp(int v) const { return v < MinValue ? MinValue : v > MaxValue ? MaxValue : v; }
  int value_ = 0;
  int valueBeforeEdit_ = 0;
};

// A date edit: a date picker with a drop-down calendar. Its text is the date
// in the user's short date format with a four-digit year (date_format.h).
class TDateEdit : public TEdit {
 public:
  using TEdit::TEdit;
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }
  TDateTime Date() const { return date_; }
  // Shows the date part of a value; a different date raises OnChange.
  void SetDate(TDateTime value);
  // Text typed into the control: the date follows when the text is a date.
  void SetText(const std::string& text) override;

 private:
  TDateTime date_ = 0;
};

// A file-name edit: an edit with a browse button that opens a file dialog.
class TFilenameEdit : public TEdit {
 public:
  using TEdit::TEdit;
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }
  std::string DialogTitle;
  const std::string& FileName() const { return Text(); }
  void SetFileName(const std::string& name) { SetText(name); }
};

class TListBox : public TControl {
 public:
  explicit TListBox(TComponent* owner);
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }
  TStringList* Items() const { return items_.get(); }
  // The selected line, -1 for none.
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);

 private:
  std::unique_ptr<TStringList> items_;
  int itemIndex_ = -1;
};

// Rows of text in columns with headings (a report): each row is one line of
// cells, one per column.
struct TListColumn {
  std::string Caption;
  int Width = 50;
};

class TListView : public TControl {
 public:
  using TControl::TControl;
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }
  std::vector<TListColumn> Columns;  // set before the form's window is made
  bool GridLines = false;
  bool RowSelect = false;  // a click selects the whole row
  using Row = std::vector<std::string>;
  const std::vector<Row>& Rows() const { return rows_; }
  void SetRows(std::vector<Row> rows);

 private:
  std::vector<Row> rows_;
};

// A container: a panel (optionally with a caption frame: a group box).
class TPanel : public TControl {
 public:
  using TControl::TControl;
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }
  bool GroupFrame = false;  // drawn as a group box with its caption
  bool Bevel = true;
};

// The two halves of a spin button: up is the previous schedule, down the next.
class TSpinButton : public TControl {
 public:
  using TControl::TControl;
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }
  TNotifyEvent OnTopClick;
  TNotifyEvent OnBottomClick;
  void TopClick();
  void BottomClick();
};

class TStatusBar : public TControl {
 public:
  using TControl::TControl;
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }
  // The width of panel 0 in pixels at 96 dots per inch; negative: the panel
  // reaches the bar's right edge.
  int PanelWidth = 400;
  // The text of panel 0.
  const std::string& PanelText() const { return Text(); }
  void SetPanelText(const std::string& text) { SetText(text); }
};

// A picture: an icon or a bitmap from the program's resources.
class TImage : public TControl {
 public:
  using TControl::TControl;
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }
  std::string ResourceName;  // an icon ("MAINICON") or a bitmap resource
  bool IsIcon = true;
  TNotifyEvent OnDblClick;
};

// A control's hint: the short part shows at the control, the long part in the
// status bar (null: no hint).
struct HintParts {
  const char* shortPart = nullptr;
  const char* longPart = "";
};

// What a form says about one of its controls: the one way to declare one.
struct ControlDesc {
  TComponent* owner = nullptr;    // the form, which frees it
  const char* parent = nullptr;   // the name of the owner's panel or group it sits in; null: the form
  const char* name = "";
  TBounds bounds = {};
  const char* caption = nullptr;  // null: none
  HintParts hint = {};
  int32_t helpContext = 0;
};

// Gives a made control what its description says. Raises an Exception when
// the owner has no control of the parent's name (an error of the program).
void Describe(TControl& control, const ControlDesc& desc);

template <class T>
T* NewControl(const ControlDesc& desc) {
  auto* c = new T(desc.owner);
  Describe(*c, desc);
  return c;
}

// One row of a form's table of controls: the field that keeps the control,
// and its description.
template <class T>
struct ControlRow {
  T*& field;
  ControlDesc desc;
};
template <class T>
ControlRow<T> Row(T*& field, const ControlDesc& desc) {
  return ControlRow<T>{field, desc};
}

// Makes the controls of a table in its order, which is their order in the
// form (and so the order of the keyboard's Tab).
template <class... T>
void NewControls(const ControlRow<T>&... rows) {
  ((rows.field = NewControl<T>(rows.desc)), ...);
}

}  // namespace marrowby
