// Reading a package back: the header and texts from part 1, the parts of a
// split package checked against its part record, and the cabinet as a view
// of the joined parts; nothing is read whole. A signed program file ends
// with its certificate table, which is read apart from the package.
#include <glib.h>

#include <algorithm>
#include <stdexcept>

#include "setup/names.h"
#include "setup/package_format.h"
#include "setup/pe_image.h"
#include "setup/scramble.h"
#include "tools/setuppack/manifest_level.h"
#include "tools/setuppack/package.h"
#include "tools/setuppack/signature.h"

namespace marrowby::setuppack {

using setup::kHeaderOffset;
using setup::kImageSize;
using setup::kTextsOffset;

namespace {

constexpr size_t kChunk = 1 << 20;

std::string TextAt(const ByteSource& b, uint64_t& at, size_t n, bool scrambled) {
  std::string s(n, '\0');
  if (b.ReadAt(at, &s[0], n) != n) throw std::runtime_error("the package is cut short");
  if (scrambled) setup::ScrambleText(reinterpret_cast<uint8_t*>(&s[0]), s.size());
  at += n;
  return s;
}

bool ReadHeader(const ByteSource& b, setup::PackageHeader* h) {
  uint8_t header[setup::kHeaderSize];
  return b.ReadAt(kHeaderOffset, header, sizeof(header)) == sizeof(header) &&
         setup::ParseHeader(header, sizeof(header), h);
}

void PartDigest(const ByteSource& part, size_t index, uint8_t digest[setup::kDigestSize]) {
  GChecksum* h = g_checksum_new(G_CHECKSUM_SHA256);
  std::vector<uint8_t> chunk(kChunk);
  for (uint64_t at = index == 0 ? std::min<uint64_t>(part.Size(), kImageSize) : 0;
       at < part.Size();) {
    const size_t n = part.ReadAt(at, chunk.data(), chunk.size());
    if (n == 0) break;
    g_checksum_update(h, chunk.data(), n);
    at += n;
  }
  gsize size = setup::kDigestSize;
  g_checksum_get_digest(h, digest, &size);
  g_checksum_free(h);
}

std::string PartName(const std::string& path, uint32_t k) {
  std::string name = path;
  if (k > 0) setup::SetPartNumber(&name[0], k);
  return name;
}

// Checks the parts against the part record, as setup does before using them.
void CheckParts(const std::vector<ByteSource>& parts, const setup::PartRecord& r,
                const std::string& path) {
  for (uint32_t k = 0; k < parts.size(); ++k) {
    const uint32_t expected = setup::RecordedPartSize(r, k);
    if (parts[k].Size() != expected) {
      throw std::runtime_error(PartName(path, k) + ": the part is damaged: it has " +
                               std::to_string(parts[k].Size()) + " bytes instead of " +
                               std::to_string(expected));
    }
  }
  uint8_t digest[setup::kDigestSize];
  PartsDigest(parts, digest);
  if (!std::equal(digest, digest + sizeof(digest), r.digest)) {
    throw std::runtime_error(
        "the parts do not belong together: one of them has been damaged or replaced");
  }
}

// Opens the further parts of a split package: as many as its part record
// names, or, without one, until they reach the package size.
std::vector<ByteSource> OpenParts(const std::string& path, const ByteSource& first,
                                  const setup::PackageHeader& h, const setup::PartRecord* record) {
  std::vector<ByteSource> parts{first};
  uint64_t joined = first.Size();
  for (uint32_t k = 1; record ? k < record->count : joined < h.packageSize; ++k) {
    if (k >= setup::kMaxParts) throw std::runtime_error("the parts never reach the package size");
    const std::string name = PartName(path, k);
    parts.push_back(ByteSource::OpenFile(name, ""));
    if (parts.back().Size() == 0) throw std::runtime_error(name + ": the part is empty");
    joined += parts.back().Size();
  }
  return parts;
}

// A certificate table larger than this is not read for its signer.
constexpr uint32_t kMaxSignatureRead = 1 << 20;

// The package's bytes of a program file that must hold `expected` of them:
// without a certificate table that directly follows them and ends the file.
ByteSource WithoutSignature(const ByteSource& file, const setup::CertificateTable& table,
                            uint64_t expected) {
  return file.Slice(0, setup::PackageEnd(table, file.Size(), expected));
}

}  // namespace

ProgramFacts ReadProgramFacts(const ByteSource& file) {
  ProgramFacts facts;
  std::vector<uint8_t> image(std::min<uint64_t>(file.Size(), kImageSize));
  image.resize(file.ReadAt(0, image.data(), image.size()));
  facts.executionLevel = ExecutionLevel(image);
  setup::PeLayout layout;
  if (!setup::ReadPeLayout(image.data(), image.size(), &layout)) return facts;
  facts.sixtyFourBit = setup::IsSixtyFourBit(layout);
  facts.signature = setup::ReadCertificateTable(image.data(), layout);
  const setup::CertificateTable& t = facts.signature;
  if (t.size == 0 || t.size > kMaxSignatureRead) return facts;
  std::vector<uint8_t> table(t.size);
  if (file.ReadAt(t.offset, table.data(), table.size()) == table.size()) {
    facts.signer = SignerName(table);
  }
  return facts;
}

void PartsDigest(const std::vector<ByteSource>& parts, uint8_t digest[setup::kDigestSize]) {
  GChecksum* all = g_checksum_new(G_CHECKSUM_SHA256);
  for (size_t k = 0; k < parts.size(); ++k) {
    uint8_t d[setup::kDigestSize];
    PartDigest(parts[k], k, d);
    g_checksum_update(all, d, sizeof(d));
  }
  gsize size = setup::kDigestSize;
  g_checksum_get_digest(all, digest, &size);
  g_checksum_free(all);
}

PackageContents ParsePackage(const ByteSource& b) {
  PackageContents c;
  if (!ReadHeader(b, &c.header)) {
    throw std::runtime_error("not a setup package (no package header behind the stub)");
  }
  const setup::PackageHeader& h = c.header;
  if (setup::CheckLayout(h, b.Size()) != setup::LayoutCheck::kOk) {
    throw std::runtime_error("the package is corrupted: its text lengths reach past its end");
  }
  uint64_t at = kTextsOffset;
  c.title = TextAt(b, at, h.titleLength, false);
  c.infName = TextAt(b, at, h.infNameLength, false);
  c.notice = TextAt(b, at, h.noticeLength, true);
  c.welcome = TextAt(b, at, static_cast<size_t>(h.welcomeLength), true);
  c.licence = TextAt(b, at, static_cast<size_t>(h.licenceLength), true);
  c.cabinetOffset = static_cast<uint32_t>(at);
  c.size = b.Size();
  const uint64_t end = std::min<uint64_t>(b.Size(), h.packageSize);
  c.cabinet = b.Slice(at, end > at ? end - at : 0,
                      h.cabinetScrambled ? setup::CabinetKey(h.packageSize) : 0);
  return c;
}

PackageContents ReadPackageFile(const std::string& path) {
  const ByteSource file = ByteSource::OpenFile(path, "");
  const ProgramFacts program = ReadProgramFacts(file);
  setup::PackageHeader h{};
  PackageContents c;
  if (!ReadHeader(file, &h) || !h.multiPart) {
    c = ParsePackage(WithoutSignature(file, program.signature, h.packageSize));
    c.programBytes = c.size;
  } else {
    setup::PartRecord record{};
    uint8_t bytes[setup::kPartRecordSize];
    const bool recorded =
        file.ReadAt(setup::kPartRecordOffset, bytes, sizeof(bytes)) == sizeof(bytes) &&
        setup::ParsePartRecord(bytes, &record);
    const ByteSource first =
        recorded ? WithoutSignature(file, program.signature, record.firstSize) : file;
    const std::vector<ByteSource> parts = OpenParts(path, first, h, recorded ? &record : nullptr);
    if (recorded) CheckParts(parts, record, path);
    // The texts must lie in part 1, where setup reads them.
    if (setup::CheckLayout(h, first.Size()) != setup::LayoutCheck::kOk) {
      throw std::runtime_error(
          "the package is corrupted: its text lengths reach past its first part");
    }
    c = ParsePackage(ByteSource::Join(parts));
    c.parts = static_cast<uint32_t>(parts.size());
    c.partsChecked = recorded;
    c.programBytes = first.Size();
  }
  c.program = program;
  return c;
}

bool IsSplitPackage(const std::string& path) {
  try {
    setup::PackageHeader h{};
    return ReadHeader(ByteSource::OpenFile(path, ""), &h) && h.multiPart;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace marrowby::setuppack
