#include "ui/controls.h"

#include <cstdio>

#include "core/errors.h"
#include "core/text.h"
#include "ui/date_format.h"

namespace marrowby {

namespace {

const TypeInfo kTStringsType = ClassTypeInfo("TStrings", &TStrings::kClassInfo);

const PropInfo kControlProps[] = {
    OrdProp<TControl, &TControl::Enabled, &TControl::SetEnabled>("Enabled", &kBooleanType, true, 1),
    OrdProp<TControl, &TControl::Visible, &TControl::SetVisible>("Visible", &kBooleanType, true, 1),
    OrdProp<TControl, &TControl::HelpContext, &TControl::SetHelpContext>("HelpContext",
                                                                          &kIntegerType, true, 0),
    StrProp<TControl, &TControl::Hint, &TControl::SetHint>("Hint"),
    EventProp("OnChange"),
    EventProp("OnClick"),
};

const PropInfo kCaptionProps[] = {
    StrProp<TControl, &TControl::Caption, &TControl::SetCaption>("Caption"),
};

const PropInfo kTextProps[] = {
    StrProp<TControl, &TControl::Text, &TControl::SetText>("Text"),
};

const PropInfo kCheckBoxProps[] = {
    StrProp<TControl, &TControl::Caption, &TControl::SetCaption>("Caption"),
    OrdProp<TCheckBox, &TCheckBox::Checked, &TCheckBox::SetChecked>("Checked", &kBooleanType,
                                                                      true, 0),
};

const PropInfo kSpinEditProps[] = {
    OrdProp<TSpinEdit, &TSpinEdit::Value, &TSpinEdit::SetValue>("Value", &kIntegerType),
};

const PropInfo kDateEditProps[] = {
    FloatProp<TDateEdit, &TDateEdit::Date, &TDateEdit::SetDate>("Date"),
};

const PropInfo kListBoxProps[] = {
    ObjectProp<TListBox, &TListBox::Items>("Items", &kTStringsType),
    OrdProp<TListBox, &TListBox::ItemIndex, &TListBox::SetItemIndex>("ItemIndex", &kIntegerType),
};

}  // namespace

const ClassInfo TControl::kClassInfo = {"TControl", &TComponent::kClassInfo, kControlProps,
                                        std::size(kControlProps)};
const ClassInfo TLabel::kClassInfo = {"TLabel", &TControl::kClassInfo, kCaptionProps,
                                      std::size(kCaptionProps)};
const ClassInfo TButton::kClassInfo = {"TButton", &TControl::kClassInfo, kCaptionProps,
                                       std::size(kCaptionProps)};
const ClassInfo TCheckBox::kClassInfo = {"TCheckBox", &TControl::kClassInfo, kCheckBoxProps,
                                         std::size(kCheckBoxProps)};
const ClassInfo TEdit::kClassInfo = {"TEdit", &TControl::kClassInfo, kTextProps,
                                     std::size(kTextProps)};
const ClassInfo TSpinEdit::kClassInfo = {"TSpinEdit", &TEdit::kClassInfo, kSpinEditProps,
                                         std::size(kSpinEditProps)};
const ClassInfo TDateEdit::kClassInfo = {"TDateEdit", &TEdit::kClassInfo, kDateEditProps,
                                         std::size(kDateEditProps)};
const ClassInfo TFilenameEdit::kClassInfo = {"TFilenameEdit", &TEdit::kClassInfo, nullptr, 0};
const ClassInfo TListBox::kClassInfo = {"TListBox", &TControl::kClassInfo, kListBoxProps,
                                        std::size(kListBoxProps)};
const ClassInfo TListView::kClassInfo = {"TListView", &TControl::kClassInfo, nullptr, 0};
const ClassInfo TPanel::kClassInfo = {"TPanel", &TControl::kClassInfo, kCaptionProps,
                                      std::size(kCaptionProps)};
const ClassInfo TSpinButton::kClassInfo = {"TSpinButton", &TControl::kClassInfo, nullptr, 0};
const ClassInfo TStatusBar::kClassInfo = {"TStatusBar", &TControl::kClassInfo, nullptr, 0};
const ClassInfo TImage::kClassInfo = {"TImage", &TControl::kClassInfo, nullptr, 0};

void Describe(TControl& control, const ControlDesc& desc) {
  TControl* parent = nullptr;
  if (desc.parent) {
    parent = desc.owner ? dynamic_cast<TControl*>(desc.owner->FindComponent(desc.parent)) : nullptr;
    if (!parent) {
      throw Exception(std::string("No control ") + desc.parent + " to hold " + desc.name);
    }
  }
  control.SetName(desc.name);
  control.SetParent(parent);
  const TBounds& b = desc.bounds;
  control.SetBounds(b.Left, b.Top, b.Width, b.Height);
  if (desc.caption) control.SetCaption(desc.caption);
  if (desc.hint.shortPart) control.SetHint(JoinHint(desc.hint.shortPart, desc.hint.longPart));
  if (desc.helpContext) control.SetHelpContext(desc.helpContext);
}

// ---- TControl

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() { view_ = nullptr; }

void TControl::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  Refresh(ControlAspect::Enabled);
}

void TControl::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Refresh(ControlAspect::Visible);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == bounds_.Left && top == bounds_.Top && width == bounds_.Width &&
      height == bounds_.Height) {
    return;
  }
  bounds_ = TBounds{left, top, width, height};
  Refresh(ControlAspect::Bounds);
}

void TControl::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  Refresh(ControlAspect::Text);
}

void TControl::SetBold(bool bold) {
  if (bold == bold_) return;
  bold_ = bold;
  Refresh(ControlAspect::Font);
}

void TControl::SetFontHeight(int pixels) {
  if (pixels == fontHeight_) return;
  fontHeight_ = pixels;
  Refresh(ControlAspect::Font);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

// ---- TCheckBox

void TCheckBox::SetChecked(bool v) {
  if (v == checked_) return;
  checked_ = v;
  Refresh(ControlAspect::Checked);
  if (OnClick) OnClick(this);
}

// ---- TEdit

void TEdit::SetText(const std::string& text) {
  if (text == Text()) return;
  StoreText(text);
  Refresh(ControlAspect::Text);
  if (OnChange) OnChange(this);
}

// ---- TSpinEdit

namespace {
// A whole decimal number (optional minus sign); numbers too long for an int
// read as far beyond any range, keeping their sign.
bool ParseWhole(const std::string& text, long long* out) {
  size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  long long v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    if (v < 10000000000LL) v = v * 10 + (text[i] - '0');
  }
  *out = text[0] == '-' ? -v : v;
  return true;
}
}  // namespace

int TSpinEdit::Value() const { return Clamp(value_); }

void TSpinEdit::SetValue(int v) {
  value_ = valueBeforeEdit_ = Clamp(v);
  TEdit::SetText(std::to_string(value_));
}

void TSpinEdit::SetText(const std::string& text) {
  const std::string typed = Trim(text);
  if (typed.empty()) {
    // Emptied to type anew: the value the edit began with waits.
    value_ = valueBeforeEdit_;
    TEdit::SetText("");
    return;
  }
  long long v;
  std::string shown = typed;
  if (!ParseWhole(typed, &v)) {
    shown = Text().empty() ? "" : std::to_string(Value());  // refused: the number stays
  } else if (v < MinValue || v > MaxValue) {
    value_ = v < MinValue ? MinValue : MaxValue;
    shown = std::to_string(value_);
  } else {
    value_ = static_cast<int>(v);
  }
  TEdit::SetText(shown);
  // The view showed what was typed; when that was not kept, show what is.
  if (shown != text) Refresh(ControlAspect::Text);
}

void TSpinEdit::EditingDone() {
  if (Text().empty()) {
    // It shows again the value it holds: no change, so no change event.
    StoreText(std::to_string(Value()));
    Refresh(ControlAspect::Text);
  }
  valueBeforeEdit_ = value_;
}

// ---- TDateEdit

void TDateEdit::SetDate(TDateTime value) {
  date_ = DateOf(value);
  TEdit::SetText(UserShortDateFormat().Format(date_));
}

void TDateEdit::SetText(const std::string& text) {
  TDateTime value;
  if (UserShortDateFormat().TryParse(text, &value)) date_ = value;
  TEdit::SetText(text);
}

// ---- TListBox

TListBox::TListBox(TComponent* owner) : TControl(owner), items_(std::make_unique<TStringList>()) {
  items_->OnChange = [this](TObject*) {
    if (itemIndex_ >= items_->Count()) itemIndex_ = -1;
    Refresh(ControlAspect::Items);
  };
}

void TListBox::SetItemIndex(int index) {
  if (index < -1 || index >= items_->Count()) index = -1;
  if (index == itemIndex_) return;
  itemIndex_ = index;
  Refresh(ControlAspect::ItemIndex);
}

// ---- TListView

void TListView::SetRows(std::vector<Row> rows) {
  rows_ = std::move(rows);
  Refresh(ControlAspect::Items);
}

// ---- TSpinButton

void TSpinButton::TopClick() {
  if (OnTopClick) OnTopClick(this);
}

void TSpinButton::BottomClick() {
  if (OnBottomClick) OnBottomClick(this);
}

}  // namespace marrowby
