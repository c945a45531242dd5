#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "shell/frame_ticker.h"

namespace marrowby {
namespace {

using namespace std::chrono_literals;

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return done();
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

TEST(FrameTicker, HeldTickerAsksForNothingAndRunsWhenLetGo) {
  std::atomic<int> requests{0};
  FrameTicker ticker(10, true, [&] {
    ++requests;
    return true;
  });
  std::this_thread::sleep_for(80ms);
  EXPECT_EQ(requests.load(), 0);
  ticker.SetHeld(false);
  ASSERT_TRUE(WaitFor([&] { return requests.load() >= 1; }, 2000ms));
}

TEST(FrameTicker, OneRequestOutstandingUntilTheStepIsDone) {
  std::atomic<int> requests{0};
  FrameTicker ticker(10, false, [&] {
    ++requests;
    return true;
  });
  ASSERT_TRUE(WaitFor([&] { return requests.load() >= 1; }, 2000ms));
  std::this_thread::sleep_for(80ms);  // eight intervals with the step not done
  EXPECT_EQ(requests.load(), 1);
  for (int i = 2; i <= 4; ++i) {
    ticker.StepDone();
    ASSERT_TRUE(WaitFor([&] { return requests.load() >= i; }, 2000ms)) << i;
  }
}

TEST(FrameTicker, NoRequestAfterItIsGoneAndGoingNeverWaits) {
  std::atomic<int> requests{0};
  std::atomic<bool> gone{false};
  std::atomic<bool> lateRequest{false};
  {
    FrameTicker ticker(10, false, [&] {
      if (gone) lateRequest = true;
      ++requests;
      return true;
    });
    // Keep it busy: every step done at once.
    for (int i = 0; i < 5; ++i) {
      const int seen = requests.load();
      ASSERT_TRUE(WaitFor([&] { return requests.load() > seen; }, 2000ms));
      ticker.StepDone();
    }
  }
  gone = true;
  std::this_thread::sleep_for(60ms);
  EXPECT_FALSE(lateRequest.load());

  // A held ticker, and one with a long interval, go at once.
  const auto start = std::chrono::steady_clock::now();
  { FrameTicker held(60000, true, [] { return true; }); }
  { FrameTicker sleeping(60000, false, [] { return true; }); }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
}

TEST(FrameTicker, IntervalZeroDoesNotSpin) {
  std::atomic<int> requests{0};
  FrameTicker ticker(0, false, [&] {
    ++requests;
    return false;  // never outstanding: asks at every interval
  });
  const auto start = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(100ms);
  const int seen = requests.load();
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  // At the 10 ms floor, one request per 10 ms at most (plus the one at start).
  EXPECT_LE(seen, elapsed.count() / 10 + 2);
}

}  // namespace
}  // namespace marrowby
