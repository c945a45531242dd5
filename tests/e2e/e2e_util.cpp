#include "tests/e2e/e2e_util.h"

#include <cstdio>
#include <set>

#include "tests/win/win_test_util.h"

namespace marrowby::e2e {

void ReportGiveUp(DWORD pid, const char* what, DWORD timeoutMs) {
  // Short looks (polls, and checks that something does not come) stay quiet.
  if (timeoutMs < 3000) return;
  std::printf("%s after %lu ms: %s\n", what, timeoutMs, wintest::DescribeProcess(pid).c_str());
}

Program::~Program() {
  if (pi_.hProcess) {
    if (Running()) Kill();
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
  }
}

namespace {
// Every window that another process showed since the first start, as the
// system reported it (an out-of-context event hook, delivered while this
// thread pumps its messages): a window shown and hidden again between two
// looks still counts as shown.
std::set<HWND>& ShownWindows() {
  static std::set<HWND> shown;
  return shown;
}
void CALLBACK OnWindowShown(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG, DWORD, DWORD) {
  if (hwnd && object == OBJID_WINDOW) ShownWindows().insert(hwnd);
}
void WatchShownWindows() {
  static const HWINEVENTHOOK hook =
      SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_SHOW, nullptr, OnWindowShown, 0, 0,
                      WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
  (void)hook;
}
}  // namespace

bool WasShown(HWND hwnd) { return IsWindowVisible(hwnd) || ShownWindows().count(hwnd) > 0; }

bool Program::Start(const std::string& path, const std::string& args) {
  WatchShownWindows();
  std::string cmd = "\"" + path + "\"";
  if (!args.empty()) cmd += " " + args;
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  const std::string dir = path.substr(0, path.find_last_of("\\/") + 1);
  return CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &si, &pi_) != FALSE;
}

bool Program::StartWide(const std::wstring& path) {
  WatchShownWindows();
  std::wstring cmd = L"\"" + path + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  const std::wstring dir = path.substr(0, path.find_last_of(L"\\/") + 1);
  return CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &si, &pi_) != FALSE;
}

bool Program::Running() const {
  return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

bool Program::WaitExit(DWORD timeoutMs) {
  return pi_.hProcess && WaitForSingleObject(pi_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

DWORD Program::ExitCode() const {
  DWORD code = 0;
  GetExitCodeProcess(pi_.hProcess, &code);
  return code;
}

void Program::Kill() {
  TerminateProcess(pi_.hProcess, 99);
  WaitForSingleObject(pi_.hProcess, 5000);
}

namespace {
struct Search {
  DWORD pid;
  std::string cls, title;
  bool visible;
  HWND found = nullptr;
};

std::string ClassOf(HWND hwnd) {
  char buf[256];
  const int n = GetClassNameA(hwnd, buf, sizeof(buf));
  return std::string(buf, n > 0 ? n : 0);
}

BOOL CALLBACK MatchTop(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != s->pid || ClassOf(hwnd) != s->cls) return TRUE;
  if (!s->title.empty() && Text(hwnd) != s->title) return TRUE;
  if (s->visible && !WasShown(hwnd)) return TRUE;
  s->found = hwnd;
  return FALSE;
}
}  // namespace

HWND FindTopWindow(DWORD pid, const std::string& cls, const std::string& title) {
  Search s{pid, cls, title, false};
  EnumWindows(MatchTop, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

namespace {
struct AllSearch {
  DWORD pid;
  std::string cls;
  std::vector<HWND> found;
};
BOOL CALLBACK CollectTop(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<AllSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == s->pid && ClassOf(hwnd) == s->cls && IsWindowVisible(hwnd)) s->found.push_back(hwnd);
  return TRUE;
}
}  // namespace

std::vector<HWND> AllTopWindows(DWORD pid, const std::string& cls) {
  AllSearch s{pid, cls, {}};
  EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND WaitTopWindow(DWORD pid, const std::string& cls, const std::string& title, DWORD timeoutMs,
                   bool visible) {
  HWND found = nullptr;
  WaitFor(
      [&] {
        Search s{pid, cls, title, visible};
        EnumWindows(MatchTop, reinterpret_cast<LPARAM>(&s));
        found = s.found;
        return found != nullptr;
      },
      timeoutMs);
  if (!found) ReportGiveUp(pid, ("no window " + cls + " \"" + title + "\"").c_str(), timeoutMs);
  return found;
}

namespace {
struct NameSearch {
  std::string name;
  HWND found = nullptr;
};
BOOL CALLBACK MatchName(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<NameSearch*>(lp);
  const auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropA(hwnd, "MarrowbyControlName")));
  if (!atom) return TRUE;
  char buf[256];
  const UINT n = GlobalGetAtomNameA(atom, buf, sizeof(buf));
  if (std::string(buf, n) == s->name) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

HWND FindControl(HWND form, const std::string& name) {
  NameSearch s{name};
  EnumChildWindows(form, MatchName, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

std::string Text(HWND hwnd) { return wintest::WindowText(hwnd); }

bool Checked(HWND checkbox) { return SendMessageA(checkbox, BM_GETCHECK, 0, 0) == BST_CHECKED; }

RECT ClientRectIn(HWND control, HWND form) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void Click(HWND hwnd) { PostMessageA(hwnd, BM_CLICK, 0, 0); }

void SetText(HWND edit, const std::string& text) {
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

namespace {
struct BoxSearch {
  DWORD pid;
  HWND found = nullptr;
};
BOOL CALLBACK MatchBox(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<BoxSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == s->pid && ClassOf(hwnd) == "#32770" && IsWindowVisible(hwnd) &&
      GetDlgItem(hwnd, 0xFFFF)) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}
BOOL CALLBACK CollectButtons(HWND hwnd, LPARAM lp) {
  if (ClassOf(hwnd) == "Button") reinterpret_cast<MessageBoxInfo*>(lp)->buttons.push_back(Text(hwnd));
  return TRUE;
}
}  // namespace

MessageBoxInfo WaitMessageBox(DWORD pid, DWORD timeoutMs) {
  MessageBoxInfo info;
  WaitFor(
      [&] {
        BoxSearch s{pid};
        EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&s));
        info.hwnd = s.found;
        return s.found != nullptr;
      },
      timeoutMs);
  if (!info.hwnd) {
    ReportGiveUp(pid, "no message box", timeoutMs);
    return info;
  }
  info.caption = Text(info.hwnd);
  info.text = Text(GetDlgItem(info.hwnd, 0xFFFF));
  EnumChildWindows(info.hwnd, CollectButtons, reinterpret_cast<LPARAM>(&info));
  return info;
}

namespace {
struct ButtonSearch {
  std::string text;
  HWND found = nullptr;
};
BOOL CALLBACK MatchButton(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<ButtonSearch*>(lp);
  if (ClassOf(hwnd) == "Button" && Text(hwnd) == s->text) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

bool PressButton(const MessageBoxInfo& box, const std::string& text) {
  ButtonSearch s{text};
  EnumChildWindows(box.hwnd, MatchButton, reinterpret_cast<LPARAM>(&s));
  if (!s.found) return false;
  // The box's own procedure turns the click into its answer.
  PostMessageA(box.hwnd, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(s.found), BN_CLICKED),
               reinterpret_cast<LPARAM>(s.found));
  return true;
}

void Wait(DWORD ms) { wintest::PumpFor(ms); }

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
  return wintest::PumpUntil(done, timeoutMs);
}

}  // namespace marrowby::e2e
