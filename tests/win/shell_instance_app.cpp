// A small program with a single-instance guard, started by the tests in
// several copies at once:
//   shell_instance_app <title> <stop message or -> <activate 0|1> <mode> <report file>
// mode: "min" minimises the first copy, "dialog" makes it show a modal box,
// "plain" neither. Each copy appends what happened to the report file and
// exits with 10 as the running copy, 20 as a second copy.
#include <windows.h>

#include <cstdio>
#include <string>

#include "core/component.h"
#include "shell/single_instance.h"
#include "ui/application_win32.h"

using namespace marrowby;

namespace {

std::string g_report;

void Report(const std::string& line) {
  // Several copies write at once: open, append, close for every line.
  for (int attempt = 0; attempt < 50; ++attempt) {
    FILE* f = std::fopen(g_report.c_str(), "ab");
    if (f) {
      std::fprintf(f, "%s %lu\n", line.c_str(), GetCurrentProcessId());
      std::fclose(f);
      return;
    }
    Sleep(20);
  }
}

const UINT kShowDialog = WM_USER + 1;

LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kShowDialog:
      MessageBoxA(hwnd, "busy", "Dialog of the first copy", MB_OK);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND CreateMainWindow(HWND owner) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = MainProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "InstanceTestMain";
  RegisterClassA(&wc);
  return CreateWindowExA(0, "InstanceTestMain", "Main window", WS_OVERLAPPEDWINDOW, 50, 50, 300,
                         150, owner, nullptr, wc.hInstance, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) return 2;
  g_report = argv[5];
  const std::string mode = argv[4];
  TApplication& app = Application();
  app.SetTitle(argv[1]);

  HWND main = CreateMainWindow(app.Handle());
  app.SetMainWindow(main);
  TComponent form(nullptr);
  auto* guard = new TSingleInstance(&form);
  form.BeginLoading();
  guard->SetStopMsg(std::string(argv[2]) == "-" ? "" : argv[2]);
  guard->SetActivate(std::string(argv[3]) == "1");
  form.EndLoading();

  const bool first = guard->IsFirst();
  if (first) {
    Report("first");
    app.OnRestore = [](TObject*) { Report("restored"); };
    ShowWindow(app.Handle(), SW_SHOWNOACTIVATE);
    if (mode == "min") {
      // Minimised at once, before the main window is ever shown: activating
      // it would restore its owner a moment later on some window systems.
      app.Minimize();
    } else {
      ShowWindow(main, SW_SHOW);
    }
    if (mode == "dialog") PostMessageA(main, kShowDialog, 0, 0);
    Report("ready");
  } else {
    Report(guard->Quitting() ? "second quitting" : "second");
  }
  app.Run();
  Report(first ? "exit first" : "exit second");
  return first ? 10 : 20;
}
