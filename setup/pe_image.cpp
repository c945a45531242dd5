#include "setup/pe_image.h"

namespace marrowby::setup {

namespace {

uint32_t Read16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8; }

uint32_t Read32(const uint8_t* p) { return Read16(p) | Read16(p + 2) << 16; }

constexpr uint32_t kPe32 = 0x10B;
constexpr uint32_t kPe32Plus = 0x20B;
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kMaxDirectories = 16;

}  // namespace

bool ReadPeLayout(const uint8_t* b, size_t n, PeLayout* l) {
  if (n < 0x40 || b[0] != 'M' || b[1] != 'Z') return false;
  const uint64_t pe = Read32(b + 0x3C);
  const uint64_t optional = pe + 24;  // behind "PE\0\0" and the file header
  if (optional + 2 > n || b[pe] != 'P' || b[pe + 1] != 'E' || b[pe + 2] || b[pe + 3]) return false;
  const uint32_t magic = Read16(b + optional);
  if (magic != kPe32 && magic != kPe32Plus) return false;
  const uint64_t countAt = optional + (magic == kPe32 ? 92 : 108);
  if (countAt + 4 > n) return false;
  const uint32_t optionalSize = Read16(b + pe + 20);
  uint32_t count = Read32(b + countAt);
  if (count > kMaxDirectories) count = kMaxDirectories;
  const uint64_t directory = countAt + 4;
  const uint64_t sections = optional + optionalSize;
  l->sectionCount = Read16(b + pe + 6);
  if (directory + 8ull * count > sections ||
      sections + uint64_t{kSectionHeaderSize} * l->sectionCount > n) {
    return false;
  }
  l->machine = Read16(b + pe + 4);
  l->checksumOffset = static_cast<uint32_t>(optional + 64);
  l->directoryOffset = static_cast<uint32_t>(directory);
  l->directoryCount = count;
  l->sectionTableOffset = static_cast<uint32_t>(sections);
  return true;
}

bool IsSixtyFourBit(const PeLayout& l) { return l.machine == 0x8664 || l.machine == 0xAA64; }

void ReadDataDirectory(const uint8_t* b, const PeLayout& l, uint32_t index, uint32_t* rva,
                       uint32_t* size) {
  *rva = *size = 0;
  if (index >= l.directoryCount) return;
  *rva = Read32(b + l.directoryOffset + 8 * index);
  *size = Read32(b + l.directoryOffset + 8 * index + 4);
}

bool RvaToFileOffset(const uint8_t* b, const PeLayout& l, uint32_t rva, uint32_t* offset,
                     uint32_t* available) {
  for (uint32_t i = 0; i < l.sectionCount; ++i) {
    const uint8_t* s = b + l.sectionTableOffset + kSectionHeaderSize * i;
    const uint32_t start = Read32(s + 12);
    const uint32_t rawSize = Read32(s + 16);
    if (rva >= start && rva - start < rawSize) {
      *offset = Read32(s + 20) + (rva - start);
      *available = rawSize - (rva - start);
      return true;
    }
  }
  return false;
}

CertificateTable ReadCertificateTable(const uint8_t* b, const PeLayout& l) {
  CertificateTable t;
  ReadDataDirectory(b, l, kSecurityDirectory, &t.offset, &t.size);
  return t;
}

uint64_t PackageEnd(const CertificateTable& t, uint64_t fileSize, uint64_t expected) {
  // The smallest table holds one WIN_CERTIFICATE header (8 bytes).
  const bool signatureEndsFile = t.size >= 8 && uint64_t{t.offset} + t.size == fileSize;
  return signatureEndsFile && t.offset == ((expected + 7) & ~uint64_t{7}) ? expected : fileSize;
}

}  // namespace marrowby::setup
