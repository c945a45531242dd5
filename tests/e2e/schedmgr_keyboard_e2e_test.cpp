// schedmgr's main window from the keyboard under Wine: Tab runs the order a
// reader sees and never into a panel out of view or under
// another, the focus comes back to its control after a message box, and a
// time field emptied digit by digit keeps the value it had.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "tests/e2e/schedmgr_fixture.h"

namespace marrowby {
namespace {

using namespace e2e;

const char kTwoSchedules[] =
    "[TMainForm]\r\n"
    "Launcher1_Checks=[lcTime]\r\n"
    "Launcher1_CommandLine=C:\\tools\\first.exe\r\n"
    "Launcher1_Enabled=False\r\n"
    "Launcher1_Tag=7\r\n"
    "Launcher1_TimeHour=23\r\n"
    "Launcher2_Checks=[lcTime]\r\n"
    "Launcher2_CommandLine=C:\\tools\\second.exe\r\n"
    "Launcher2_Enabled=False\r\n"
    "Launcher2_TimeHour=8\r\n"
    "[TMainForm.ListBox1_Items]\r\n"
    "Count=2\r\n"
    "Item0=First\r\n"
    "Item1=Second\r\n"
    "[TMainForm.DateList_Items]\r\n"
    "Count=2\r\n"
    "Item0=NO\r\n"
    "Item1=NO\r\n";

class Keyboard : public SchedmgrFixture {
 protected:
  // Tab as the window's message loop gets it from the keyboard. (Shift+Tab,
  // which reads the keyboard's state, is held to the same order by the unit
  // tests.)
  void Tab() {
    PostMessageA(Focus(), WM_KEYDOWN, VK_TAB, 0x000F0001);
    PostMessageA(Focus(), WM_KEYUP, VK_TAB, 0xC00F0001);
  }
  HWND Focus() {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(form_, nullptr), &info);
    return info.hwndFocus;
  }
  // The control's name; "browse" for the item's browse button.
  static std::string NameOf(HWND hwnd) {
    const auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropA(hwnd, "MarrowbyControlName")));
    char buf[256] = {};
    if (atom) return std::string(buf, GlobalGetAtomNameA(atom, buf, sizeof(buf)));
    return Text(hwnd) == "..." ? "browse" : "?";
  }
  // The names the focus visits, `steps` presses of Tab long.
  std::vector<std::string> Walk(int steps) {
    std::vector<std::string> seen;
    for (int i = 0; i < steps; ++i) {
      const HWND before = Focus();
      Tab();
      if (!WaitFor([&] { return Focus() != before && Focus() != nullptr; }, 20000)) break;
      seen.push_back(NameOf(Focus()));
    }
    return seen;
  }
  // Whether `seen` runs round `ring` from some place.
  static bool RunsRound(const std::vector<std::string>& seen, const std::vector<std::string>& ring) {
    const auto start = std::find(ring.begin(), ring.end(), seen.empty() ? "" : seen.front());
    if (start == ring.end()) return false;
    size_t at = static_cast<size_t>(start - ring.begin());
    for (const std::string& name : seen) {
      if (ring[at] != name) return false;
      at = (at + 1) % ring.size();
    }
    return true;
  }
  static std::string Joined(const std::vector<std::string>& names) {
    std::string s;
    for (const std::string& n : names) s += n + " ";
    return s;
  }
  // Presses Tab until the focus is on a control; false if it never gets there.
  bool TabTo(const char* name) {
    for (int i = 0; i < 40; ++i) {
      if (NameOf(Focus()) == name) return true;
      Walk(1);
    }
    return false;
  }
};

TEST_F(Keyboard, TabRunsTheVisualOrderAndNeverIntoAPanelOutOfView) {
  wintest::WriteFile(SettingsFile(), kTwoSchedules);
  StartReady();
  ASSERT_TRUE(WaitFor([&] { return Focus() != nullptr; }, 20000)) << "the window has no focus";
  const std::vector<std::string> ring = {
      "DescEdit", "CommandEdit", "browse", "DateCb", "DateEdit1", "TimeCb", "Hours", "Minutes",
      "Seconds", "WDCb", "DaysBtn", "MDCb", "MDEdit", "EnableCb", "AnnounceCb", "OnceCb",
      "DelayCb", "NewBtn", "RemoveBtn", "FirstBtn", "LastBtn", "GetBtn", "HideBtn", "HelpBtn",
      "HistoryBtn", "CloseBtn"};
  const std::vector<std::string> forwards = Walk(30);
  EXPECT_TRUE(RunsRound(forwards, ring)) << Joined(forwards);

  // The day panel open: its boxes come after Day of the Week, and what it
  // covers is passed over; closed with OK, the focus goes back to its button.
  Click(C("DaysBtn"));
  ASSERT_TRUE(WaitFor([&] { return ClientRectIn(C("Sunday"), form_).top > 0; }, 20000));
  const std::vector<std::string> open = Walk(12);
  EXPECT_TRUE(RunsRound(open, {"WDCb", "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday",
                               "Friday", "Saturday", "OKBtn", "MDCb", "EnableCb", "AnnounceCb",
                               "OnceCb", "DelayCb", "NewBtn", "RemoveBtn", "FirstBtn", "LastBtn",
                               "GetBtn", "HideBtn", "HelpBtn", "HistoryBtn", "CloseBtn", "DescEdit",
                               "CommandEdit", "browse", "DateCb", "TimeCb"}))
      << Joined(open);
  Click(C("OKBtn"));
  EXPECT_TRUE(WaitFor([&] { return NameOf(Focus()) == "DaysBtn"; }, 20000)) << NameOf(Focus());
  const std::vector<std::string> closed = Walk(30);
  EXPECT_TRUE(RunsRound(closed, ring)) << Joined(closed);
}

TEST_F(Keyboard, TheFocusComesBackToItsControlAfterAMessageBox) {
  wintest::WriteFile(SettingsFile(), kTwoSchedules);
  StartReady();
  ASSERT_TRUE(WaitFor([&] { return Focus() != nullptr; }, 20000)) << "the window has no focus";
  // "This is the first set schedule".
  ASSERT_TRUE(TabTo("FirstBtn"));
  Click(C("FirstBtn"));
  MessageBoxInfo box = WaitMessageBox(program_->Pid(), 10000);
  ASSERT_NE(box.hwnd, nullptr);
  EXPECT_EQ(box.text, "This is the first set schedule");
  Ok(box);
  EXPECT_TRUE(WaitFor([&] { return NameOf(Focus()) == "FirstBtn"; }, 20000)) << NameOf(Focus());
  // Last twice: the second says "This is the last set schedule".
  ASSERT_TRUE(TabTo("LastBtn"));
  Click(C("LastBtn"));
  ASSERT_TRUE(WaitFor([&] { return Text(C("SchedNum")) == "2"; }, 20000));
  Click(C("LastBtn"));
  box = WaitMessageBox(program_->Pid(), 10000);
  ASSERT_NE(box.hwnd, nullptr);
  EXPECT_EQ(box.text, "This is the last set schedule");
  Ok(box);
  EXPECT_TRUE(WaitFor([&] { return NameOf(Focus()) == "LastBtn"; }, 20000)) << NameOf(Focus());
}

// End, Backspace, Backspace in an hour of 23 passes through "2"; the emptied
// field, left by moving to the next schedule, keeps 23.
TEST_F(Keyboard, AnEmptiedHourKeepsTheValueItHadBeforeTheTyping) {
  wintest::WriteFile(SettingsFile(), kTwoSchedules);
  StartReady();
  HWND hours = C("Hours");
  ASSERT_EQ(Text(hours), "23");
  PostMessageA(hours, EM_SETSEL, 2, 2);
  PostMessageA(hours, WM_CHAR, '\b', 1);
  ASSERT_TRUE(WaitFor([&] { return Text(hours) == "2"; }, 20000)) << Text(hours);
  PostMessageA(hours, WM_CHAR, '\b', 1);
  ASSERT_TRUE(WaitFor([&] { return Text(hours).empty(); }, 20000)) << Text(hours);
  Spin(false);
  ASSERT_TRUE(WaitFor([&] { return Text(C("SchedNum")) == "2"; }, 20000));
  Spin(true);
  ASSERT_TRUE(WaitFor([&] { return Text(C("SchedNum")) == "1"; }, 20000));
  EXPECT_EQ(Text(hours), "23");
  const std::string file = wintest::ReadFile(SettingsFile());
  EXPECT_NE(file.find("Launcher1_TimeHour=23\r\n"), std::string::npos) << file;
}

}  // namespace
}  // namespace marrowby
