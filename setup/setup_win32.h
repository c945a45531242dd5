// The Win32 side of the setup program: what its files share with each other.
#pragma once

#include <windows.h>

#include "setup/install_commands.h"
#include "setup/setup_io.h"
#include "setup/setup_state.h"

namespace marrowby::setup {

// The Win32 file table for the I/O table (setup_io.h).
extern const SetupIo kWin32Io;

// Paths are held as UTF-8 and handed to the system's wide functions, so that
// folders named in any script work; the package's texts and a cabinet's
// unflagged names are Windows-1252 (code page 1252).
//
// Text in a code page (CP_UTF8 or 1252) as wide text into out; false, and
// empty, when it does not fit. Bytes that are no UTF-8 become U+FFFD.
bool ToWide(UINT codePage, const char* text, wchar_t* out, int capacity);
// The wide form of a path; empty when it is too long, so that the call it is
// given to fails.
struct WidePath {
  wchar_t text[MAX_PATH];
};
WidePath Wide(const char* utf8);
// The UTF-8 form of wide text into out; false when it does not fit.
bool Utf8(const wchar_t* wide, char* out, size_t capacity);
// Text of up to MAX_PATH - 1 characters in a code page as UTF-8, in the one
// spelling UTF-8 has for it; false, and empty, when it does not convert or
// fit.
bool ToUtf8(UINT codePage, const char* text, char* out, size_t capacity);
// A message box for text and caption in a code page (CP_UTF8 for texts that
// name paths or files, 1252 for the package's own texts), shown through the
// wide function so that every character shows as it is.
int MessageBoxText(UINT codePage, HWND owner, const char* text, const char* caption, UINT flags);
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
// True when the process runs with the Administrators group enabled, and
// elevated where Windows has UAC.
bool IsElevated();

// Start-up and exit clean-up of the process; the dialog runs in between.
// ownPath is the package to start from, taken as unsigned; null for the
// program's own file, whose signature the headers of its image name.
bool StartUp(const char* ownPath = nullptr);
void ExitCleanUp();
// The Administrators group in the token of the thread, else of the process,
// with any attributes, and where Windows has UAC an elevated token; always
// true outside the NT family.
bool HasAdministrativeRights();
// The rights test start-up uses: HasAdministrativeRights when null, else the
// test's own (the test user under Wine is always an administrator).
extern bool (*g_rightsTest)();
bool LoadCabinetLibrary();
void FreeCabinetLibrary();
bool CreateDirectoryTree(const char* path);
// Makes the working folder in the first of the bases that takes it: the usual
// temporary directory when no such folder exists, else the first free
// suffixed name; never an existing folder, never a link. An elevated process
// gives it an access list of its own (owner, SYSTEM, Administrators), which
// the files made in it inherit. Sets g_state.tempDir and holds the folder
// open. False when none could be made.
bool CreateWorkDir(const char* const* bases, uint32_t count, bool elevated);
// Makes the /X: folder (a path as given, relative to the current folder)
// with its parents, and sets g_state.extractDir to its full path; false,
// and extractDir empty, when it cannot be made or is not empty.
bool PrepareExtractFolder(const char* folder);
// Lets go of the working folder and removes it when this process made it and
// it is empty.
void RemoveWorkDir();
// Where the system offers it, restricts the search for libraries loaded by
// name (by the stub or by the system's own libraries) to the system
// directory, so that nothing is loaded from the package's folder.
void RestrictLibrarySearch();

// Extracts the package's cabinet into the temporary directory; sets
// g_state.extractionSucceeded and reports failures itself. The progress
// routine gets each file's name as UTF-8.
using ProgressRoutine = void (*)(const char* name);
void ExtractCabinet(HWND dialog, ProgressRoutine progress);

// Runs the INF installer(s) and waits for them, and tells how they ended;
// deletes the extracted files, letting go of each first.
InstallOutcome InstallInf(HWND dialog);
void DeleteExtractedFiles(HWND dialog);

// Removes, translates and dispatches at most one pending message.
void PumpOneMessage();
// The status text: the package's own texts (Windows-1252 as packed), and
// texts that carry a path or a file name (UTF-8).
void SetStatusText(HWND dialog, const char* text);
void SetStatusTextUtf8(HWND dialog, const char* text);

}  // namespace marrowby::setup
