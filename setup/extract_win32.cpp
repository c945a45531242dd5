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

// Why the last copy stopped on our side, when it did: a name refused, a path
// too long, a file the disk did not take whole (a failed write, or a size on
// disk other than what was written), or a file the library itself left short
// (it closed it early, or wrote less or more than the cabinet says; when the
// library then reports a failure of its own, that is the one shown), or a
// file in a folder the cabinet does not have.
enum class Refusal { kNone, kUnsafeName, kPathTooLong, kNotWritten, kCutShort, kNoFolder };

struct Extraction {
  CabIo io;
  ProgressRoutine progress;
  uint32_t folders;  // how many the cabinet has
  Refusal refusal;
  char refusedName[kPathBytes];
  // The file being written and its entry in the list, from its creation
  // until it is finished.
  Target target;
  ExtractedFile* current;
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
  char path[kPathBytes];
  if (!TextJoin(path, sizeof(path), {g_state.systemDir, kLibraryName})) {
    return false;
  }
  const UINT previous = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  g_cabinet.module = LoadLibraryExW(Wide(path).text, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
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
INT_PTR DIAMONDAPI FdiOpen(char*, int oflag, int) { return CabOpen(&g_ex.io, oflag); }
UINT DIAMONDAPI FdiRead(INT_PTR h, void* pv, UINT cb) { return CabRead(&g_ex.io, h, pv, cb); }

bool IsTarget(INT_PTR h) { return g_ex.current && h == g_ex.target.handle; }

UINT DIAMONDAPI FdiWrite(INT_PTR h, void* pv, UINT cb) {
  return IsTarget(h) ? TargetWrite(&g_ex.target, pv, cb) : CabWrite(&g_ex.io, h, pv, cb);
}

int DIAMONDAPI FdiClose(INT_PTR h) {
  // A file closed by the library before it was finished is not whole.
  if (IsTarget(h)) {
    g_ex.current->handle = kNoHandle;
    g_ex.current = nullptr;
    g_ex.refusal = Refusal::kCutShort;
  }
  return CabClose(&g_ex.io, h);
}

__LONG32 DIAMONDAPI FdiSeek(INT_PTR h, __LONG32 dist, int origin) {
  return CabSeek(&g_ex.io, h, dist, origin);
}

INT_PTR Refuse(Refusal why, const char* name) {
  g_ex.refusal = why;
  TextCopy(g_ex.refusedName, sizeof(g_ex.refusedName), name);
  return -1;
}

// Creates the file for a cabinet entry in the extraction folder, once
// its name has passed the safety check, and enters it in the list.
INT_PTR CopyFileNotification(FDINOTIFICATION* n) {
  // The library goes on after a file it was told failed: nothing more is
  // written then.
  if (g_ex.refusal != Refusal::kNone) return -1;
  // The library would take some other folder's data for the file. (Indexes
  // from 0xFFFD on mark files that span cabinets, refused as such.)
  if (n->iFolder < 0xFFFD && n->iFolder >= g_ex.folders) {
    return Refuse(Refusal::kNoFolder, n->psz1);
  }
  // A name flagged as UTF-8 is taken as such; any other is Windows-1252. The
  // checks apply to the name as it will be created, in its one UTF-8
  // spelling; a flagged name must be stored in that spelling (bytes that are
  // no UTF-8, or an overlong form a lenient decoder would take for '.', are
  // refused).
  const bool utf8 = (n->attribs & _A_NAME_IS_UTF) != 0;
  char name[kPathBytes], path[kPathBytes];
  if (!ToUtf8(utf8 ? CP_UTF8 : 1252, n->psz1, name, sizeof(name)) ||
      (utf8 && !TextEqual(name, n->psz1)) || CheckCabinetNameText(name, true) != NameCheck::kOk) {
    return Refuse(Refusal::kUnsafeName, name);
  }
  // Into the /X: folder when there is one, else the working folder.
  const char* const dir = g_state.extractDir[0] ? g_state.extractDir : g_state.tempDir;
  if (!TextJoin(path, sizeof(path), {dir, name}) || !Wide(path).text[0]) {
    return Refuse(Refusal::kPathTooLong, name);
  }
  if (g_ex.progress) g_ex.progress(name);
  if (!TargetCreate(&g_ex.target, path, n->cb)) {
    // The folder is new, so a file of that name is an earlier entry whose
    // name differs only in case (or not at all): one would replace the other.
    // Any other failure (a missing subfolder, a full or refusing disk) is an
    // error writing the target, not an abort by the user, as the library
    // would call it.
    return Refuse(GetLastError() == ERROR_FILE_EXISTS ? Refusal::kUnsafeName : Refusal::kNotWritten,
                  name);
  }
  g_ex.current = AddExtractedFile(&g_state.extracted, path, g_ex.target.handle);
  if (!g_ex.current) {
    g_io->close(g_ex.target.handle);
    DeleteFileW(Wide(path).text);
    return Refuse(Refusal::kNotWritten, name);
  }
  return g_ex.target.handle;
}

// Sets the file's time, checks that it holds exactly what the cabinet says
// and holds it for reading (TargetSeal), then sets its attributes.
void FinishFile(FDINOTIFICATION* n) {
  ExtractedFile* f = g_ex.current;
  if (!IsTarget(n->hf)) {
    g_ex.refusal = Refusal::kCutShort;
    return;
  }
  g_ex.current = nullptr;
  FILETIME local, utc;
  if (DosDateTimeToFileTime(n->date, n->time, &local) && LocalFileTimeToFileTime(&local, &utc)) {
    SetFileTime(reinterpret_cast<HANDLE>(n->hf), &utc, nullptr, &utc);
  }
  const Target& t = g_ex.target;
  const bool cutShort = !t.failed && t.written != t.expected;
  const bool whole = TargetSeal(&g_ex.target, f->path);
  f->handle = t.handle;
  if (!whole) {
    g_ex.refusal = cutShort ? Refusal::kCutShort : Refusal::kNotWritten;
    return;
  }
  SetFileAttributesW(Wide(f->path).text, n->attribs & 0x27);
}

INT_PTR DIAMONDAPI FdiNotify(FDINOTIFICATIONTYPE type, PFDINOTIFICATION n) {
  switch (type) {
    case fdintCOPY_FILE:
      return CopyFileNotification(n);
    case fdintCLOSE_FILE_INFO:
      FinishFile(n);
      return g_ex.refusal == Refusal::kNone;
    case fdintPARTIAL_FILE:
    case fdintNEXT_CABINET:
      return -1;
    default:
      return 0;
  }
}

enum class Failure { kNone, kCreate, kOpen, kNotCabinet, kCopy };

Failure RunLibrary(ERF* erf) {
  const HFDI fdi = g_cabinet.create(FdiAlloc, FdiFree, FdiOpen, FdiRead, FdiWrite, FdiClose,
                                    FdiSeek, cpu80386, erf);
  if (!fdi) return Failure::kCreate;
  Failure failure = Failure::kNone;
  const INT_PTR h = CabOpen(&g_ex.io, 0x8020);
  if (h == -1) {
    failure = Failure::kOpen;
  } else {
    FDICABINETINFO info;
    const bool isCabinet = g_cabinet.isCabinet(fdi, h, &info);
    CabClose(&g_ex.io, h);
    g_ex.folders = info.cFolders;
    if (!isCabinet) {
      failure = Failure::kNotCabinet;
    } else {
      // Every open the library makes is a view of the held package, so the
      // name it is given is only for its notifications (it never writes to it).
      if (!g_cabinet.copy(fdi, const_cast<char*>(kRebuiltName), const_cast<char*>(""), 0,
                          FdiNotify, nullptr, nullptr)) {
        failure = Failure::kCopy;
      } else if (g_ex.refusal != Refusal::kNone) {
        // The library went on, or ended well, after a file that is not whole.
        failure = Failure::kCopy;
        erf->erfOper = FDIERROR_TARGET_FILE;
      }
    }
  }
  g_cabinet.destroy(fdi);
  return failure;
}

void ReportFailure(Failure failure, const ERF& erf) {
  char text[kPathBytes + 128];
  const char* message = kMsgExtractFailed;
  if (failure == Failure::kCopy) {
    if (g_ex.refusal == Refusal::kUnsafeName) {
      TextJoin(text, sizeof(text), {kMsgUnsafeName, g_ex.refusedName});
      message = text;
    } else if (g_ex.refusal == Refusal::kPathTooLong) {
      message = kMsgPathTooLong;
    } else {
      // What the library wrote is not what the file holds, whatever it
      // reported: an error writing the target.
      message = CopyErrorText(g_ex.refusal == Refusal::kNotWritten ? FDIERROR_TARGET_FILE
                              : g_ex.refusal == Refusal::kNoFolder ? FDIERROR_CORRUPT_CABINET
                                                                    : erf.erfOper);
    }
  } else if (failure == Failure::kNotCabinet) {
    // The library's own text for a compression type it does not know.
    message = CopyErrorText(FDIERROR_BAD_COMPR_TYPE);
  } else if (failure == Failure::kOpen) {
    message = kMsgOpenFailed;
  }
  ErrorBox(message);
}

}  // namespace

void ExtractCabinet(HWND dialog, ProgressRoutine progress) {
  SetupState& s = State();
  CabIoReset(&g_ex.io, s.packageHandle, s.cabinetOffset, s.header.cabinetScrambled != 0,
             CabinetKey(s.header.packageSize));
  s.extracted = ExtractedFiles{};
  g_ex.progress = progress;
  g_ex.refusal = Refusal::kNone;
  g_ex.current = nullptr;
  ERF erf;
  FillBytes(&erf, 0, sizeof(erf));
  const Failure failure = g_cabinet.loaded ? RunLibrary(&erf) : Failure::kCreate;
  s.extractionSucceeded = failure == Failure::kNone;
  // Every file made is in the list, the one the copy stopped in too, for the
  // caller to delete.
  if (!s.extractionSucceeded) {
    ReportFailure(failure, erf);
    SetStatusText(dialog, kMsgExtractFailed);
  }
}

}  // namespace marrowby::setup
