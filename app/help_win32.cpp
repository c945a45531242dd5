#include "app/help_win32.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "app/help_target.h"
#include "ui/application_win32.h"

namespace marrowby {

namespace {

// The guide is found and opened through the system's wide functions, with
// its path held as UTF-8: the program folder may hold characters that the
// ANSI code page has no form for (a Cyrillic "Program Files" folder on a
// Western system), which the ANSI functions turn into "?", so that the guide
// would be called missing. (Plain buffers, no std::wstring: the runtime's
// wide string would add tens of kilobytes to the program.)
constexpr int kWideText = 4096;  // a path of MAX_PATH characters, percent-encoded, and more

// UTF-8 text as wide text; empty when it does not fit.
void ToWide(const std::string& utf8, wchar_t* out) {
  if (!MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, out, kWideText)) out[0] = L'\0';
}

std::string ProgramFolder() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  char utf8[3 * MAX_PATH];
  const int m = n < MAX_PATH ? WideCharToMultiByte(CP_UTF8, 0, path, static_cast<int>(n), utf8,
                                                   sizeof(utf8), nullptr, nullptr)
                             : 0;
  const std::string dir(utf8, m > 0 ? static_cast<size_t>(m) : 0);
  return dir.substr(0, dir.find_last_of("\\/") + 1);
}

bool FileExists(const std::string& path) {
  wchar_t wide[kWideText];
  ToWide(path, wide);
  const DWORD a = GetFileAttributesW(wide);
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
  wchar_t file[kWideText], text[kWideText], browser[MAX_PATH] = L"";
  ToWide(guide, file);
  const auto found = reinterpret_cast<INT_PTR>(FindExecutableW(file, nullptr, browser));
  INT_PTR r = 0;
  if (found > 32 && browser[0]) {
    // The address carries the path's characters as percent-encoded UTF-8.
    ToWide("\"" + help::GuideUrl(guide, context) + "\"", text);
    r = reinterpret_cast<INT_PTR>(ShellExecuteW(owner, L"open", browser, text, nullptr, SW_SHOWNORMAL));
  }
  if (r <= 32) {
    r = reinterpret_cast<INT_PTR>(ShellExecuteW(owner, L"open", file, nullptr, nullptr, SW_SHOWNORMAL));
  }
  if (r <= 32) {
    ToWide("The user guide could not be opened:\n" + guide +
               "\n\nNo program is set to open web pages (.html files).",
           text);
    MessageBoxW(owner, text, L"Help", MB_OK | MB_ICONERROR);
  }
}

bool ServeHelp(TApplication& app, UINT command, ULONG_PTR data) {
  const std::string folder = ProgramFolder();
  const bool hlp = FileExists(folder + help::kHelpFile);
  if (help::ChooseViewer(hlp, WinHelpShowsFiles()) == help::Viewer::WinHelp) return false;
  HWND owner = app.MainWindow() ? app.MainWindow() : app.Handle();
  const std::string guide = folder + help::kGuideFile;
  if (!FileExists(guide)) {
    wchar_t text[kWideText];
    ToWide("The user guide is missing:\n" + guide +
               "\n\nInstall Marrowby Schedule Manager again to restore it.",
           text);
    MessageBoxW(owner, text, L"Help", MB_OK | MB_ICONERROR);
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
