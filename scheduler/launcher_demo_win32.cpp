// A small demonstration of the engine: one slot, due three seconds from now,
// starts Notepad; the program reports the outcome and ends.
#include <windows.h>

#include <cstdio>

#include "core/errors.h"
#include "scheduler/launcher.h"

using namespace marrowby;

int main() {
  SetExceptionHandler([](const std::exception& e) { std::printf("error: %s\n", e.what()); });
  TLauncher slot(nullptr);
  slot.SetEnabled(false);
  slot.SetCommandLine("notepad.exe");
  slot.SetChecks({lcTime});
  slot.Time()->SetValue(TimeOf(Now()) + 3.0 / 86400.0);
  bool done = false;
  slot.AfterLaunch = [&](TObject*, int32_t result) {
    std::printf("launched \"%s\": result %d, error %u\n", slot.CommandLine().c_str(),
                static_cast<int>(result), static_cast<unsigned>(slot.LastError()));
    done = true;
  };
  slot.SetEnabled(true);
  std::printf("slot armed: \"%s\" is due at %02u:%02u:%02u\n", slot.CommandLine().c_str(),
              slot.Time()->Hour(), slot.Time()->Min(), slot.Time()->Sec());
  std::fflush(stdout);
  MSG msg;
  while (!done && GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return done ? 0 : 1;
}
