#include "app/announce_form.h"

#include "app/settings_schema.h"
#include "scheduler/command_split.h"
#include "store/form_placement.h"

namespace marrowby {

const ClassInfo TAnnounceForm::kClassInfo = {"TAnnounceForm", &TForm::kClassInfo, nullptr, 0};

TAnnounceForm::TAnnounceForm(TComponent* owner) : TForm(owner) {
  SetName("AnnounceForm");
  SetCaption("Scheduled Launch For...");
  SetClientSize(386, 93);
  BorderIcons = false;
  StayOnTop = true;
  NewControls(Row(Panel2, {this, nullptr, "Panel2", {0, 0, 386, 64}}),
              Row(Image1, {this, "Panel2", "Image1", {14, 14, 32, 32}}),
              Row(DescLbl, {this, "Panel2", "DescLbl", {60, 10, 315, 45}}),
              Row(Panel1, {this, nullptr, "Panel1", {0, 64, 386, 29}}),
              Row(LaunchBtn, {this, "Panel1", "LaunchBtn", {8, 3, 75, 23}, "&Launch"}),
              Row(TimeLbl, {this, "Panel1", "TimeLbl", {168, 6, 50, 16}, "10"}),
              Row(CancelBtn, {this, "Panel1", "CancelBtn", {303, 3, 75, 23}, "&Cancel"}));
  Image1->ResourceName = "MAINICON";
  DescLbl->WordWrap = true;
  LaunchBtn->Default = true;
  TimeLbl->SetBold(true);
  LaunchBtn->OnClick = [this](TObject*) { LaunchBtnClick(); };
  CancelBtn->OnClick = [this](TObject*) { CancelBtnClick(); };

  Timer1 = NewTimer(this, "Timer1", 1000, false, [this](TObject*) { Timer1Timer(); });
  Timer2 = NewTimer(this, "Timer2", 1000, false, [this](TObject*) { Timer2Timer(); });

  // Active, with its default options: it restores the position when the
  // window is shown and saves it when the window closes or goes.
  FormPlacement1 = new TFormPlacement(this);
  FormPlacement1->SetName("FormPlacement1");
  FormPlacement1->SetUserFolder(kUserSettingsFolder);
  BeginLoading();
  EndLoading();
}

namespace {

std::string AfterLastSeparator(const std::string& path) {
  const size_t sep = path.find_last_of("\\:");
  return sep == std::string::npos ? path : path.substr(sep + 1);
}

}  // namespace

std::string TAnnounceForm::FileNamePart(const std::string& commandLine) {
  // A program with arguments: the part after the last separator of the
  // whole line would name an argument's file, or begin inside the quotes
  // ("mark.bat" "arg one" two).
  const size_t first = commandLine.find_first_not_of(" \t");
  const bool quoted = first != std::string::npos && commandLine[first] == '"';
  for (const ProgramCall& call : ProgramSplits(commandLine)) {
    if (!quoted && !IsProgramFileName(call.program)) continue;
    const std::string name = AfterLastSeparator(call.program);
    return call.parameters.empty() ? name : name + " " + call.parameters;
  }
  return AfterLastSeparator(commandLine);
}

void TAnnounceForm::Prepare(const std::string& commandLine, const std::string& description,
                            bool allowCancel) {
  SetCaption("Scheduled Launch For " + FileNamePart(commandLine));
  DescLbl->SetCaption(description);
  if (allowCancel) {
    Timer1->SetInterval(10000);
  } else {
    Timer1->SetInterval(1000);
    Panel1->SetVisible(false);
    SetClientSize(ClientWidth(), ClientHeight() - Panel1->Height());
  }
}

void TAnnounceForm::FormShow() {
  countdown_ = 10;
  TimeLbl->SetCaption("10");
  Timer1->SetEnabled(true);
  Timer2->SetEnabled(true);
  cancelled_ = false;
}

void TAnnounceForm::Timer2Timer() {
  --countdown_;
  TimeLbl->SetCaption(std::to_string(countdown_));
}

void TAnnounceForm::Finish(bool cancelled) {
  Timer1->SetEnabled(false);
  Timer2->SetEnabled(false);
  cancelled_ = cancelled;
  SetModalResult(cancelled ? mrCancel : mrOk);
}

void TAnnounceForm::Timer1Timer() { Finish(false); }
void TAnnounceForm::LaunchBtnClick() { Finish(false); }
void TAnnounceForm::CancelBtnClick() { Finish(true); }

}  // namespace marrowby
