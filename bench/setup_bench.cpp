// Benchmarks of setupstub under Wine, driven from outside:
//   setup_bench extract PACKAGE   seconds from start until extraction ends
//   setup_bench cpu PACKAGE SECONDS SLEEPER
//       CPU time the stub uses while its installer runs, beside the CPU of a
//       wait that polls without sleeping (the SLEEPER program runs as long)
// Prints "name: value" lines.
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_platform.h"
#include "setup/resource_ids.h"
#include "tests/e2e/setup_driver.h"

using namespace marrowby;

namespace {

double Now() {
  LARGE_INTEGER c, f;
  QueryPerformanceCounter(&c);
  QueryPerformanceFrequency(&f);
  return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

void Pump(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  while (GetTickCount64() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
}


std::string BaseName(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

struct Child {
  PROCESS_INFORMATION pi{};
  bool Start(const std::string& cmd) {
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    std::string line = cmd;
    return CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
  }
  bool Running() const { return WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT; }
  ~Child() {
    if (!pi.hProcess) return;
    if (Running()) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
};

std::string Status(HWND dialog) {
  char buf[1024];
  DWORD_PTR n = 0;
  if (!SendMessageTimeoutA(GetDlgItem(dialog, SETUP_ID_STATUS), WM_GETTEXT, sizeof(buf),
                           reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, &n)) {
    return "";
  }
  return std::string(buf, n);
}

// Polls (every 5 ms) until the stub's status text holds the fragment.
bool WaitForStatus(Child& c, const char* fragment, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  HWND dialog = nullptr;
  while (GetTickCount64() < end && c.Running()) {
    if (!dialog) dialog = e2e::FindWindowWithControl(c.pi.dwProcessId, SETUP_ID_STATUS);
    if (dialog && Status(dialog).find(fragment) != std::string::npos) return true;
    Sleep(5);
  }
  return false;
}

int Extract(const std::string& package) {
  Child c;
  const double start = Now();
  if (!c.Start("\"" + package + "\"")) return 1;
  if (!WaitForStatus(c, "Setup is updating", 600000)) {
    std::printf("error: extraction did not finish\n");
    return 1;
  }
  std::printf("setupstub_extract_seconds: %.2f\n", Now() - start);
  WaitForSingleObject(c.pi.hProcess, 600000);
  return 0;
}

int Cpu(const std::string& package, double seconds, const std::string& sleeper) {
  Child c;
  if (!c.Start("\"" + package + "\"")) return 1;
  if (!WaitForStatus(c, "Updating system settings", 120000)) {
    std::printf("error: the installer did not start\n");
    return 1;
  }
  const std::string proc = bench::LinuxProcessDir(BaseName(package));
  const DWORD ms = static_cast<DWORD>(seconds * 1000 * 0.9);
  const double before = bench::LinuxCpuSeconds(proc);
  Pump(ms);
  const double after = bench::LinuxCpuSeconds(proc);
  std::printf("setupstub_wait_cpu_seconds: %.4f (over %.1f s of installer run, target < 0.1)\n",
              after - before, ms / 1000.0);
  WaitForSingleObject(c.pi.hProcess, 120000);

  // Baseline: the same wait done by polling the exit code without sleeping.
  Child s;
  if (!s.Start("\"" + sleeper + "\" NUL " + std::to_string(static_cast<int>(seconds * 1000)))) return 1;
  const std::string own = bench::LinuxProcessDir("setup_bench.exe");
  const double b0 = bench::LinuxCpuSeconds(own);
  const ULONGLONG end = GetTickCount64() + ms;
  DWORD code = STILL_ACTIVE;
  while (GetTickCount64() < end && code == STILL_ACTIVE) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    GetExitCodeProcess(s.pi.hProcess, &code);
  }
  std::printf("baseline_polling_wait_cpu_seconds: %.4f (over %.1f s)\n", bench::LinuxCpuSeconds(own) - b0,
              ms / 1000.0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::string(argv[1]) == "extract") return Extract(argv[2]);
  if (argc >= 5 && std::string(argv[1]) == "cpu") return Cpu(argv[2], std::atof(argv[3]), argv[4]);
  std::fprintf(stderr, "usage: setup_bench extract PACKAGE | cpu PACKAGE SECONDS SLEEPER\n");
  return 2;
}
