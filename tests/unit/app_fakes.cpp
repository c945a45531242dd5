#include "tests/unit/app_fakes.h"

namespace marrowby::testing {

int FakeFormView::ShowModal() {
  ended_ = false;
  form_.DoShow();
  if (whileModal) {
    whileModal(form_);
  }
  // Let the form's own timers end it (at most a minute of virtual time).
  for (int i = 0; i < 600 && !ended_; ++i) timers_.AdvanceMs(100);
  form_.DoHide();
  return form_.ModalResult();
}

void FakeHost::AttachView(TForm& f) {
  views.push_back(std::make_unique<FakeFormView>(f, timers_));
  FakeFormView* view = views.back().get();
  view->whileModal = [this](TForm& modal) {
    modalCaptions.push_back(modal.Caption());
    if (whileModal) whileModal(modal);
  };
  f.AttachView(view);
}

ComponentPtr<TMainForm> MakeShownForm(FakeHost& host) {
  auto form = MakeComponent<TMainForm>(nullptr, &host);
  host.form = form.get();
  host.AttachView(*form);
  form->BeginLoading();
  form->EndLoading();
  form->DoCreate();
  form->Show();
  return form;
}

}  // namespace marrowby::testing
