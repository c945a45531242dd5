#include "tests/win/win_test_util.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace marrowby::wintest {

namespace {

struct WindowSearch {
  DWORD pid;
  bool anyWindow;  // or only one that has a control with the id
  int controlId;
  HWND found;
};

BOOL CALLBACK FindProc(HWND w, LPARAM l) {
  auto* s = reinterpret_cast<WindowSearch*>(l);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == s->pid && IsWindowVisible(w) && (s->anyWindow || GetDlgItem(w, s->controlId))) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

HWND FindInProcess(DWORD pid, bool anyWindow, int controlId) {
  WindowSearch s{pid, anyWindow, controlId, nullptr};
  EnumWindows(FindProc, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

}  // namespace

HWND FindWindowWithControl(DWORD pid, int controlId) {
  return FindInProcess(pid, false, controlId);
}

HWND FindVisibleWindow(DWORD pid) { return FindInProcess(pid, true, 0); }

std::string WindowText(HWND hwnd) {
  // WM_GETTEXT is carried across processes for every window class.
  char buf[4096];
  DWORD_PTR n = 0;
  if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof(buf), reinterpret_cast<LPARAM>(buf),
                           SMTO_NORMAL, 30000, &n)) {
    return "";
  }
  return std::string(buf, n);
}

namespace {
std::string Describe(HWND hwnd) {
  char cls[128] = "";
  GetClassNameA(hwnd, cls, sizeof(cls));
  return std::string(cls) + " \"" + WindowText(hwnd) + "\"";
}
struct Listing {
  DWORD pid;
  std::string text;
};
BOOL CALLBACK ListControl(HWND hwnd, LPARAM lp) {
  auto* l = reinterpret_cast<Listing*>(lp);
  if (l->text.size() < 4000) l->text += "\n      " + Describe(hwnd);
  return TRUE;
}
BOOL CALLBACK ListTop(HWND hwnd, LPARAM lp) {
  auto* l = reinterpret_cast<Listing*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != l->pid) return TRUE;
  l->text += "\n    " + Describe(hwnd) + (IsWindowVisible(hwnd) ? "" : " (hidden)");
  if (IsWindowVisible(hwnd)) EnumChildWindows(hwnd, ListControl, lp);
  return TRUE;
}
}  // namespace

std::string DescribeProcess(DWORD pid) {
  std::string state = "process " + std::to_string(pid);
  const HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, pid);
  DWORD code = 0;
  if (!h) {
    state += " is gone";
  } else if (WaitForSingleObject(h, 0) == WAIT_TIMEOUT) {
    state += " is running";
  } else {
    GetExitCodeProcess(h, &code);
    state += " has ended with exit code " + std::to_string(code);
  }
  if (h) CloseHandle(h);
  Listing l{pid, ""};
  EnumWindows(ListTop, reinterpret_cast<LPARAM>(&l));
  return state + (l.text.empty() ? "; it has no windows" : "; its windows:" + l.text);
}

namespace {
struct ProcessWindows {
  DWORD pid;
  std::vector<HWND> found;
};
BOOL CALLBACK CollectDescendant(HWND hwnd, LPARAM lp) {
  reinterpret_cast<ProcessWindows*>(lp)->found.push_back(hwnd);
  return TRUE;
}
void AddWithDescendants(HWND top, ProcessWindows& windows) {
  DWORD pid = 0;
  GetWindowThreadProcessId(top, &pid);
  if (pid != windows.pid) return;
  windows.found.push_back(top);
  EnumChildWindows(top, CollectDescendant, reinterpret_cast<LPARAM>(&windows));
}
BOOL CALLBACK CollectTop(HWND hwnd, LPARAM lp) {
  AddWithDescendants(hwnd, *reinterpret_cast<ProcessWindows*>(lp));
  return TRUE;
}

const unsigned char kGuard = 0xA5;
const size_t kGuardBytes = 32;
const UINT kTextWaitMs = 10000;

// The text into a buffer of chars characters of Char's width.
template <typename Char>
std::string ReadInto(HWND hwnd, size_t chars) {
  const bool wide = sizeof(Char) == 2;
  std::vector<unsigned char> bytes(chars * sizeof(Char) + kGuardBytes, kGuard);
  const LPARAM buffer = reinterpret_cast<LPARAM>(bytes.data());
  DWORD_PTR answer = 0;
  const LRESULT sent =
      wide ? SendMessageTimeoutW(hwnd, WM_GETTEXT, chars, buffer, SMTO_NORMAL, kTextWaitMs, &answer)
           : SendMessageTimeoutA(hwnd, WM_GETTEXT, chars, buffer, SMTO_NORMAL, kTextWaitMs, &answer);
  const std::string what =
      std::string(wide ? "W" : "A") + " text into " + std::to_string(chars) + " characters: ";
  if (!sent) return what + "no answer";
  for (size_t i = chars * sizeof(Char); i < bytes.size(); ++i) {
    if (bytes[i] != kGuard) return what + "written past the buffer";
  }
  // Nothing to write into: the answer may be the length (a status bar's is).
  if (chars == 0) return "";
  if (answer >= chars) return what + "answered " + std::to_string(answer);
  Char end;
  std::memcpy(&end, bytes.data() + answer * sizeof(Char), sizeof(Char));
  return end == 0 ? "" : what + "no terminating zero";
}
}  // namespace

std::vector<HWND> WindowsOfProcess(DWORD pid) {
  ProcessWindows windows{pid, {}};
  EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&windows));
  for (HWND h = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); h;
       h = FindWindowExA(HWND_MESSAGE, h, nullptr, nullptr)) {
    AddWithDescendants(h, windows);
  }
  return windows.found;
}

std::string TextReadFault(HWND hwnd) {
  DWORD_PTR lengthA = 0, lengthW = 0;
  if (!SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kTextWaitMs, &lengthA) ||
      !SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kTextWaitMs, &lengthW)) {
    return IsWindow(hwnd) ? "no answer to the length" : "";
  }
  for (size_t chars : {size_t{0}, size_t{1}, size_t{2}, size_t{lengthA}, size_t{lengthA + 1},
                       size_t{lengthW + 1}, size_t{lengthA + 64}, size_t{4096}}) {
    std::string fault = ReadInto<char>(hwnd, chars);
    if (fault.empty()) fault = ReadInto<wchar_t>(hwnd, chars);
    // A window that went meanwhile (a box closing) has nothing to answer.
    if (!fault.empty()) return IsWindow(hwnd) ? fault : "";
  }
  return "";
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (!done()) {
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return done();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now > 50 ? 50 : end - now),
                              QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return true;
}

void PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

std::wstring Wide(const std::string& utf8) {
  std::wstring w(utf8.size() + 1, L'\0');
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &w[0], static_cast<int>(w.size()));
  w.resize(n > 0 ? n - 1 : 0);
  return w;
}

std::string Utf8(const std::wstring& wide) {
  std::string s(wide.size() * 3 + 1, '\0');
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &s[0], static_cast<int>(s.size()),
                                    nullptr, nullptr);
  s.resize(n > 0 ? n - 1 : 0);
  return s;
}

std::string ExeDir() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.find_last_of("\\/") + 1);
}

std::string MakeTempDir(const std::string& prefix) {
  char tmp[MAX_PATH];
  GetTempPathA(MAX_PATH, tmp);
  for (unsigned i = GetTickCount() % 100000;; ++i) {
    std::string dir = std::string(tmp) + prefix + std::to_string(GetCurrentProcessId()) + "_" +
                      std::to_string(i) + "\\";
    if (CreateDirectoryA(dir.c_str(), nullptr)) return dir;
  }
}

void RemoveTree(const std::string& dir) {
  if (dir.size() < 5 || dir[1] != ':' || dir[2] != '\\' || dir.back() != '\\') return;
  for (const std::string& name : ListFiles(dir)) {
    const std::wstring full = Wide(dir + name);
    const DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      RemoveTree(dir + name + "\\");
    } else {
      SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(full.c_str());
    }
  }
  RemoveDirectoryW(Wide(dir).c_str());
}

bool FileExists(const std::string& path) {
  return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> ListFiles(const std::string& dir) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW fd;
  const HANDLE h = FindFirstFileW(Wide(dir + "*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = Utf8(fd.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadFile(const std::string& path) {
  std::string data;
  const HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return data;
  char buf[65536];
  DWORD n = 0;
  while (::ReadFile(h, buf, sizeof(buf), &n, nullptr) && n > 0) data.append(buf, n);
  CloseHandle(h);
  return data;
}

void WriteFile(const std::string& path, const std::string& data) {
  const HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                               nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD n = 0;
  ::WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &n, nullptr);
  CloseHandle(h);
}

int CountLines(const std::string& path) {
  const std::string s = ReadFile(path);
  int n = 0;
  for (char c : s) n += c == '\n';
  return n;
}

}  // namespace marrowby::wintest
