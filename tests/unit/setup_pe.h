// A small PE32 image for the tests: headers, one section of resources that
// holds a manifest (RT_MANIFEST, ID 1, language 0x409), as a resource
// compiler lays them out. osslsigncode signs it like any program.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace marrowby::testing {

inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

inline std::vector<uint8_t> PeWithManifest(const std::string& manifest) {
  constexpr uint32_t kRaw = 0x200, kRva = 0x1000, kPe = 0x40, kOptional = kPe + 24;
  const uint32_t dataAt = 0x58;  // behind the three directories and the data entry
  const uint32_t rawSize = (dataAt + static_cast<uint32_t>(manifest.size()) + 0x1FF) & ~0x1FFu;
  std::vector<uint8_t> b(kRaw + rawSize, 0);
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 0x3C, kPe);
  b[kPe] = 'P';
  b[kPe + 1] = 'E';
  Put32(b, kPe + 4, 0x014C | 1u << 16);  // i386, one section
  Put32(b, kPe + 20, 0xE0 | 0x0102u << 16);  // optional header size, executable
  Put32(b, kOptional, 0x10B);                 // PE32
  Put32(b, kOptional + 32, kRva);             // section alignment
  Put32(b, kOptional + 36, kRaw);             // file alignment
  Put32(b, kOptional + 56, kRva + rawSize);   // size of image
  Put32(b, kOptional + 60, kRaw);             // size of headers
  Put32(b, kOptional + 68, 2);                // GUI subsystem
  Put32(b, kOptional + 92, 16);               // data directories
  Put32(b, kOptional + 96 + 8 * 2, kRva);     // resources
  Put32(b, kOptional + 96 + 8 * 2 + 4, dataAt + static_cast<uint32_t>(manifest.size()));
  const size_t section = kOptional + 0xE0;
  for (size_t i = 0; i < 5; ++i) b[section + i] = static_cast<uint8_t>(".rsrc"[i]);
  Put32(b, section + 8, rawSize);
  Put32(b, section + 12, kRva);
  Put32(b, section + 16, rawSize);
  Put32(b, section + 20, kRaw);
  Put32(b, section + 36, 0x40000040);  // initialised data, readable
  // Type 24 -> name 1 -> language 0x409 -> data entry; one ID entry each.
  const uint32_t dirs[][2] = {{24, 0x80000018}, {1, 0x80000030}, {0x409, 0x48}};
  for (size_t i = 0; i < 3; ++i) {
    const size_t at = kRaw + 0x18 * i;
    Put32(b, at + 12, 1u << 16);
    Put32(b, at + 16, dirs[i][0]);
    Put32(b, at + 20, dirs[i][1]);
  }
  Put32(b, kRaw + 0x48, kRva + dataAt);
  Put32(b, kRaw + 0x4C, static_cast<uint32_t>(manifest.size()));
  std::copy(manifest.begin(), manifest.end(), b.begin() + kRaw + dataAt);
  return b;
}

}  // namespace marrowby::testing
