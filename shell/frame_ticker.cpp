#include "shell/frame_ticker.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace marrowby {

using Clock = std::chrono::steady_clock;

struct FrameTicker::Shared {
  std::mutex mutex;
  std::condition_variable wake;
  bool stop = false;
  bool held = true;
  bool pending = false;  // a request has been sent and not yet handled
  uint32_t intervalMs = 150;
  Request request;

  // The thread: sleeps an interval at a time while running, and at the end of
  // each one makes a request unless one is outstanding. The request is made
  // under the lock, so once stop is set no request follows.
  static void Run(std::shared_ptr<Shared> self) {
    std::unique_lock<std::mutex> lock(self->mutex);
    Clock::time_point next = Clock::now();
    bool running = false;
    while (!self->stop) {
      if (self->held) {
        running = false;
        self->wake.wait(lock, [&] { return self->stop || !self->held; });
        continue;
      }
      const auto interval = std::chrono::milliseconds(self->intervalMs);
      const Clock::time_point now = Clock::now();
      // A fresh start, or so far behind that catching up makes no sense.
      if (!running || next + interval < now) next = now;
      running = true;
      next += interval;
      if (self->wake.wait_until(lock, next, [&] { return self->stop || self->held; })) continue;
      if (!self->pending && self->request) {
        self->pending = true;
        if (!self->request()) self->pending = false;
      }
    }
  }
};

FrameTicker::FrameTicker(uint32_t intervalMs, bool held, Request request)
    : shared_(std::make_shared<Shared>()) {
  shared_->held = held;
  shared_->intervalMs = std::max(intervalMs, kMinIntervalMs);
  shared_->request = std::move(request);
  std::thread(Shared::Run, shared_).detach();
}

FrameTicker::~FrameTicker() {
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->stop = true;
    shared_->request = nullptr;
  }
  shared_->wake.notify_all();
}

void FrameTicker::SetHeld(bool held) {
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    if (shared_->held == held) return;
    shared_->held = held;
  }
  shared_->wake.notify_all();
}

void FrameTicker::SetInterval(uint32_t intervalMs) {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->intervalMs = std::max(intervalMs, kMinIntervalMs);
}

void FrameTicker::StepDone() {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->pending = false;
}

}  // namespace marrowby
