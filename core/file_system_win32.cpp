#include "core/file_system_win32.h"

#include <shlobj.h>

namespace marrowby {

namespace {

FileStatus FromError(DWORD err) {
  switch (err) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return FileStatus::NotFound;
    case ERROR_ACCESS_DENIED:
      return FileStatus::AccessDenied;
    case ERROR_WRITE_PROTECT:
      return FileStatus::ReadOnly;
    default:
      return FileStatus::Failed;
  }
}

// Another program reading the old file (a virus scanner, an indexer, an
// editor) makes the replace fail for a moment with a sharing violation or
// access denied. Waiting briefly and trying again keeps the settings where
// they are instead of reporting a failure, or moving them to the per-user
// folder, for a lock that lasts milliseconds.
bool MoveRetrying(const Win32FileApi& api, const std::string& from, const std::string& to) {
  for (int tries = 1;; ++tries) {
    if (api.moveFileEx(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    const DWORD err = GetLastError();
    if (tries == 20 || (err != ERROR_SHARING_VIOLATION && err != ERROR_ACCESS_DENIED)) {
      SetLastError(err);
      return false;
    }
    Sleep(25);
  }
}

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return h_; }
  bool Close() {
    if (!Valid()) return true;
    const BOOL ok = CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return ok != FALSE;
  }

 private:
  HANDLE h_;
};

}  // namespace

Win32FileApi Win32FileApi::Default() {
  return Win32FileApi{&CreateFileA, &WriteFile, &FlushFileBuffers, &MoveFileExA};
}

std::string Win32FileSystem::WindowsDirectory() {
  char buf[MAX_PATH];
  const UINT n = GetWindowsDirectoryA(buf, MAX_PATH);
  return std::string(buf, n < MAX_PATH ? n : 0);
}

std::string Win32FileSystem::UserDataDirectory() {
  char buf[MAX_PATH];
  if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buf))) {
    return buf;
  }
  const DWORD n = GetEnvironmentVariableA("LOCALAPPDATA", buf, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(buf, n) : std::string();
}

std::string Win32FileSystem::FullPath(const std::string& name) {
  char buf[MAX_PATH];
  char* filePart = nullptr;
  const DWORD n = GetFullPathNameA(name.c_str(), MAX_PATH, buf, &filePart);
  return n > 0 && n < MAX_PATH ? std::string(buf, n) : name;
}

FileStatus Win32FileSystem::Read(const std::string& path, std::string* data) {
  // A program that holds the file without sharing it (a virus scanner, a
  // backup) lets go within moments: wait for that briefly, as a replace does.
  HANDLE opened = INVALID_HANDLE_VALUE;
  for (int tries = 1;; ++tries) {
    opened = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened != INVALID_HANDLE_VALUE || tries == 20 || GetLastError() != ERROR_SHARING_VIOLATION) {
      break;
    }
    Sleep(25);
  }
  Handle h(opened);
  if (!h.Valid()) return FromError(GetLastError());
  LARGE_INTEGER size;
  if (!GetFileSizeEx(h.Get(), &size) || size.QuadPart > kMaxFileSize) return FileStatus::Failed;
  data->assign(static_cast<size_t>(size.QuadPart), '\0');
  DWORD done = 0;
  while (done < data->size()) {
    DWORD n = 0;
    if (!ReadFile(h.Get(), &(*data)[done], static_cast<DWORD>(data->size()) - done, &n, nullptr)) {
      return FileStatus::Failed;
    }
    if (n == 0) break;  // the file shrank meanwhile
    done += n;
  }
  data->resize(done);
  return FileStatus::Ok;
}

FileStatus Win32FileSystem::Replace(const std::string& path, const std::string& data) {
  const DWORD attrs = GetFileAttributesA(path.c_str());
  if (attrs != INVALID_FILE_ATTRIBUTES) {
    if (attrs & FILE_ATTRIBUTE_DIRECTORY) return FileStatus::Failed;
    // Marked read-only by the user: refused, and left as it is.
    if (attrs & FILE_ATTRIBUTE_READONLY) return FileStatus::ReadOnly;
  }
  const std::string temp = path + "~";
  Handle h(api_.createFile(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Valid()) return FromError(GetLastError());
  bool ok = true;
  size_t done = 0;
  while (ok && done < data.size()) {
    const size_t chunk = data.size() - done < (1u << 20) ? data.size() - done : (1u << 20);
    DWORD n = 0;
    ok = api_.writeFile(h.Get(), data.data() + done, static_cast<DWORD>(chunk), &n, nullptr) && n > 0;
    done += n;
  }
  // The new file must be on disk before it takes the old one's place, or a
  // power failure could leave an empty settings file.
  ok = ok && api_.flushFileBuffers(h.Get());
  ok = h.Close() && ok;
  if (ok && MoveRetrying(api_, temp, path)) {
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) {
      SetFileAttributesA(path.c_str(), attrs & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                FILE_ATTRIBUTE_ARCHIVE));
    }
    return FileStatus::Ok;
  }
  const DWORD err = GetLastError();
  DeleteFileA(temp.c_str());
  return ok ? FromError(err) : FileStatus::Failed;
}

FileStatus Win32FileSystem::MakeDirectory(const std::string& dir) {
  for (size_t i = 3; i <= dir.size(); ++i) {
    if (i < dir.size() && dir[i] != '\\' && dir[i] != '/') continue;
    const std::string part = dir.substr(0, i);
    if (!CreateDirectoryA(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      const DWORD err = GetLastError();
      // A drive root or a share refuses to be created but is there.
      if (GetFileAttributesA(part.c_str()) == INVALID_FILE_ATTRIBUTES) return FromError(err);
    }
  }
  return FileStatus::Ok;
}

FileStatus Win32FileSystem::Append(const std::string& path, const std::string& data) {
  Handle h(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Valid()) return FromError(GetLastError());
  DWORD n = 0;
  if (!WriteFile(h.Get(), data.data(), static_cast<DWORD>(data.size()), &n, nullptr)) {
    return FromError(GetLastError());
  }
  if (n != data.size()) return FileStatus::Failed;  // the disk is full
  return h.Close() ? FileStatus::Ok : FileStatus::Failed;
}

FileStatus Win32FileSystem::Size(const std::string& path, uint64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info)) {
    return FromError(GetLastError());
  }
  *size = static_cast<uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
  return FileStatus::Ok;
}

FileStatus Win32FileSystem::Rename(const std::string& from, const std::string& to) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return FileStatus::Ok;
  return FromError(GetLastError());
}

FileSystem& PlatformFileSystem() {
  static Win32FileSystem fs;
  return fs;
}

}  // namespace marrowby
