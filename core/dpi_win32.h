// The dots per inch of the screen and of windows (Win32), and the sizes that
// follow from them: a window's client area under its frame, icons.
#pragma once

#include <windows.h>

#include "core/dpi.h"

namespace marrowby {

// Sent to a top-level window of a per-monitor aware program whose dots per
// inch changed (it moved to another screen, or the user changed the scale):
// wParam holds the new dots per inch, lParam the suggested window rectangle.
inline constexpr UINT kDpiChangedMessage = 0x02E0;  // WM_DPICHANGED

// The system's dots per inch: the primary screen's when the user signed in.
// Windows uses it for everything that is not a window of its own (the
// system's metrics and fonts, menus, the notification area).
int SystemDpi();
// The dots per inch a window is shown at: that of its screen where the
// system says so (Windows 10 version 1607 and later), else the system's.
int WindowDpi(HWND window);

// Gives the window a client area of width x height pixels whatever its
// frame takes (a frame drawn at the window's own density included).
void SetClientAreaSize(HWND window, int width, int height);

// The sizes of an icon and of a small icon at a density: 32 and 16 pixels at
// 96 dots per inch, as the system's SM_CXICON and SM_CXSMICON scale.
inline int IconSizeAt(int dpi) { return ScaleToDpi(32, dpi); }
inline int SmallIconSizeAt(int dpi) { return ScaleToDpi(16, dpi); }

// A picture of the layout (drawn for 96 dots per inch) at dpi: the bitmap
// itself at 96, else a copy stretched by dpi/96 with its pixels repeated, so
// that its colours (a transparent colour among them) stay exact. The caller
// owns what it gets; the bitmap given is freed when a copy is made.
HBITMAP BitmapAtDpi(HBITMAP bitmap, int dpi);

}  // namespace marrowby
