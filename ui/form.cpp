#include "ui/form.h"

namespace marrowby {

const ClassInfo TForm::kClassInfo = {"TForm", &TComponent::kClassInfo, nullptr, 0};

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
