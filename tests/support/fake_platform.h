// Fakes of the platform for portable tests: a settable clock, timers driven
// by advancing virtual time, and a recording process starter. A FakePlatform
// installs all three for its lifetime.
#pragma once

#include <cstdint>
#include <set>
#include <functional>
#include <string>
#include <vector>

#include "core/platform.h"
#include "core/timer_queue.h"
#include "scheduler/process.h"

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

class FakeProcessApi : public ProcessApi {
 public:
  intptr_t Start(const std::string& commandLine, uint32_t* error) override;
  void Wait(intptr_t process) override { waited.push_back(process); }
  void Close(intptr_t process) override { closed.push_back(process); }
  // Programs are the paths in `programs`; a start is recorded as
  // "program|parameters" and fails with failWith when it is set.
  std::string FindProgram(const std::string& name) override {
    return programs.count(name) ? name : std::string();
  }
  bool StartProgram(const std::string& program, const std::string& parameters,
                    uint32_t* error) override;

  std::set<std::string> programs;
  // When nonzero, starts fail with this error code.
  uint32_t failWith = 0;
  std::vector<std::string> started;
  std::vector<intptr_t> waited;
  std::vector<intptr_t> closed;

 private:
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
  FakeProcessApi processes;
};

}  // namespace marrowby::testing
