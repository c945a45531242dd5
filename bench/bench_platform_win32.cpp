#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <map>
#include <string>

#include "bench/bench_platform.h"
#include "core/timer_host_win32.h"

namespace marrowby::bench {

namespace {

void PumpFor(uint64_t ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
}

class SharedHost : public BenchHost {
 public:
  explicit SharedHost(bool deferrals) : host_(deferrals) {}
  TimerId Start(uint32_t periodMs, std::function<void()> tick) override {
    return host_.Start(periodMs, std::move(tick));
  }
  void Stop(TimerId id) override { host_.Stop(id); }
  void Defer(TimerId id, TDateTime at) override { host_.Defer(id, at); }
  void ClockChanged() override { host_.ClockChanged(); }
  bool Defers() const override { return host_.Defers(); }
  void RunFor(uint64_t ms) override { PumpFor(ms); }
  uint64_t WakeUps() const override { return host_.WakeUps(); }
  double BusySeconds() const override { return host_.BusySeconds(); }

 private:
  Win32TimerHost host_;
};

// One system timer per timer, as a timer component per slot would have.
class PerTimerHost : public BenchHost {
 public:
  PerTimerHost() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &PerTimerHost::Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "BenchPerTimerHost";
    RegisterClassA(&wc);
    hwnd_ = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            wc.hInstance, nullptr);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~PerTimerHost() override { DestroyWindow(hwnd_); }
  TimerId Start(uint32_t periodMs, std::function<void()> tick) override {
    const TimerId id = next_++;
    if (!SetTimer(hwnd_, static_cast<UINT_PTR>(id), periodMs, nullptr)) return 0;
    ticks_[id] = std::move(tick);
    return id;
  }
  void Stop(TimerId id) override {
    KillTimer(hwnd_, static_cast<UINT_PTR>(id));
    ticks_.erase(id);
  }
  void RunFor(uint64_t ms) override { PumpFor(ms); }
  uint64_t WakeUps() const override { return wakeUps_; }
  double BusySeconds() const override { return busySeconds_; }

 private:
  static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_TIMER) {
      auto* self = reinterpret_cast<PerTimerHost*>(GetWindowLongPtrA(h, GWLP_USERDATA));
      ++self->wakeUps_;
      LARGE_INTEGER start, end, freq;
      QueryPerformanceCounter(&start);
      auto it = self->ticks_.find(w);
      if (it != self->ticks_.end()) it->second();
      QueryPerformanceCounter(&end);
      QueryPerformanceFrequency(&freq);
      self->busySeconds_ += static_cast<double>(end.QuadPart - start.QuadPart) / freq.QuadPart;
      return 0;
    }
    return DefWindowProcA(h, m, w, l);
  }
  HWND hwnd_;
  TimerId next_ = 1;
  uint64_t wakeUps_ = 0;
  double busySeconds_ = 0;
  std::map<TimerId, std::function<void()>> ticks_;
};

}  // namespace

std::unique_ptr<BenchHost> MakeHost(HostKind kind) {
  if (kind == HostKind::kTimerPerSlot) return std::make_unique<PerTimerHost>();
  return std::make_unique<SharedHost>(kind == HostKind::kSleeping);
}

namespace {

std::string ReadSmallFile(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "";
  char buf[4096];
  DWORD n = 0;
  ReadFile(h, buf, sizeof(buf) - 1, &n, nullptr);
  CloseHandle(h);
  return std::string(buf, n);
}

}  // namespace

namespace {
// Sums a number read from a file of every thread of a Linux process; -1 when
// the process has no threads to read.
template <class ReadNumber>
double SumOverThreads(const std::string& procDir, const char* file, ReadNumber read) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((procDir + "\\task\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return -1;
  double total = 0;
  do {
    if (fd.cFileName[0] == '.') continue;
    total += read(ReadSmallFile(procDir + "\\task\\" + fd.cFileName + "\\" + file));
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return total;
}
}  // namespace

// CPU seconds of every thread of a Linux process, from schedstat (nanoseconds).
// Under Wine the Linux file system is drive Z: (opened on the client's behalf
// by the Wine server, so "/proc/self" would be the server), and Windows' own
// process times are counted in 10 ms steps, far too coarse for these figures.
double LinuxCpuSeconds(const std::string& procDir) {
  return SumOverThreads(procDir, "schedstat", [](const std::string& stat) {
    return std::strtod(stat.c_str(), nullptr) / 1e9;
  });
}

double LinuxWakeUps(const std::string& procDir) {
  return SumOverThreads(procDir, "status", [](const std::string& status) {
    const size_t at = status.find("\nvoluntary_ctxt_switches:");
    return at == std::string::npos ? 0.0 : std::strtod(status.c_str() + at + 25, nullptr);
  });
}

// The /proc directory of the first Linux process whose command line holds
// the text, or "" when there is none. (A process that has ended but not yet
// been reaped keeps its name but has no command line, so it is passed over.)
std::string LinuxProcessDir(const std::string& wanted) {
  std::string text = wanted;
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA("Z:\\proc\\*", &fd);
  if (h == INVALID_HANDLE_VALUE) return "";
  std::string found;
  do {
    if (fd.cFileName[0] < '0' || fd.cFileName[0] > '9') continue;
    const std::string dir = std::string("Z:\\proc\\") + fd.cFileName;
    std::string cmd = ReadSmallFile(dir + "\\cmdline");
    for (char& c : cmd) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (cmd.find(text) != std::string::npos) {
      found = dir;
      break;
    }
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return found;
}

namespace {
std::string OwnLinuxProcess() {
  static std::string dir = [] {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, n);
    name = name.substr(name.find_last_of("\\/") + 1);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return LinuxProcessDir(name);
  }();
  return dir;
}

}  // namespace

double ProcessCpuSeconds() {
  const std::string own = OwnLinuxProcess();
  if (!own.empty()) {
    const double seconds = LinuxCpuSeconds(own);
    if (seconds >= 0) return seconds;
  }
  FILETIME c, e, k, u;
  GetProcessTimes(GetCurrentProcess(), &c, &e, &k, &u);
  auto v = [](FILETIME f) {
    return static_cast<double>(static_cast<ULONGLONG>(f.dwHighDateTime) << 32 | f.dwLowDateTime) / 1e7;
  };
  return v(k) + v(u);
}

double ServerCpuSeconds() {
  static const std::string server = LinuxProcessDir("wineserver");
  return server.empty() ? -1 : LinuxCpuSeconds(server);
}

void SleepMs(unsigned ms) { Sleep(ms); }

const char* PlatformName() { return "wine-win64"; }

}  // namespace marrowby::bench
