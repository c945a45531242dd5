// The start-up steps that only read and write files: reading the header and
// the texts of the package, choosing the temporary directory, placing the
// cabinet library copy and joining a split package. They work through the
// I/O table (setup_io.h) and report through results and the error flag.
#pragma once

#include <stdint.h>

#include "setup/setup_state.h"

namespace marrowby::setup {

// The fixed notice prefix, unscrambled into state->noticePrefix.
void UnscrambleNoticePrefix(SetupState* state);

constexpr uint32_t kMaxTempBases = 4;

// The folders the working folder may be made in, best first. The INF path
// goes unquoted into the installer's command line, so none may hold a space:
// the temporary path, else its short form; then the Windows directory's Temp
// folder, which every user may write; the system directory only for an
// elevated process (a standard user cannot write there). A path of 0 or 1
// characters is no folder. Fills bases and returns how many there are.
uint32_t TempDirBases(const char* tempPath, const char* shortTempPath, const char* windowsTemp,
                      const char* systemDir, bool elevated, const char* bases[kMaxTempBases]);

// "<base>\$Tessara.Tmp\" (base without its trailing backslashes) into out;
// false when it does not fit.
bool UsualWorkDir(const char* base, char* out, size_t capacity);

enum class LoadResult { kOk, kNoMagic, kCorrupted, kBadInfName };

// Seeks to the header and reads it; kNoMagic on a short read or a wrong magic.
LoadResult ReadPackageHeader(intptr_t h, PackageHeader* header);

// Checks the header's lengths against the file (fileSize bytes), then reads
// the title, INF name, notice, welcome and licence texts that follow the
// header, unscrambling the last three, and computes the cabinet offset.
// kCorrupted when a length is impossible or a read comes up short;
// kBadInfName when the INF name is not a plain file name (CheckInfName).
LoadResult ReadPackageTexts(intptr_t h, uint64_t fileSize, SetupState* state);

// The integrity test of a single-file package: its size equals the size in
// the header, or it is that package followed by its signature
// (state.certificate, PackageEnd). A split package is checked by its rebuild
// instead.
bool PackageSizeMatches(const SetupState& state, uint64_t fileSize);

enum class LibraryPlacement { kExists, kWritten, kNotAnImage, kCannotCreate, kFailed };

// Writes the package's copy of the cabinet library to <systemDir>\Cabinet.dll
// when no file of that name exists. Never replaces a file, and never writes a
// copy that is not a PE image (a package built without one holds zeros there).
// kFailed (a read or write error) sets the error flag.
LibraryPlacement PlaceCabinetLibrary(SetupState* state, intptr_t packageHandle,
                                     bool (*exists)(const char* path));

// True when the bytes start an executable image ("MZ" with a "PE" header).
bool IsPeImage(const uint8_t* bytes, uint32_t n);

// Answer of the disk prompt: true to try the same part again, false to give up.
using DiskPrompt = bool (*)(uint32_t partNumber);

// Joins the parts of a split package into <tempDir>Tessara.pkg, which becomes
// the package path. Part 1 is read through state->packageHandle (the
// program's own file, as start-up checked it), which is closed; the rebuilt
// file, created here and shared for reading only, takes its place and stays
// open. A part record is checked by reading the rebuilt file back through
// that handle, the one extraction reads; it needs SHA-256, without which
// nothing is joined. Of part 1 only its recorded size is joined: a signature
// may follow it (state->certificate). Any failure, a part that delivers
// fewer bytes than its size, or a cancelled prompt sets the error flag and
// ends the rebuild; state->partProblem then says why, when the generic
// rebuild message would not.
void RebuildPackage(SetupState* state, DiskPrompt prompt);

}  // namespace marrowby::setup
