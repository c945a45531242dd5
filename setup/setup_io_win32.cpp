#include "setup/setup_io.h"

#include "setup/cstr.h"
#include "setup/setup_win32.h"

namespace marrowby::setup {

static_assert(kAccessRead == GENERIC_READ && kAccessWrite == GENERIC_WRITE, "access bits");
static_assert(kShareRead == FILE_SHARE_READ && kShareWrite == FILE_SHARE_WRITE, "share bits");
static_assert(kCreateNew == CREATE_NEW && kCreateAlways == CREATE_ALWAYS && kOpenExisting == OPEN_EXISTING &&
                  kTruncateExisting == TRUNCATE_EXISTING,
              "creation values");
static_assert(kAttrNormal == FILE_ATTRIBUTE_NORMAL && kAttrTemporary == FILE_ATTRIBUTE_TEMPORARY &&
                  kFlagRandomAccess == FILE_FLAG_RANDOM_ACCESS &&
                  kFlagSequentialScan == FILE_FLAG_SEQUENTIAL_SCAN,
              "attribute bits");
// kNoHandle (-1) is INVALID_HANDLE_VALUE, so handles pass through unchanged.

namespace {

HANDLE H(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

intptr_t Open(const char* path, const OpenParams& p) {
  return reinterpret_cast<intptr_t>(CreateFileW(Wide(path).text, p.access, p.share, nullptr,
                                                p.creation, p.attributes, nullptr));
}

uint32_t Read(intptr_t h, void* buffer, uint32_t count) {
  DWORD n = 0;
  return ReadFile(H(h), buffer, count, &n, nullptr) ? n : kIoError;
}

uint32_t Write(intptr_t h, const void* buffer, uint32_t count) {
  DWORD n = 0;
  return WriteFile(H(h), buffer, count, &n, nullptr) ? n : kIoError;
}

int32_t Seek(intptr_t h, int32_t distance, int origin) {
  const DWORD pos = SetFilePointer(H(h), distance, nullptr, static_cast<DWORD>(origin));
  return pos == INVALID_SET_FILE_POINTER ? -1 : static_cast<int32_t>(pos);
}

bool Close(intptr_t h) { return CloseHandle(H(h)) != FALSE; }

int64_t Size(intptr_t h) {
  DWORD high = 0;
  const DWORD low = GetFileSize(H(h), &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return -1;
  return static_cast<int64_t>(static_cast<uint64_t>(high) << 32 | low);
}

void* Alloc(uint32_t bytes) { return GlobalAlloc(GMEM_FIXED, bytes); }

void Release(void* block) { GlobalFree(block); }

}  // namespace

const SetupIo kWin32Io = {Open,  Read,    Write,     Seek,      Close,
                          Size,  Alloc,   Release,   HashBegin, HashAdd,
                          HashFinish};

bool ToWide(UINT codePage, const char* text, wchar_t* out, int capacity) {
  if (MultiByteToWideChar(codePage, 0, text, -1, out, capacity)) return true;
  out[0] = 0;
  return false;
}

WidePath Wide(const char* utf8) {
  WidePath w;
  ToWide(CP_UTF8, utf8, w.text, MAX_PATH);
  return w;
}

bool Utf8(const wchar_t* wide, char* out, size_t capacity) {
  return WideCharToMultiByte(CP_UTF8, 0, wide, -1, out, static_cast<int>(capacity), nullptr,
                             nullptr) != 0;
}

bool ToUtf8(UINT codePage, const char* text, char* out, size_t capacity) {
  wchar_t w[MAX_PATH];
  if (ToWide(codePage, text, w, MAX_PATH) && Utf8(w, out, capacity)) return true;
  out[0] = 0;
  return false;
}

bool PathExists(const char* path) {
  char pattern[kPathBytes + 4];
  if (!TextCopy(pattern, sizeof(pattern), path)) return false;
  for (char* p = pattern; *p; ++p) {
    if (*p == '/') *p = '\\';
  }
  const size_t n = TextLength(pattern);
  if (n > 0 && pattern[n - 1] == '\\' && !TextAppend(pattern, sizeof(pattern), "*.*")) return false;
  WIN32_FIND_DATAW found;
  const HANDLE h = FindFirstFileW(Wide(pattern).text, &found);
  if (h == INVALID_HANDLE_VALUE) return false;
  FindClose(h);
  return true;
}

}  // namespace marrowby::setup
