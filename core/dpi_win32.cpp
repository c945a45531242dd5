#include "core/dpi_win32.h"

#include "core/scoped_win32.h"

namespace marrowby {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

// Windows 10 version 1607 and later; null before.
GetDpiForWindowFn GetDpiForWindowFunction() {
  static const auto fn = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  return fn;
}

}  // namespace

int SystemDpi() {
  const ScopedWindowDC screen(nullptr);
  const int dpi = screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : kLayoutDpi;
}

int WindowDpi(HWND window) {
  if (GetDpiForWindowFn fn = GetDpiForWindowFunction()) {
    if (const UINT dpi = window ? fn(window) : 0) return static_cast<int>(dpi);
  }
  return SystemDpi();
}

void SetClientAreaSize(HWND window, int width, int height) {
  RECT outer, client;
  if (IsIconic(window) || !GetWindowRect(window, &outer) || !GetClientRect(window, &client)) return;
  if (client.right == width && client.bottom == height) return;
  // The frame is measured rather than computed from the window's styles:
  // the system draws it at the window's density or at the system's,
  // depending on the program's awareness and the system's version.
  const int frameWidth = (outer.right - outer.left) - client.right;
  const int frameHeight = (outer.bottom - outer.top) - client.bottom;
  SetWindowPos(window, nullptr, 0, 0, width + frameWidth, height + frameHeight,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HBITMAP BitmapAtDpi(HBITMAP bitmap, int dpi) {
  BITMAP info;
  if (!bitmap || dpi == kLayoutDpi || !GetObjectA(bitmap, sizeof(info), &info)) return bitmap;
  const int width = ScaleToDpi(info.bmWidth, dpi), height = ScaleToDpi(info.bmHeight, dpi);
  const ScopedWindowDC screen(nullptr);
  ScopedBitmap copy(CreateCompatibleBitmap(screen.Get(), width, height));
  ScopedMemoryDC from(CreateCompatibleDC(screen.Get()));
  ScopedMemoryDC to(CreateCompatibleDC(screen.Get()));
  if (!copy || !from || !to) return bitmap;
  {
    ScopedSelect source(from.Get(), bitmap);
    ScopedSelect target(to.Get(), copy.Get());
    SetStretchBltMode(to.Get(), COLORONCOLOR);
    StretchBlt(to.Get(), 0, 0, width, height, from.Get(), 0, 0, info.bmWidth, info.bmHeight,
               SRCCOPY);
  }
  DeleteObject(bitmap);
  return copy.Detach();
}

}  // namespace marrowby
