// Fakes of the platform for portable tests: a settable clock, timers driven
// by advancing virtual time, and a recording item starter told what to answer
// for each item. A FakePlatform installs all three for its lifetime.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/platform.h"
#include "core/timer_queue.h"
#include "scheduler/item_starter.h"

namespace marrowby::testing {

class FakeClock : public Clock {
 public:
  TDateTime Now() override {
    ++reads_;
    return base_ + static_cast<double>(offsetMs_) / static_cast<double>(kMSecsPerDay);
  }
  // Setting the clock is a clock change, as the system reports it.
  void Set(TDateTime now) {
    base_ = now;
    offsetMs_ = 0;
    if (OnSet) OnSet();
  }
  std::function<void()> OnSet;
  void AdvanceMs(int64_t ms) { offsetMs_ += ms; }
  uint64_t Reads() const { return reads_; }

 private:
  TDateTime base_ = 0;
  int64_t offsetMs_ = 0;
  uint64_t reads_ = 0;
};

// Timers on a virtual millisecond counter. Advancing moves the counter (and
// the clock, when one is attached) from one due time to the next, running the
// timers due there, as a message loop would. Without deferrals it ticks every
// timer at every period, as the system timers of old did.
class FakeTimerHost : public TimerHost {
 public:
  explicit FakeTimerHost(FakeClock* clock = nullptr, bool deferrals = true);

  TimerId Start(uint32_t periodMs, std::function<void()> tick) override;
  void Stop(TimerId id) override { queue_.Remove(id); }
  void Defer(TimerId id, TDateTime at) override;
  void ClockChanged() override;
  bool Defers() const override { return deferrals_; }

  void AdvanceMs(uint64_t ms);
  // Refuse the next `count` timer starts, as a system out of timers does.
  void RefuseStarts(int count) { refuse_ = count; }
  size_t Armed() const { return queue_.Size(); }
  uint64_t NowMs() const { return nowMs_; }
  uint64_t WakeUps() const { return wakeUps_; }

 private:
  FakeClock* clock_;
  bool deferrals_;
  TimerQueue queue_;
  uint64_t nowMs_ = 0;
  uint64_t wakeUps_ = 0;
  int refuse_ = 0;
};

// Starts whatever it is given, except what it is told to refuse, item by item.
class FakeItemStarter : public ItemStarter {
 public:
  intptr_t StartProcess(const std::string& commandLine, uint32_t* error) override;
  void WaitForProcess(intptr_t process) override { waited.push_back(process); }
  void CloseProcess(intptr_t process) override { closed.push_back(process); }
  intptr_t ShellOpen(const std::string& item) override;
  std::string FindProgram(const std::string& name) override {
    return programs.count(name) ? name : std::string();
  }
  bool StartProgram(const std::string& program, const std::string& parameters,
                    uint32_t* error) override;

  // The shell's result for an item (2: not found, 5: access denied); any
  // other item opens (42).
  std::map<std::string, intptr_t> shellResults;
  // The programs FindProgram knows, by full path.
  std::set<std::string> programs;
  // The system error of a process start (by command line) or of a program
  // start (by program) that fails; any other starts.
  std::map<std::string, uint32_t> startErrors;

  std::vector<std::string> opened;   // items given to the shell
  std::vector<std::string> started;  // command lines, and "program|parameters"
  std::vector<intptr_t> waited;
  std::vector<intptr_t> closed;

 private:
  bool Fails(const std::string& what, uint32_t* error) const;
  intptr_t nextHandle_ = 0x100;
};

// A local date and time of day, for the fake clock and for expectations.
inline TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, ms);
}

class FakePlatform {
 public:
  // Without deferrals its timers tick at every period, as the engine of old.
  explicit FakePlatform(bool deferrals = true);
  ~FakePlatform();
  FakePlatform(const FakePlatform&) = delete;
  FakePlatform& operator=(const FakePlatform&) = delete;

  FakeClock clock;
  FakeTimerHost timers;
  FakeItemStarter starter;
};

}  // namespace marrowby::testing
