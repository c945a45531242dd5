// schedmgr at rest under Wine: with 100 armed schedules that are not due
// within the hour, beside the same program with no schedule, the CPU time and
// the wake-ups (its threads going to sleep and waking) per second; and the
// delay from a schedule's due moment to its item starting, beside the time
// Wine takes to start the same item when asked directly. The baseline is a
// copy of the program whose timers tick every armed slot once a second
// (schedmgr_ticking.exe, the engine of old), run in the same session.
//
//   schedmgr_bench.exe [seconds at rest]     (default 60)
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_platform.h"

using namespace marrowby;

namespace {

std::string ExeDir() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.find_last_of("\\/") + 1);
}

// The program's settings file is named after its executable.
std::string SettingsFile(const std::string& exe) {
  char dir[MAX_PATH];
  GetWindowsDirectoryA(dir, MAX_PATH);
  return std::string(dir) + "\\" + exe.substr(0, exe.rfind('.')) + ".INI";
}

struct Schedule {
  std::string checks, command;
  SYSTEMTIME when;
};

// The settings file as the program's stores write it.
void WriteSettings(const std::string& exe, const std::vector<Schedule>& schedules) {
  std::ostringstream out;
  out << "[TMainForm]\r\n";
  for (size_t i = 0; i < schedules.size(); ++i) {
    const Schedule& s = schedules[i];
    const std::string k = "Launcher" + std::to_string(i + 1) + "_";
    out << k << "Checks=" << s.checks << "\r\n"
        << k << "CommandLine=" << s.command << "\r\n"
        << k << "DateDay=" << s.when.wDay << "\r\n"
        << k << "DateMonth=" << s.when.wMonth << "\r\n"
        << k << "DateYear=" << s.when.wYear << "\r\n"
        << k << "Enabled=True\r\n"
        << k << "MonthDay=1\r\n"
        << k << "Tag=123\r\n"
        << k << "TimeHour=" << s.when.wHour << "\r\n"
        << k << "TimeMin=" << s.when.wMinute << "\r\n"
        << k << "TimeMSec=0\r\n"
        << k << "TimeSec=" << s.when.wSecond << "\r\n"
        << k << "WeekDay=ldMonday\r\n";
  }
  if (!schedules.empty()) {
    out << "\r\n[TMainForm.ListBox1_Items]\r\nCount=" << schedules.size() << "\r\n";
    for (size_t i = 0; i < schedules.size(); ++i) out << "Item" << i << "=Schedule " << i + 1 << "\r\n";
    out << "\r\n[TMainForm.DateList_Items]\r\nCount=" << schedules.size() << "\r\n";
    for (size_t i = 0; i < schedules.size(); ++i) out << "Item" << i << "=YES\r\n";
  }
  std::ofstream(SettingsFile(exe), std::ios::binary | std::ios::trunc) << out.str();
}

struct Running {
  PROCESS_INFORMATION pi = {};
  std::string proc;  // its Linux /proc directory
};

Running StartSchedmgr(const std::string& exe) {
  Running r;
  std::string cmd = "\"" + ExeDir() + exe + "\"";
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &r.pi)) {
    std::fprintf(stderr, "cannot start schedmgr.exe\n");
    std::exit(1);
  }
  for (int i = 0; i < 100 && r.proc.empty(); ++i) {
    Sleep(100);
    r.proc = bench::LinuxProcessDir(ExeDir() + exe);  // by full path: other copies may run
  }
  return r;
}

void Stop(Running& r) {
  TerminateProcess(r.pi.hProcess, 0);
  WaitForSingleObject(r.pi.hProcess, 5000);
  CloseHandle(r.pi.hProcess);
  CloseHandle(r.pi.hThread);
}

struct Rest {
  double cpuMicrosPerSecond, wakeUpsPerSecond;
};

Rest AtRest(const std::string& exe, size_t count, double seconds) {
  SYSTEMTIME later = {};
  later.wYear = 2049;
  later.wMonth = 12;
  later.wDay = 31;
  later.wHour = 23;
  WriteSettings(exe, std::vector<Schedule>(count, Schedule{"[lcDate,lcTime]", "C:\\never.exe", later}));
  Running r = StartSchedmgr(exe);
  Sleep(5000);  // shown, hidden into the tray, settled
  const double cpu0 = bench::LinuxCpuSeconds(r.proc), wake0 = bench::LinuxWakeUps(r.proc);
  Sleep(static_cast<DWORD>(seconds * 1000));
  const double cpu1 = bench::LinuxCpuSeconds(r.proc), wake1 = bench::LinuxWakeUps(r.proc);
  Stop(r);
  return {(cpu1 - cpu0) * 1e6 / seconds, (wake1 - wake0) / seconds};
}

unsigned long long NowMs() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  return (static_cast<unsigned long long>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime) / 10000;
}

// The start time the helper program wrote (ms since 1601), 0 if none came
// within 30 seconds.
unsigned long long MarkerStart(const std::string& marker) {
  for (int i = 0; i < 300; ++i) {
    Sleep(100);
    std::ifstream in(marker);
    std::string word;
    unsigned long pid;
    unsigned long long started;
    if (in >> word >> pid >> started) return started;
  }
  return 0;
}

// A schedule due a few seconds after start; the delay from its due moment to
// the start of its item (the helper program writes its start time).
double DueToStartMs(const std::string& exe, const std::string& marker) {
  DeleteFileA(marker.c_str());
  // A whole second 14-15 s ahead: start-up is over by then even on a busy machine.
  const unsigned long long due = (NowMs() / 1000 + 15) * 1000;
  FILETIME ft;
  const unsigned long long t = due * 10000;
  ft.dwLowDateTime = static_cast<DWORD>(t);
  ft.dwHighDateTime = static_cast<DWORD>(t >> 32);
  FILETIME local;
  FileTimeToLocalFileTime(&ft, &local);
  SYSTEMTIME when;
  FileTimeToSystemTime(&local, &when);
  WriteSettings(exe, {Schedule{"[lcDate,lcTime]", ExeDir() + "marker.exe", when}});
  Running r = StartSchedmgr(exe);
  const unsigned long long started = MarkerStart(marker);
  Stop(r);
  return started ? static_cast<double>(started) - static_cast<double>(due) : -1;
}

// Wine starting the item itself, through the shell as schedmgr does: from
// the call to the item's start.
double DirectStartMs(const std::string& marker) {
  DeleteFileA(marker.c_str());
  const std::string item = ExeDir() + "marker.exe";
  const unsigned long long asked = NowMs();
  ShellExecuteA(nullptr, "open", item.c_str(), "", nullptr, SW_SHOWNORMAL);
  const unsigned long long started = MarkerStart(marker);
  return started ? static_cast<double>(started) - static_cast<double>(asked) : -1;
}

struct Delays {
  double mean = 0, worst = 0;
};

template <class Measure>
Delays ThreeRuns(Measure measure) {
  Delays d;
  for (int i = 0; i < 3; ++i) {
    const double ms = measure();
    d.mean += ms / 3;
    if (ms > d.worst || ms < 0) d.worst = ms;
  }
  return d;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
  char tmp[MAX_PATH];
  GetTempPathA(MAX_PATH, tmp);
  const std::string marker = std::string(tmp) + "schedmgr_bench_marker.txt";
  SetEnvironmentVariableA("MARROWBY_MARKER", marker.c_str());

  const char kOurs[] = "schedmgr.exe", kTicking[] = "schedmgr_ticking.exe";
  const Rest none = AtRest(kOurs, 0, seconds);
  const Rest hundred = AtRest(kOurs, 100, seconds);
  const Rest ticking = AtRest(kTicking, 100, seconds);
  const Delays ours = ThreeRuns([&] { return DueToStartMs(kOurs, marker); });
  const Delays old = ThreeRuns([&] { return DueToStartMs(kTicking, marker); });
  const Delays direct = ThreeRuns([&] { return DirectStartMs(marker); });
  DeleteFileA(SettingsFile(kOurs).c_str());
  DeleteFileA(SettingsFile(kTicking).c_str());
  DeleteFileA(marker.c_str());
  std::printf("schedmgr_rest_seconds: %.0f\n", seconds);
  std::printf("schedmgr_100_armed_wakeups_per_s: %.2f\n", hundred.wakeUpsPerSecond);
  std::printf("baseline_tick_every_second_100_armed_wakeups_per_s: %.2f\n", ticking.wakeUpsPerSecond);
  std::printf("schedmgr_no_schedule_wakeups_per_s: %.2f\n", none.wakeUpsPerSecond);
  std::printf("schedmgr_100_armed_cpu_us_per_s: %.1f\n", hundred.cpuMicrosPerSecond);
  std::printf("baseline_tick_every_second_100_armed_cpu_us_per_s: %.1f\n", ticking.cpuMicrosPerSecond);
  std::printf("schedmgr_no_schedule_cpu_us_per_s: %.1f\n", none.cpuMicrosPerSecond);
  std::printf("schedmgr_due_to_item_start_ms_mean: %.0f\n", ours.mean);
  std::printf("schedmgr_due_to_item_start_ms_worst: %.0f\n", ours.worst);
  std::printf("baseline_tick_every_second_due_to_item_start_ms_mean: %.0f\n", old.mean);
  std::printf("baseline_tick_every_second_due_to_item_start_ms_worst: %.0f\n", old.worst);
  std::printf("wine_direct_start_ms_mean: %.0f\n", direct.mean);
  std::printf("wine_direct_start_ms_worst: %.0f\n", direct.worst);
  return 0;
}
