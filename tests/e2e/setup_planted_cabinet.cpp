// A hostile Cabinet.dll, planted beside a package by the tests: loading it
// leaves a marker file, and its entry points refuse to work. The setup
// program must never load it.
#include <windows.h>

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    char path[MAX_PATH];
    const DWORD n = GetTempPathA(MAX_PATH - 32, path);
    if (n > 0 && n < MAX_PATH - 32) {
      lstrcatA(path, "planted-cabinet-loaded.txt");
      HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
  }
  return TRUE;
}

__declspec(dllexport) void* __cdecl FDICreate() { return nullptr; }
__declspec(dllexport) BOOL __cdecl FDIIsCabinet() { return FALSE; }
__declspec(dllexport) BOOL __cdecl FDICopy() { return FALSE; }
__declspec(dllexport) BOOL __cdecl FDIDestroy() { return FALSE; }

}  // extern "C"
