// The file system on Windows. The few calls that write go through a table so
// that tests can copy it and make one of them fail.
#pragma once

#include <windows.h>

#include "core/file_system.h"

namespace marrowby {

struct Win32FileApi {
  HANDLE(WINAPI* createFile)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
  BOOL(WINAPI* writeFile)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
  BOOL(WINAPI* flushFileBuffers)(HANDLE);
  BOOL(WINAPI* moveFileEx)(LPCSTR, LPCSTR, DWORD);
  static Win32FileApi Default();
};

class Win32FileSystem : public FileSystem {
 public:
  explicit Win32FileSystem(const Win32FileApi& api = Win32FileApi::Default()) : api_(api) {}

  FileStatus Read(const std::string& path, std::string* data) override;
  // Writes "<path>~", flushes it to disk and moves it over path
  // (MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH), keeping the
  // hidden and system attributes of the file it replaces.
  FileStatus Replace(const std::string& path, const std::string& data) override;
  FileStatus MakeDirectory(const std::string& dir) override;
  // Opens with FILE_APPEND_DATA only, so the one WriteFile lands at the end
  // of the file even with other writers.
  FileStatus Append(const std::string& path, const std::string& data) override;
  FileStatus Size(const std::string& path, uint64_t* size) override;
  FileStatus Rename(const std::string& from, const std::string& to) override;
  std::string WindowsDirectory() override;
  // CSIDL_LOCAL_APPDATA, else %LOCALAPPDATA%.
  std::string UserDataDirectory() override;
  std::string FullPath(const std::string& name) override;
  char Separator() const override { return '\\'; }

  // Files larger than this are not settings files; reading them fails.
  static constexpr DWORD kMaxFileSize = 64u << 20;

 private:
  Win32FileApi api_;
};

}  // namespace marrowby
