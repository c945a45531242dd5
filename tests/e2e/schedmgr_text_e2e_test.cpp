// schedmgr's windows read from another program, as screen readers and
// automation tools read them: every window's text and its length, in both
// widths, into buffers of every size down to none, in every state of the
// program, with a message box open too. The program must live on and answer
// within the buffers it is given.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/schedmgr_fixture.h"

namespace marrowby {
namespace {

using namespace e2e;

std::string Describe(HWND hwnd) {
  char cls[128] = "";
  GetClassNameA(hwnd, cls, sizeof(cls));
  const auto atom =
      static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropA(hwnd, "MarrowbyControlName")));
  char name[128] = "";
  if (atom) GlobalGetAtomNameA(atom, name, sizeof(name));
  return std::string(cls) + (atom ? " " + std::string(name) : "");
}

class SchedmgrTexts : public SchedmgrFixture {
 protected:
  // Reads every window of the program every way, and checks it lives on.
  void ReadEverything(const std::string& state) {
    ASSERT_TRUE(program_->Running()) << state;
    const std::vector<HWND> windows = wintest::WindowsOfProcess(program_->Pid());
    EXPECT_GT(windows.size(), 20u) << state;
    for (HWND hwnd : windows) {
      EXPECT_EQ(wintest::TextReadFault(hwnd), "") << state << ": " << Describe(hwnd);
      ASSERT_TRUE(program_->Running()) << state << ": ended reading " << Describe(hwnd);
    }
  }
  // Reads everything while a message box is open, then answers it.
  void ReadWithBox(const MessageBoxInfo& box, const std::string& state, const char* answer) {
    ASSERT_NE(box.hwnd, nullptr) << state;
    ReadEverything(state);
    PressButton(box, answer);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box.hwnd); }, 10000)) << state;
  }
  // Clicks a line of the description list, as the mouse does.
  void ClickListLine(int line) {
    HWND list = C("ListBox1");
    RECT r;
    SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM(r.left + 5, r.top + 3);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    Wait(300);
  }
};

TEST_F(SchedmgrTexts, EveryWindowReadFromOutsideInEveryState) {
  StartReady();
  ReadEverything("no schedules");
  Spin(true);
  ReadWithBox(WaitMessageBox(program_->Pid(), 10000), "no-schedules box", "OK");

  NewSchedule("First", "C:\\windows\\notepad.exe");
  NewSchedule("Second", "C:\\windows\\regedit.exe");
  Click(C("DaysBtn"));
  Wait(300);
  ReadEverything("day panel");
  Click(C("OKBtn"));
  ReadWithBox(ClickForBox("LastBtn"), "last-set box", "OK");
  // What followed the reading: the spin, then a line of the list.
  Spin(true);
  ASSERT_TRUE(WaitFor([&] { return Text(C("DescEdit")) == "First"; }, 10000));
  ReadWithBox(ClickForBox("GetBtn"), "get box", "OK");
  ASSERT_TRUE(WaitFor([&] { return ClientRectIn(C("DescPanel"), form_).top == 3; }, 10000));
  ReadEverything("description panel");
  ClickListLine(1);
  Click(C("DescOKBtn"));
  ASSERT_TRUE(WaitFor([&] { return Text(C("DescEdit")) == "Second"; }, 10000));
  Spin(true);
  ASSERT_TRUE(WaitFor([&] { return Text(C("DescEdit")) == "First"; }, 10000));
  ReadWithBox(ClickForBox("CloseBtn"), "quit question", "Cancel");

  // The date edit's calendar dropped down.
  Click(C("DateCb"));
  HWND date = C("DateEdit1");
  RECT r;
  GetClientRect(date, &r);
  PostMessageA(date, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.right - 6, r.bottom / 2));
  PostMessageA(date, WM_LBUTTONUP, 0, MAKELPARAM(r.right - 6, r.bottom / 2));
  HWND calendar = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    calendar = FindTopWindow(program_->Pid(), "SysMonthCal32");
    return calendar && IsWindowVisible(calendar);
  }, 10000));
  ReadEverything("calendar");
  PostMessageA(calendar, WM_KEYDOWN, VK_ESCAPE, 0);
  Click(C("DateCb"));

  Click(C("HistoryBtn"));
  HWND history = WaitTopWindow(program_->Pid(), "THistoryForm", "Launch History", 10000);
  ASSERT_NE(history, nullptr);
  ReadEverything("history");
  SendMessageA(history, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(history); }, 10000));

  HWND menu = OpenTrayMenu();
  ASSERT_NE(menu, nullptr);
  ReadEverything("tray menu");
  PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  Wait(300);
  ChooseTrayItem(4);  // About
  HWND about = WaitTopWindow(program_->Pid(), "TAboutForm", "", 10000);
  ASSERT_NE(about, nullptr);
  ReadEverything("about box");
  Click(FindControl(about, "OKBtn"));
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(about); }, 10000));

  AddDueSchedule("Announced", MarkerExe(), 3, {.announce = true, .allowCancel = true});
  Click(C("HideBtn"));
  HWND announce = WaitTopWindow(program_->Pid(), "TAnnounceForm", "", 20000);
  ASSERT_NE(announce, nullptr);
  ReadEverything("announcement");
  Click(FindControl(announce, "CancelBtn"));
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(announce); }, 10000));

  ShowWindowAgain();
  ClickListLine(0);
  Spin(false);
  ReadEverything("at the end");
  EXPECT_TRUE(program_->Running());
}

}  // namespace
}  // namespace marrowby
