// Starting items on Windows: processes with CreateProcessA, items and
// programs through the shell.
#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "core/application_window.h"
#include "core/platform.h"
#include "scheduler/item_starter.h"

namespace marrowby {

namespace {

class Win32ItemStarter : public ItemStarter {
 public:
  intptr_t StartProcess(const std::string& commandLine, uint32_t* error) override {
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_RESTORE;
    PROCESS_INFORMATION pi = {};
    // CreateProcessA may write into the command line buffer.
    std::vector<char> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back('\0');
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
      *error = GetLastError();
      return 0;
    }
    CloseHandle(pi.hThread);
    return reinterpret_cast<intptr_t>(pi.hProcess);
  }

  // Sleeps in MsgWaitForMultipleObjects until the process ends or a message
  // arrives; messages are dispatched as they come. A quit request marks the
  // application as terminating and is posted again for the main loop.
  void WaitForProcess(intptr_t process) override {
    HANDLE h = reinterpret_cast<HANDLE>(process);
    while (!ApplicationTerminated()) {
      const DWORD r = MsgWaitForMultipleObjects(1, &h, FALSE, INFINITE, QS_ALLINPUT);
      if (r != WAIT_OBJECT_0 + 1) return;  // ended, or the handle is unusable
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
          SetApplicationTerminated(true);
          PostQuitMessage(static_cast<int>(msg.wParam));
          return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
  }

  void CloseProcess(intptr_t process) override { CloseHandle(reinterpret_cast<HANDLE>(process)); }

  intptr_t ShellOpen(const std::string& item) override {
    HWND owner = static_cast<HWND>(CurrentApplicationWindow().ApplicationHandle());
    return reinterpret_cast<intptr_t>(
        ShellExecuteA(owner, "open", item.c_str(), "", nullptr, SW_SHOWNORMAL));
  }

  std::string FindProgram(const std::string& name) override {
    char path[MAX_PATH];
    const DWORD n = SearchPathA(nullptr, name.c_str(), ".exe", MAX_PATH, path, nullptr);
    if (n == 0 || n >= MAX_PATH) return {};
    const DWORD attrs = GetFileAttributesA(path);
    if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY)) return {};
    return std::string(path, n);
  }

  // Through the shell like the whole line, so that batch files and programs
  // that ask for elevation start as they would from Explorer; no error box
  // of the shell's own, the caller reports.
  bool StartProgram(const std::string& program, const std::string& parameters,
                    uint32_t* error) override {
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = "open";
    info.lpFile = program.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&info)) {
      *error = GetLastError();
      if (*error == 0) *error = ERROR_FILE_NOT_FOUND;
      return false;
    }
    if (info.hProcess) CloseHandle(info.hProcess);
    return true;
  }
};

}  // namespace

ItemStarter& PlatformItemStarter() {
  static Win32ItemStarter starter;
  return starter;
}

}  // namespace marrowby
