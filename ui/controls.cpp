#include "ui/controls.h"

#include <cstdio>

#include "core/text.h"

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
const ClassInfo TPanel::kClassInfo = {"TPanel", &TControl::kClassInfo, kCaptionProps,
                                      std::size(kCaptionProps)};
const ClassInfo TSpinButton::kClassInfo = {"TSpinButton", &TControl::kClassInfo, nullptr, 0};
const ClassInfo TStatusBar::kClassInfo = {"TStatusBar", &TControl::kClassInfo, nullptr, 0};
const ClassInfo TImage::kClassInfo = {"TImage", &TControl::kClassInfo, nullptr, 0};

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

int TSpinEdit::Value() const {
  int32_t v;
  if (!TryStrToInt(Trim(Text()), &v)) return MinValue;
  if (v < MinValue) return MinValue;
  if (v > MaxValue) return MaxValue;
  return v;
}

void TSpinEdit::SetValue(int v) {
  if (v < MinValue) v = MinValue;
  if (v > MaxValue) v = MaxValue;
  SetText(std::to_string(v));
}

// ---- TDateEdit

namespace {
std::string FormatDate(TDateTime value) {
  int y, m, d;
  DecodeDate(DateOf(value), &y, &m, &d);
  char buf[16];
  std::snprintf(buf, sizeof(buf), "%02d/%02d/%04d", d, m, y);
  return buf;
}
}  // namespace

void TDateEdit::SetDate(TDateTime value) {
  date_ = DateOf(value);
  TEdit::SetText(FormatDate(date_));
}

void TDateEdit::SetText(const std::string& text) {
  // Text typed into the control: keep the date in step when it parses.
  int d, m, y;
  char tail;
  TDateTime value;
  if (std::sscanf(text.c_str(), "%d/%d/%d%c", &d, &m, &y, &tail) == 3 &&
      TryEncodeDate(y, m, d, &value)) {
    date_ = value;
  }
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

// ---- TSpinButton

void TSpinButton::TopClick() {
  if (OnTopClick) OnTopClick(this);
}

void TSpinButton::BottomClick() {
  if (OnBottomClick) OnBottomClick(this);
}

}  // namespace marrowby
