// Benchmarks of setupstub under Wine, driven from outside:
//   setup_bench extract PACKAGE   seconds from start until extraction ends
//   setup_bench cpu PACKAGE SECONDS SLEEPER
//       CPU time the stub uses while its installer runs, beside the CPU of a
//       wait that polls without sleeping (the SLEEPER program runs as long)
//   setup_bench profile PACKAGE CABINET DIR
//       in-process: the stub's own extraction (its callbacks, I/O table and
//       progress routine) beside the system cabinet library alone with the
//       barest callbacks, on the same cabinet; where the time goes
// Prints "name: value" lines.
#include <windows.h>
// fdi.h relies on the Windows types being declared before it.
#include <fdi.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <algorithm>

#include "bench/bench_platform.h"
#include "setup/cstr.h"
#include "setup/package_load.h"
#include "setup/resource_ids.h"
#include "setup/setup_io.h"
#include "setup/setup_win32.h"
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

// Time spent in the system's file calls behind the stub's I/O table.
struct CallTimes {
  double seconds = 0;
  uint64_t calls = 0;
  uint64_t bytes = 0;
};
CallTimes g_reads, g_writes, g_seeks, g_others;
uint64_t g_files;

template <typename F>
auto Timed(CallTimes& t, uint64_t bytes, F f) {
  const double start = Now();
  auto result = f();
  t.seconds += Now() - start;
  ++t.calls;
  t.bytes += bytes;
  return result;
}

namespace s = marrowby::setup;

intptr_t TOpen(const char* p, const s::OpenParams& o) {
  return Timed(g_others, 0, [&] { return s::kWin32Io.open(p, o); });
}
uint32_t TRead(intptr_t h, void* b, uint32_t n) {
  return Timed(g_reads, n, [&] { return s::kWin32Io.read(h, b, n); });
}
uint32_t TWrite(intptr_t h, const void* b, uint32_t n) {
  return Timed(g_writes, n, [&] { return s::kWin32Io.write(h, b, n); });
}
int32_t TSeek(intptr_t h, int32_t d, int o) {
  return Timed(g_seeks, 0, [&] { return s::kWin32Io.seek(h, d, o); });
}
bool TClose(intptr_t h) {
  return Timed(g_others, 0, [&] { return s::kWin32Io.close(h); });
}
const s::SetupIo kTimedIo = {TOpen,
                             TRead,
                             TWrite,
                             TSeek,
                             TClose,
                             s::kWin32Io.size,
                             s::kWin32Io.alloc,
                             s::kWin32Io.release,
                             s::kWin32Io.hashBegin,
                             s::kWin32Io.hashAdd,
                             s::kWin32Io.hashFinish};

void CountFile(const char*) { ++g_files; }

// The stub's extraction of the package into dir; seconds, or -1. Timed: with
// the system file calls behind the I/O table timed (which costs a little).
double StubRun(bool timed) {
  g_reads = g_writes = g_seeks = g_others = CallTimes{};
  g_files = 0;
  s::g_io = timed ? &kTimedIo : &s::kWin32Io;
  const double start = Now();
  s::ExtractCabinet(nullptr, CountFile);
  const double seconds = Now() - start;
  s::g_io = &s::kWin32Io;
  for (s::ExtractedFile* f = s::g_state.extracted.first; f; f = f->next) {
    if (f->handle != s::kNoHandle) s::kWin32Io.close(f->handle);
    SetFileAttributesA(f->path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(f->path);
  }
  return s::g_state.extractionSucceeded ? seconds : -1;
}

// The baseline: the same library on the bare cabinet file, with callbacks
// that only call the system.
std::string g_baseDir;
std::vector<std::string> g_baseFiles;
void* DIAMONDAPI BAlloc(ULONG cb) { return HeapAlloc(GetProcessHeap(), 0, cb); }
void DIAMONDAPI BFree(void* p) { HeapFree(GetProcessHeap(), 0, p); }
INT_PTR DIAMONDAPI BOpen(char* name, int oflag, int) {
  const s::OpenParams p = s::MapOpenFlags(oflag);
  return reinterpret_cast<INT_PTR>(
      CreateFileA(name, p.access, p.share, nullptr, p.creation, p.attributes, nullptr));
}
UINT DIAMONDAPI BRead(INT_PTR h, void* b, UINT n) {
  DWORD got = 0;
  return ReadFile(reinterpret_cast<HANDLE>(h), b, n, &got, nullptr) ? got : UINT(-1);
}
UINT DIAMONDAPI BWrite(INT_PTR h, void* b, UINT n) {
  DWORD put = 0;
  return WriteFile(reinterpret_cast<HANDLE>(h), b, n, &put, nullptr) ? put : UINT(-1);
}
int DIAMONDAPI BClose(INT_PTR h) { return CloseHandle(reinterpret_cast<HANDLE>(h)) ? 0 : -1; }
__LONG32 DIAMONDAPI BSeek(INT_PTR h, __LONG32 d, int o) {
  return static_cast<__LONG32>(SetFilePointer(reinterpret_cast<HANDLE>(h), d, nullptr, o));
}
INT_PTR DIAMONDAPI BNotify(FDINOTIFICATIONTYPE type, PFDINOTIFICATION n) {
  if (type == fdintCOPY_FILE) {
    g_baseFiles.push_back(g_baseDir + n->psz1);
    return BOpen(&g_baseFiles.back()[0], 0x8121, 0);
  }
  if (type == fdintCLOSE_FILE_INFO) {
    CloseHandle(reinterpret_cast<HANDLE>(n->hf));
    return 1;
  }
  return type == fdintPARTIAL_FILE || type == fdintNEXT_CABINET ? -1 : 0;
}

double BaselineRun(const std::string& cabinet) {
  using Create = HFDI(DIAMONDAPI*)(PFNALLOC, PFNFREE, PFNOPEN, PFNREAD, PFNWRITE, PFNCLOSE,
                                   PFNSEEK, int, PERF);
  using Copy = BOOL(DIAMONDAPI*)(HFDI, char*, char*, int, PFNFDINOTIFY, PFNFDIDECRYPT, void*);
  using Destroy = BOOL(DIAMONDAPI*)(HFDI);
  const HMODULE lib = LoadLibraryA("cabinet.dll");
  auto create = reinterpret_cast<Create>(reinterpret_cast<void*>(GetProcAddress(lib, "FDICreate")));
  auto copy = reinterpret_cast<Copy>(reinterpret_cast<void*>(GetProcAddress(lib, "FDICopy")));
  auto destroy = reinterpret_cast<Destroy>(reinterpret_cast<void*>(GetProcAddress(lib, "FDIDestroy")));
  ERF erf{};
  g_baseFiles.clear();
  const double start = Now();
  const HFDI fdi = create(BAlloc, BFree, BOpen, BRead, BWrite, BClose, BSeek, cpu80386, &erf);
  const size_t split = cabinet.find_last_of('\\') + 1;
  std::string name = cabinet.substr(split), path = cabinet.substr(0, split);
  const BOOL ok = copy(fdi, &name[0], &path[0], 0, BNotify, nullptr, nullptr);
  destroy(fdi);
  const double seconds = Now() - start;
  for (const std::string& f : g_baseFiles) DeleteFileA(f.c_str());
  return ok ? seconds : -1;
}

int Profile(const std::string& package, const std::string& cabinet, const std::string& dir) {
  s::SetupState& st = s::g_state;
  s::g_io = &s::kWin32Io;
  GetSystemDirectoryA(st.systemDir, sizeof(st.systemDir));
  s::TextCopy(st.packagePath, sizeof(st.packagePath), package.c_str());
  s::TextCopy(st.tempDir, sizeof(st.tempDir), (dir + "\\").c_str());
  g_baseDir = dir + "\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  const intptr_t h = s::g_io->open(package.c_str(), s::OpenParams{});
  if (h == s::kNoHandle || s::ReadPackageHeader(h, &st.header) != s::LoadResult::kOk ||
      s::ReadPackageTexts(h, static_cast<uint64_t>(s::g_io->size(h)), &st) != s::LoadResult::kOk ||
      !s::LoadCabinetLibrary()) {
    std::printf("error: the package cannot be read\n");
    return 1;
  }
  // Extraction reads through the package handle, held open as start-up
  // holds it.
  st.packageHandle = h;
  // Best of six of each, alternating, so that both see a warm cache; then
  // one run with the file calls timed.
  double stub = 1e9, base = 1e9;
  for (int i = 0; i < 6; ++i) {
    // Each goes first in every other round: the file system is still busy
    // with the files the previous round deleted.
    const bool stubFirst = i % 2 == 1;
    const double t0 = stubFirst ? StubRun(false) : 0;
    const double b = BaselineRun(cabinet);
    const double t = stubFirst ? t0 : StubRun(false);
    if (b < 0 || t < 0) {
      std::printf("error: extraction failed\n");
      return 1;
    }
    base = std::min(base, b);
    stub = std::min(stub, t);
  }
  const double timed = StubRun(true);
  const CallTimes reads = g_reads, writes = g_writes, seeks = g_seeks, others = g_others;
  const double io = reads.seconds + writes.seconds + seeks.seconds + others.seconds;
  std::printf("inprocess_stub_extract_ms: %.1f\n", stub * 1000);
  std::printf("inprocess_library_alone_ms: %.1f (same cabinet, bare callbacks)\n", base * 1000);
  std::printf("stub_own_share_percent: %.1f (stub minus library alone, of the stub's time; target <= 10)\n",
              (stub - base) / stub * 100);
  std::printf("stub_file_calls_share_percent: %.1f (system file calls behind the I/O table, "
              "of a timed run of %.1f ms)\n",
              io / timed * 100, timed * 1000);
  std::printf("stub_reads: %llu calls, %.0f bytes each, %.1f ms\n",
              static_cast<unsigned long long>(reads.calls),
              reads.calls ? static_cast<double>(reads.bytes) / reads.calls : 0.0, reads.seconds * 1000);
  std::printf("stub_writes: %llu calls, %.0f bytes each, %.1f ms\n",
              static_cast<unsigned long long>(writes.calls),
              writes.calls ? static_cast<double>(writes.bytes) / writes.calls : 0.0,
              writes.seconds * 1000);
  std::printf("stub_seeks: %llu calls, %.1f ms; opens and closes: %llu, %.1f ms; files: %llu\n",
              static_cast<unsigned long long>(seeks.calls), seeks.seconds * 1000,
              static_cast<unsigned long long>(others.calls), others.seconds * 1000,
              static_cast<unsigned long long>(g_files));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::string(argv[1]) == "extract") return Extract(argv[2]);
  if (argc >= 5 && std::string(argv[1]) == "profile") return Profile(argv[2], argv[3], argv[4]);
  if (argc >= 5 && std::string(argv[1]) == "cpu") return Cpu(argv[2], std::atof(argv[3]), argv[4]);
  std::fprintf(stderr, "usage: setup_bench extract PACKAGE | cpu PACKAGE SECONDS SLEEPER |\n"
               "       profile PACKAGE CABINET DIR\n");
  return 2;
}
