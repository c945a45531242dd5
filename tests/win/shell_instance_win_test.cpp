// The single-instance guard with real processes under Wine: copies of
// shell_instance_app started one after another and ten at once.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "shell/shell_text.h"
#include "tests/win/win_test_util.h"

namespace marrowby {
namespace {

using namespace wintest;

const char kStopMsg[] = "Schedule Manager is already running";

// The waits end on what they wait for; this limit only stops a hang, and is
// long enough for a busy or emulated machine.
const DWORD kPatienceMs = 90000;

class InstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeTempDir("instance");
    report_ = dir_ + "report.txt";
  }
  void TearDown() override {
    for (PROCESS_INFORMATION& pi : started_) {
      if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 99);
      CloseHandle(pi.hProcess);
      CloseHandle(pi.hThread);
    }
    RemoveTree(dir_);
  }

  // Starts a copy; returns its index in started_.
  size_t Start(const std::string& title, const std::string& stopMsg, bool activate,
               const std::string& mode) {
    std::string cmd = "\"" + ExeDir() + "shell_instance_app.exe\" \"" + title + "\" \"" +
                      (stopMsg.empty() ? "-" : stopMsg) + "\" " + (activate ? "1" : "0") + " " +
                      mode + " \"" + report_ + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    EXPECT_TRUE(CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &si, &pi));
    started_.push_back(pi);
    return started_.size() - 1;
  }
  DWORD Pid(size_t i) const { return started_[i].dwProcessId; }
  bool Reported(const std::string& what, size_t i) const {
    return ReadFile(report_).find(what + " " + std::to_string(Pid(i)) + "\n") != std::string::npos;
  }
  bool WaitReported(const std::string& what, size_t i, DWORD ms = kPatienceMs) {
    return PumpUntil([&] { return Reported(what, i); }, ms);
  }
  // The exit code, or STILL_ACTIVE when it has not ended within ms.
  DWORD ExitCode(size_t i, DWORD ms = kPatienceMs) {
    PumpUntil([&] { return WaitForSingleObject(started_[i].hProcess, 0) == WAIT_OBJECT_0; }, ms);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(started_[i].hProcess, &code);
    return code;
  }
  // Closes a running copy through its application window.
  void Close(const std::string& title) {
    HWND app = FindWindowA("TApplication", title.c_str());
    ASSERT_NE(app, nullptr);
    PostMessageA(app, WM_CLOSE, 0, 0);
  }
  int Count(const std::string& what) const {
    const std::string text = ReadFile(report_);
    int n = 0;
    for (size_t at = text.find(what + " "); at != std::string::npos; at = text.find(what + " ", at + 1)) {
      if (at == 0 || text[at - 1] == '\n') ++n;
    }
    return n;
  }

  std::string dir_, report_;
  std::vector<PROCESS_INFORMATION> started_;
};

struct Box {
  HWND hwnd = nullptr;
  std::string caption, text;
};

BOOL CALLBACK CollectText(HWND child, LPARAM lp) {
  char cls[32] = {}, text[256] = {};
  GetClassNameA(child, cls, sizeof(cls));
  GetWindowTextA(child, text, sizeof(text));
  auto* box = reinterpret_cast<Box*>(lp);
  if (lstrcmpiA(cls, "Static") == 0 && text[0] && box->text.empty()) box->text = text;
  return TRUE;
}

struct BoxSearch {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<BoxSearch*>(lp);
  char cls[32] = {};
  GetClassNameA(hwnd, cls, sizeof(cls));
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == s->pid && std::string(cls) == "#32770" && IsWindowVisible(hwnd)) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// The message box a process shows, if any.
Box MessageBoxOf(DWORD pid) {
  BoxSearch s = {pid, nullptr};
  EnumWindows(FindBox, reinterpret_cast<LPARAM>(&s));
  Box box;
  box.hwnd = s.found;
  if (!box.hwnd) return box;
  char caption[512] = {};
  GetWindowTextA(box.hwnd, caption, sizeof(caption));
  box.caption = caption;
  EnumChildWindows(box.hwnd, CollectText, reinterpret_cast<LPARAM>(&box));
  return box;
}

TEST_F(InstanceTest, SecondCopyWarnsRestoresTheFirstAndQuits) {
  const std::string title = "Marrowby Schedule Manager";
  const size_t first = Start(title, kStopMsg, true, "min");
  ASSERT_TRUE(WaitReported("ready", first));
  ASSERT_TRUE(IsIconic(FindWindowA("TApplication", title.c_str())));

  const size_t second = Start(title, kStopMsg, true, "plain");
  Box box;
  ASSERT_TRUE(PumpUntil([&] { return (box = MessageBoxOf(Pid(second))).hwnd != nullptr; }, kPatienceMs));
  EXPECT_EQ(box.caption, title);
  EXPECT_EQ(box.text, kStopMsg);
  EXPECT_FALSE(Reported("restored", first));  // nothing before the box is closed
  PostMessageA(box.hwnd, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(ExitCode(second), 20u);
  EXPECT_TRUE(WaitReported("restored", first));
  EXPECT_FALSE(IsIconic(FindWindowA("TApplication", title.c_str())));
  EXPECT_TRUE(Reported("second quitting", second));

  // After the first copy has gone, the next start is the first again.
  Close(title);
  EXPECT_EQ(ExitCode(first), 10u);
  const size_t third = Start(title, kStopMsg, true, "plain");
  EXPECT_TRUE(WaitReported("first", third));
  EXPECT_EQ(MessageBoxOf(Pid(third)).hwnd, nullptr);
  Close(title);
  EXPECT_EQ(ExitCode(third), 10u);
}

TEST_F(InstanceTest, WithoutMessageNoBoxAndWithoutActivateTheFirstIsLeftAlone) {
  const std::string title = "Schedule Manager quiet test";
  const size_t first = Start(title, kStopMsg, true, "min");
  ASSERT_TRUE(WaitReported("ready", first));

  const size_t quiet = Start(title, "", true, "plain");  // no box, still activates
  bool boxSeen = false;
  PumpUntil([&] {
    boxSeen = boxSeen || MessageBoxOf(Pid(quiet)).hwnd != nullptr;
    return WaitForSingleObject(started_[quiet].hProcess, 0) == WAIT_OBJECT_0;
  }, kPatienceMs);
  EXPECT_FALSE(boxSeen);
  EXPECT_EQ(ExitCode(quiet), 20u);
  EXPECT_TRUE(WaitReported("restored", first));

  HWND app = FindWindowA("TApplication", title.c_str());
  ShowWindow(app, SW_MINIMIZE);
  PumpUntil([&] { return IsIconic(app) != FALSE; }, 5000);
  const size_t passive = Start(title, kStopMsg, false, "plain");  // box, no activation
  Box box;
  ASSERT_TRUE(PumpUntil([&] { return (box = MessageBoxOf(Pid(passive))).hwnd != nullptr; }, kPatienceMs));
  PostMessageA(box.hwnd, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(ExitCode(passive), 20u);
  PumpFor(300);
  EXPECT_EQ(Count("restored"), 1);
  EXPECT_TRUE(IsIconic(app));
  Close(title);
  EXPECT_EQ(ExitCode(first), 10u);
}

TEST_F(InstanceTest, LongTitleIsCutForTheMutexButStillFindsTheRunningCopy) {
  const std::string title = "Schedule Manager " + std::string(283, 'L');
  ASSERT_EQ(title.size(), 300u);
  const size_t first = Start(title, "", true, "min");
  ASSERT_TRUE(WaitReported("ready", first));
  // Titles that differ only after character 254 name the same mutex.
  const size_t second = Start(title.substr(0, 254) + "different ending", "", true, "plain");
  EXPECT_EQ(ExitCode(second), 20u);
  const size_t third = Start(title, "", true, "plain");
  EXPECT_EQ(ExitCode(third), 20u);
  EXPECT_TRUE(WaitReported("restored", first));
  Close(title);
  EXPECT_EQ(ExitCode(first), 10u);
}

// The user quits and starts again at once: the new copy finds the name still
// held by the ending one, waits for it and runs instead of quitting as well.
TEST_F(InstanceTest, ACopyStartedWhileTheLastOneEndsWaitsAndRuns) {
  const std::string title = "Schedule Manager ending test";
  HANDLE ending = CreateMutexA(nullptr, TRUE, SingleInstanceMutexName(title).c_str());
  ASSERT_NE(ending, nullptr);
  const size_t next = Start(title, kStopMsg, true, "plain");
  PumpFor(1000);
  ReleaseMutex(ending);
  CloseHandle(ending);
  EXPECT_TRUE(WaitReported("first", next));
  EXPECT_EQ(MessageBoxOf(Pid(next)).hwnd, nullptr);
  Close(title);
  EXPECT_EQ(ExitCode(next), 10u);
}

TEST_F(InstanceTest, TenCopiesStartedTogetherLeaveExactlyOneRunning) {
  const std::string title = "Schedule Manager crowd test";
  std::vector<size_t> copies;
  for (int i = 0; i < 10; ++i) copies.push_back(Start(title, "", true, "plain"));
  auto ended = [&] {
    return static_cast<int>(std::count_if(copies.begin(), copies.end(), [&](size_t i) {
      return WaitForSingleObject(started_[i].hProcess, 0) == WAIT_OBJECT_0;
    }));
  };
  ASSERT_TRUE(PumpUntil([&] { return ended() >= 9; }, 60000));
  PumpFor(500);
  EXPECT_EQ(ended(), 9);  // the tenth keeps running
  size_t running = copies.size();
  int seconds = 0;
  for (size_t i : copies) {
    DWORD code = 0;
    GetExitCodeProcess(started_[i].hProcess, &code);
    if (code == STILL_ACTIVE) running = i;
    seconds += code == 20;
  }
  EXPECT_EQ(seconds, 9);
  ASSERT_NE(running, copies.size());
  EXPECT_EQ(Count("first"), 1);
  EXPECT_TRUE(Reported("first", running));
  Close(title);
  EXPECT_EQ(ExitCode(running), 10u);
}

TEST_F(InstanceTest, DialogOfTheRunningCopyIsBroughtToTheTop) {
  const std::string title = "Schedule Manager dialog test";
  const size_t first = Start(title, "", true, "dialog");
  ASSERT_TRUE(WaitReported("ready", first));
  Box dialog;
  ASSERT_TRUE(PumpUntil([&] { return (dialog = MessageBoxOf(Pid(first))).hwnd != nullptr; }, kPatienceMs));
  // A window of ours covers it.
  HWND cover = CreateWindowExA(0, "STATIC", "cover", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300,
                               nullptr, nullptr, nullptr, nullptr);
  SetWindowPos(cover, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  auto above = [&](HWND a, HWND b) {
    for (HWND w = GetWindow(b, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV)) {
      if (w == a) return true;
    }
    return false;
  };
  ASSERT_TRUE(above(cover, dialog.hwnd));
  const size_t second = Start(title, "", true, "plain");
  EXPECT_EQ(ExitCode(second), 20u);
  EXPECT_TRUE(above(dialog.hwnd, cover));
  DestroyWindow(cover);
  PostMessageA(dialog.hwnd, WM_COMMAND, IDOK, 0);
  PumpFor(200);
  Close(title);
  EXPECT_EQ(ExitCode(first), 10u);
}

}  // namespace
}  // namespace marrowby
