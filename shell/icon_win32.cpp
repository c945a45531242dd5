// Icon handles from icon file images.
#include <windows.h>

#include "shell/icon_platform.h"

namespace marrowby {

int PlatformSmallIconSize() { return GetSystemMetrics(SM_CXSMICON); }

HICON PlatformCreateIcon(const std::string& image, const IconEntry& entry) {
  // The picture's bytes are a resource-format icon image (a DIB with its
  // mask, or a PNG); its own size is kept, the shell scales it to fit.
  auto* bits = reinterpret_cast<BYTE*>(const_cast<char*>(image.data() + entry.Offset));
  return CreateIconFromResourceEx(bits, static_cast<DWORD>(entry.Size), TRUE, 0x00030000,
                                  entry.Width, entry.Height, LR_DEFAULTCOLOR);
}

void PlatformDestroyIcon(HICON handle) { DestroyIcon(handle); }

}  // namespace marrowby
