// The announcement of a launch: a small stay-on-top window showing the
// schedule's item and description, with a ten-second countdown and the chance
// to launch at once or cancel (Allow Cancel), or for one second without
// buttons.
#pragma once

#include <string>

#include "core/timer.h"
#include "ui/form.h"

namespace marrowby {

class TFormPlacement;

class TAnnounceForm : public TForm {
 public:
  explicit TAnnounceForm(TComponent* owner);
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  TPanel* Panel2;
  TImage* Image1;
  TLabel* DescLbl;
  TPanel* Panel1;
  TButton* LaunchBtn;
  TLabel* TimeLbl;
  TButton* CancelBtn;
  TTimer* Timer1;  // closes the window
  TTimer* Timer2;  // counts down every second
  // Keeps the window's position in the settings file (section "TAnnounceForm").
  TFormPlacement* FormPlacement1;

  // Prepares the window for a schedule: the caption names the item's file,
  // the description shows; with Allow Cancel it counts down ten seconds with
  // its buttons, otherwise it shows one second without them.
  void Prepare(const std::string& commandLine, const std::string& description, bool allowCancel);
  bool Cancelled() const { return cancelled_; }
  int Countdown() const { return countdown_; }

  void Timer1Timer();
  void Timer2Timer();
  void LaunchBtnClick();
  void CancelBtnClick();

  // What the caption names of an item line: the file-name part of the item
  // (the text after the last "\" or ":"), and for a program followed by its
  // arguments, the program's file-name part followed by the arguments.
  static std::string FileNamePart(const std::string& commandLine);

 protected:
  void FormShow() override;

 private:
  void Finish(bool cancelled);
  int countdown_ = 10;
  bool cancelled_ = false;
};

}  // namespace marrowby
