// What the benchmarks need from the platform: a timer host that can be run
// for a while and counts its wake-ups, process CPU time, a sleep.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/platform.h"

namespace marrowby::bench {

class BenchHost : public TimerHost {
 public:
  // Runs the timers (dispatching messages on Windows) for ms milliseconds.
  virtual void RunFor(uint64_t ms) = 0;
  virtual uint64_t WakeUps() const = 0;
  // Time spent running timers at the wake-ups (no sleeping in it, so it is
  // CPU time, measured finely; process CPU counters are coarse under Wine).
  virtual double BusySeconds() const = 0;
};

enum class HostKind {
  kSleeping,      // our host: one system timer, timers sleep while deferred
  kTicking,       // one system timer, every timer ticks every period
  kTimerPerSlot,  // one system timer per timer, as a timer component per slot
};
std::unique_ptr<BenchHost> MakeHost(HostKind kind);
double ProcessCpuSeconds();
// CPU time of the Wine server, which does part of the work for every Wine
// process; negative where there is none.
double ServerCpuSeconds();
void SleepMs(unsigned ms);

#ifdef _WIN32
// The Linux side of Wine programs (through drive Z:): the /proc directory of
// the first process whose command line holds the text ("" if none), its CPU
// seconds and the times its threads went to sleep and woke up (voluntary
// context switches).
std::string LinuxProcessDir(const std::string& text);
double LinuxCpuSeconds(const std::string& procDir);
double LinuxWakeUps(const std::string& procDir);
#endif
const char* PlatformName();

}  // namespace marrowby::bench
