#include "setup/package_format.h"

namespace marrowby::setup {

namespace {

uint32_t Read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void Write32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

}  // namespace

bool ParseHeader(const uint8_t* b, size_t n, PackageHeader* h) {
  if (n < kHeaderSize || b[0] != 'M' || b[1] != 'R' || b[2] != 'I') return false;
  h->attended = b[3];
  h->titleLength = b[4];
  h->infNameLength = b[5];
  h->admin = b[6];
  h->noticeLength = b[7];
  h->welcomeLength = static_cast<int32_t>(Read32(b + 8));
  h->licenceLength = static_cast<int32_t>(Read32(b + 12));
  h->noticeHidden = b[16];
  h->multiPart = b[17];
  h->advanced = b[18];
  h->cabinetScrambled = b[19];
  h->packageSize = Read32(b + 20);
  return true;
}

void WriteHeader(const PackageHeader& h, uint8_t out[kHeaderSize]) {
  out[0] = 'M';
  out[1] = 'R';
  out[2] = 'I';
  out[3] = h.attended;
  out[4] = h.titleLength;
  out[5] = h.infNameLength;
  out[6] = h.admin;
  out[7] = h.noticeLength;
  Write32(out + 8, static_cast<uint32_t>(h.welcomeLength));
  Write32(out + 12, static_cast<uint32_t>(h.licenceLength));
  out[16] = h.noticeHidden;
  out[17] = h.multiPart;
  out[18] = h.advanced;
  out[19] = h.cabinetScrambled;
  Write32(out + 20, h.packageSize);
}

static uint64_t TextsEnd(const PackageHeader& h) {
  return uint64_t{kTextsOffset} + h.titleLength + h.infNameLength + h.noticeLength +
         static_cast<uint64_t>(h.welcomeLength > 0 ? h.welcomeLength : 0) +
         static_cast<uint64_t>(h.licenceLength > 0 ? h.licenceLength : 0);
}

uint32_t CabinetOffset(const PackageHeader& h) { return static_cast<uint32_t>(TextsEnd(h)); }

LayoutCheck CheckLayout(const PackageHeader& h, uint64_t textFileSize) {
  if (h.welcomeLength < 0 || h.licenceLength < 0 || h.infNameLength == 0) {
    return LayoutCheck::kBadLength;
  }
  const uint64_t end = TextsEnd(h);
  if (end > textFileSize) return LayoutCheck::kTextsPastEnd;
  if (end > h.packageSize || h.packageSize > kMaxPackageSize) {
    return LayoutCheck::kCabinetPastEnd;
  }
  return LayoutCheck::kOk;
}

bool ParsePartRecord(const uint8_t b[kPartRecordSize], PartRecord* r) {
  if (b[0] != 'M' || b[1] != 'R' || b[2] != 'I' || b[3] != 'P') return false;
  r->count = static_cast<uint32_t>(b[4]) | static_cast<uint32_t>(b[5]) << 8;
  r->firstSize = Read32(b + 8);
  r->middleSize = Read32(b + 12);
  r->lastSize = Read32(b + 16);
  for (uint32_t i = 0; i < sizeof(r->digest); ++i) r->digest[i] = b[32 + i];
  return r->count >= 2 && r->count <= kMaxParts;
}

void WritePartRecord(const PartRecord& r, uint8_t out[kPartRecordSize]) {
  for (uint32_t i = 0; i < kPartRecordSize; ++i) out[i] = 0;
  out[0] = 'M';
  out[1] = 'R';
  out[2] = 'I';
  out[3] = 'P';
  out[4] = static_cast<uint8_t>(r.count);
  out[5] = static_cast<uint8_t>(r.count >> 8);
  Write32(out + 8, r.firstSize);
  Write32(out + 12, r.middleSize);
  Write32(out + 16, r.lastSize);
  for (uint32_t i = 0; i < sizeof(r.digest); ++i) out[32 + i] = r.digest[i];
}

uint32_t RecordedPartSize(const PartRecord& r, uint32_t index) {
  if (index == 0) return r.firstSize;
  return index + 1 == r.count ? r.lastSize : r.middleSize;
}

}  // namespace marrowby::setup
