// The platform side of icons: making an icon handle from one picture of an
// icon file image, and destroying it (icon_win32.cpp; elsewhere there are no
// handles).
#pragma once

#include <string>

#include "shell/icon.h"

namespace marrowby {

// The size of the icons the notification area shows (pixels).
int PlatformSmallIconSize();
// A new icon handle from one picture of image, or null.
NativeIcon PlatformCreateIcon(const std::string& image, const IconEntry& entry);
void PlatformDestroyIcon(NativeIcon handle);

}  // namespace marrowby
