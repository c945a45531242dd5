// Without a window system there are no icon handles.
#include "shell/icon_platform.h"

namespace marrowby {

int PlatformSmallIconSize() { return 16; }
NativeIcon PlatformCreateIcon(const std::string&, const IconEntry&) { return nullptr; }
void PlatformDestroyIcon(NativeIcon) {}

}  // namespace marrowby
