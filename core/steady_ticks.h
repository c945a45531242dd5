// Milliseconds since the system started, as a 64-bit count that never wraps.
#pragma once

#include <cstdint>

namespace marrowby {

// Widens a 32-bit millisecond counter that wraps every 2^32 ms (49.7 days),
// as Windows XP's GetTickCount does, into a 64-bit count: each reading below
// the previous one is a wrap. It must be read at least once per wrap period;
// the timer host reads it at least every hour while the program runs.
class TickWidener {
 public:
  uint64_t Widen(uint32_t ticks) {
    if (started_ && ticks < last_) high_ += uint64_t{1} << 32;
    started_ = true;
    last_ = ticks;
    return high_ | ticks;
  }

 private:
  bool started_ = false;
  uint32_t last_ = 0;
  uint64_t high_ = 0;
};

// The system's 64-bit tick count where it has one (Vista and later), else
// its 32-bit count widened. Read from the user-interface thread.
uint64_t SteadyMilliseconds();

}  // namespace marrowby
