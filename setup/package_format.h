// The package file: the stub's image, the cabinet library copy, the 24-byte
// header, the five text fields and the cabinet, at fixed offsets.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace marrowby::setup {

constexpr uint32_t kImageSize = 0x7000;    // the stub image, padded to this
constexpr uint32_t kLibrarySize = 0xA000;  // the cabinet library copy (E)
constexpr uint32_t kHeaderOffset = kImageSize + kLibrarySize;
constexpr uint32_t kHeaderSize = 24;
constexpr uint32_t kTextsOffset = kHeaderOffset + kHeaderSize;
constexpr uint32_t kMaxShortText = 255;    // title, INF name, notice
constexpr size_t kPathSize = 261;          // the title and INF name buffers
// A path is held as UTF-8 text: at most MAX_PATH - 1 UTF-16 units, each of
// which takes at most three bytes.
constexpr size_t kPathBytes = 3 * 259 + 1;
constexpr uint32_t kCopyBufferSize = 41000;
// Positions go through 32-bit signed seeks; nothing may lie beyond this.
constexpr uint32_t kMaxPackageSize = 0x7FFFFFFF;

// A plain aggregate (no member initialisers), so that the process-wide setup
// state holding it needs no constructor at start-up; write `PackageHeader h{}`
// for a zeroed one.
struct PackageHeader {
  uint8_t attended;
  uint8_t titleLength;
  uint8_t infNameLength;
  uint8_t admin;
  uint8_t noticeLength;
  int32_t welcomeLength;
  int32_t licenceLength;
  uint8_t noticeHidden;
  uint8_t multiPart;
  uint8_t advanced;
  uint8_t cabinetScrambled;
  uint32_t packageSize;
};

// False when fewer than 24 bytes are given or the magic is not "MRI"
// (compared exactly, case included).
bool ParseHeader(const uint8_t* bytes, size_t n, PackageHeader* header);
void WriteHeader(const PackageHeader& header, uint8_t out[kHeaderSize]);

enum class LayoutCheck {
  kOk,
  kBadLength,      // a negative text length, or no INF name
  kTextsPastEnd,   // the texts reach past the end of the file that holds them
  kCabinetPastEnd  // the cabinet would start beyond the package size
};

// The offset of the cabinet: behind the header and all five texts.
// Only meaningful for a header that passed CheckLayout.
uint32_t CabinetOffset(const PackageHeader& header);

// Checks the lengths of a header against the file that carries the texts
// (the package itself, or the first part of a split package): every text must
// lie inside it and the cabinet inside the package size. A header that fails
// is a corrupted package; nothing is read through its lengths.
LayoutCheck CheckLayout(const PackageHeader& header, uint64_t textFileSize);

// The part record of a split package: the sizes of its parts and a SHA-256
// digest that binds them together, so that the stub can tell a short, long,
// damaged or swapped part before anything is extracted. It lies in the last
// 64 bytes of the image area of part 1 (the stub's padding), where the stub
// reads it from its own file and where packages without one hold zeros.
//
//   0  4  "MRIP"           4  2  part count (2..256)    6  2  zero
//   8  4  size of part 1  12  4  size of each middle part
//  16  4  size of the last part   20 12  zero
//  32 32  SHA-256 over the parts' digests, in order
//
// The digest of part 1 covers its bytes from the end of the image area on
// (the image area holds the record itself); every other part is hashed whole.
constexpr uint32_t kPartRecordSize = 64;
constexpr uint32_t kPartRecordOffset = kImageSize - kPartRecordSize;
constexpr uint32_t kMaxParts = 256;  // the program plus .001 to .255
constexpr size_t kDigestSize = 32;   // SHA-256

struct PartRecord {
  uint32_t count;
  uint32_t firstSize;
  uint32_t middleSize;
  uint32_t lastSize;
  uint8_t digest[kDigestSize];
};

// False when the bytes hold no record (no magic, a count outside 2..256).
bool ParsePartRecord(const uint8_t bytes[kPartRecordSize], PartRecord* record);
void WritePartRecord(const PartRecord& record, uint8_t out[kPartRecordSize]);
// The size part `index` (0 for the program itself) must have.
uint32_t RecordedPartSize(const PartRecord& record, uint32_t index);

}  // namespace marrowby::setup
