// The clock of an animated icon: a thread of its own that asks for a frame
// step every interval. It never touches the icon: each step is a request the
// caller posts to the user-interface thread, which does the step there. At
// most one request is outstanding, so a busy user-interface thread drops
// frames instead of piling them up.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace marrowby {

class FrameTicker {
 public:
  // Asks for a step; runs on the ticker's thread and must not block (post a
  // message). Returns false when the request could not be sent.
  using Request = std::function<bool()>;

  // Shortest interval; a shorter one would keep a processor busy.
  static constexpr uint32_t kMinIntervalMs = 10;

  // Starts the thread, held (no requests) when held is true.
  FrameTicker(uint32_t intervalMs, bool held, Request request);
  // Tells the thread to stop and leaves it to end by itself; nobody waits
  // for it, and no request is made once this returns.
  ~FrameTicker();
  FrameTicker(const FrameTicker&) = delete;
  FrameTicker& operator=(const FrameTicker&) = delete;

  // A held ticker makes no requests; letting it run starts a fresh interval.
  void SetHeld(bool held);
  void SetInterval(uint32_t intervalMs);
  // The user-interface thread has handled the outstanding request.
  void StepDone();

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
};

}  // namespace marrowby
