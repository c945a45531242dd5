#include "tests/e2e/product_setup.h"

#include "tests/e2e/e2e_util.h"
#include "tests/win/win_test_util.h"

namespace marrowby::e2e {

HWND DialogWith(DWORD pid, int controlId, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitFor([&] {
    found = wintest::FindWindowWithControl(pid, controlId);
    return found != nullptr;
  }, timeoutMs);
  if (!found) ReportGiveUp(pid, ("no dialog with control " + std::to_string(controlId)).c_str(), timeoutMs);
  return found;
}

std::string ItemText(HWND dialog, int id) {
  HWND c = GetDlgItem(dialog, id);
  return c ? Text(c) : "";
}

void Press(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

bool WaitItemText(HWND dialog, int id, const std::string& fragment, DWORD timeoutMs) {
  return WaitFor([&] { return ItemText(dialog, id).find(fragment) != std::string::npos; },
                 timeoutMs);
}

std::string UninstallCommand() {
  char buf[1024];
  DWORD size = sizeof(buf);
  if (RegGetValueA(HKEY_LOCAL_MACHINE,
                   "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\MarrowbyScheduleManager",
                   "UninstallString", RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS) {
    return "";
  }
  return buf;
}

DWORD RunCommand(const std::string& command) {
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  std::string line = command;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    return GetLastError() | 0x80000000u;
  }
  CloseHandle(pi.hThread);
  DWORD code = STILL_ACTIVE;
  WaitFor([&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, 60000);
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  return code;
}

}  // namespace marrowby::e2e
