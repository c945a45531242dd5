// The Win32 side of the setup program: what its files share with each other.
#pragma once

#include <windows.h>

#include "setup/install_commands.h"
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
// ownPath is the package to start from; null for the program's own file.
bool StartUp(const char* ownPath = nullptr);
void ExitCleanUp();
bool HasAdministrativeRights();
// The rights test start-up uses: HasAdministrativeRights when null, else the
// test's own (the test user under Wine is always an administrator).
extern bool (*g_rightsTest)();
bool LoadCabinetLibrary();
void FreeCabinetLibrary();
bool CreateDirectoryTree(const char* path);
// Makes the working folder: the usual temporary directory when no such folder
// exists, else the first free suffixed name; never an existing folder, never
// a link. Sets g_state.tempDir and holds the folder open. False when none
// could be made.
bool CreateWorkDir();
// Lets go of the working folder and removes it when this process made it and
// it is empty.
void RemoveWorkDir();
// Where the system offers it, restricts the search for libraries loaded by
// name (by the stub or by the system's own libraries) to the system
// directory, so that nothing is loaded from the package's folder.
void RestrictLibrarySearch();

// Extracts the package's cabinet into the temporary directory; sets
// g_state.extractionSucceeded and reports failures itself.
using ProgressRoutine = void (*)(const char* name);
void ExtractCabinet(HWND dialog, ProgressRoutine progress);

// Runs the INF installer(s) and waits for them, and tells how they ended;
// deletes the extracted files.
InstallOutcome InstallInf(HWND dialog);
void DeleteExtractedFiles(HWND dialog);

// Removes, translates and dispatches at most one pending message.
void PumpOneMessage();
void SetStatusText(HWND dialog, const char* text);

}  // namespace marrowby::setup
