// The launch history under Wine: a started, a failing and a cancelled launch
// each leave their line and the History window lists them; items that name a
// program followed by arguments, with quoted and unquoted paths with blanks.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/e2e/schedmgr_fixture.h"

namespace marrowby {
namespace {

using namespace e2e;

class History : public SchedmgrFixture {
 protected:
  static std::string Log() {
    const std::string ini = SettingsFile();
    return ini.substr(0, ini.size() - 3) + "log";
  }
  std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    const std::string text = wintest::ReadFile(Log());
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
      lines.push_back(text.substr(start, end - start));
    }
    return lines;
  }
  // The lines' fields after the time stamp.
  static std::string Fields(const std::string& line) { return line.substr(20); }

  // A list view cell of the other process, read through its memory.
  std::string Cell(HWND list, int row, int column) {
    HANDLE proc = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                              program_->Pid());
    if (!proc) return "?";
    char* remote = static_cast<char*>(
        VirtualAllocEx(proc, nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    LVITEMA item = {};
    item.iSubItem = column;
    item.cchTextMax = 1024;
    item.pszText = remote + 1024;
    WriteProcessMemory(proc, remote, &item, sizeof(item), nullptr);
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote));
    char text[1024] = {};
    ReadProcessMemory(proc, remote + 1024, text, sizeof(text) - 1, nullptr);
    VirtualFreeEx(proc, remote, 0, MEM_RELEASE);
    CloseHandle(proc);
    return text;
  }
};

TEST_F(History, StartedFailingAndCancelledLaunchesAreRecordedAndShown) {
  StartReady();
  const std::string missing = Dir() + "missing\\letter.doc";
  AddDueSchedule("Started", MarkerExe(), 8, {});
  AddDueSchedule("Broken", missing, 8, {});
  AddDueSchedule("Cancel me", MarkerExe(), 8, {.announce = true, .allowCancel = true});
  Click(C("HideBtn"));
  // Answer the failure box and cancel the announcement, in whatever order
  // they come, until three launches are recorded.
  ASSERT_TRUE(WaitFor(
      [&] {
        if (HWND a = FindTopWindow(program_->Pid(), "TAnnounceForm")) {
          if (IsWindowVisible(a)) Click(FindControl(a, "CancelBtn"));
        }
        MessageBoxInfo box = WaitMessageBox(program_->Pid(), 200);
        if (box.hwnd) PressButton(box, "OK");
        return LogLines().size() == 3;
      },
      40000));
  std::vector<std::string> lines = LogLines();
  std::sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
    return Fields(a) < Fields(b);  // by position
  });
  EXPECT_EQ(Fields(lines[0]), "1\tStarted\t" + MarkerExe() + "\tstarted\tshell");
  const std::string failed = "2\tBroken\t" + missing + "\tfailed: ";
  EXPECT_EQ(Fields(lines[1]).substr(0, failed.size()), failed);
  // The system's error text, then the way it was tried.
  EXPECT_GT(Fields(lines[1]).size(), failed.size() + 12);
  EXPECT_EQ(Fields(lines[1]).substr(Fields(lines[1]).size() - 6), "\tshell");
  EXPECT_EQ(Fields(lines[2]), "3\tCancel me\t" + MarkerExe() + "\tcancelled\t-");
  EXPECT_EQ(wintest::CountLines(Marker()), 1);

  ShowWindowAgain();
  Click(C("HistoryBtn"));
  HWND window = WaitTopWindow(program_->Pid(), "THistoryForm", "Launch History", 10000);
  ASSERT_NE(window, nullptr);
  HWND list = FindWindowExA(window, nullptr, WC_LISTVIEWA, nullptr);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 3);
  std::vector<std::string> outcomes;
  for (int row = 0; row < 3; ++row) outcomes.push_back(Cell(list, row, 4));
  std::sort(outcomes.begin(), outcomes.end());
  EXPECT_EQ(outcomes[0], "Cancelled by the user");
  EXPECT_EQ(outcomes[1].substr(0, 8), "Failed: ");
  EXPECT_EQ(outcomes[2], "Started");
  Shoot("history_window");
  // Centred the first time; then where, and as large as, the user left it.
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_LE(std::abs((r.left + r.right) - GetSystemMetrics(SM_CXSCREEN)), 1);
  EXPECT_LE(std::abs((r.top + r.bottom) - GetSystemMetrics(SM_CYSCREEN)), 1);
  SetWindowPos(window, nullptr, 40, 50, 700, 300, SWP_NOZORDER | SWP_NOACTIVATE);
  Wait(200);
  SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(window); }, 5000));
  // The tray menu's item opens it as well.
  ChooseTrayItem(3);
  window = WaitTopWindow(program_->Pid(), "THistoryForm", "Launch History", 10000);
  ASSERT_NE(window, nullptr);
  GetWindowRect(window, &r);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.right - r.left, 700);
  EXPECT_EQ(r.bottom - r.top, 300);
  EXPECT_NE(wintest::ReadFile(SettingsFile()).find("[THistoryForm]"), std::string::npos);
}

TEST_F(History, ALockedHistoryNeverStopsALaunchAndShowsInTheStatusBar) {
  // Held open by another program that shares nothing.
  HANDLE lock = CreateFileA(Log().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  StartReady();
  AddDueSchedule("Locked out", MarkerExe(), 6, {});
  Click(C("HideBtn"));
  ASSERT_TRUE(WaitFor([&] { return wintest::CountLines(Marker()) == 1; }, 30000));
  ShowWindowAgain();
  EXPECT_TRUE(WaitFor(
      [&] { return Text(C("StatusBar1")).find("launch history could not be written") !=
                   std::string::npos; },
      5000))
      << Text(C("StatusBar1"));
  EXPECT_EQ(WaitMessageBox(program_->Pid(), 300).hwnd, nullptr);
  CloseHandle(lock);
}

TEST_F(History, AProgramFollowedByArgumentsStartsWithThem) {
  // Two programs in a folder with a blank: "a b.exe" and, as a decoy for the
  // unquoted line, "a.exe" (the shorter existing prefix).
  const std::string folder = Dir() + "Program Files x\\";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  ASSERT_TRUE(CopyFileA(MarkerExe().c_str(), (folder + "a b.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(MarkerExe().c_str(), (folder + "a.exe").c_str(), FALSE));
  const std::string plain = Dir() + "plain.txt", quoted = Dir() + "in put.txt",
                    unquoted = Dir() + "unquoted.txt";
  StartReady();
  AddDueSchedule("Plain", MarkerExe() + " " + plain, 8, {});
  AddDueSchedule("Quoted", "\"" + folder + "a b.exe\" \"" + quoted + "\"", 8, {});
  AddDueSchedule("Unquoted", folder + "a b.exe " + unquoted, 8, {});
  Click(C("HideBtn"));
  ASSERT_TRUE(WaitFor(
      [&] {
        return wintest::CountLines(plain) == 1 && wintest::CountLines(quoted) == 1 &&
               wintest::CountLines(unquoted) == 1;
      },
      40000));
  EXPECT_EQ(WaitMessageBox(program_->Pid(), 500).hwnd, nullptr);  // no failure
  ASSERT_TRUE(WaitFor([&] { return LogLines().size() == 3; }, 5000));
  // Wine's shell itself takes a quoted program with arguments apart;
  // Windows reports it not found, and the program is started directly.
  for (const std::string& line : LogLines()) {
    const bool isQuoted = line.find("\tQuoted\t") != std::string::npos;
    const bool direct = line.find("\tstarted\tprogram") != std::string::npos;
    EXPECT_TRUE(direct || (isQuoted && line.find("\tstarted\tshell") != std::string::npos))
        << line;
  }
}

}  // namespace
}  // namespace marrowby
