// 100 armed schedule slots that are not due, ticking once a second, with our
// timer host (one shared system timer) beside the baseline of one system timer
// per slot: system timer wake-ups per second, time spent in the ticks per
// second, and the whole process's CPU time per second (which includes the
// platform's own cost of waking up and is noisy on a shared machine).
//
//   scheduler_bench [seconds per run]     (default 20)
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "bench/bench_platform.h"
#include "core/platform.h"
#include "scheduler/launcher.h"

using namespace marrowby;

namespace {

struct Figures {
  double wakeUpsPerSecond;
  double tickMicrosPerSecond;
  double processMicrosPerSecond;
  double serverMicrosPerSecond;  // negative without a Wine server
};

Figures Run(bench::BenchHost& host, double seconds) {
  SetCurrentTimerHost(&host);
  TComponent owner(nullptr);
  std::vector<TLauncher*> slots;
  for (int i = 0; i < 100; ++i) {
    auto* slot = new TLauncher(&owner);
    slot->SetEnabled(false);
    slot->SetChecks({lcDate, lcTime});
    slot->SetDateTime(EncodeDate(2049, 12, 31) + EncodeTime(23, 0, 0, 0));
    slot->SetCommandLine("never.exe");
    slots.push_back(slot);
  }
  // Armed at scattered moments, as a user creates schedules one by one.
  for (TLauncher* slot : slots) {
    slot->SetEnabled(true);
    bench::SleepMs(9);
  }
  host.RunFor(2000);  // settle
  const uint64_t wakeStart = host.WakeUps();
  const double busyStart = host.BusySeconds();
  const double cpuStart = bench::ProcessCpuSeconds();
  const double serverStart = bench::ServerCpuSeconds();
  host.RunFor(static_cast<uint64_t>(seconds * 1000));
  const double cpu = bench::ProcessCpuSeconds() - cpuStart;
  const double server = serverStart < 0 ? -1 : bench::ServerCpuSeconds() - serverStart;
  Figures f;
  f.wakeUpsPerSecond = (host.WakeUps() - wakeStart) / seconds;
  f.tickMicrosPerSecond = (host.BusySeconds() - busyStart) * 1e6 / seconds;
  f.processMicrosPerSecond = cpu * 1e6 / seconds;
  f.serverMicrosPerSecond = server < 0 ? -1 : server * 1e6 / seconds;
  SetCurrentTimerHost(nullptr);
  return f;
}

void Print(const char* name, const Figures& f) {
  std::printf("%s_wakeups_per_s: %.2f\n", name, f.wakeUpsPerSecond);
  std::printf("%s_tick_cpu_us_per_s: %.1f\n", name, f.tickMicrosPerSecond);
  std::printf("%s_process_cpu_us_per_s: %.1f\n", name, f.processMicrosPerSecond);
  if (f.serverMicrosPerSecond >= 0) {
    std::printf("%s_wineserver_cpu_us_per_s: %.1f\n", name, f.serverMicrosPerSecond);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
  auto ours = bench::MakeHost(true);
  const Figures a = Run(*ours, seconds);
  auto baseline = bench::MakeHost(false);
  const Figures b = Run(*baseline, seconds);
  std::printf("scheduler_platform: %s\n", bench::PlatformName());
  std::printf("scheduler_armed_slots: 100\n");
  Print("scheduler", a);
  Print("baseline_timer_per_slot", b);
  return 0;
}
