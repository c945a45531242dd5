#include "tests/support/fake_platform.h"

namespace marrowby::testing {

TimerId FakeTimerHost::Start(uint32_t periodMs, std::function<void()> tick) {
  if (refuse_ > 0) {
    --refuse_;
    return 0;
  }
  return queue_.Add(nowMs_, periodMs, std::move(tick));
}

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
  if (clock_) clock_->AdvanceMs(static_cast<int64_t>(end - nowMs_));
  nowMs_ = end;
}

intptr_t FakeProcessApi::Start(const std::string& commandLine, uint32_t* error) {
  started.push_back(commandLine);
  if (failWith) {
    *error = failWith;
    return 0;
  }
  nextHandle_ += 4;
  return nextHandle_;
}

bool FakeProcessApi::StartProgram(const std::string& program, const std::string& parameters,
                                  uint32_t* error) {
  started.push_back(program + "|" + parameters);
  if (failWith) *error = failWith;
  return failWith == 0;
}

FakePlatform::FakePlatform() {
  SetCurrentClock(&clock);
  SetCurrentTimerHost(&timers);
  SetCurrentProcessApi(&processes);
  SetApplicationTerminated(false);
}

FakePlatform::~FakePlatform() {
  SetCurrentClock(nullptr);
  SetCurrentTimerHost(nullptr);
  SetCurrentProcessApi(nullptr);
}

}  // namespace marrowby::testing
