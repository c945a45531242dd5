// Bindings between control components and real Win32 controls: each creates
// its control, shows the component's state (Refresh) and reports what the
// user does back to the component, which raises its events.
#pragma once

#include <windows.h>

#include <memory>

#include "core/scoped_win32.h"
#include "ui/controls.h"

namespace marrowby {

class ControlBinding : public ControlView {
 public:
  ControlBinding(TControl& control, HFONT font) : control_(control), font_(font) {}
  ~ControlBinding() override;
  ControlBinding(const ControlBinding&) = delete;
  ControlBinding& operator=(const ControlBinding&) = delete;

  // Creates the control in parent with the given id.
  virtual void Create(HWND parent, int id) = 0;
  // WM_COMMAND notification code from the control.
  virtual void Command(WORD /*code*/) {}
  // WM_NOTIFY from the control (or from its helper window).
  virtual LRESULT Notify(NMHDR* /*hdr*/) { return 0; }
  void Refresh(ControlAspect aspect) override;

  TControl& Control() const { return control_; }
  HWND Hwnd() const { return hwnd_; }
  // A second window that belongs to the control (a spin edit's arrows, a
  // file edit's browse button), or null.
  HWND Helper() const { return helper_; }
  int Id() const { return id_; }

 protected:
  virtual void ShowState(ControlAspect aspect);
  // Creates the control's window of a system class and adopts it.
  HWND Make(const char* cls, DWORD style, DWORD exStyle, HWND parent, int id);
  // Takes a made window as the control's: its id, font and name.
  void Adopt(HWND hwnd, int id);
  void SetFontFor(HWND hwnd);
  // Puts the window at the control's bounds, above its siblings.
  virtual void PlaceWindow();
  // Moves the window to the control's new bounds, keeping its place among
  // its siblings (and so in the order of the keyboard's Tab).
  virtual void Move();

  TControl& control_;
  HFONT font_;
  ScopedFont ownFont_;  // a bold or larger font of the control's own
  HWND hwnd_ = nullptr;
  HWND helper_ = nullptr;
  int id_ = 0;
  bool updating_ = false;  // the view itself is writing to the control
};

// A spin button's step, posted to the form window (wParam: the control id,
// lParam: 1 for up) and run by RunDeferredStep.
inline constexpr UINT kDeferredStepMessage = WM_APP + 1;
void RunDeferredStep(ControlBinding& binding, bool up);

// Makes the binding for a control component (by its class).
std::unique_ptr<ControlBinding> MakeBinding(TControl& control, HFONT font);
// The bindings that have files of their own.
std::unique_ptr<ControlBinding> MakeDateEditBinding(TControl& control, HFONT font);
std::unique_ptr<ControlBinding> MakeListViewBinding(TControl& control, HFONT font);
std::unique_ptr<ControlBinding> MakePanelBinding(TControl& control, HFONT font);

// The window styles every control takes from its component: visible, enabled.
DWORD Common(const TControl& control);

// A click on a file edit's browse button (the view routes id + 1 here):
// the file dialog, and the chosen file into the edit.
void BrowseForFile(ControlBinding& binding);

// Where a container (a panel or group box) hands the notifications and mouse
// messages of its children: the view of the form it is on. True when
// handled, with the answer in result.
class ControlParent {
 public:
  virtual bool ChildMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) = 0;

 protected:
  ~ControlParent() = default;
};

}  // namespace marrowby
