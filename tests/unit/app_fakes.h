// A fake platform for the schedule manager's windows: records message boxes
// and answers questions from a script, turns minimise and restore into the
// application events, runs modal forms on the fake timers.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "tests/support/fake_platform.h"

namespace marrowby::testing {

class FakeFormView : public FormView {
 public:
  FakeFormView(TForm& form, FakeTimerHost& timers) : form_(form), timers_(timers) {}
  NativeWindow Handle() override { return handle; }
  NativeWindow handle = nullptr;
  void Show() override {
    if (!form_.Visible()) form_.DoShow();
  }
  void Hide() override { form_.DoHide(); }
  int ShowModal() override;
  void EndModal() override { ended_ = true; }
  void Refresh() override {}
  // The main window's view ends the program when released (the product's
  // view posts the quit message).
  void Release() override { ++releases; }
  int releases = 0;
  // Called instead of waiting while a modal form is shown; the default
  // advances the fake timers until the form ends itself.
  std::function<void(TForm&)> whileModal;

 private:
  TForm& form_;
  FakeTimerHost& timers_;
  bool ended_ = false;
};

struct Shown {
  MessageKind kind;
  std::string text;
};

class FakeHost : public MainFormHost {
 public:
  explicit FakeHost(FakeTimerHost& timers) : timers_(timers) {}
  TMainForm* form = nullptr;

  void Message(MessageKind kind, const std::string& text) override {
    messages.push_back({kind, text});
    if (onMessage) onMessage(kind, text);
  }
  bool Confirm(const std::string& text) override {
    questions.push_back(text);
    if (answers.empty()) return true;
    const bool a = answers.front();
    answers.pop_front();
    return a;
  }
  void MinimizeApplication() override {
    ++minimized;
    if (form) form->AppEvents1Minimize();
  }
  void RestoreApplication() override {
    ++restored;
    if (form) form->AppEvents1Restore();
  }
  void ShowTaskbarEntry(bool show) override { taskbarShown = show; }
  int SystemMajorVersion() override { return 6; }
  void SetManagerHiddenMenu(bool hidden) override { menuHidden = hidden; }
  void SetTrayAnimated(bool animated) override { animations.push_back(animated); }
  void SetDropEnabled(bool enabled) override { dropEnabled = enabled; }
  void HelpContents() override { ++helpShown; }
  void MakeProgramFolderCurrent() override { ++folderMadeCurrent; }
  void OpenWebSite(const std::string& address) override { websites.push_back(address); }
  std::string SystemErrorText(uint32_t code) override { return "system text " + std::to_string(code); }
  void AttachView(TForm& form) override;
  void SetTrayHint(const std::string& hint) override { trayHint = hint; }

  std::string trayHint;
  std::vector<Shown> messages;
  std::function<void(MessageKind, const std::string&)> onMessage;
  std::vector<std::string> questions;
  std::deque<bool> answers;
  int minimized = 0, restored = 0, helpShown = 0, folderMadeCurrent = 0;
  bool taskbarShown = true, menuHidden = false, dropEnabled = false;
  std::vector<bool> animations;
  std::vector<std::string> websites;
  // What to do while a modal form (an announcement) is up; the default lets
  // its timers run.
  std::function<void(TForm&)> whileModal;
  std::vector<std::string> modalCaptions;
  std::vector<std::unique_ptr<FakeFormView>> views;

 private:
  FakeTimerHost& timers_;
};

// A main window made, loaded, created and shown as the program does it.
ComponentPtr<TMainForm> MakeShownForm(FakeHost& host);

}  // namespace marrowby::testing
