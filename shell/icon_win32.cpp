// Icon handles from icon file images.
#include <windows.h>

#include "shell/icon_platform.h"

namespace marrowby {

int PlatformSmallIconSize() { return GetSystemMetrics(SM_CXSMICON); }

HICON PlatformCreateIcon(const std::string& image, const IconEntry& entry) {
  // The picture's bytes are a resource-format icon image (a DIB with its
  // mask, or a PNG). The icon is made at the size the notification area
  // shows, the small icon's at the system's density, so that the shell does
  // not scale it again.
  auto* bits = reinterpret_cast<BYTE*>(const_cast<char*>(image.data() + entry.Offset));
  const int size = PlatformSmallIconSize();
  return CreateIconFromResourceEx(bits, static_cast<DWORD>(entry.Size), TRUE, 0x00030000, size,
                                  size, LR_DEFAULTCOLOR);
}

void PlatformDestroyIcon(HICON handle) { DestroyIcon(handle); }

}  // namespace marrowby
