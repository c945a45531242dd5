// What setup and setuppack read from a program file's PE headers: where its
// data directories and sections are, and its certificate table (the
// Authenticode signature that signing appends), with the rule that tells a
// signed package from one that had bytes added or taken away.
//
// How a signed package is read: the certificate directory comes from the
// program's own headers (in the file, or mapped at its module handle). A
// single-file package is whole when PackageEnd(table, file size, header's
// package size) equals the package size; part 1 of a split one when
// PackageEnd(table, its size, the part record's size of part 1) equals that
// recorded size, and only that many bytes of part 1 are joined to the other
// parts and hashed for the part record's digest (from the end of the image
// area on). The checksum and certificate directory that signing sets lie in
// the image area, which the digest leaves out.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace marrowby::setup {

struct PeLayout {
  uint32_t machine;             // 0x14C i386, 0x8664 x86-64, ...
  uint32_t checksumOffset;      // file offset of the optional header's CheckSum
  uint32_t directoryOffset;     // file offset of the data directory
  uint32_t directoryCount;
  uint32_t sectionTableOffset;  // file offset of the first section header
  uint32_t sectionCount;
};

// Reads the layout from the first n bytes of a PE file (or of its mapped
// image: the headers are the same). False when the bytes are no PE headers,
// or the data directory or the section table lies beyond them.
bool ReadPeLayout(const uint8_t* bytes, size_t n, PeLayout* layout);

// An x86-64 or ARM64 program, which Windows runs without its 32-bit layer.
bool IsSixtyFourBit(const PeLayout& layout);

// Data directory entry `index` (its RVA and size); zeros when the headers
// have fewer entries.
void ReadDataDirectory(const uint8_t* bytes, const PeLayout& layout, uint32_t index,
                       uint32_t* rva, uint32_t* size);

// The file offset of an RVA inside one of the sections, with the bytes of
// the section that follow it in the file; false when no section holds it.
bool RvaToFileOffset(const uint8_t* bytes, const PeLayout& layout, uint32_t rva,
                     uint32_t* offset, uint32_t* available);

constexpr uint32_t kSecurityDirectory = 4;  // its "RVA" is a file offset
constexpr uint32_t kResourceDirectory = 2;

// The certificate table: where the signature lies in the file; both zero in
// an unsigned file.
struct CertificateTable {
  uint32_t offset;
  uint32_t size;
};

CertificateTable ReadCertificateTable(const uint8_t* bytes, const PeLayout& layout);

// Where the package's own bytes end in a file of fileSize bytes that must
// hold `expected` of them (a single-file package's size, or the recorded
// size of part 1). A signed file holds them followed by the certificate
// table, which the PE format places at the next multiple of 8 and which must
// end the file: then the answer is `expected`. Otherwise it is fileSize, so
// that a file whose size differs from `expected`, a signature not directly
// behind the package and bytes appended after a signature all fail the size
// test alike.
uint64_t PackageEnd(const CertificateTable& table, uint64_t fileSize, uint64_t expected);

}  // namespace marrowby::setup
