// schedmgr at rest under Wine: with 100 armed schedules that are not yet due,
// beside the same program with no schedule, the CPU time and the wake-ups
// (its threads going to sleep and waking) per second; and the delay from a
// schedule's due moment to its item starting.
//
//   schedmgr_bench.exe [seconds at rest]     (default 60)
#include <windows.h>

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

std::string SettingsFile() {
  char dir[MAX_PATH];
  GetWindowsDirectoryA(dir, MAX_PATH);
  return std::string(dir) + "\\schedmgr.INI";
}

struct Schedule {
  std::string checks, command;
  SYSTEMTIME when;
};

// The settings file as the program's stores write it.
void WriteSettings(const std::vector<Schedule>& schedules) {
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
  std::ofstream(SettingsFile(), std::ios::binary | std::ios::trunc) << out.str();
}

struct Running {
  PROCESS_INFORMATION pi = {};
  std::string proc;  // its Linux /proc directory
};

Running StartSchedmgr() {
  Running r;
  std::string cmd = "\"" + ExeDir() + "schedmgr.exe\"";
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &r.pi)) {
    std::fprintf(stderr, "cannot start schedmgr.exe\n");
    std::exit(1);
  }
  for (int i = 0; i < 100 && r.proc.empty(); ++i) {
    Sleep(100);
    r.proc = bench::LinuxProcessDir("schedmgr.exe");
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

Rest AtRest(size_t count, double seconds) {
  SYSTEMTIME later = {};
  later.wYear = 2049;
  later.wMonth = 12;
  later.wDay = 31;
  later.wHour = 23;
  WriteSettings(std::vector<Schedule>(count, Schedule{"[lcDate,lcTime]", "C:\\never.exe", later}));
  Running r = StartSchedmgr();
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

// A schedule due a few seconds after start; the delay from its due moment to
// the start of its item (the helper program writes its start time).
double DueToStartMs(const std::string& marker) {
  DeleteFileA(marker.c_str());
  const unsigned long long due = (NowMs() / 1000 + 8) * 1000;  // a whole second, 7-8 s ahead
  FILETIME ft;
  const unsigned long long t = due * 10000;
  ft.dwLowDateTime = static_cast<DWORD>(t);
  ft.dwHighDateTime = static_cast<DWORD>(t >> 32);
  FILETIME local;
  FileTimeToLocalFileTime(&ft, &local);
  SYSTEMTIME when;
  FileTimeToSystemTime(&local, &when);
  WriteSettings({Schedule{"[lcDate,lcTime]", ExeDir() + "marker.exe", when}});
  Running r = StartSchedmgr();
  unsigned long long started = 0;
  for (int i = 0; i < 300 && !started; ++i) {
    Sleep(100);
    std::ifstream in(marker);
    std::string word;
    unsigned long pid;
    if (in >> word >> pid >> started) break;
    started = 0;
  }
  Stop(r);
  return started ? static_cast<double>(started) - static_cast<double>(due) : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
  char tmp[MAX_PATH];
  GetTempPathA(MAX_PATH, tmp);
  const std::string marker = std::string(tmp) + "schedmgr_bench_marker.txt";
  SetEnvironmentVariableA("MARROWBY_MARKER", marker.c_str());

  const Rest none = AtRest(0, seconds);
  const Rest hundred = AtRest(100, seconds);
  double worst = 0, sum = 0;
  const int runs = 3;
  for (int i = 0; i < runs; ++i) {
    const double d = DueToStartMs(marker);
    sum += d;
    if (d > worst || d < 0) worst = d;
  }
  DeleteFileA(SettingsFile().c_str());
  DeleteFileA(marker.c_str());
  std::printf("schedmgr_rest_seconds: %.0f\n", seconds);
  std::printf("schedmgr_100_armed_cpu_us_per_s: %.1f\n", hundred.cpuMicrosPerSecond);
  std::printf("schedmgr_no_schedule_cpu_us_per_s: %.1f\n", none.cpuMicrosPerSecond);
  std::printf("schedmgr_100_armed_wakeups_per_s: %.2f\n", hundred.wakeUpsPerSecond);
  std::printf("schedmgr_no_schedule_wakeups_per_s: %.2f\n", none.wakeUpsPerSecond);
  std::printf("schedmgr_due_to_start_ms_mean: %.0f\n", sum / runs);
  std::printf("schedmgr_due_to_start_ms_worst: %.0f\n", worst);
  return 0;
}
