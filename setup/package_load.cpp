#include "setup/package_load.h"

#include "setup/cstr.h"
#include "setup/messages.h"
#include "setup/names.h"
#include "setup/package_format.h"
#include "setup/pe_image.h"
#include "setup/scramble.h"
#include "setup/setup_io.h"

namespace marrowby::setup {

SetupState g_state;

namespace {

// Shown in front of the package's own notice; stored scrambled in the image,
// padded with zeros to its fixed 62 bytes.
constexpr auto kNoticePrefix = ScrambleLiteral(
    "This Setup package was built with Marrowby setuppack.\r\n\r\n\0\0\0\0\0");
static_assert(sizeof(kNoticePrefix.bytes) == kNoticePrefixSize, "the prefix has 62 bytes");

// Reads length bytes into a fresh zero-terminated block.
char* ReadText(intptr_t h, uint32_t length, bool scrambled) {
  char* text = static_cast<char*>(g_io->alloc(length + 1));
  if (!text) return nullptr;
  if (length > 0 && !ReadExact(h, text, length)) {
    g_io->release(text);
    return nullptr;
  }
  text[length] = 0;
  if (scrambled) ScrambleText(reinterpret_cast<uint8_t*>(text), length);
  return text;
}

bool ReadFixedText(intptr_t h, uint32_t length, char* out) {
  if (length > 0 && !ReadExact(h, out, length)) return false;
  out[length] = 0;
  return true;
}

}  // namespace

void UnscrambleNoticePrefix(SetupState* s) {
  CopyBytes(s->noticePrefix, kNoticePrefix.bytes, kNoticePrefixSize);
  s->noticePrefix[kNoticePrefixSize] = 0;
  ScrambleText(reinterpret_cast<uint8_t*>(s->noticePrefix), kNoticePrefixSize);
}

uint32_t TempDirBases(const char* tempPath, const char* shortTempPath, const char* windowsTemp,
                      const char* systemDir, bool elevated, const char* bases[kMaxTempBases]) {
  const char* const candidates[kMaxTempBases] = {tempPath, shortTempPath, windowsTemp,
                                                 elevated ? systemDir : ""};
  uint32_t n = 0;
  for (uint32_t i = 0; i < kMaxTempBases; ++i) {
    const char* c = candidates[i];
    // The short form only stands in for a temporary path that cannot serve.
    if (i == 1 && n > 0) continue;
    if (TextLength(c) > 1 && !ContainsChar(c, ' ')) bases[n++] = c;
  }
  return n;
}

bool UsualWorkDir(const char* base, char* out, size_t capacity) {
  if (!TextCopy(out, capacity, base)) return false;
  size_t len = TextLength(out);
  while (len > 0 && out[len - 1] == '\\') out[--len] = 0;
  return TextAppend(out, capacity, kTempSubdir);
}

LoadResult ReadPackageHeader(intptr_t h, PackageHeader* header) {
  uint8_t bytes[kHeaderSize];
  if (g_io->seek(h, static_cast<int32_t>(kHeaderOffset), 0) != static_cast<int32_t>(kHeaderOffset) ||
      !ReadExact(h, bytes, 3) || bytes[0] != 'M' || bytes[1] != 'R' || bytes[2] != 'I') {
    return LoadResult::kNoMagic;
  }
  // The magic is there but the rest of the header is cut off.
  if (!ReadExact(h, bytes + 3, kHeaderSize - 3)) return LoadResult::kCorrupted;
  ParseHeader(bytes, kHeaderSize, header);
  return LoadResult::kOk;
}

LoadResult ReadPackageTexts(intptr_t h, uint64_t fileSize, SetupState* s) {
  const PackageHeader& hd = s->header;
  if (CheckLayout(hd, fileSize) != LayoutCheck::kOk) return LoadResult::kCorrupted;
  if (g_io->seek(h, static_cast<int32_t>(kTextsOffset), 0) != static_cast<int32_t>(kTextsOffset)) {
    return LoadResult::kCorrupted;
  }
  if (!ReadFixedText(h, hd.titleLength, s->title) || !ReadFixedText(h, hd.infNameLength, s->infName)) {
    return LoadResult::kCorrupted;
  }
  if (CheckInfName(s->infName) != InfNameCheck::kOk) return LoadResult::kBadInfName;
  s->notice = ReadText(h, hd.noticeLength, true);
  if (!s->notice) return LoadResult::kCorrupted;
  if (hd.welcomeLength > 0) {
    s->welcome = ReadText(h, static_cast<uint32_t>(hd.welcomeLength), true);
    if (!s->welcome) return LoadResult::kCorrupted;
  } else {
    s->welcome = const_cast<char*>(kDefaultWelcome);
  }
  if (hd.licenceLength > 0) {
    s->licence = ReadText(h, static_cast<uint32_t>(hd.licenceLength), true);
    if (!s->licence) return LoadResult::kCorrupted;
  }
  s->cabinetOffset = CabinetOffset(hd);
  return LoadResult::kOk;
}

bool PackageSizeMatches(const SetupState& s, uint64_t fileSize) {
  return PackageEnd(s.certificate, fileSize, s.header.packageSize) == s.header.packageSize;
}

bool IsPeImage(const uint8_t* b, uint32_t n) {
  if (n < 0x40 || b[0] != 'M' || b[1] != 'Z') return false;
  const uint32_t pe = static_cast<uint32_t>(b[0x3C]) | static_cast<uint32_t>(b[0x3D]) << 8 |
                      static_cast<uint32_t>(b[0x3E]) << 16 | static_cast<uint32_t>(b[0x3F]) << 24;
  return pe <= n - 4 && b[pe] == 'P' && b[pe + 1] == 'E' && b[pe + 2] == 0 && b[pe + 3] == 0;
}

LibraryPlacement PlaceCabinetLibrary(SetupState* s, intptr_t package,
                                     bool (*exists)(const char* path)) {
  char path[kPathBytes];
  if (!TextJoin(path, sizeof(path), {s->systemDir, kLibraryName})) {
    return LibraryPlacement::kCannotCreate;
  }
  if (exists(path)) return LibraryPlacement::kExists;
  uint8_t* buffer = static_cast<uint8_t*>(g_io->alloc(kCopyBufferSize));
  if (!buffer) {
    s->error = true;
    return LibraryPlacement::kFailed;
  }
  LibraryPlacement result = LibraryPlacement::kWritten;
  if (g_io->seek(package, static_cast<int32_t>(kImageSize), 0) != static_cast<int32_t>(kImageSize) ||
      !ReadExact(package, buffer, kLibrarySize)) {
    s->error = true;
    result = LibraryPlacement::kFailed;
  } else if (!IsPeImage(buffer, kLibrarySize)) {
    result = LibraryPlacement::kNotAnImage;
  } else {
    const intptr_t out = g_io->open(path, CreateParams(kCreateAlways));
    if (out == kNoHandle) {
      result = LibraryPlacement::kCannotCreate;
    } else {
      if (g_io->write(out, buffer, kLibrarySize) != kLibrarySize) {
        s->error = true;
        result = LibraryPlacement::kFailed;
      }
      g_io->close(out);
    }
  }
  g_io->release(buffer);
  return result;
}

namespace {

// Passes size bytes from the current position of `in` to `out` (when given)
// and to the hash context (when given); false on any short read or failed
// write. Sizes stay below kMaxPackageSize.
bool PassBytes(intptr_t in, uint32_t size, intptr_t out, void* hash, uint8_t* buffer) {
  for (uint32_t at = 0; at < size;) {
    const uint32_t want = size - at < kCopyBufferSize ? size - at : kCopyBufferSize;
    const uint32_t got = g_io->read(in, buffer, want);
    if (got == kIoError || got == 0 || got > want) return false;
    if (hash && !g_io->hashAdd(hash, buffer, got)) return false;
    if (out != kNoHandle && g_io->write(out, buffer, got) != got) return false;
    at += got;
  }
  return true;
}

void ReportPart(SetupState* s, const char* partPath, const char* size) {
  TextJoin(s->partProblem, sizeof(s->partProblem),
           {kMsgPartFile, partPath + FileNameStart(partPath), kMsgPartDamaged, size, kMsgPartSize,
            kMsgObtainNewCopy});
}

// Copies one part into the rebuilt file and adds its size to *written: the
// whole part, or with a part record its recorded size, which is checked
// first. False on any failure; a part of the wrong size is reported.
bool JoinPart(SetupState* s, intptr_t part, const char* partPath, uint32_t index,
              const PartRecord* record, intptr_t out, uint8_t* buffer, uint32_t* written) {
  int64_t size = g_io->size(part);
  if (size < 0 || size > kMaxPackageSize || g_io->seek(part, 0, 0) != 0) return false;
  if (record) {
    const uint32_t expected = RecordedPartSize(*record, index);
    // The program's own file may carry its signature behind the part.
    const uint64_t end =
        index == 0 ? PackageEnd(s->certificate, static_cast<uint64_t>(size), expected)
                   : static_cast<uint64_t>(size);
    if (end != expected) {
      ReportPart(s, partPath, end < expected ? kMsgPartShort : kMsgPartLong);
      return false;
    }
    size = expected;
  }
  *written += static_cast<uint32_t>(size);
  return PassBytes(part, static_cast<uint32_t>(size), out, nullptr, buffer);
}

// The digest the part record binds the parts with, read back from the
// rebuilt file: each part's digest (part 1 from the end of the image area
// on), then the digest of those digests.
bool RebuiltDigest(intptr_t rebuilt, const PartRecord& record, uint8_t* buffer,
                   uint8_t* digest) {
  void* const all = g_io->hashBegin();
  bool ok = all && g_io->seek(rebuilt, static_cast<int32_t>(kImageSize), 0) ==
                       static_cast<int32_t>(kImageSize);
  for (uint32_t k = 0; ok && k < record.count; ++k) {
    const uint32_t size = RecordedPartSize(record, k) - (k == 0 ? kImageSize : 0);
    void* const one = g_io->hashBegin();
    ok = one && PassBytes(rebuilt, size, kNoHandle, one, buffer);
    if (one) ok = g_io->hashFinish(one, digest) && ok;
    ok = ok && g_io->hashAdd(all, digest, kDigestSize);
  }
  if (all) ok = g_io->hashFinish(all, digest) && ok;
  return ok;
}

}  // namespace

void RebuildPackage(SetupState* s, DiskPrompt prompt) {
  s->partCounter = 0;
  s->partProblem[0] = 0;
  const intptr_t own = s->packageHandle;
  s->packageHandle = kNoHandle;
  char partName[kPathBytes];
  TextCopy(partName, sizeof(partName), s->ownPath);
  // Created anew in the freshly made working folder: a file already there was
  // not made by this process and is never used.
  const intptr_t out =
      TextJoin(s->packagePath, sizeof(s->packagePath), {s->tempDir, kRebuiltName})
          ? g_io->open(s->packagePath, CreateParams(kCreateNew))
          : kNoHandle;
  PartRecord record;
  uint8_t bytes[kPartRecordSize];
  // A failed seek leaves bytes that are no record.
  g_io->seek(own, static_cast<int32_t>(kPartRecordOffset), 0);
  const bool recorded = ReadExact(own, bytes, kPartRecordSize) && ParsePartRecord(bytes, &record);
  uint8_t* buffer = static_cast<uint8_t*>(g_io->alloc(kCopyBufferSize));
  if (out == kNoHandle || !buffer) s->error = true;
  uint8_t digest[kDigestSize];
  if (recorded) {
    // The parts are checked with SHA-256, which older systems lack: said
    // before anything is copied.
    void* const probe = g_io->hashBegin();
    if (probe) {
      g_io->hashFinish(probe, digest);
    } else {
      TextCopy(s->partProblem, sizeof(s->partProblem), kMsgNeedsSha256);
      s->error = true;
    }
  }
  if (out != kNoHandle) {
    s->rebuiltCreated = true;
    s->packageHandle = out;
  }
  uint32_t written = 0;
  // Part k (k >= 1) is named with k as three digits, so .255 is the last
  // name there is; a record counts its parts, older packages stop at the size.
  uint32_t k = 0;
  while (!s->error && (recorded ? k < record.count : written < s->header.packageSize)) {
    if (k >= kMaxParts || (k > 0 && !SetPartNumber(partName, k))) {
      s->error = true;
      break;
    }
    const intptr_t part = k == 0 ? own : g_io->open(partName, kReadExisting);
    if (part == kNoHandle) {
      if (!prompt(k + 1)) s->error = true;
      continue;
    }
    if (!JoinPart(s, part, partName, k, recorded ? &record : nullptr, out, buffer, &written)) {
      s->error = true;
    }
    if (k > 0) g_io->close(part);
    ++k;
    s->partCounter = static_cast<uint8_t>(k > 255 ? 255 : k);
  }
  if (written < s->header.packageSize) s->error = true;
  if (!s->error && recorded &&
      (!RebuiltDigest(out, record, buffer, digest) || !BytesEqual(digest, record.digest, kDigestSize))) {
    TextJoin(s->partProblem, sizeof(s->partProblem), {kMsgPartsDiffer, kMsgObtainNewCopy});
    s->error = true;
  }
  if (buffer) g_io->release(buffer);
  if (own != kNoHandle) g_io->close(own);
}

}  // namespace marrowby::setup
