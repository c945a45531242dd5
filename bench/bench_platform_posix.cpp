#include <time.h>
#include <unistd.h>

#include "bench/bench_platform.h"
#include "core/loop_timer_host.h"

namespace marrowby::bench {

namespace {
class LoopHost : public BenchHost {
 public:
  explicit LoopHost(HostKind kind)
      : host_(kind != HostKind::kTimerPerSlot, kind == HostKind::kSleeping) {}
  TimerId Start(uint32_t periodMs, std::function<void()> tick) override {
    return host_.Start(periodMs, std::move(tick));
  }
  void Stop(TimerId id) override { host_.Stop(id); }
  void Defer(TimerId id, TDateTime at) override { host_.Defer(id, at); }
  void ClockChanged() override { host_.ClockChanged(); }
  bool Defers() const override { return host_.Defers(); }
  void RunFor(uint64_t ms) override { host_.Run(ms); }
  uint64_t WakeUps() const override { return host_.WakeUps(); }
  double BusySeconds() const override { return host_.BusySeconds(); }

 private:
  LoopTimerHost host_;
};
}  // namespace

std::unique_ptr<BenchHost> MakeHost(HostKind kind) { return std::make_unique<LoopHost>(kind); }

double ProcessCpuSeconds() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

double ServerCpuSeconds() { return -1; }

void SleepMs(unsigned ms) { usleep(ms * 1000); }

const char* PlatformName() { return "native"; }

}  // namespace marrowby::bench
