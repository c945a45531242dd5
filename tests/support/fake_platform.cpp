#include "tests/support/fake_platform.h"

#include <cmath>

namespace marrowby::testing {

TimerId FakeTimerHost::Start(uint32_t periodMs, std::function<void()> tick) {
  if (refuse_ > 0) {
    --refuse_;
    return 0;
  }
  return queue_.Add(nowMs_, periodMs, std::move(tick));
}

void FakeTimerHost::Defer(TimerId id, TDateTime at) {
  if (!deferrals_) return;
  const TDateTime now = clock_ ? clock_->Now() : CurrentClock().Now();
  queue_.Defer(id, nowMs_, nowMs_ + MillisecondsUntil(at, now));
}

void FakeTimerHost::ClockChanged() { queue_.EndDeferrals(nowMs_); }

void FakeTimerHost::AdvanceMs(uint64_t ms) {
  const uint64_t end = nowMs_ + ms;
  for (;;) {
    const auto next = queue_.NextDue();
    if (!next || *next > end) break;
    const uint64_t step = *next > nowMs_ ? *next - nowMs_ : 0;
    nowMs_ += step;
    if (clock_) clock_->AdvanceMs(static_cast<int64_t>(step));
    ++wakeUps_;
    queue_.RunDue(nowMs_);
  }
  // A tick that ran a modal loop may have advanced past the end already.
  if (nowMs_ >= end) return;
  if (clock_) clock_->AdvanceMs(static_cast<int64_t>(end - nowMs_));
  nowMs_ = end;
}

bool FakeItemStarter::Fails(const std::string& what, uint32_t* error) const {
  auto it = startErrors.find(what);
  if (it == startErrors.end()) return false;
  *error = it->second;
  return true;
}

intptr_t FakeItemStarter::StartProcess(const std::string& commandLine, uint32_t* error) {
  started.push_back(commandLine);
  if (Fails(commandLine, error)) return 0;
  nextHandle_ += 4;
  return nextHandle_;
}

intptr_t FakeItemStarter::ShellOpen(const std::string& item) {
  opened.push_back(item);
  auto it = shellResults.find(item);
  return it == shellResults.end() ? 42 : it->second;
}

bool FakeItemStarter::StartProgram(const std::string& program, const std::string& parameters,
                                   uint32_t* error) {
  started.push_back(program + "|" + parameters);
  return !Fails(program, error);
}

FakeTimerHost::FakeTimerHost(FakeClock* clock, bool deferrals) : clock_(clock), deferrals_(deferrals) {
  queue_.WatchWallClock([this] {
    return clock_ ? static_cast<int64_t>(std::llround(clock_->Now() * static_cast<double>(kMSecsPerDay)))
                  : WallClockMs();
  });
}

FakePlatform::FakePlatform(bool deferrals) : timers(&clock, deferrals) {
  clock.OnSet = [this] { timers.ClockChanged(); };
  SetCurrentClock(&clock);
  SetCurrentTimerHost(&timers);
  SetCurrentItemStarter(&starter);
  SetApplicationTerminated(false);
}

FakePlatform::~FakePlatform() {
  SetCurrentClock(nullptr);
  SetCurrentTimerHost(nullptr);
  SetCurrentItemStarter(nullptr);
}

}  // namespace marrowby::testing
