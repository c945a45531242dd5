// The scheduling engine on the platform's timers, with our host (timers sleep
// until their slot can be due) beside the engine that ticks every slot once a
// second (the baseline) and beside one system timer per slot:
//  - 100 armed slots not due within the hour: system timer wake-ups per
//    second, time spent in the ticks per second, the whole process's CPU time
//    per second (which includes the platform's own cost of waking up and is
//    noisy on a shared machine);
//  - slots due at scattered moments: the delay from the due moment to the
//    launch call (the slot's BeforeLaunch, just before it starts the item),
//    read on the clock inside the program.
//
//   scheduler_bench [seconds per run]     (default 20)
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
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

Figures AtRest(bench::BenchHost& host, double seconds) {
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

struct Latency {
  double meanMs, worstMs;
};

// 30 slots due at moments spread over the next 8 seconds (off the whole
// seconds, as the moments of a running clock fall), each vetoing its start.
Latency DueToLaunchCall(bench::BenchHost& host) {
  SetCurrentTimerHost(&host);
  TComponent owner(nullptr);
  std::mt19937 rng(5);
  const int kSlots = 30;
  const TDateTime start = Now();
  std::vector<double> delays;
  for (int i = 0; i < kSlots; ++i) {
    auto* slot = new TLauncher(&owner);
    slot->SetEnabled(false);
    slot->SetChecks({lcDate, lcTime});
    const TDateTime due = start + (1500.0 + static_cast<double>(rng() % 6500)) / kMSecsPerDay;
    slot->SetDateTime(due);
    slot->SetCommandLine("never.exe");
    slot->BeforeLaunch = [&delays, slot](TObject*, bool& cancel) {
      cancel = true;
      delays.push_back((Now() - slot->DateTime()) * kMSecsPerDay);
    };
    slot->SetEnabled(true);
  }
  host.RunFor(10000);
  SetCurrentTimerHost(nullptr);
  Latency l{0, 0};
  for (double d : delays) {
    l.meanMs += d / static_cast<double>(delays.size());
    if (d > l.worstMs) l.worstMs = d;
  }
  if (delays.size() != static_cast<size_t>(kSlots)) l.meanMs = l.worstMs = -1;  // missed
  return l;
}

void Print(const char* name, const Figures& f, const Latency& l) {
  std::printf("%s_100_armed_wakeups_per_s: %.3f\n", name, f.wakeUpsPerSecond);
  std::printf("%s_100_armed_tick_cpu_us_per_s: %.2f\n", name, f.tickMicrosPerSecond);
  std::printf("%s_100_armed_process_cpu_us_per_s: %.1f\n", name, f.processMicrosPerSecond);
  if (f.serverMicrosPerSecond >= 0) {
    std::printf("%s_100_armed_wineserver_cpu_us_per_s: %.1f\n", name, f.serverMicrosPerSecond);
  }
  if (l.meanMs != 0 || l.worstMs != 0) {
    std::printf("%s_due_to_launch_call_ms_mean: %.1f\n", name, l.meanMs);
    std::printf("%s_due_to_launch_call_ms_worst: %.1f\n", name, l.worstMs);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
  std::printf("scheduler_platform: %s\n", bench::PlatformName());
  std::printf("scheduler_armed_slots: 100\n");
  struct Run {
    const char* name;
    bench::HostKind kind;
    bool latency;
  } runs[] = {
      {"scheduler", bench::HostKind::kSleeping, true},
      {"baseline_tick_every_second", bench::HostKind::kTicking, true},
      {"baseline_timer_per_slot", bench::HostKind::kTimerPerSlot, false},
  };
  for (const Run& r : runs) {
    auto host = bench::MakeHost(r.kind);
    const Figures f = AtRest(*host, seconds);
    const Latency l = r.latency ? DueToLaunchCall(*host) : Latency{0, 0};
    Print(r.name, f, l);
    std::fflush(stdout);
  }
  return 0;
}
