// Win32 clock and timer host.
#include <windows.h>

#include <atomic>

#include "core/platform.h"
#include "core/steady_ticks.h"
#include "core/timer_host_win32.h"

namespace marrowby {

namespace {

const char kWindowClass[] = "MarrowbyTimerHost";
const UINT_PTR kSystemTimerId = 1;
// Wine and Windows may deliver a timer a few milliseconds early; a timer due
// within this margin runs now rather than costing another wake-up.
const uint64_t kSlackMs = 10;
// The watch of the wall clock: how often, and by how much the wall clock and
// the tick count must part to count as a move of the clock.
const DWORD kWatchMs = 30000;
const int64_t kJumpMs = 2000;
const UINT kClockMovedMessage = WM_APP + 0x4C;

// Set when the clock or the time zone changes: the next reading looks up the
// local offset afresh instead of using the one cached for this second.
bool g_offsetStale = false;

// Local time from the system's UTC clock plus the local offset. The offset is
// looked up once per UTC second (so a zone or daylight-saving change shows
// within a second); each reading is then one cheap call, which matters with
// 100 slots reading the clock up to four times a second each.
class Win32Clock : public Clock {
 public:
  TDateTime Now() override {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    const int64_t utc = static_cast<int64_t>(static_cast<ULONGLONG>(ft.dwHighDateTime) << 32 |
                                             ft.dwLowDateTime);
    const int64_t second = utc / 10000000;
    if (second != cachedSecond_ || g_offsetStale) {
      g_offsetStale = false;
      FILETIME local;
      if (FileTimeToLocalFileTime(&ft, &local)) {
        offset_ = static_cast<int64_t>(static_cast<ULONGLONG>(local.dwHighDateTime) << 32 |
                                       local.dwLowDateTime) - utc;
      }
      cachedSecond_ = second;
    }
    // Milliseconds since 1 January 1601, which is day -109205 of TDateTime.
    const int64_t ms = (utc + offset_) / 10000;
    const int64_t kDaysTo1899 = 109205;
    return static_cast<TDateTime>(ms / kMSecsPerDay - kDaysTo1899) +
           static_cast<TDateTime>(ms % kMSecsPerDay) / static_cast<TDateTime>(kMSecsPerDay);
  }

 private:
  int64_t cachedSecond_ = -1;
  int64_t offset_ = 0;
};

// The local wall clock in milliseconds, on any thread.
int64_t LocalWallMs() {
  FILETIME utc, local;
  GetSystemTimeAsFileTime(&utc);
  if (!FileTimeToLocalFileTime(&utc, &local)) local = utc;
  return static_cast<int64_t>(static_cast<ULONGLONG>(local.dwHighDateTime) << 32 | local.dwLowDateTime) /
         10000;
}

// The watch of the wall clock (see TimerQueue): a thread of its own that
// sleeps 30 s at a time and compares the wall clock with the tick count,
// and tells the host's window only when they have parted. The user-interface
// thread thus sleeps through it: under Wine every wake-up of a message loop
// costs several round trips to the server.
DWORD WINAPI WatchWallClock(void* window) {
  const HWND hwnd = static_cast<HWND>(window);
  uint64_t ticks = SteadyMilliseconds();
  int64_t wall = LocalWallMs();
  for (;;) {
    Sleep(static_cast<DWORD>(kWatchMs));
    const uint64_t nowTicks = SteadyMilliseconds();
    const int64_t nowWall = LocalWallMs();
    const int64_t parted = (nowWall - wall) - static_cast<int64_t>(nowTicks - ticks);
    ticks = nowTicks;
    wall = nowWall;
    if (parted > kJumpMs || parted < -kJumpMs) PostMessageA(hwnd, kClockMovedMessage, 0, 0);
  }
}

}  // namespace

namespace {
// GetTickCount64 is found at run time: Windows XP has only GetTickCount.
// No function-local statics here: the thread library calls this from inside
// its own waits (below), where the C++ runtime's guard for a static, which
// waits through the thread library, must not be entered again.
using TickCount64 = ULONGLONG(WINAPI*)();
std::atomic<int> g_looked;  // 0: not yet, 1: looked up
std::atomic<TickCount64> g_tickCount64;
TickWidener g_widener;
}  // namespace

uint64_t SteadyMilliseconds() {
  if (!g_looked.load()) {
    // Two threads may both look it up; they find the same.
    g_tickCount64 = reinterpret_cast<TickCount64>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount64")));
    g_looked = 1;
  }
  if (const TickCount64 tickCount64 = g_tickCount64.load()) return tickCount64();
  return g_widener.Widen(GetTickCount());
}

namespace {
ULONGLONG WINAPI TickCount64ForImports() { return SteadyMilliseconds(); }
}  // namespace

// The thread library under the C++ runtime (winpthread) calls GetTickCount64
// through its import slot, which would keep the program from loading on
// Windows XP. The slot is defined here, so the linker takes it instead of
// kernel32's, and it calls SteadyMilliseconds. Its name is the i686 one
// (with the stdcall decoration) or the x86_64 one; each build uses its own.
extern "C" {
ULONGLONG(WINAPI* marrowby_tick_count_64_i686)() __asm__("__imp__GetTickCount64@0") =
    TickCount64ForImports;
ULONGLONG(WINAPI* marrowby_tick_count_64_x86_64)() __asm__("__imp_GetTickCount64") =
    TickCount64ForImports;
}

Win32TimerHost::Win32TimerHost(bool deferrals)
    : deferrals_(deferrals), queue_(SteadyMilliseconds()) {
  queue_.OnScheduleChanged = [this] { Reschedule(); };
}

Win32TimerHost::~Win32TimerHost() {
  queue_.OnScheduleChanged = nullptr;
  DestroyOwnWindow();
}

bool Win32TimerHost::EnsureWindow() {
  if (OwnWindow()) return true;
  WindowSetup setup;
  setup.className = kWindowClass;
  // A hidden top-level window, not a message-only one: broadcasts (a clock
  // or time-zone change, a resume) reach only top-level windows.
  setup.style = WS_POPUP;
  setup.exStyle = WS_EX_TOOLWINDOW;
  if (!CreateOwnWindow(setup)) return false;
  // The watch lives as long as the process; it holds nothing but the
  // window's handle (a message to a window that has gone is dropped).
  if (deferrals_) {
    if (HANDLE thread = CreateThread(nullptr, 0, WatchWallClock, OwnWindow(), 0, nullptr)) {
      CloseHandle(thread);
    }
  }
  return true;
}

intptr_t Win32TimerHost::HandleMessage(unsigned message, uintptr_t wParam, intptr_t lParam) {
  if (message == WM_TIMER && wParam == kSystemTimerId) {
    OnSystemTimer();
    return 0;
  }
  // The clock set, the time zone changed (as WM_TIMECHANGE or as a setting
  // change), or the machine resumed: what sleeping timers worked out from the
  // old clock no longer holds.
  const bool resumed = message == WM_POWERBROADCAST &&
                       (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND);
  if (message == WM_TIMECHANGE || message == WM_SETTINGCHANGE || resumed ||
      message == kClockMovedMessage) {
    ClockChanged();
  }
  return DefaultHandling(message, wParam, lParam);
}

TimerId Win32TimerHost::Start(uint32_t periodMs, std::function<void()> tick) {
  if (!EnsureWindow()) return 0;
  return queue_.Add(SteadyMilliseconds(), periodMs, std::move(tick));
}

void Win32TimerHost::Stop(TimerId id) { queue_.Remove(id); }

void Win32TimerHost::Defer(TimerId id, TDateTime at) {
  if (!deferrals_) return;
  const uint64_t now = SteadyMilliseconds();
  queue_.Defer(id, now, now + MillisecondsUntil(at, CurrentClock().Now()));
}

void Win32TimerHost::ClockChanged() {
  g_offsetStale = true;
  queue_.EndDeferrals(SteadyMilliseconds());
}

void Win32TimerHost::Reschedule() {
  HWND hwnd = OwnWindow();
  if (!hwnd) return;
  const auto next = queue_.NextDue();
  if (!next) {
    if (systemPeriod_) KillTimer(hwnd, kSystemTimerId);
    systemPeriod_ = 0;
    return;
  }
  // A system timer repeats its period. When it will fire at the wanted
  // instant anyway (the usual case: every timer on the one-second grid) it is
  // left alone, which saves a call into the window system at each wake-up.
  const int64_t off = static_cast<int64_t>(systemNext_) - static_cast<int64_t>(*next);
  if (systemPeriod_ && off <= static_cast<int64_t>(kSlackMs) && off >= -static_cast<int64_t>(kSlackMs)) {
    return;
  }
  const uint64_t now = SteadyMilliseconds();
  uint64_t delay = *next > now ? *next - now : 0;
  if (delay < USER_TIMER_MINIMUM) delay = USER_TIMER_MINIMUM;
  SetTimer(hwnd, kSystemTimerId, static_cast<UINT>(delay), nullptr);
  systemPeriod_ = delay;
  systemNext_ = now + delay;
}

void Win32TimerHost::OnSystemTimer() {
  ++wakeUps_;
  LARGE_INTEGER start, end, freq;
  QueryPerformanceCounter(&start);
  const uint64_t now = SteadyMilliseconds();
  systemNext_ = now + systemPeriod_;
  queue_.RunDue(now, kSlackMs);
  Reschedule();
  QueryPerformanceCounter(&end);
  QueryPerformanceFrequency(&freq);
  busySeconds_ += static_cast<double>(end.QuadPart - start.QuadPart) /
                  static_cast<double>(freq.QuadPart);
}

Clock& PlatformClock() {
  static Win32Clock clock;
  return clock;
}

TimerHost& PlatformTimerHost() {
  static Win32TimerHost host;
  return host;
}

}  // namespace marrowby
