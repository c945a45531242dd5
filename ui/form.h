// A form: a top-level window and the controls on it, as a portable component.
// The program's handlers are virtual methods of the derived form class; the
// window itself is made and driven by a FormView (form_win32.cpp on Windows,
// a fake in tests).
#pragma once

#include <string>
#include <vector>

#include "core/component.h"
#include "core/window_host.h"
#include "ui/controls.h"

namespace marrowby {

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
enum class TBorderStyle { bsSingle, bsDialog, bsNone, bsSizeable };

// Modal results of a form shown modally.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

class TForm;

// The window of a form.
class FormView {
 public:
  virtual ~FormView() = default;
  virtual NativeWindow Handle() = 0;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  // Shows the form modally and returns its modal result when it closes.
  virtual int ShowModal() = 0;
  // Ends a modal run (the form's ModalResult is set).
  virtual void EndModal() = 0;
  // Caption or client size changed.
  virtual void Refresh() = 0;
  // The form is closed for good (caFree) or being freed: the window goes,
  // except the main window's, which stays until the program's end.
  virtual void Release() = 0;
  // The form is gone: the view never touches it again.
  virtual void FormGone() {}
};

class TForm : public TComponent, public WindowHost {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  void SetClientSize(int width, int height);
  // The size of the whole window, frame included, when it is first made
  // (0: from the client size).
  int WindowWidth() const { return windowWidth_; }
  int WindowHeight() const { return windowHeight_; }
  void SetWindowSize(int width, int height);

  TBorderStyle BorderStyle = TBorderStyle::bsSingle;
  bool BorderIcons = true;   // system menu and close box
  bool StayOnTop = false;
  bool Centered = true;      // centred on the screen when first shown
  // A window of its own on the taskbar, owned by no other, so that it stays
  // reachable while the application hides.
  bool TaskbarEntry = false;
  std::string FontName = "MS Sans Serif";
  int FontPoints = 8;
  bool SystemFont = false;  // the system's message font instead of FontName and FontPoints

  bool Visible() const { return visible_; }
  int ModalResult() const { return modalResult_; }
  // Setting a modal result other than mrNone closes a modal form.
  void SetModalResult(int result);

  void Show();
  void Hide();
  int ShowModal();
  // Asks the form to close: FormClose decides what happens (hide by default).
  void Close();
  // Closed for good (caFree): the form waits to be freed.
  bool Released() const { return released_; }

  // The order in which Tab (forwards) and Shift+Tab (backwards) move the
  // focus through the controls. Empty: the window system's own order.
  std::vector<TControl*> TabOrder;
  // Whether a control can have the focus now: it and the panels it sits in
  // are visible and enabled, some of it shows within its panels and the
  // window, and no panel slid over it (one made later) covers it whole.
  bool CanFocus(const TControl* control) const;
  // The next control of the tab order after `from` (before it, backwards)
  // that can have the focus, round from the end to the start; from the start
  // (the end) when `from` is not in the order. Null when none can.
  TControl* NextTabStop(const TControl* from, bool forward) const;

  void AttachView(FormView* view) { view_ = view; }
  FormView* View() const { return view_; }
  NativeWindow WindowHandle() override { return view_ ? view_->Handle() : nullptr; }

  // Called by the view as the window lives.
  void DoCreate();
  void DoShow();
  void DoHide() { visible_ = false; }
  // The user gave a sizeable form this client size.
  void DoResize(int width, int height);
  void DoActivate() { FormActivate(); }
  void DoDeactivate() { FormDeactivate(); }
  // Returns the close action decided by FormClose.
  TCloseAction DoClose();
  // FormDestroy, once: the form is about to be freed (BeforeDestruction).
  void DoDestroy();

  // The session is ending (log-off, shutdown): may it end; and it does.
  virtual bool QueryEndSession() { return true; }
  virtual void EndSession(bool /*ending*/) {}
  // The system time changed, or the machine resumed from sleep.
  virtual void SystemTimeChanged() {}

 protected:
  void BeforeDestruction() override { DoDestroy(); }

  // Handlers of the derived forms.
  virtual void FormCreate() {}
  virtual void FormShow() {}
  virtual void FormActivate() {}
  virtual void FormDeactivate() {}
  virtual void FormClose(TCloseAction& /*action*/) {}
  virtual void FormResize() {}
  virtual void FormDestroy() {}

 private:
  std::string caption_;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
  int windowWidth_ = 0;
  int windowHeight_ = 0;
  bool visible_ = false;
  bool released_ = false;
  bool modal_ = false;
  bool destroyed_ = false;
  int modalResult_ = mrNone;
  FormView* view_ = nullptr;
};

}  // namespace marrowby
