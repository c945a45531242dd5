#include "app/help_win32.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "app/help_target.h"
#include "ui/application_win32.h"

namespace marrowby {

namespace {

std::string ProgramFolder() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, n < MAX_PATH ? n : 0);
  return dir.substr(0, dir.find_last_of("\\/") + 1);
}

bool FileExists(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// Windows Vista and later carry a WinHelp viewer that only says it cannot
// show help files; Wine's viewer shows them.
bool WinHelpShowsFiles() {
  if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")) return true;
  OSVERSIONINFOA v = {};
  v.dwOSVersionInfoSize = sizeof(v);
  return GetVersionExA(&v) && v.dwMajorVersion < 6;
}

// A browser opened on a file URL keeps its "#anchor" only when the URL is
// handed to it as its argument; the shell, asked to open the file itself,
// would drop the anchor. So the program that opens HTML files is looked up
// and started with the URL; without one the guide opens at its beginning.
void OpenGuide(HWND owner, const std::string& guide, int context) {
  char browser[MAX_PATH] = "";
  const auto found =
      reinterpret_cast<INT_PTR>(FindExecutableA(guide.c_str(), nullptr, browser));
  const std::string url = help::GuideUrl(guide, context);
  INT_PTR r = 0;
  if (found > 32 && browser[0]) {
    const std::string args = "\"" + url + "\"";
    r = reinterpret_cast<INT_PTR>(
        ShellExecuteA(owner, "open", browser, args.c_str(), nullptr, SW_SHOWNORMAL));
  }
  if (r <= 32) {
    r = reinterpret_cast<INT_PTR>(
        ShellExecuteA(owner, "open", guide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  }
  if (r <= 32) {
    const std::string text = "The user guide could not be opened:\n" + guide +
                             "\n\nNo program is set to open web pages (.html files).";
    MessageBoxA(owner, text.c_str(), "Help", MB_OK | MB_ICONERROR);
  }
}

bool ServeHelp(TApplication& app, UINT command, ULONG_PTR data) {
  const std::string folder = ProgramFolder();
  const bool hlp = FileExists(folder + help::kHelpFile);
  if (help::ChooseViewer(hlp, WinHelpShowsFiles()) == help::Viewer::WinHelp) return false;
  HWND owner = app.MainWindow() ? app.MainWindow() : app.Handle();
  const std::string guide = folder + help::kGuideFile;
  if (!FileExists(guide)) {
    const std::string text = "The user guide is missing:\n" + guide +
                             "\n\nInstall Marrowby Schedule Manager again to restore it.";
    MessageBoxA(owner, text.c_str(), "Help", MB_OK | MB_ICONERROR);
    return true;
  }
  const int context = command == HELP_CONTEXT ? static_cast<int>(data) : 0;
  OpenGuide(owner, guide, context);
  return true;
}

}  // namespace

void InstallHelp(TApplication& app) {
  app.OnHelp = [&app](UINT command, ULONG_PTR data) { return ServeHelp(app, command, data); };
}

}  // namespace marrowby
