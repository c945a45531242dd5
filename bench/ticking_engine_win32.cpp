// Linked into a copy of schedmgr for the benchmarks only: its timers run on
// the engine of old, every armed slot ticking once a second, so that the
// figures of the program as it is stand beside those of the same program as
// it was, from the same run.
#include "core/platform.h"
#include "core/timer_host_win32.h"

namespace {

struct UseTickingEngine {
  UseTickingEngine() { marrowby::SetCurrentTimerHost(&host); }
  ~UseTickingEngine() { marrowby::SetCurrentTimerHost(nullptr); }
  marrowby::Win32TimerHost host{/*deferrals=*/false};
} g_useTickingEngine;

}  // namespace
