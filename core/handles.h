// The window system's handles, typed but named without its header: the
// system declares each handle as a pointer to a struct of its own (HWND is
// struct HWND__*), so declaring the structs here gives portable headers the
// very same types. A Win32 file passes an HWND where a NativeWindow is asked
// for, and back, without a cast.
#pragma once

struct HWND__;
struct HDC__;
struct HICON__;
struct HBITMAP__;
struct HBRUSH__;
struct HMENU__;
struct HDROP__;

namespace marrowby {

using NativeWindow = HWND__*;
using NativeDC = HDC__*;
using NativeIcon = HICON__*;  // icons and cursors alike
using NativeBitmap = HBITMAP__*;
using NativeBrush = HBRUSH__*;
using NativeMenu = HMENU__*;
using NativeDrop = HDROP__*;

}  // namespace marrowby
