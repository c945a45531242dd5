// The Win32 side of the setup program: what its files share with each other.
#pragma once

#include <windows.h>

#include "setup/setup_io.h"
#include "setup/setup_state.h"

namespace marrowby::setup {

// The Win32 file table for the I/O table (setup_io.h).
extern const SetupIo kWin32Io;
// SHA-256 through the system's CryptoAPI, for the I/O table.
void* HashBegin();
bool HashAdd(void* context, const void* data, uint32_t count);
bool HashFinish(void* context, uint8_t* digest);
// A path that ends with a backslash exists when a search for "*.*" inside it
// finds an entry; any other path when a search for itself does. Forward
// slashes count as backslashes.
bool PathExists(const char* path);

// Message boxes without an owner window.
void ErrorBox(const char* text);
// Shows a generic run-time error and ends the process at once.
[[noreturn]] void FatalRunTimeError(const char* text);
// True on the NT family (GetVersionExA platform id 2).
bool IsNtFamily();

// Start-up and exit clean-up of the process; the dialog runs in between.
bool StartUp();
void ExitCleanUp();
bool HasAdministrativeRights();
bool LoadCabinetLibrary();
void FreeCabinetLibrary();
bool CreateDirectoryTree(const char* path);

// Extracts the package's cabinet into the temporary directory; sets
// g_state.extractionSucceeded and reports failures itself.
using ProgressRoutine = void (*)(const char* name);
void ExtractCabinet(HWND dialog, ProgressRoutine progress);

// Runs the INF installer(s) and waits for them; deletes the extracted files.
void InstallInf(HWND dialog);
void DeleteExtractedFiles(HWND dialog);

// Removes, translates and dispatches at most one pending message.
void PumpOneMessage();
void SetStatusText(HWND dialog, const char* text);

}  // namespace marrowby::setup
