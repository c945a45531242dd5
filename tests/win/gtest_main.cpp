// The main program of the Windows test suites: GoogleTest's, with a time
// limit for each case when MARROWBY_CASE_TIMEOUT gives one in seconds (the
// runs in emulation do). A case that runs past it ends the program: it prints
// what the process was doing (its windows with their texts, such as a
// message box that nobody answers) and a failure line for the case, and
// exits with a failure, instead of leaving its suite to an outside time limit
// that would say nothing about the cause.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/win/win_test_util.h"

namespace {

class CaseWatchdog : public ::testing::EmptyTestEventListener {
 public:
  explicit CaseWatchdog(DWORD limitMs) : limitMs_(limitMs) {
    InitializeCriticalSection(&lock_);
    const HANDLE watcher = CreateThread(nullptr, 0, Watch, this, 0, nullptr);
    if (watcher) CloseHandle(watcher);
  }

 private:
  void OnTestStart(const ::testing::TestInfo& info) override {
    EnterCriticalSection(&lock_);
    name_ = std::string(info.test_suite_name()) + "." + info.name();
    started_ = GetTickCount();
    running_ = true;
    LeaveCriticalSection(&lock_);
  }
  void OnTestEnd(const ::testing::TestInfo&) override {
    EnterCriticalSection(&lock_);
    running_ = false;
    LeaveCriticalSection(&lock_);
  }

  static DWORD WINAPI Watch(void* self) {
    auto* w = static_cast<CaseWatchdog*>(self);
    for (;;) {
      Sleep(1000);
      EnterCriticalSection(&w->lock_);
      const bool late = w->running_ && GetTickCount() - w->started_ > w->limitMs_;
      const std::string name = w->name_;
      LeaveCriticalSection(&w->lock_);
      if (late) w->Expire(name);
    }
  }

  // The process's windows, listed by a thread of its own: a window whose
  // thread does not answer costs the listing time, and it gets a minute.
  static DWORD WINAPI Describe(void* out) {
    *static_cast<std::string*>(out) = marrowby::wintest::DescribeProcess(GetCurrentProcessId());
    return 0;
  }

  void Expire(const std::string& name) {
    const std::string seconds = std::to_string(limitMs_ / 1000);
    auto* listing = new std::string;  // left to the lister, which may outlive the wait
    const HANDLE lister = CreateThread(nullptr, 0, Describe, listing, 0, nullptr);
    const bool listed = lister && WaitForSingleObject(lister, 60000) == WAIT_OBJECT_0;
    std::printf("\n[  TIMEOUT ] %s still runs after %s s; %s\n", name.c_str(), seconds.c_str(),
                listed ? listing->c_str() : "its windows could not be listed within a minute");
    std::printf("[  FAILED  ] %s (timed out after %s s)\n", name.c_str(), seconds.c_str());
    std::fflush(stdout);
    // Not ExitProcess: the case's thread may hold a lock that the exit needs.
    TerminateProcess(GetCurrentProcess(), 3);
  }

  const DWORD limitMs_;
  CRITICAL_SECTION lock_;
  std::string name_;
  DWORD started_ = 0;
  bool running_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  char text[16] = "";
  const DWORD n = GetEnvironmentVariableA("MARROWBY_CASE_TIMEOUT", text, sizeof(text));
  const unsigned long seconds = n > 0 && n < sizeof(text) ? std::strtoul(text, nullptr, 10) : 0;
  if (seconds > 0) {
    ::testing::UnitTest::GetInstance()->listeners().Append(
        new CaseWatchdog(static_cast<DWORD>(seconds) * 1000));
  }
  return RUN_ALL_TESTS();
}
