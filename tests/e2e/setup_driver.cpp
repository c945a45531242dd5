#include "tests/e2e/setup_driver.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "setup/resource_ids.h"
#include "tests/win/win_test_util.h"

namespace marrowby::e2e {

using wintest::ExeDir;
using wintest::PumpFor;

std::string PackageDir() { return ExeDir() + "..\\e2e-setup\\"; }

std::string StubTempDir() {
  char tmp[MAX_PATH];
  const DWORD n = GetTempPathA(MAX_PATH, tmp);
  std::string base(tmp, n);
  while (!base.empty() && base.back() == '\\') base.pop_back();
  return base + "\\$Tessara.Tmp\\";
}

std::vector<std::string> StubTempDirs() {
  const std::string usual = StubTempDir();
  const std::string parent = usual.substr(0, usual.size() - std::string("$Tessara.Tmp\\").size());
  std::vector<std::string> dirs;
  for (const std::string& name : ListFiles(parent)) {
    if (name.rfind("$Tessara.Tmp", 0) == 0) dirs.push_back(parent + name + "\\");
  }
  return dirs;
}

void RemoveStubTempDirs() {
  for (const std::string& dir : StubTempDirs()) wintest::RemoveTree(dir);
}

namespace {

// This process's environment with the extra entries (UTF-8), as a block of
// wide text.
std::vector<wchar_t> Environment(const std::vector<std::string>& extra) {
  std::vector<std::wstring> vars;
  wchar_t* block = GetEnvironmentStringsW();
  for (const wchar_t* p = block; *p; p += wcslen(p) + 1) vars.emplace_back(p);
  FreeEnvironmentStringsW(block);
  for (const std::string& e : extra) {
    const std::wstring entry = wintest::Wide(e);
    const std::wstring key = entry.substr(0, entry.find(L'=') + 1);
    vars.erase(std::remove_if(vars.begin(), vars.end(),
                              [&](const std::wstring& v) {
                                return _wcsnicmp(v.c_str(), key.c_str(), key.size()) == 0;
                              }),
               vars.end());
    vars.push_back(entry);
  }
  std::vector<wchar_t> out;
  for (const std::wstring& v : vars) out.insert(out.end(), v.c_str(), v.c_str() + v.size() + 1);
  out.push_back(0);
  return out;
}

}  // namespace

// Wine's X11 driver waits up to a second for every managed window it hides
// when no window manager runs (as on the test display). Unmanaged windows
// spare the programs under test that wait; nothing else changes for them.
void UnmanagedWineWindows() {
  static bool done = false;
  if (done) return;
  done = true;
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, nullptr, 0, KEY_SET_VALUE,
                      nullptr, &key, nullptr) == ERROR_SUCCESS) {
    RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegCloseKey(key);
  }
}

namespace {

// The filtered token linked to this process's full one; null when there is
// none.
HANDLE FilteredToken() {
  HANDLE own = nullptr;
  TOKEN_LINKED_TOKEN linked{};
  DWORD size = 0;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own)) return nullptr;
  if (!GetTokenInformation(own, TokenLinkedToken, &linked, sizeof(linked), &size)) {
    linked.LinkedToken = nullptr;
  }
  CloseHandle(own);
  return linked.LinkedToken;
}

}  // namespace

SetupRun::SetupRun(const std::string& path, const std::vector<std::string>& extraEnv,
                   const std::string& arguments, bool filtered) {
  UnmanagedWineWindows();
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  const std::wstring program = wintest::Wide(path);
  std::wstring cmd = L"\"" + program + L"\"";
  if (!arguments.empty()) cmd += L" " + wintest::Wide(arguments);
  std::vector<wchar_t> env = Environment(extraEnv);
  void* const block = extraEnv.empty() ? nullptr : env.data();
  const HANDLE token = filtered ? FilteredToken() : nullptr;
  const BOOL started =
      token ? CreateProcessAsUserW(token, program.c_str(), &cmd[0], nullptr, nullptr, FALSE,
                                   CREATE_UNICODE_ENVIRONMENT, block, nullptr, &si, &pi_)
            : !filtered && CreateProcessW(program.c_str(), &cmd[0], nullptr, nullptr, FALSE,
                                          CREATE_UNICODE_ENVIRONMENT, block, nullptr, &si, &pi_);
  if (!started) {
    startError_ = GetLastError();
    pi_ = PROCESS_INFORMATION{};
  }
  if (token) CloseHandle(token);
}

SetupRun::~SetupRun() {
  if (!pi_.hProcess) return;
  if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(pi_.hProcess, 99);
    WaitForSingleObject(pi_.hProcess, 5000);
  }
  CloseHandle(pi_.hThread);
  CloseHandle(pi_.hProcess);
}

HWND SetupRun::FindWindowWith(int controlId, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  do {
    if (HWND found = FindWindowWithControl(pi_.dwProcessId, controlId)) return found;
    if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0) return nullptr;
    PumpFor(50);
  } while (GetTickCount64() < end);
  // A wait that gave up (not a short look) says what the program was doing.
  if (timeoutMs >= 3000) {
    std::printf("no window with control %d after %lu ms: %s\n", controlId, timeoutMs,
                wintest::DescribeProcess(pi_.dwProcessId).c_str());
  }
  return nullptr;
}

HWND SetupRun::MainDialog(DWORD timeoutMs) { return FindWindowWith(SETUP_ID_STATUS, timeoutMs); }
HWND SetupRun::LicenceDialog(DWORD timeoutMs) {
  return FindWindowWith(SETUP_ID_LICENCE_TEXT, timeoutMs);
}
HWND SetupRun::MessageBoxWindow(DWORD timeoutMs) { return FindWindowWith(0xFFFF, timeoutMs); }

bool SetupRun::WaitStatus(HWND dialog, const std::string& fragment, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  do {
    if (ControlText(dialog, SETUP_ID_STATUS).find(fragment) != std::string::npos) return true;
    PumpFor(50);
  } while (GetTickCount64() < end && IsWindow(dialog));
  return false;
}

HWND SetupRun::StartInstaller() {
  HWND dlg = MainDialog();
  if (!dlg) return nullptr;
  Click(dlg, 1);
  return WaitStatus(dlg, "Updating system settings ...") ? dlg : nullptr;
}

DWORD SetupRun::WaitExit(DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
    if (GetTickCount64() >= end) return STILL_ACTIVE;
    PumpFor(50);
  }
  DWORD code = 0;
  GetExitCodeProcess(pi_.hProcess, &code);
  return code;
}

DWORD SetupRun::WaitExitWithoutWindow(DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
    if (HWND w = wintest::FindVisibleWindow(pi_.dwProcessId)) {
      windowShown_ = "\"" + Text(w) + "\"";
      return STILL_ACTIVE;
    }
    if (GetTickCount64() >= end) return STILL_ACTIVE;
    PumpFor(20);
  }
  DWORD code = 0;
  GetExitCodeProcess(pi_.hProcess, &code);
  return code;
}

bool SetupRun::HasNoVisibleWindow() {
  return wintest::FindVisibleWindow(pi_.dwProcessId) == nullptr;
}

void SetupRun::Kill(UINT code) {
  TerminateProcess(pi_.hProcess, code);
  WaitForSingleObject(pi_.hProcess, 10000);
}

bool SetupRun::KillChild(const char* exe, UINT code) {
  const HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32 pe{};
  pe.dwSize = sizeof(pe);
  bool ended = false;
  for (BOOL more = Process32First(snap, &pe); more && !ended; more = Process32Next(snap, &pe)) {
    if (pe.th32ParentProcessID != pi_.dwProcessId || _stricmp(pe.szExeFile, exe) != 0) continue;
    const HANDLE child = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pe.th32ProcessID);
    if (child) {
      ended = TerminateProcess(child, code) != FALSE;
      WaitForSingleObject(child, 10000);
      CloseHandle(child);
    }
  }
  CloseHandle(snap);
  return ended;
}

std::string Text(HWND window) { return wintest::WindowText(window); }

std::string ControlText(HWND dialog, int id) {
  HWND c = GetDlgItem(dialog, id);
  return c ? Text(c) : "";
}

bool IsEnabled(HWND dialog, int id) {
  HWND c = GetDlgItem(dialog, id);
  return c && IsWindowEnabled(c);
}

bool Exists(HWND dialog, int id) { return GetDlgItem(dialog, id) != nullptr; }

void Click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void PressEnter(HWND dialog) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  HWND target = dialog;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) && info.hwndFocus) {
    target = info.hwndFocus;
  }
  PostMessageA(target, WM_KEYDOWN, VK_RETURN, 1);
  PostMessageA(target, WM_KEYUP, VK_RETURN, 0xC0000001);
}

std::string AnswerMessageBox(HWND box, int buttonId) {
  const std::string text = ControlText(box, 0xFFFF);
  Click(box, buttonId);
  return text;
}

std::string ReadUserValue(const std::string& name) {
  char buf[256];
  DWORD size = sizeof(buf);
  if (RegGetValueA(HKEY_CURRENT_USER, "Software\\MarrowbyTest", name.c_str(), RRF_RT_REG_SZ,
                   nullptr, buf, &size) != ERROR_SUCCESS) {
    return "";
  }
  return buf;
}

void ClearUserValues() { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\MarrowbyTest"); }

bool CopyTo(const std::string& from, const std::string& to) {
  return CopyFileW(wintest::Wide(from).c_str(), wintest::Wide(to).c_str(), FALSE) != FALSE;
}

}  // namespace marrowby::e2e
