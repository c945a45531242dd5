// The tray menu's own windows: the summary of the set schedules, the about
// box and the maker's web site.
#include "app/about_form.h"
#include "app/main_form.h"

namespace marrowby {

std::string TMainForm::SummaryText() const {
  const ScheduleTable::Tally tally = Schedules().Counts();
  const int n = tally.set, done = tally.done, pending = tally.pending;
  if (n <= 0) return "There are no schedules set";
  std::string text = "There ";
  text += n < 2 ? "is " : "are ";
  text += std::to_string(n) + " set schedule";
  if (n > 1) text += "s";
  text += " of which " + std::to_string(done) + (done == 1 ? " has" : " have") + " launched today";
  text += "\n" + std::to_string(pending) + " Schedule";
  if (pending != 1) text += "s";
  text += " still to launch (though not necassarily today)";
  return text;
}

void TMainForm::NumSchedsMiClick() {
  const bool wasHidden = hidden_;
  if (wasHidden) ShowManager();
  host_->Message(MessageKind::Information, SummaryText());
  if (wasHidden) HideManager();
}

void TMainForm::AboutMiClick() {
  auto about = MakeComponent<TAboutForm>(nullptr, CopyRightForm, [this] { MarrowbyWebSite(); });
  host_->AttachView(*about);
  about->ShowModal();
}

void TMainForm::MarrowbyWebSite() { host_->OpenWebSite(maker::kWebUrl); }

}  // namespace marrowby
