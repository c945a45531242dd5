// The notification-area icon: shows an icon with a tooltip in the taskbar's
// notification area, turns the shell's mouse notifications into click,
// double-click and mouse events, pops up its menu on a right click, and can
// cycle through a list of frames. The shell talks to a hidden window of the
// icon's own, whose timer also steps the frames; when the taskbar is created
// anew (Explorer restarted), the icon is added again.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/component.h"
#include "core/window_base.h"
#include "core/set.h"
#include "shell/icon.h"

namespace marrowby {

class TTrayPopupMenu;

enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };
enum TShiftStateItem : uint8_t { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = Set<TShiftStateItem>;

// X and Y are the cursor's screen position.
using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;

// The shell call the icon makes: Shell_NotifyIconA with message 0 (add),
// 1 (modify) or 2 (delete) and the notification record. Tests replace it to
// watch or refuse the calls; null puts the shell's own back.
using TrayNotifyFunction = std::function<bool(unsigned message, void* record)>;
void SetTrayNotifyFunction(TrayNotifyFunction fn);
bool ShellNotifyIcon(unsigned message, void* record);

class TTrayIcon : public TComponent, private WindowBase {
 public:
  // The message the shell sends to the hidden window; its last parameter is
  // the mouse message.
  static constexpr unsigned kCallbackMessage = 0xB054;

  explicit TTrayIcon(TComponent* owner);
  ~TTrayIcon() override;

  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  // Shown while true (once the owner has been loaded).
  bool Active() const { return active_; }
  void SetActive(bool v);
  // Mouse notifications are handled only while true.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  // Short part (before "|") as the tooltip.
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v);
  // The static icon and the frames; changing either (or an icon in them)
  // updates the shown icon.
  TIcon* Icon() const { return icon_.get(); }
  void SetIcon(const TIcon* v) { icon_->Assign(v); }
  TIconList* Icons() const { return icons_.get(); }
  void SetIcons(const TIconList* v) { icons_->Assign(v); }
  // Cycling through Icons every Interval milliseconds; stays false while
  // Icons is empty.
  bool Animated() const { return animated_; }
  void SetAnimated(bool v);
  uint16_t Interval() const { return interval_; }
  void SetInterval(uint16_t v);
  TTrayPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TTrayPopupMenu* menu);

  TMouseEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;

  // The shell has accepted the icon.
  bool Added() const { return added_; }
  // The frame shown while animated (-1 before the first animation).
  int FrameIndex() const { return frameIndex_; }
  // The hidden window the shell sends its notifications to.
  NativeWindow WindowHandle() const { return OwnWindow(); }

  // Pops the menu up at the cursor as a right click does; true when shown.
  bool ShowPopup();

 protected:
  void Loaded() override;
  void Notification(TComponent* component, Operation op) override;

 private:
  // The hidden window's messages.
  intptr_t HandleMessage(unsigned message, uintptr_t wParam, intptr_t lParam) override;
  void Show();
  void Remove();
  void IconChanged();
  bool Notify(unsigned message);
  NativeIcon ActiveIconHandle();
  void MouseMessage(unsigned message);
  void Click(TMouseButton button, TShiftState shift, int x, int y);
  void DblClick();
  void StartFrames();
  void StopFrames();
  void FrameStep();

  bool active_ = true;
  bool enabled_ = true;
  std::string hint_;
  std::unique_ptr<TIcon> icon_;
  std::unique_ptr<TIconList> icons_;
  bool animated_ = false;
  uint16_t interval_ = 150;
  TTrayPopupMenu* popupMenu_ = nullptr;

  bool added_ = false;
  int frameIndex_ = -1;
  Set<TMouseButton> pressed_;
  // Each animation has a timer id of its own, so that a tick of one that
  // has been switched off meanwhile is told apart and ignored.
  uintptr_t animation_ = 0;
  bool framesRunning_ = false;
};

}  // namespace marrowby
