// The shell components on the real platform (run under Wine):
//  - the animated tray icon at 150 ms a frame with 15 frames: frame steps
//    per second, mean and worst interval between steps, one cycle's length
//    (2.25 s wanted), process CPU; beside a plain system timer on the
//    user-interface thread stepping the same frames (the baseline);
//  - a user-interface thread stalled for 1 s: how many frame steps run in a
//    burst right after it, ours (the system never queues two timer ticks) beside a thread
//    that posts every interval regardless;
//  - a drop of 2,000 files: milliseconds per drop for the drop target's
//    lists beside reading the names alone;
//  - the tray menu: microseconds to measure and draw its nine items.
//
//   shell_bench [seconds per animation run]     (default 20)
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_platform.h"
#include "core/component.h"
#include "core/window_host.h"
#include "shell/file_drag.h"
#include "shell/tray_icon.h"
#include "shell/tray_menu.h"
#include "tests/support/icon_images.h"

using namespace marrowby;

namespace {

double NowMs() {
  LARGE_INTEGER t, f;
  QueryPerformanceCounter(&t);
  QueryPerformanceFrequency(&f);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

void Pump(double ms) {
  const double end = NowMs() + ms;
  for (;;) {
    const double left = end - NowMs();
    if (left <= 0) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left) + 1, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
}

std::vector<std::string> Frames() {
  std::vector<std::string> frames;
  for (int i = 0; i < 15; ++i) {
    frames.push_back(testing::IconImage32(0x000010u * static_cast<uint32_t>(i + 1), i % 16));
  }
  return frames;
}

struct Cadence {
  double stepsPerSecond = 0, meanMs = 0, worstMs = 0, cycleMs = 0, cpuMsPerSecond = 0;
};

Cadence Summarise(const std::vector<double>& at, double seconds, double cpu) {
  Cadence c;
  if (at.size() < 2) return c;
  double worst = 0;
  for (size_t i = 1; i < at.size(); ++i) worst = std::max(worst, at[i] - at[i - 1]);
  c.stepsPerSecond = static_cast<double>(at.size()) / seconds;
  c.meanMs = (at.back() - at.front()) / static_cast<double>(at.size() - 1);
  c.worstMs = worst;
  c.cycleMs = c.meanMs * 15;
  c.cpuMsPerSecond = cpu * 1000.0 / seconds;
  return c;
}

Cadence RunTrayAnimation(double seconds) {
  std::vector<double> at;
  SetTrayNotifyFunction([&](unsigned message, void* record) {
    if (message == NIM_MODIFY) at.push_back(NowMs());
    return ShellNotifyIcon(message, record);
  });
  TTrayIcon icon(nullptr);
  icon.Icon()->LoadFromImage(testing::IconImage32(0x808080));
  for (const std::string& f : Frames()) icon.Icons()->AddImage(f);
  Pump(500);
  at.clear();
  const double cpu0 = bench::ProcessCpuSeconds();
  icon.SetAnimated(true);
  Pump(seconds * 1000);
  icon.SetAnimated(false);
  const double cpu = bench::ProcessCpuSeconds() - cpu0;
  at.pop_back();  // the static icon put back
  SetTrayNotifyFunction(nullptr);
  return Summarise(at, seconds, cpu);
}

// The baseline: a system timer on the user-interface thread steps the frames.
struct TimerStepper {
  static std::vector<double>* at;
  static NOTIFYICONDATAA* nid;
  static std::vector<HICON>* icons;
  static size_t frame;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    frame = (frame + 1) % icons->size();
    nid->hIcon = (*icons)[frame];
    at->push_back(NowMs());
    Shell_NotifyIconA(NIM_MODIFY, nid);
  }
};
std::vector<double>* TimerStepper::at = nullptr;
NOTIFYICONDATAA* TimerStepper::nid = nullptr;
std::vector<HICON>* TimerStepper::icons = nullptr;
size_t TimerStepper::frame = 0;

Cadence RunTimerAnimation(double seconds) {
  HWND hwnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                              nullptr);
  std::vector<HICON> icons;
  std::vector<std::unique_ptr<TIcon>> keep;
  for (const std::string& f : Frames()) {
    keep.push_back(std::make_unique<TIcon>());
    keep.back()->LoadFromImage(f);
    icons.push_back(keep.back()->Handle());
  }
  NOTIFYICONDATAA nid = {};
  nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
  nid.hWnd = hwnd;
  nid.uFlags = NIF_ICON;
  nid.hIcon = icons[0];
  Shell_NotifyIconA(NIM_ADD, &nid);
  std::vector<double> at;
  TimerStepper::at = &at;
  TimerStepper::nid = &nid;
  TimerStepper::icons = &icons;
  const double cpu0 = bench::ProcessCpuSeconds();
  const UINT_PTR timer = SetTimer(nullptr, 0, 150, TimerStepper::Tick);
  Pump(seconds * 1000);
  KillTimer(nullptr, timer);
  const double cpu = bench::ProcessCpuSeconds() - cpu0;
  Shell_NotifyIconA(NIM_DELETE, &nid);
  DestroyWindow(hwnd);
  return Summarise(at, seconds, cpu);
}

// Steps run within 100 ms after the user-interface thread was busy for 1 s.
int OursAfterStall() {
  std::vector<double> at;
  SetTrayNotifyFunction([&](unsigned message, void* record) {
    if (message == NIM_MODIFY) at.push_back(NowMs());
    return ShellNotifyIcon(message, record);
  });
  TTrayIcon icon(nullptr);
  icon.Icon()->LoadFromImage(testing::IconImage32(0x808080));
  for (const std::string& f : Frames()) icon.Icons()->AddImage(f);
  icon.SetAnimated(true);
  Pump(1000);
  Sleep(1000);  // busy: no messages
  const double resumed = NowMs();
  Pump(100);
  icon.SetAnimated(false);
  SetTrayNotifyFunction(nullptr);
  return static_cast<int>(std::count_if(at.begin(), at.end() - 1, [&](double t) {
    return t >= resumed && t < resumed + 100;
  }));
}

const UINT kNaiveStep = WM_APP + 5;
std::atomic<int> g_naiveHandled{0};
LRESULT CALLBACK NaiveProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == kNaiveStep) {
    ++g_naiveHandled;
    return 0;
  }
  return DefWindowProcA(h, m, w, l);
}

int NaiveAfterStall() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = NaiveProc;
  wc.lpszClassName = "BenchNaiveStepper";
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              nullptr, nullptr);
  std::atomic<bool> stop{false};
  std::thread poster([&] {
    while (!stop) {
      Sleep(150);
      PostMessageA(hwnd, kNaiveStep, 0, 0);
    }
  });
  Pump(1000);
  Sleep(1000);
  const int before = g_naiveHandled;
  Pump(100);
  const int burst = g_naiveHandled - before;
  stop = true;
  poster.join();
  DestroyWindow(hwnd);
  return burst;
}

// ---- Drops ---------------------------------------------------------------------------

class BenchForm : public TComponent, public WindowHost {
 public:
  BenchForm() : TComponent(nullptr) {
    hwnd_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                            nullptr);
  }
  ~BenchForm() override {
    while (ComponentCount() > 0) Free(Components(ComponentCount() - 1));
    DestroyWindow(hwnd_);
  }
  NativeWindow WindowHandle() override { return hwnd_; }

 private:
  HWND hwnd_;
};

HGLOBAL MakeDrop(int files) {
  std::string names;
  for (int i = 0; i < files; ++i) {
    names += "C:\\Users\\someone\\Documents\\Project " + std::to_string(i % 37) + "\\report." +
             std::to_string(i) + ".final.doc" + '\0';
  }
  names += '\0';
  HGLOBAL h = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size());
  auto* df = static_cast<DROPFILES*>(GlobalLock(h));
  df->pFiles = sizeof(DROPFILES);
  std::memcpy(reinterpret_cast<char*>(df) + sizeof(DROPFILES), names.data(), names.size());
  GlobalUnlock(h);
  return h;
}

void RunDrops(double* oursMs, double* namesOnlyMs) {
  const int kFiles = 2000, kRounds = 20;
  BenchForm form;
  auto* drag = new TFileDrag(&form);
  drag->SetEnableDrop(true);
  HWND hwnd = form.WindowHandle();
  double t = 0;
  for (int r = 0; r < kRounds; ++r) {
    HGLOBAL h = MakeDrop(kFiles);
    const double t0 = NowMs();
    SendMessageA(hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(h), 0);
    t += NowMs() - t0;
  }
  *oursMs = t / kRounds;
  t = 0;
  for (int r = 0; r < kRounds; ++r) {
    HGLOBAL h = MakeDrop(kFiles);
    const double t0 = NowMs();
    char buf[MAX_PATH];
    const UINT n = DragQueryFileA(static_cast<HDROP>(h), 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < n; ++i) DragQueryFileA(static_cast<HDROP>(h), i, buf, sizeof(buf));
    DragFinish(static_cast<HDROP>(h));
    t += NowMs() - t0;
  }
  *namesOnlyMs = t / kRounds;
}

double RunMenuRender() {
  TComponent form(nullptr);
  auto* menu = new TTrayPopupMenu(&form);
  menu->SetStyle(msOwnerDraw);
  menu->SetLeftMargin(30);
  menu->SetShowCheckMarks(false);
  const char* captions[] = {"Show Manager", "Hide Manager", "N\xBA of Schedules", "About", "Help",
                            "-", "Marrowby Website", "-", "Exit"};
  for (const char* c : captions) {
    auto* item = new TMenuItem(&form);
    item->SetCaption(c);
    menu->Items()->Add(item);
  }
  menu->OnDrawMargin = [](TTrayPopupMenu* m, const TRect& r) {
    m->PaintMarginGradient(r, RGBColor(0, 255, 0), RGBColor(0, 63, 0));
  };
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 300, 250);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bmp);
  const int kRounds = 200;
  const double t0 = NowMs();
  for (int r = 0; r < kRounds; ++r) {
    int y = 0;
    for (int i = 0; i < menu->Items()->Count(); ++i) {
      TMenuItem* item = menu->Items()->Items(i);
      const ItemSize s = menu->MeasureItem(item);
      menu->DrawItem(item, dc, TRect{0, y, 300, y + s.Height}, {}, true);
      y += s.Height;
    }
  }
  const double us = (NowMs() - t0) * 1000.0 / kRounds;
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  return us;
}

void Print(const char* name, const Cadence& c) {
  std::printf("%s_steps_per_s: %.2f\n", name, c.stepsPerSecond);
  std::printf("%s_mean_step_ms: %.1f\n", name, c.meanMs);
  std::printf("%s_worst_step_ms: %.1f\n", name, c.worstMs);
  std::printf("%s_cycle_of_15_ms: %.0f\n", name, c.cycleMs);
  std::printf("%s_process_cpu_ms_per_s: %.2f\n", name, c.cpuMsPerSecond);
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
  std::printf("shell_platform: %s\n", bench::PlatformName());
  Print("tray_animation", RunTrayAnimation(seconds));
  Print("baseline_ui_timer_animation", RunTimerAnimation(seconds));
  std::printf("tray_steps_in_100ms_after_1s_stall: %d\n", OursAfterStall());
  std::printf("baseline_posting_thread_steps_in_100ms_after_1s_stall: %d\n", NaiveAfterStall());
  double ours = 0, names = 0;
  RunDrops(&ours, &names);
  std::printf("drop_2000_files_ms: %.2f\n", ours);
  std::printf("baseline_read_2000_names_only_ms: %.2f\n", names);
  std::printf("tray_menu_measure_and_draw_9_items_us: %.0f\n", RunMenuRender());
  return 0;
}
