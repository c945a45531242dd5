// The engine on the real platform under Wine: timer ticks on the UI thread
// from one system timer, and slots starting real programs.
#include <windows.h>

#include <gtest/gtest.h>

#include "core/timer_host_win32.h"
#include "scheduler/launcher.h"
#include "tests/win/win_test_util.h"

namespace marrowby {
namespace {

using namespace wintest;

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

std::string MarkerCommand(const std::string& file, int sleepMs = 0, int exitCode = 0) {
  return Quote(ExeDir() + "marker.exe") + " " + Quote(file) + " " + std::to_string(sleepMs) + " " +
         std::to_string(exitCode);
}

double CpuSeconds() {
  FILETIME c, e, k, u;
  GetProcessTimes(GetCurrentProcess(), &c, &e, &k, &u);
  auto v = [](FILETIME f) {
    return (static_cast<ULONGLONG>(f.dwHighDateTime) << 32 | f.dwLowDateTime) / 1e7;
  };
  return v(k) + v(u);
}

class EngineWin : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeTempDir("engine");
    SetApplicationTerminated(false);
  }
  void TearDown() override {
    // A test that stopped half-way leaves no timer host of its own behind.
    SetCurrentTimerHost(nullptr);
    RemoveTree(dir_);
  }
  std::string dir_;
};

TEST_F(EngineWin, HostTicksOnTheUiThreadAndServesWholeSecondTimersWithOneWakeUp) {
  Win32TimerHost host;
  const DWORD thread = GetCurrentThreadId();
  int fast = 0;
  bool sameThread = true;
  host.Start(100, [&] {
    ++fast;
    sameThread = sameThread && GetCurrentThreadId() == thread;
  });
  PumpFor(1050);
  EXPECT_TRUE(sameThread);
  EXPECT_GE(fast, 6);
  EXPECT_LE(fast, 11);

  Win32TimerHost coalescing;
  int slow = 0;
  for (int i = 0; i < 50; ++i) {
    coalescing.Start(1000, [&] { ++slow; });
    Sleep(7);
  }
  PumpFor(4200);
  EXPECT_GE(slow, 150);
  // 50 timers started over 350 ms: one wake-up per second, not 50.
  EXPECT_LE(coalescing.WakeUps(), 6u);
}

// A slot sleeps until its moment and launches at it, not at the next whole
// second; a sleeping slot looks again when the system broadcasts a clock
// change, and not before.
TEST_F(EngineWin, SleepingSlotsWakeAtTheirMomentAndAtAClockChange) {
  Win32TimerHost host;
  SetCurrentTimerHost(&host);
  TLauncher later(nullptr);
  later.SetChecks({lcDate});
  later.Date()->SetValue(EncodeDate(2049, 12, 31));
  TLauncher soon(nullptr);
  soon.SetChecks({lcDate, lcTime});
  soon.SetDateTime(Now() + 1300.0 / kMSecsPerDay);
  double delayMs = -1;
  soon.BeforeLaunch = [&](TObject*, bool& cancel) {
    cancel = true;
    delayMs = (Now() - soon.DateTime()) * kMSecsPerDay;
  };
  ASSERT_TRUE(PumpUntil([&] { return delayMs >= 0; }, 30000));
  // About 0 on a quiet machine; a launch on the next whole second would be
  // late by up to a second. The margin holds on a busy or emulated machine.
  EXPECT_LT(delayMs, 500);
  EXPECT_LE(host.WakeUps(), 3u);

  SYSTEMTIME local;
  GetLocalTime(&local);
  const uint64_t before = host.WakeUps();
  PumpFor(1500);
  if (local.wMinute != 59) {
    EXPECT_EQ(host.WakeUps(), before);  // no whole hour in between
  }
  DWORD_PTR result;
  SendMessageTimeoutA(HWND_BROADCAST, WM_TIMECHANGE, 0, 0, SMTO_ABORTIFHUNG, 2000, &result);
  PumpFor(1500);
  EXPECT_GE(host.WakeUps(), before + 1);
  EXPECT_TRUE(later.Enabled());
  SetCurrentTimerHost(nullptr);
}

TEST_F(EngineWin, SlotWithoutCriteriaStartsTheProgramExactlyOnce) {
  const std::string marker = dir_ + "runs.txt";
  TLauncher slot(nullptr);
  slot.SetChecks({});
  slot.SetCommandLine(MarkerCommand(marker));
  int32_t result = -100;
  slot.AfterLaunch = [&](TObject*, int32_t r) { result = r; };
  ASSERT_TRUE(PumpUntil([&] { return CountLines(marker) >= 1; }, 15000));
  PumpFor(2500);
  EXPECT_EQ(CountLines(marker), 1);
  EXPECT_GT(result, 0);
  EXPECT_EQ(slot.LastResult(), result);
  EXPECT_FALSE(slot.Enabled());
}

TEST_F(EngineWin, DocumentFailsWithTheSystemErrorCode) {
  const std::string doc = dir_ + "notes.txt";
  WriteFile(doc, "not a program\r\n");
  // What the system itself answers for this command line.
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi;
  std::string cmd = doc;
  ASSERT_FALSE(CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  const DWORD systemError = GetLastError();
  ASSERT_NE(systemError, 0u);

  TLauncher slot(nullptr);
  slot.SetChecks({});
  slot.SetCommandLine(doc);
  bool done = false;
  slot.AfterLaunch = [&](TObject*, int32_t r) {
    EXPECT_EQ(r, 0);
    done = true;
  };
  ASSERT_TRUE(PumpUntil([&] { return done; }, 5000));
  EXPECT_EQ(slot.LastResult(), 0);
  EXPECT_EQ(slot.LastError(), systemError);
}

TEST_F(EngineWin, EmptyCommandAndVetoStartNothing) {
  TLauncher empty(nullptr);
  empty.SetChecks({});
  TLauncher vetoed(nullptr);
  vetoed.SetChecks({});
  vetoed.SetCommandLine(MarkerCommand(dir_ + "never.txt"));
  vetoed.BeforeLaunch = [](TObject*, bool& cancel) { cancel = true; };
  ASSERT_TRUE(PumpUntil([&] { return !empty.Enabled() && !vetoed.Enabled(); }, 5000));
  EXPECT_EQ(empty.LastResult(), -3);
  EXPECT_EQ(vetoed.LastResult(), -2);
  PumpFor(500);
  EXPECT_FALSE(FileExists(dir_ + "never.txt"));
}

TEST_F(EngineWin, WaitReturnsWhenTheProgramEndsWithoutSpinningAndKeepsTicking) {
  const std::string marker = dir_ + "waited.txt";
  TLauncher slot(nullptr);
  slot.SetChecks({});
  slot.SetWait(true);
  // Exit code 259 is STILL_ACTIVE: a wait on the exit code alone would never end.
  slot.SetCommandLine(MarkerCommand(marker, 1500, 259));
  Win32TimerHost other;
  int otherTicks = 0;
  bool inWait = false;
  other.Start(100, [&] { otherTicks += inWait; });
  double cpuBefore = 0;
  ULONGLONG waitStart = 0;
  slot.BeforeWait = [&](TObject*, int32_t) {
    inWait = true;
    cpuBefore = CpuSeconds();
    waitStart = GetTickCount64();
  };
  bool ended = false;
  ULONGLONG waited = 0;
  double cpu = 0;
  slot.AfterLaunch = [&](TObject*, int32_t r) {
    inWait = false;
    waited = GetTickCount64() - waitStart;
    cpu = CpuSeconds() - cpuBefore;
    EXPECT_TRUE(FileExists(marker));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(reinterpret_cast<HANDLE>(static_cast<intptr_t>(r)), &code));
    EXPECT_EQ(code, 259u);
    ended = true;
  };
  ASSERT_TRUE(PumpUntil([&] { return ended; }, 20000));
  EXPECT_GE(waited, 1000u);
  EXPECT_GT(otherTicks, 5);  // messages kept flowing during the wait
  EXPECT_LT(cpu, 0.5 * waited / 1000.0);  // sleeping, not spinning
}

TEST_F(EngineWin, QuitRequestEndsTheWait) {
  TLauncher slot(nullptr);
  slot.SetChecks({});
  slot.SetWait(true);
  slot.SetCommandLine(MarkerCommand(dir_ + "long.txt", 20000));
  Win32TimerHost other;
  bool inWait = false;
  other.Start(200, [&] {
    if (inWait) PostQuitMessage(7);
  });
  slot.BeforeWait = [&](TObject*, int32_t) { inWait = true; };
  bool ended = false;
  slot.AfterLaunch = [&](TObject*, int32_t r) {
    ended = true;
    // The program still runs; end it so the test leaves nothing behind.
    TerminateProcess(reinterpret_cast<HANDLE>(static_cast<intptr_t>(r)), 0);
  };
  const ULONGLONG start = GetTickCount64();
  // Pump without consuming WM_QUIT ourselves until the slot has launched.
  while (!ended && GetTickCount64() - start < 15000) {
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ASSERT_NE(msg.message, static_cast<UINT>(WM_QUIT)) << "quit seen before the wait";
      DispatchMessageA(&msg);
    } else {
      WaitMessage();
    }
  }
  ASSERT_TRUE(ended);
  EXPECT_LT(GetTickCount64() - start, 10000u);
  EXPECT_TRUE(ApplicationTerminated());
  // The quit request was posted again for the main loop.
  MSG msg;
  bool sawQuit = false;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      sawQuit = true;
      EXPECT_EQ(msg.wParam, 7u);
    }
  }
  EXPECT_TRUE(sawQuit);
  SetApplicationTerminated(false);
}

}  // namespace
}  // namespace marrowby
