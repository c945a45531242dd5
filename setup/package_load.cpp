#include "setup/package_load.h"

#include "setup/cstr.h"
#include "setup/messages.h"
#include "setup/names.h"
#include "setup/package_format.h"
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

bool ChooseTempDir(SetupState* s, const char* tempPath) {
  const size_t n = TextLength(tempPath);
  const char* base = n <= 1 || ContainsChar(tempPath, ' ') ? s->systemDir : tempPath;
  if (!TextCopy(s->tempDir, sizeof(s->tempDir), base)) return false;
  size_t len = TextLength(s->tempDir);
  while (len > 0 && s->tempDir[len - 1] == '\\') s->tempDir[--len] = 0;
  return TextAppend(s->tempDir, sizeof(s->tempDir), kTempSubdir);
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
  return fileSize == s.header.packageSize;
}

bool IsPeImage(const uint8_t* b, uint32_t n) {
  if (n < 0x40 || b[0] != 'M' || b[1] != 'Z') return false;
  const uint32_t pe = static_cast<uint32_t>(b[0x3C]) | static_cast<uint32_t>(b[0x3D]) << 8 |
                      static_cast<uint32_t>(b[0x3E]) << 16 | static_cast<uint32_t>(b[0x3F]) << 24;
  return pe <= n - 4 && b[pe] == 'P' && b[pe + 1] == 'E' && b[pe + 2] == 0 && b[pe + 3] == 0;
}

LibraryPlacement PlaceCabinetLibrary(SetupState* s, intptr_t package,
                                     bool (*exists)(const char* path)) {
  char path[kPathSize];
  if (!TextCopy(path, sizeof(path), s->systemDir) || !TextAppend(path, sizeof(path), kLibraryName)) {
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
    const intptr_t out = g_io->open(path, WriteParams(kCreateAlways));
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

// Appends one whole part (size bytes) to the rebuilt file, hashing its bytes
// from offset `skip` on as they pass when a hash context is given; false on
// any short read or failed write. Sizes stay below kMaxPackageSize.
bool CopyPart(intptr_t part, uint32_t size, intptr_t out, uint8_t* buffer, void* hash,
              uint32_t skip) {
  for (uint32_t at = 0; at < size;) {
    const uint32_t want = size - at < kCopyBufferSize ? size - at : kCopyBufferSize;
    const uint32_t got = g_io->read(part, buffer, want);
    if (got == kIoError || got == 0 || got > want) return false;
    if (hash && at + got > skip) {
      const uint32_t from = at < skip ? skip - at : 0;
      if (!g_io->hashAdd(hash, buffer + from, got - from)) return false;
    }
    if (g_io->write(out, buffer, got) != got) return false;
    at += got;
  }
  return true;
}

// The part record in the image area of the program's own file, if any.
bool ReadPartRecord(const char* path, PartRecord* record) {
  const intptr_t h = g_io->open(path, kReadExisting);
  if (h == kNoHandle) return false;
  // A failed seek leaves bytes that are no record.
  uint8_t bytes[kPartRecordSize];
  g_io->seek(h, static_cast<int32_t>(kPartRecordOffset), 0);
  const bool found = ReadExact(h, bytes, kPartRecordSize) && ParsePartRecord(bytes, record);
  g_io->close(h);
  return found;
}

void ReportPart(SetupState* s, const char* partPath, const char* problem) {
  TextCopy(s->partProblem, sizeof(s->partProblem), kMsgPartFile);
  TextAppend(s->partProblem, sizeof(s->partProblem), partPath + FileNameStart(partPath));
  TextAppend(s->partProblem, sizeof(s->partProblem), problem);
}

// Copies part `index` into the rebuilt file and adds its size to *written.
// With a part record, its size is checked first and its digest is added to
// `all`. False on any failure; a part of the wrong size is reported.
bool JoinPart(SetupState* s, intptr_t part, const char* partPath, uint32_t index,
              const PartRecord* record, void* all, intptr_t out, uint8_t* buffer,
              uint32_t* written) {
  const int64_t size = g_io->size(part);
  if (size < 0 || size > kMaxPackageSize) return false;
  void* hash = nullptr;
  if (record) {
    const uint32_t expected = RecordedPartSize(*record, index);
    if (size != expected) {
      ReportPart(s, partPath, size < expected ? kMsgPartShort : kMsgPartLong);
      return false;
    }
    hash = g_io->hashBegin();
    if (!hash) return false;
  }
  *written += static_cast<uint32_t>(size);
  const bool copied = CopyPart(part, static_cast<uint32_t>(size), out, buffer, hash,
                               index == 0 ? kImageSize : 0);
  uint8_t digest[kDigestSize];
  return copied && (!hash || (g_io->hashFinish(hash, digest) &&
                              g_io->hashAdd(all, digest, kDigestSize)));
}

}  // namespace

void RebuildPackage(SetupState* s, DiskPrompt prompt) {
  s->partCounter = 0;
  s->partProblem[0] = 0;
  char partName[kPathSize];
  TextCopy(partName, sizeof(partName), s->ownPath);
  if (!TextCopy(s->packagePath, sizeof(s->packagePath), s->tempDir) ||
      !TextAppend(s->packagePath, sizeof(s->packagePath), kRebuiltName)) {
    s->error = true;
    return;
  }
  // Created anew in the freshly made working folder: a file already there was
  // not made by this process and is never used.
  const intptr_t out = g_io->open(s->packagePath, WriteParams(kCreateNew));
  if (out == kNoHandle) {
    s->error = true;
    return;
  }
  s->rebuiltCreated = true;
  PartRecord record;
  const bool recorded = ReadPartRecord(s->ownPath, &record);
  void* all = recorded ? g_io->hashBegin() : nullptr;
  uint8_t* buffer = static_cast<uint8_t*>(g_io->alloc(kCopyBufferSize));
  if (!buffer || (recorded && !all)) s->error = true;
  uint32_t written = 0;
  // Part k (k >= 1) is named with k as three digits, so .255 is the last
  // name there is; a record counts its parts, older packages stop at the size.
  uint32_t k = 0;
  while (!s->error && (recorded ? k < record.count : written < s->header.packageSize)) {
    if (k >= kMaxParts || (k > 0 && !SetPartNumber(partName, k))) {
      s->error = true;
      break;
    }
    const intptr_t part = g_io->open(partName, kReadExisting);
    if (part == kNoHandle) {
      if (!prompt(k + 1)) s->error = true;
      continue;
    }
    if (!JoinPart(s, part, partName, k, recorded ? &record : nullptr, all, out, buffer, &written)) {
      s->error = true;
    }
    g_io->close(part);
    ++k;
    s->partCounter = static_cast<uint8_t>(k > 255 ? 255 : k);
  }
  if (written < s->header.packageSize) s->error = true;
  if (all) {
    // The context is ended whatever happened before.
    uint8_t digest[kDigestSize];
    if (!g_io->hashFinish(all, digest) ||
        (!s->error && !BytesEqual(digest, record.digest, kDigestSize))) {
      if (!s->error) TextCopy(s->partProblem, sizeof(s->partProblem), kMsgPartsDiffer);
      s->error = true;
    }
  }
  if (buffer) g_io->release(buffer);
  g_io->close(out);
}

}  // namespace marrowby::setup
