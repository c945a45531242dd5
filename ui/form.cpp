#include "ui/form.h"

#include <algorithm>

namespace marrowby {

const ClassInfo TForm::kClassInfo = {"TForm", &TComponent::kClassInfo, nullptr, 0};

namespace {

struct Area {
  int left, top, right, bottom;
  bool Empty() const { return left >= right || top >= bottom; }
  bool Holds(const Area& a) const {
    return left <= a.left && top <= a.top && a.right <= right && a.bottom <= bottom;
  }
};

Area Meet(const Area& a, const Area& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

// A control's rectangle in the form's client area.
Area Placed(const TControl* c) {
  int x = 0, y = 0;
  for (const TControl* p = c; p; p = p->Parent()) {
    x += p->Left();
    y += p->Top();
  }
  return {x, y, x + c->Width(), y + c->Height()};
}

// What of a control shows: its panels and the form clip it.
Area Showing(const TForm& form, const TControl* c) {
  Area a = Meet(Placed(c), {0, 0, form.ClientWidth(), form.ClientHeight()});
  for (const TControl* p = c->Parent(); p; p = p->Parent()) a = Meet(a, Placed(p));
  return a;
}

bool ShownAndEnabled(const TControl* c) {
  for (; c; c = c->Parent()) {
    if (!c->Visible() || !c->Enabled()) return false;
  }
  return true;
}

// The chain from the form down to a control.
std::vector<const TControl*> Chain(const TControl* c) {
  std::vector<const TControl*> chain;
  for (; c; c = c->Parent()) chain.insert(chain.begin(), c);
  return chain;
}

}  // namespace

bool TForm::CanFocus(const TControl* control) const {
  if (!control || !ShownAndEnabled(control)) return false;
  const Area shown = Showing(*this, control);
  if (shown.Empty()) return false;
  const std::vector<const TControl*> mine = Chain(control);
  for (int i = 0; i < ComponentCount(); ++i) {
    const auto* panel = dynamic_cast<const TPanel*>(Components(i));
    if (!panel || !ShownAndEnabled(panel)) continue;
    // Where the two chains part, the one made later lies above: a panel
    // slides over what was there before it.
    const std::vector<const TControl*> its = Chain(panel);
    size_t k = 0;
    while (k < mine.size() && k < its.size() && mine[k] == its[k]) ++k;
    if (k == its.size() || k == mine.size()) continue;  // one holds the other
    if (its[k]->ComponentIndex() < mine[k]->ComponentIndex()) continue;
    if (Showing(*this, panel).Holds(shown)) return false;
  }
  return true;
}

TControl* TForm::NextTabStop(const TControl* from, bool forward) const {
  const int n = static_cast<int>(TabOrder.size());
  int at = -1;
  for (int i = 0; i < n; ++i) {
    if (TabOrder[static_cast<size_t>(i)] == from) at = i;
  }
  if (at < 0) at = forward ? -1 : n;
  for (int step = 1; step <= n; ++step) {
    const int i = ((at + (forward ? step : -step)) % n + n) % n;
    if (CanFocus(TabOrder[static_cast<size_t>(i)])) return TabOrder[static_cast<size_t>(i)];
  }
  return nullptr;
}

TForm::TForm(TComponent* owner) : TComponent(owner) {}

TForm::~TForm() {
  if (!view_) return;
  view_->Release();
  view_->FormGone();
}

void TForm::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  if (view_) view_->Refresh();
}

void TForm::SetClientSize(int width, int height) {
  if (width == clientWidth_ && height == clientHeight_) return;
  clientWidth_ = width;
  clientHeight_ = height;
  if (view_) view_->Refresh();
}

void TForm::SetWindowSize(int width, int height) {
  windowWidth_ = width;
  windowHeight_ = height;
}

void TForm::DoResize(int width, int height) {
  clientWidth_ = width;
  clientHeight_ = height;
  FormResize();
}

void TForm::SetModalResult(int result) {
  modalResult_ = result;
  if (modal_ && result != mrNone && view_) view_->EndModal();
}

void TForm::Show() {
  if (view_) view_->Show();
}

void TForm::Hide() {
  if (view_) view_->Hide();
  visible_ = false;
}

int TForm::ShowModal() {
  modalResult_ = mrNone;
  modal_ = true;
  const int result = view_ ? view_->ShowModal() : mrCancel;
  modal_ = false;
  return result;
}

void TForm::Close() {
  if (modal_) {
    // A modal form closes by ending its run, after FormClose agrees.
    if (DoClose() != TCloseAction::caNone && modalResult_ == mrNone) {
      modalResult_ = mrCancel;
      if (view_) view_->EndModal();
    }
    return;
  }
  switch (DoClose()) {
    case TCloseAction::caNone:
      break;
    case TCloseAction::caMinimize:
    case TCloseAction::caHide:
      Hide();
      break;
    case TCloseAction::caFree:
      Hide();
      released_ = true;
      if (view_) view_->Release();
      break;
  }
}

void TForm::DoCreate() { FormCreate(); }

void TForm::DoShow() {
  visible_ = true;
  NotifyShown();
  FormShow();
}

TCloseAction TForm::DoClose() {
  TCloseAction action = TCloseAction::caHide;
  FormClose(action);
  if (action != TCloseAction::caNone) NotifyClosing();
  return action;
}

void TForm::DoDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  NotifyDestroying();
  FormDestroy();
}

}  // namespace marrowby
