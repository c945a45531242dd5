// The notification-area icon against Wine's real notification area: the
// shell's answers, the record, the mouse table, the menu, the animation and a
// re-created taskbar.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errors.h"
#include "core/platform.h"
#include "shell/tray_icon.h"
#include "shell/tray_menu.h"
#include "tests/support/error_log.h"
#include "tests/support/icon_images.h"
#include "tests/win/win_test_util.h"
#include "ui/application_win32.h"

namespace marrowby {
namespace {

using namespace wintest;
using testing::IconImage32;

struct Call {
  unsigned message;
  NOTIFYICONDATAA record;
  bool result;
};

// Watches every shell call of the icons, passes it on (or refuses adds while
// asked to) and keeps what was sent.
class ShellWatch {
 public:
  ShellWatch() {
    SetTrayNotifyFunction([this](unsigned message, void* record) {
      auto* nid = static_cast<NOTIFYICONDATAA*>(record);
      bool result;
      if (message == NIM_ADD && refuseAdds > 0) {
        --refuseAdds;
        result = false;
      } else {
        result = ShellNotifyIcon(message, record);
      }
      calls.push_back({message, *nid, result});
      return result;
    });
  }
  ~ShellWatch() { SetTrayNotifyFunction(nullptr); }
  std::vector<HICON> Modified() const {
    std::vector<HICON> out;
    for (const Call& c : calls) {
      if (c.message == NIM_MODIFY) out.push_back(c.record.hIcon);
    }
    return out;
  }
  std::vector<Call> calls;
  int refuseAdds = 0;
};

// Whether the shell knows the icon of this hidden window (a modify of an
// unknown icon fails).
bool ShellHasIcon(const TTrayIcon& icon) {
  NOTIFYICONDATAA nid = {};
  nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
  nid.hWnd = icon.WindowHandle();
  nid.uID = 0;
  return Shell_NotifyIconA(NIM_MODIFY, &nid) != FALSE;
}

void SendMouse(const TTrayIcon& icon, UINT mouseMessage) {
  SendMessageA(icon.WindowHandle(), TTrayIcon::kCallbackMessage, 0,
               mouseMessage);
}

// Wine's notification area hides its window when its last icon goes, which
// makes that delete take two seconds. An icon kept for the whole run spares
// every test the wait.
class KeeperIcon : public ::testing::Environment {
 public:
  void SetUp() override {
    window_ = CreateWindowExA(0, "STATIC", "keeper", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              nullptr, nullptr);
    NOTIFYICONDATAA nid = Record();
    nid.uFlags = NIF_ICON;
    nid.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    Shell_NotifyIconA(NIM_ADD, &nid);
  }
  void TearDown() override {
    NOTIFYICONDATAA nid = Record();
    Shell_NotifyIconA(NIM_DELETE, &nid);
    DestroyWindow(window_);
  }

 private:
  NOTIFYICONDATAA Record() const {
    NOTIFYICONDATAA nid = {};
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = window_;
    nid.uID = 7;
    return nid;
  }
  HWND window_ = nullptr;
};
[[maybe_unused]] ::testing::Environment* const kKeeper =
    ::testing::AddGlobalTestEnvironment(new KeeperIcon);

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application();  // the application window the menu code relies on
    SetApplicationTerminated(false);
  }
  ShellWatch shell;
  const std::string red = IconImage32(0x0000FF, 1);
  const std::string green = IconImage32(0x00FF00, 2);
  const std::string blue = IconImage32(0xFF0000, 3);
  const std::string gray = IconImage32(0x808080, 4);
};

TEST_F(TrayIconTest, AddsTheIconWithTheRecordAndRemovesIt) {
  auto icon = std::make_unique<TTrayIcon>(nullptr);
  EXPECT_TRUE(icon->Active());
  EXPECT_EQ(icon->Interval(), 150);
  EXPECT_EQ(icon->FrameIndex(), -1);
  EXPECT_FALSE(icon->Added());  // nothing to show yet
  icon->SetHint("Marrowby Schedule Manager|Double-click to show the manager");
  EXPECT_FALSE(icon->Added());
  icon->Icon()->LoadFromImage(red);
  ASSERT_TRUE(icon->Added());
  EXPECT_TRUE(ShellHasIcon(*icon));

  const Call& add = shell.calls.back();
  EXPECT_EQ(add.message, unsigned{NIM_ADD});
  EXPECT_TRUE(add.result);
  EXPECT_EQ(add.record.cbSize, sizeof(void*) == 8 ? 104u : 88u);
  EXPECT_EQ(add.record.hWnd, icon->WindowHandle());
  EXPECT_EQ(add.record.uID, 0u);
  EXPECT_EQ(add.record.uFlags, 7u);
  EXPECT_EQ(add.record.uCallbackMessage, 0xB054u);
  EXPECT_EQ(add.record.hIcon, icon->Icon()->Handle());
  EXPECT_NE(add.record.hIcon, nullptr);
  EXPECT_STREQ(add.record.szTip, "Marrowby Schedule Manager");

  icon->SetHint(std::string(40, 'a') + std::string(40, 'b') + "|long");
  EXPECT_EQ(shell.calls.back().message, unsigned{NIM_MODIFY});
  EXPECT_EQ(std::string(shell.calls.back().record.szTip), std::string(40, 'a') + std::string(23, 'b'));

  icon->SetActive(false);
  EXPECT_FALSE(icon->Added());
  EXPECT_FALSE(ShellHasIcon(*icon));
  icon->SetActive(true);
  EXPECT_TRUE(ShellHasIcon(*icon));
  const HWND hwnd = icon->WindowHandle();
  icon.reset();  // destroying removes the icon and the hidden window
  EXPECT_EQ(shell.calls.back().message, unsigned{NIM_DELETE});
  EXPECT_TRUE(shell.calls.back().result);
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(TrayIconTest, ShownOnlyOnceTheOwnerIsLoadedAndRemovedWithAnEmptyIcon) {
  TComponent form(nullptr);
  auto* icon = new TTrayIcon(&form);
  form.BeginLoading();
  icon->Icon()->LoadFromImage(red);
  icon->SetHint("tip");
  EXPECT_TRUE(shell.calls.empty());
  form.EndLoading();
  EXPECT_TRUE(icon->Added());
  EXPECT_TRUE(ShellHasIcon(*icon));
  icon->Icon()->Clear();  // nothing left to show
  EXPECT_FALSE(icon->Added());
  EXPECT_FALSE(ShellHasIcon(*icon));
  icon->Icon()->LoadFromImage(green);
  EXPECT_TRUE(icon->Added());
}

TEST_F(TrayIconTest, RefusedAddIsOfferedAgainAtTheNextChange) {
  TTrayIcon icon(nullptr);
  shell.refuseAdds = 1;
  icon.Icon()->LoadFromImage(red);
  EXPECT_FALSE(icon.Added());
  EXPECT_FALSE(ShellHasIcon(icon));
  icon.SetHint("again");
  EXPECT_TRUE(icon.Added());
  EXPECT_TRUE(ShellHasIcon(icon));
  EXPECT_STREQ(shell.calls.back().record.szTip, "again");
}

TEST_F(TrayIconTest, NewTaskbarGetsTheIconAgain) {
  TTrayIcon icon(nullptr);
  icon.Icon()->LoadFromImage(red);
  ASSERT_TRUE(ShellHasIcon(icon));
  // Explorer restarting loses every icon; simulate it behind the icon's back.
  NOTIFYICONDATAA nid = {};
  nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
  nid.hWnd = icon.WindowHandle();
  ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &nid));
  ASSERT_FALSE(ShellHasIcon(icon));
  // The new taskbar's broadcast reaches the hidden window (a top-level one).
  PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return ShellHasIcon(icon); }, 5000));
  EXPECT_TRUE(icon.Added());

  // A taskbar that went unnoticed: the next change finds the icon unknown
  // and adds it anew.
  ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &nid));
  icon.SetHint("still here");
  EXPECT_TRUE(ShellHasIcon(icon));
  EXPECT_TRUE(icon.Added());
}

class MouseLog {
 public:
  void Attach(TTrayIcon& icon) {
    icon.OnMouseMove = [this](TObject*, TShiftState, int, int) { log.push_back("move"); };
    icon.OnMouseDown = [this](TObject*, TMouseButton b, TShiftState s, int, int) {
      log.push_back("down " + Name(b, s));
    };
    icon.OnMouseUp = [this](TObject*, TMouseButton b, TShiftState s, int, int) {
      log.push_back("up " + Name(b, s));
    };
    icon.OnClick = [this](TObject*, TMouseButton b, TShiftState s, int x, int y) {
      log.push_back("click " + Name(b, s));
      POINT pt;
      GetCursorPos(&pt);
      positionsMatch = positionsMatch && pt.x == x && pt.y == y;
    };
    icon.OnDblClick = [this](TObject*) { log.push_back("dblclick"); };
  }
  std::vector<std::string> Take() {
    std::vector<std::string> out;
    out.swap(log);
    return out;
  }
  bool positionsMatch = true;

 private:
  static std::string Name(TMouseButton b, TShiftState s) {
    std::string n = b == mbLeft ? "L" : b == mbRight ? "R" : "M";
    // The flag of the button concerned, and the double flag.
    const bool flag = s.Contains(b == mbLeft ? ssLeft : b == mbRight ? ssRight : ssMiddle);
    if (!flag) n += "?";
    if (s.Contains(ssDouble)) n += "2";
    return n;
  }
  std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST_F(TrayIconTest, MouseMessagesFollowTheTable) {
  TTrayIcon icon(nullptr);
  icon.Icon()->LoadFromImage(red);
  MouseLog m;
  m.Attach(icon);
  SendMouse(icon, WM_MOUSEMOVE);
  EXPECT_EQ(m.Take(), (Log{"move"}));
  SendMouse(icon, WM_LBUTTONDOWN);
  SendMouse(icon, WM_LBUTTONUP);
  EXPECT_EQ(m.Take(), (Log{"down L", "click L", "up L"}));
  SendMouse(icon, WM_LBUTTONUP);  // no remembered press: no click
  EXPECT_EQ(m.Take(), (Log{"up L"}));
  SendMouse(icon, WM_LBUTTONDBLCLK);
  EXPECT_EQ(m.Take(), (Log{"dblclick", "down L2"}));
  SendMouse(icon, WM_RBUTTONDOWN);
  SendMouse(icon, WM_RBUTTONUP);  // no menu: a right click
  EXPECT_EQ(m.Take(), (Log{"down R", "click R", "up R"}));
  SendMouse(icon, WM_RBUTTONUP);
  EXPECT_EQ(m.Take(), (Log{"up R"}));
  SendMouse(icon, WM_RBUTTONDBLCLK);
  EXPECT_EQ(m.Take(), (Log{"down R2"}));
  SendMouse(icon, WM_MBUTTONDOWN);
  SendMouse(icon, WM_MBUTTONUP);  // the middle button never clicks
  SendMouse(icon, WM_MBUTTONDBLCLK);
  EXPECT_EQ(m.Take(), (Log{"down M", "up M", "down M2"}));
  EXPECT_TRUE(m.positionsMatch);

  // A press forgotten when the icon is shown again.
  SendMouse(icon, WM_LBUTTONDOWN);
  icon.SetActive(false);
  icon.SetActive(true);
  SendMouse(icon, WM_LBUTTONUP);
  EXPECT_EQ(m.Take(), (Log{"down L", "up L"}));

  icon.SetEnabled(false);
  SendMouse(icon, WM_LBUTTONDOWN);
  SendMouse(icon, WM_LBUTTONUP);
  EXPECT_TRUE(m.Take().empty());
}

TEST_F(TrayIconTest, HandlerErrorsGoToTheErrorDisplay) {
  testing::ErrorLog errors;
  TTrayIcon icon(nullptr);
  icon.OnMouseDown = [](TObject*, TMouseButton, TShiftState, int, int) {
    throw Exception("handler failed");
  };
  SendMouse(icon, WM_LBUTTONDOWN);
  EXPECT_EQ(errors.messages, (std::vector<std::string>{"handler failed"}));
}

// The sample tray menu: Show Manager (default), Hide Manager, ..., Exit.
struct TrayMenu {
  explicit TrayMenu(TComponent* owner) : menu(new TTrayPopupMenu(owner)) {
    menu->SetStyle(msOwnerDraw);
    menu->SetLeftMargin(30);
    menu->SetShowCheckMarks(false);
    for (const char* caption : {"Show Manager", "Hide Manager", "-", "Exit"}) {
      auto* item = new TMenuItem(owner);
      item->SetCaption(caption);
      menu->Items()->Add(item);
      items.push_back(item);
    }
    items[0]->SetDefault(true);
    items[0]->SetEnabled(false);
  }
  TTrayPopupMenu* menu;
  std::vector<TMenuItem*> items;
};

TEST_F(TrayIconTest, DoubleClickClicksTheEnabledDefaultItemElseOnDblClick) {
  TComponent form(nullptr);
  TrayMenu tm(&form);
  auto* icon = new TTrayIcon(&form);
  icon->SetPopupMenu(tm.menu);
  int showClicks = 0, dblClicks = 0;
  tm.items[0]->OnClick = [&](TObject*) { ++showClicks; };
  icon->OnDblClick = [&](TObject*) { ++dblClicks; };
  SendMouse(*icon, WM_LBUTTONDBLCLK);  // window shown: Show Manager disabled
  EXPECT_EQ(showClicks, 0);
  EXPECT_EQ(dblClicks, 1);
  tm.items[0]->SetEnabled(true);  // window hidden
  SendMouse(*icon, WM_LBUTTONDBLCLK);
  EXPECT_EQ(showClicks, 1);
  EXPECT_EQ(dblClicks, 1);

  delete tm.menu;  // a menu freed first is forgotten
  EXPECT_EQ(icon->PopupMenu(), nullptr);
  SendMouse(*icon, WM_LBUTTONDBLCLK);
  EXPECT_EQ(dblClicks, 2);
}

BOOL CALLBACK FindMenuWindow(HWND hwnd, LPARAM lp) {
  char cls[16] = {};
  GetClassNameA(hwnd, cls, sizeof(cls));
  if (std::string(cls) == "#32768" && IsWindowVisible(hwnd)) {
    *reinterpret_cast<HWND*>(lp) = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND VisibleMenuWindow() {
  HWND found = nullptr;
  EnumWindows(FindMenuWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

// What a timer saw while a menu was up. It closes every menu it sees, so that
// a menu shown by mistake cannot hang the test; asked to choose, it picks the
// second item with the keyboard instead.
struct MenuProbe {
  static MenuProbe* current;
  int seen = 0;
  bool choose = false;
  bool keysSent = false;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    MenuProbe* p = current;
    HWND menu = VisibleMenuWindow();
    if (!p || !menu) return;
    ++p->seen;
    if (p->choose && !p->keysSent) {
      // The menu reads the keyboard from the thread's queue.
      PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
      PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
      PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
      p->keysSent = true;
    } else if (!p->choose) {
      EndMenu();
    }
  }
};
MenuProbe* MenuProbe::current = nullptr;

TEST_F(TrayIconTest, RightClickPopsTheMenuUpOnlyAfterARememberedPress) {
  TComponent form(nullptr);
  TrayMenu tm(&form);
  auto* icon = new TTrayIcon(&form);
  icon->Icon()->LoadFromImage(red);
  icon->SetPopupMenu(tm.menu);
  MouseLog m;
  m.Attach(*icon);
  int measured = 0;
  tm.menu->OnGetItemParams = [&](TTrayPopupMenu*, TMenuItem*, TOwnerDrawState state, TFontDesc&,
                                 TColor&, TMenuGraphic&, int&) {
    if (state.Empty()) ++measured;
  };

  MenuProbe probe;
  MenuProbe::current = &probe;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, MenuProbe::Tick);
  SendMouse(*icon, WM_RBUTTONUP);  // pressed elsewhere, released here
  PumpFor(300);
  EXPECT_EQ(probe.seen, 0);
  EXPECT_EQ(m.Take(), (Log{"up R"}));

  SendMouse(*icon, WM_RBUTTONDOWN);
  SendMouse(*icon, WM_RBUTTONUP);  // the menu runs its own loop until closed
  EXPECT_GT(probe.seen, 0);
  EXPECT_EQ(m.Take(), (Log{"down R", "up R"}));  // shown: no click event
  EXPECT_EQ(tm.menu->PopupComponent(), icon);
  EXPECT_GE(measured, 4);  // every item measured through the icon's window

  // Choosing an item clicks it once the menu has gone.
  int hideClicks = 0;
  tm.items[1]->OnClick = [&](TObject*) {
    ++hideClicks;
    EXPECT_FALSE(tm.menu->Tracking());
  };
  MenuProbe choose;
  choose.choose = true;
  MenuProbe::current = &choose;
  EXPECT_TRUE(icon->ShowPopup());
  EXPECT_GT(choose.seen, 0);
  EXPECT_EQ(hideClicks, 1);
  MenuProbe::current = &probe;

  tm.menu->SetAutoPopup(false);  // no automatic menu: a right click again
  SendMouse(*icon, WM_RBUTTONDOWN);
  SendMouse(*icon, WM_RBUTTONUP);
  EXPECT_EQ(m.Take(), (Log{"down R", "click R", "up R"}));
  KillTimer(nullptr, timer);
  MenuProbe::current = nullptr;
}

class AnimationTest : public TrayIconTest {
 protected:
  void SetUp() override {
    TrayIconTest::SetUp();
    icon.Icon()->LoadFromImage(gray);
    for (const std::string* f : {&red, &green, &blue}) icon.Icons()->AddImage(*f);
    ASSERT_TRUE(icon.Added());
    shell.calls.clear();
  }
  HICON Frame(int i) { return icon.Icons()->Items(i)->Handle(); }
  HICON Static() { return icon.Icon()->Handle(); }
  TTrayIcon icon{nullptr};
};

TEST_F(AnimationTest, FramesFollowInOrderAndTheStaticIconComesBack) {
  icon.SetInterval(20);
  icon.SetAnimated(true);
  ASSERT_TRUE(icon.Animated());
  ASSERT_EQ(shell.Modified().size(), 1u);  // frame 0 at once
  EXPECT_EQ(shell.Modified()[0], Frame(0));
  ASSERT_TRUE(PumpUntil([&] { return shell.Modified().size() >= 8; }, 10000));
  const std::vector<HICON> seen = shell.Modified();
  for (size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i], Frame(static_cast<int>(i % 3))) << i;
  }
  icon.SetAnimated(false);
  EXPECT_FALSE(icon.Animated());
  EXPECT_EQ(icon.FrameIndex(), 0);
  EXPECT_EQ(shell.Modified().back(), Static());  // at once, whatever frame was shown
  const size_t after = shell.Modified().size();
  PumpFor(200);
  EXPECT_EQ(shell.Modified().size(), after);  // no step of the stopped animation
}

TEST_F(AnimationTest, HeldWhileRemovedAndStoppedByAnEmptyFrameList) {
  icon.SetInterval(20);
  icon.SetAnimated(true);
  icon.SetActive(false);
  const size_t before = shell.calls.size();
  PumpFor(200);
  EXPECT_EQ(shell.calls.size(), before);  // no steps while the icon is away
  icon.SetActive(true);
  ASSERT_TRUE(PumpUntil([&] { return shell.Modified().size() >= 3; }, 10000));
  icon.Icons()->Clear();
  EXPECT_FALSE(icon.Animated());
  EXPECT_EQ(shell.Modified().back(), Static());
}

TEST_F(AnimationTest, SwitchingOnWithoutFramesLeavesItOff) {
  icon.Icons()->Clear();
  shell.calls.clear();
  icon.SetAnimated(true);
  EXPECT_FALSE(icon.Animated());
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_EQ(icon.FrameIndex(), -1);
}

TEST_F(AnimationTest, StoppingAndDestroyingWhileStepsArePendingIsSafe) {
  icon.SetInterval(1);
  for (int i = 0; i < 20; ++i) {
    icon.SetAnimated(true);
    Sleep(15);  // ticks due meanwhile
    icon.SetAnimated(false);
    PumpFor(5);
  }
  EXPECT_EQ(shell.Modified().back(), Static());
  auto doomed = std::make_unique<TTrayIcon>(nullptr);
  doomed->Icon()->LoadFromImage(gray);
  doomed->Icons()->AddImage(red);
  doomed->Icons()->AddImage(green);
  doomed->SetInterval(1);
  doomed->SetAnimated(true);
  Sleep(20);
  doomed.reset();  // its timer goes with the window
  PumpFor(50);
}

}  // namespace
}  // namespace marrowby
