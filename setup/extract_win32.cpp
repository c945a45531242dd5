// Extraction of the package's cabinet with the system's cabinet library,
// bound at run time.
#include <windows.h>
// fdi.h relies on the Windows types being declared before it.
#include <fdi.h>

#include "setup/cab_io.h"
#include "setup/cstr.h"
#include "setup/messages.h"
#include "setup/names.h"
#include "setup/scramble.h"
#include "setup/setup_io.h"
#include "setup/setup_win32.h"

namespace marrowby::setup {

namespace {

using FdiCreateFn = HFDI(DIAMONDAPI*)(PFNALLOC, PFNFREE, PFNOPEN, PFNREAD, PFNWRITE, PFNCLOSE,
                                      PFNSEEK, int, PERF);
using FdiIsCabinetFn = BOOL(DIAMONDAPI*)(HFDI, INT_PTR, PFDICABINETINFO);
using FdiCopyFn = BOOL(DIAMONDAPI*)(HFDI, char*, char*, int, PFNFDINOTIFY, PFNFDIDECRYPT, void*);
using FdiDestroyFn = BOOL(DIAMONDAPI*)(HFDI);

struct CabinetLibrary {
  HMODULE module;
  FdiCreateFn create;
  FdiIsCabinetFn isCabinet;
  FdiCopyFn copy;
  FdiDestroyFn destroy;
  bool loaded;
};

CabinetLibrary g_cabinet;

// Why the last copy stopped on our side, when it did.
enum class Refusal { kNone, kUnsafeName, kPathTooLong };

struct Extraction {
  CabIo io;
  ProgressRoutine progress;
  Refusal refusal;
  char refusedName[kPathSize];
  // The file being written, from its creation until it is finished: a copy
  // that fails half-way leaves it unfinished and unlisted.
  intptr_t partial;
  char partialPath[kPathSize];
};

Extraction g_ex;

template <typename Fn>
bool Resolve(Fn* fn, const char* name) {
  *fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(g_cabinet.module, name)));
  return *fn != nullptr;
}

}  // namespace

bool LoadCabinetLibrary() {
  if (g_cabinet.loaded) return true;
  // The library is loaded from the system directory by its full path: a
  // Cabinet.dll beside the package (say, in a downloads folder) must never run.
  char path[kPathSize];
  if (!TextCopy(path, sizeof(path), g_state.systemDir) || !TextAppend(path, sizeof(path), kLibraryName)) {
    return false;
  }
  const UINT previous = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  g_cabinet.module = LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (reinterpret_cast<uintptr_t>(g_cabinet.module) < 32) {
    g_cabinet.module = nullptr;
  } else {
    g_cabinet.loaded = Resolve(&g_cabinet.create, "FDICreate") &&
                       Resolve(&g_cabinet.isCabinet, "FDIIsCabinet") &&
                       Resolve(&g_cabinet.copy, "FDICopy") && Resolve(&g_cabinet.destroy, "FDIDestroy");
  }
  SetErrorMode(previous);
  return g_cabinet.loaded;
}

void FreeCabinetLibrary() {
  if (g_cabinet.module) FreeLibrary(g_cabinet.module);
  g_cabinet.module = nullptr;
  g_cabinet.loaded = false;
}

namespace {

void* DIAMONDAPI FdiAlloc(ULONG cb) { return GlobalAlloc(GMEM_FIXED, cb); }
void DIAMONDAPI FdiFree(void* pv) { GlobalFree(pv); }
INT_PTR DIAMONDAPI FdiOpen(char* name, int oflag, int) { return CabOpen(&g_ex.io, name, oflag); }
UINT DIAMONDAPI FdiRead(INT_PTR h, void* pv, UINT cb) { return CabRead(&g_ex.io, h, pv, cb); }
UINT DIAMONDAPI FdiWrite(INT_PTR h, void* pv, UINT cb) { return CabWrite(&g_ex.io, h, pv, cb); }
int DIAMONDAPI FdiClose(INT_PTR h) {
  if (h == g_ex.partial) g_ex.partial = kNoHandle;
  return CabClose(&g_ex.io, h);
}
__LONG32 DIAMONDAPI FdiSeek(INT_PTR h, __LONG32 dist, int origin) {
  return CabSeek(&g_ex.io, h, dist, origin);
}

// The full path of a cabinet entry under the temporary directory, after the
// name has passed the safety check; false (with the reason kept) otherwise.
bool TargetPath(const char* name, char* path) {
  if (CheckCabinetName(name) != NameCheck::kOk) {
    g_ex.refusal = Refusal::kUnsafeName;
  } else if (!TextCopy(path, kPathSize, g_state.tempDir) || !TextAppend(path, kPathSize, name)) {
    g_ex.refusal = Refusal::kPathTooLong;
  } else {
    return true;
  }
  TextCopy(g_ex.refusedName, sizeof(g_ex.refusedName), name);
  return false;
}

INT_PTR CopyFileNotification(FDINOTIFICATION* n) {
  char path[kPathSize];
  if (!TargetPath(n->psz1, path)) return -1;
  if (g_ex.progress) g_ex.progress(n->psz1);
  const intptr_t h = CabOpen(&g_ex.io, path, 0x8121);
  if (h != kNoHandle) {
    g_ex.partial = h;
    TextCopy(g_ex.partialPath, sizeof(g_ex.partialPath), path);
  }
  return h;
}

void FinishFile(FDINOTIFICATION* n) {
  CloseHandle(reinterpret_cast<HANDLE>(n->hf));
  g_ex.partial = kNoHandle;
  g_ex.partialPath[0] = 0;
  char path[kPathSize];
  if (!TargetPath(n->psz1, path)) return;
  const HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    FILETIME local, utc;
    if (DosDateTimeToFileTime(n->date, n->time, &local) && LocalFileTimeToFileTime(&local, &utc)) {
      SetFileTime(h, &utc, nullptr, &utc);
    }
    CloseHandle(h);
    ExtractedFiles& list = g_state.extracted;
    if (list.count < kMaxExtracted) TextCopy(list.paths[list.count++], kPathSize, path);
  }
  SetFileAttributesA(path, n->attribs & 0x27);
}

INT_PTR DIAMONDAPI FdiNotify(FDINOTIFICATIONTYPE type, PFDINOTIFICATION n) {
  switch (type) {
    case fdintCOPY_FILE:
      return CopyFileNotification(n);
    case fdintCLOSE_FILE_INFO:
      FinishFile(n);
      return 1;
    case fdintPARTIAL_FILE:
    case fdintNEXT_CABINET:
      return -1;
    default:
      return 0;
  }
}

enum class Failure { kNone, kCreate, kOpen, kNotCabinet, kCopy };

Failure RunLibrary(ERF* erf) {
  SetupState& s = g_state;
  const HFDI fdi = g_cabinet.create(FdiAlloc, FdiFree, FdiOpen, FdiRead, FdiWrite, FdiClose,
                                    FdiSeek, cpu80386, erf);
  if (!fdi) return Failure::kCreate;
  Failure failure = Failure::kNone;
  const INT_PTR h = CabOpen(&g_ex.io, s.packagePath, 0x8020);
  if (h == -1) {
    failure = Failure::kOpen;
  } else {
    FDICABINETINFO info;
    const bool isCabinet = g_cabinet.isCabinet(fdi, h, &info);
    // The library opens the cabinet again for the copy; this handle has done
    // its work and would otherwise stay open until the process ends.
    CabClose(&g_ex.io, h);
    if (!isCabinet) {
      failure = Failure::kNotCabinet;
    } else {
      char name[kPathSize], dir[kPathSize];
      const size_t split = FileNameStart(s.packagePath);
      TextCopy(name, sizeof(name), s.packagePath + split);
      TextCopy(dir, sizeof(dir), s.packagePath);
      dir[split] = 0;
      if (split > 0 && dir[split - 1] != '\\') TextAppend(dir, sizeof(dir), "\\");
      if (!g_cabinet.copy(fdi, name, dir, 0, FdiNotify, nullptr, nullptr)) failure = Failure::kCopy;
    }
  }
  g_cabinet.destroy(fdi);
  return failure;
}

void ReportFailure(Failure failure, const ERF& erf) {
  char text[kPathSize + 128];
  switch (failure) {
    case Failure::kCopy:
      if (g_ex.refusal == Refusal::kUnsafeName) {
        TextCopy(text, sizeof(text), kMsgUnsafeName);
        TextAppend(text, sizeof(text), g_ex.refusedName);
      } else if (g_ex.refusal == Refusal::kPathTooLong) {
        TextCopy(text, sizeof(text), kMsgPathTooLong);
      } else {
        TextCopy(text, sizeof(text), CopyErrorText(erf.erfOper));
      }
      break;
    case Failure::kNotCabinet:
      TextCopy(text, sizeof(text), kMsgUnknownCompression);
      break;
    case Failure::kOpen:
      TextCopy(text, sizeof(text), kMsgOpenFailed);
      break;
    default:
      TextCopy(text, sizeof(text), kMsgExtractFailed);
      break;
  }
  ErrorBox(text);
}

}  // namespace

void ExtractCabinet(HWND dialog, ProgressRoutine progress) {
  SetupState& s = g_state;
  CabIoReset(&g_ex.io, s.packagePath, s.cabinetOffset, s.header.cabinetScrambled != 0,
             CabinetKey(s.header.packageSize));
  s.extracted.count = 0;
  g_ex.progress = progress;
  g_ex.refusal = Refusal::kNone;
  g_ex.partial = kNoHandle;
  g_ex.partialPath[0] = 0;
  ERF erf;
  FillBytes(&erf, 0, sizeof(erf));
  const Failure failure = g_cabinet.loaded ? RunLibrary(&erf) : Failure::kCreate;
  s.extractionSucceeded = failure == Failure::kNone;
  if (!s.extractionSucceeded) {
    // The file the copy stopped in is deleted at once; the finished ones are
    // in the list, for the caller to delete.
    if (g_ex.partial != kNoHandle) CloseHandle(reinterpret_cast<HANDLE>(g_ex.partial));
    if (g_ex.partialPath[0]) DeleteFileA(g_ex.partialPath);
    ReportFailure(failure, erf);
    SetStatusText(dialog, kMsgExtractFailed);
  }
}

}  // namespace marrowby::setup
