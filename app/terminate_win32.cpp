// What happens when an exception escapes everything (a bug: every callback
// hands its exceptions to the application's error box). The C++ runtime's
// own handler writes the exception's type to the standard error stream, which
// a GUI program does not have, and brings the runtime's name demangler into
// the image with it (some 45 KB). This one says so in a message box and ends
// the program as that handler does.
#include <windows.h>

#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
  MessageBoxA(nullptr,
              "Marrowby Schedule Manager has met an internal error and must close.\n"
              "Changes made since it started have not been saved.",
              "Marrowby Schedule Manager", MB_OK | MB_ICONERROR | MB_TASKMODAL);
  std::abort();
}

}  // namespace __gnu_cxx
