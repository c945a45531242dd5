// Milliseconds since the system started, as a 64-bit count that never wraps.
#pragma once

#include <atomic>
#include <cstdint>

namespace marrowby {

// Widens a 32-bit millisecond counter that wraps every 2^32 ms (49.7 days),
// as Windows XP's GetTickCount does, into a 64-bit count. A reading ahead
// of the last one (by up to half the range) that is numerically smaller is a
// wrap; one behind it is an older reading from another thread, widened
// without moving the state back. It must be read at least once per half
// range (24 days); the timer host reads it at least every hour while the
// program runs.
class TickWidener {
 public:
  // The first reading counts as less than one wrap. Constant-initialised,
  // so that a widener at namespace scope is ready before any code runs.
  constexpr TickWidener() = default;
  uint64_t Widen(uint32_t ticks) {
    uint64_t state = state_.load();
    while (state == kUnread) {
      if (state_.compare_exchange_weak(state, ticks)) return ticks;
    }
    for (;;) {
      const uint32_t last = static_cast<uint32_t>(state);
      // Behind the last reading by up to half the range: an older reading.
      if (static_cast<uint32_t>(ticks - last) > 0x80000000u) {
        return state - static_cast<uint32_t>(last - ticks);
      }
      const uint64_t wraps = (state >> 32) + (ticks < last ? 1 : 0);
      const uint64_t next = wraps << 32 | ticks;
      if (state_.compare_exchange_weak(state, next)) return next;
    }
  }

 private:
  static constexpr uint64_t kUnread = ~uint64_t{0};
  // Wraps seen (high half) and the last reading (low half), or kUnread.
  std::atomic<uint64_t> state_{kUnread};
};

// The system's 64-bit tick count where it has one (Vista and later), else
// its 32-bit count widened.
uint64_t SteadyMilliseconds();

}  // namespace marrowby
