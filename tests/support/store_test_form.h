// A stand-in for the schedule manager's main window as the settings store
// sees it: class "TMainForm", the 100 slots Launcher1..Launcher100, the list
// boxes ListBox1, DateList and LaunchList (Items, Tag), StatusBar1 (Tag) and
// the four stores FormStorage1..FormStorage4 with the main window's lists,
// all built between BeginLoading and EndLoading as a loaded window is.
// WindowHandle() is whatever window the test attaches (none natively).
#pragma once

#include <string>
#include <vector>

#include "core/strings.h"
#include "core/window_host.h"
#include "scheduler/launcher.h"
#include "store/form_storage.h"

namespace marrowby::testing {

class TTestListBox : public TComponent, public WindowHost {
 public:
  TTestListBox(TComponent* owner, const std::string& name);
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }
  TStrings* Items() const { return &items_; }
  NativeWindow WindowHandle() override { return window; }
  NativeWindow window = nullptr;

 private:
  mutable TStringList items_;
};

class TTestStatusBar : public TComponent {
 public:
  TTestStatusBar(TComponent* owner, const std::string& name);
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }
};

class TTestMainForm : public TComponent, public WindowHost {
 public:
  // withStores: also the four stores of the main window.
  explicit TTestMainForm(bool withStores = true);
  ~TTestMainForm() override;

  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  NativeWindow WindowHandle() override { return window; }
  NativeWindow window = nullptr;

  void Shown() { NotifyShown(); }
  void Closing() { NotifyClosing(); }
  void Destroying() { NotifyDestroying(); }

  TLauncher* Launcher(int n) const { return launchers_.at(static_cast<size_t>(n - 1)); }
  TTestListBox* ListBox1 = nullptr;
  TTestListBox* DateList = nullptr;
  TTestListBox* LaunchList = nullptr;
  TTestStatusBar* StatusBar1 = nullptr;
  TFormStorage* Storage(int n) const { return stores_.at(static_cast<size_t>(n - 1)); }

  void SaveAll();
  void RestoreAll();

 private:
  std::vector<TLauncher*> launchers_;
  std::vector<TFormStorage*> stores_;
};

}  // namespace marrowby::testing
