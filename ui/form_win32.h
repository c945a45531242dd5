// The Win32 window of a form and its controls: creates a top-level window of
// the form's class name and a real control for every control component of the
// form, keeps both in step, turns window messages into the form's and the
// controls' events, shows balloon hints and puts long hints in the
// application's hint.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "core/window_base.h"
#include "ui/controls_win32.h"
#include "ui/form.h"

namespace marrowby {

class Win32FormView : public FormView, public WindowBase, public ControlParent {
 public:
  explicit Win32FormView(TForm& form);
  ~Win32FormView() override;
  Win32FormView(const Win32FormView&) = delete;
  Win32FormView& operator=(const Win32FormView&) = delete;

  NativeWindow Handle() override { return OwnWindow(); }
  void Show() override;
  void Hide() override;
  int ShowModal() override;
  void EndModal() override { modalEnded_ = true; }
  void Refresh() override;
  void Release() override;
  void FormGone() override { formGone_ = true; }

  // The form is gone: nothing needs the view any more.
  bool Orphaned() const { return formGone_; }
  TForm& Form() { return form_; }
  HWND Hwnd() const { return OwnWindow(); }
  HFONT Font() const { return font_.Get(); }
  // The dots per inch the window is shown at.
  int Dpi() const { return look_.dpi; }
  // The window of a control component, or null.
  HWND ControlWindow(const TControl* control) const;
  // A message of a container inside the form (its controls' notifications,
  // the mouse).
  bool ChildMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

 private:
  intptr_t HandleMessage(unsigned msg, uintptr_t wp, intptr_t lp) override;
  // The messages of the form window and of its containers; true when handled.
  bool Dispatch(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
  void OnCommand(HWND from, WORD id, WORD code);
  LRESULT OnNotify(NMHDR* hdr);
  void OnDeferredStep(int id, bool up);
  LRESULT DefaultButtonId() const;
  TButton* CancelButton() const;
  bool OnSysCommand(WPARAM command);
  LRESULT OnSession(UINT msg, WPARAM wp);

  // Tab and Shift+Tab in a form with a tab order of its own.
  friend bool FormTabKey(HWND active, const MSG& msg);
  void TabKey(bool backwards);
  // The focus on a control that can no longer have it (its panel slid out
  // of view, it was disabled) goes to the stop before it; a form made
  // active again gives the focus back to the control that had it.
  void KeepFocusShown();
  void RestoreFocus();
  ControlBinding* BindingAt(HWND hwnd) const;
  ControlBinding* BindingOf(const TControl* control) const;
  void Focus(HWND hwnd);

  void CreateFormWindow();
  void ClientResized(int width, int height);
  void OnDpiChanged(int dpi, const RECT& suggested);
  void CreateControls();
  void ClearBindings();
  void AddHint(HWND control, const TControl* c);
  ControlBinding* BindingFor(HWND hwnd) const;
  void ShowHelpFor(const HELPINFO& info);
  void Center();

  TForm& form_;
  HWND tooltip_ = nullptr;
  ScopedFont font_;
  ControlLook look_;  // the font and the density the controls share
  std::vector<std::unique_ptr<ControlBinding>> bindings_;
  bool modalEnded_ = false;
  bool centered_ = false;
  bool released_ = false;
  bool formGone_ = false;
  // The control that had the focus when the form was last left.
  const TControl* focused_ = nullptr;
};

// Tab or Shift+Tab for the active window, when it is a form with a tab order
// of its own; true when handled (the message goes no further).
bool FormTabKey(HWND active, const MSG& msg);

}  // namespace marrowby
