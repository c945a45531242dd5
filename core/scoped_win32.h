// Owners of Win32 handles that close them once, at the end of their scope.
// None can be copied, so no handle is closed twice; Detach gives a handle
// up, Reset closes it and takes another.
#pragma once

#include <windows.h>

namespace marrowby {

template <class Handle, class Closer>
class ScopedHandle {
 public:
  explicit ScopedHandle(Handle handle = nullptr) : handle_(handle) {}
  ~ScopedHandle() { Close(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  Handle Detach() {
    Handle handle = handle_;
    handle_ = nullptr;
    return handle;
  }
  void Reset(Handle handle = nullptr) {
    Close();
    handle_ = handle;
  }

 private:
  void Close() {
    if (handle_) Closer::Close(handle_);
    handle_ = nullptr;
  }
  Handle handle_;
};

struct GdiObjectCloser {
  static void Close(HGDIOBJ object) { DeleteObject(object); }
};
struct MemoryDCCloser {
  static void Close(HDC dc) { DeleteDC(dc); }
};
struct MenuCloser {
  static void Close(HMENU menu) { DestroyMenu(menu); }
};
struct KernelHandleCloser {
  static void Close(HANDLE handle) { CloseHandle(handle); }
};
struct LocalMemoryCloser {
  static void Close(void* memory) { LocalFree(memory); }
};

// A font, brush or bitmap of one's own (DeleteObject).
template <class Object>
using ScopedGdiObject = ScopedHandle<Object, GdiObjectCloser>;
using ScopedFont = ScopedGdiObject<HFONT>;
using ScopedBrush = ScopedGdiObject<HBRUSH>;
using ScopedBitmap = ScopedGdiObject<HBITMAP>;
// A device context made with CreateCompatibleDC (DeleteDC).
using ScopedMemoryDC = ScopedHandle<HDC, MemoryDCCloser>;
using ScopedMenu = ScopedHandle<HMENU, MenuCloser>;
// A kernel object: a thread, a process, a mutex (null when there is none).
using ScopedKernelHandle = ScopedHandle<HANDLE, KernelHandleCloser>;
// Memory the system allocated for the caller (LocalFree).
template <class T>
using ScopedLocalMemory = ScopedHandle<T*, LocalMemoryCloser>;

// The device context of a window, or of the screen for null (ReleaseDC).
class ScopedWindowDC {
 public:
  explicit ScopedWindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~ScopedWindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  ScopedWindowDC(const ScopedWindowDC&) = delete;
  ScopedWindowDC& operator=(const ScopedWindowDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// An object selected into a device context; the one it replaced is put back.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~ScopedSelect() { SelectObject(dc_, old_); }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace marrowby
