#include <zlib.h>

#include <algorithm>
#include <stdexcept>

#include "tools/setuppack/cabinet.h"

namespace marrowby::setuppack {

namespace {

constexpr size_t kBlockSize = 32768;  // uncompressed bytes per data block
constexpr size_t kMaxCompressed = kBlockSize + 6144;  // what readers accept

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

void Set32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// The data block checksum of the cabinet format: 32-bit words XORed together,
// the tail bytes folded in with the first of them highest.
uint32_t Checksum(const uint8_t* data, size_t n, uint32_t sum) {
  for (size_t i = 0; i + 4 <= n; i += 4) {
    sum ^= static_cast<uint32_t>(data[i]) | static_cast<uint32_t>(data[i + 1]) << 8 |
           static_cast<uint32_t>(data[i + 2]) << 16 | static_cast<uint32_t>(data[i + 3]) << 24;
  }
  const uint8_t* tail = data + (n & ~size_t{3});
  uint32_t ul = 0;
  switch (n & 3) {
    case 3:
      ul |= static_cast<uint32_t>(*tail++) << 16;
      [[fallthrough]];
    case 2:
      ul |= static_cast<uint32_t>(*tail++) << 8;
      [[fallthrough]];
    case 1:
      ul |= *tail;
  }
  return sum ^ ul;
}

// One MSZIP block: "CK" and a complete deflate stream of the block, so that
// each block decodes on its own.
std::vector<uint8_t> DeflateBlock(const uint8_t* data, size_t n) {
  z_stream z{};
  if (deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("zlib could not be initialised");
  }
  std::vector<uint8_t> out(2 + deflateBound(&z, n));
  out[0] = 'C';
  out[1] = 'K';
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(n);
  z.next_out = out.data() + 2;
  z.avail_out = static_cast<uInt>(out.size() - 2);
  const int r = deflate(&z, Z_FINISH);
  const size_t used = 2 + z.total_out;
  deflateEnd(&z);
  if (r != Z_STREAM_END || used > kMaxCompressed) {
    throw std::runtime_error("MSZIP compression failed");
  }
  out.resize(used);
  return out;
}

void AppendDataBlock(std::vector<uint8_t>& out, const uint8_t* data, size_t n, Compression c) {
  std::vector<uint8_t> payload =
      c == Compression::kMszip ? DeflateBlock(data, n) : std::vector<uint8_t>(data, data + n);
  uint8_t sizes[4] = {static_cast<uint8_t>(payload.size()), static_cast<uint8_t>(payload.size() >> 8),
                      static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8)};
  Put32(out, Checksum(sizes, 4, Checksum(payload.data(), payload.size(), 0)));
  Put16(out, static_cast<uint32_t>(payload.size()));
  Put16(out, static_cast<uint32_t>(n));
  out.insert(out.end(), payload.begin(), payload.end());
}

}  // namespace

uint16_t DosDate(int year, int month, int day) {
  if (year < 1980) return (0 << 9) | (1 << 5) | 1;
  if (year > 2107) year = 2107;
  return static_cast<uint16_t>((year - 1980) << 9 | month << 5 | day);
}

uint16_t DosTime(int hour, int minute, int second) {
  return static_cast<uint16_t>(hour << 11 | minute << 5 | second / 2);
}

std::vector<uint8_t> WriteCabinet(const std::vector<CabEntry>& entries, Compression c) {
  if (entries.empty()) throw std::runtime_error("a cabinet needs at least one file");
  if (entries.size() > 0xFFFF) throw std::runtime_error("too many files for one cabinet");
  uint64_t total = 0;
  for (const CabEntry& e : entries) {
    if (e.name.empty() || e.name.size() > 255) {
      throw std::runtime_error("file name \"" + e.name + "\" must have 1 to 255 bytes");
    }
    total += e.data.size();
  }
  if (total > 0x7FFF8000ull) throw std::runtime_error("the files are too large for one cabinet");

  std::vector<uint8_t> out = {'M', 'S', 'C', 'F'};
  Put32(out, 0);
  Put32(out, 0);  // cabinet size, set at the end
  Put32(out, 0);
  Put32(out, 0);  // offset of the first file entry, set below
  Put32(out, 0);
  out.push_back(3);  // format version 1.3
  out.push_back(1);
  Put16(out, 1);  // one folder
  Put16(out, static_cast<uint32_t>(entries.size()));
  Put16(out, 0);       // no flags: no reserve, no previous or next cabinet
  Put16(out, 0x4D52);  // set id
  Put16(out, 0);       // first cabinet of its set

  const size_t folderAt = out.size();
  Put32(out, 0);  // offset of the first data block, set below
  Put16(out, 0);  // number of data blocks, set below
  Put16(out, c == Compression::kMszip ? 1 : 0);

  Set32(out, 16, static_cast<uint32_t>(out.size()));
  uint32_t offset = 0;
  for (const CabEntry& e : entries) {
    Put32(out, static_cast<uint32_t>(e.data.size()));
    Put32(out, offset);
    Put16(out, 0);
    Put16(out, e.date);
    Put16(out, e.time);
    Put16(out, e.attribs);
    out.insert(out.end(), e.name.begin(), e.name.end());
    out.push_back(0);
    offset += static_cast<uint32_t>(e.data.size());
  }

  Set32(out, folderAt, static_cast<uint32_t>(out.size()));
  // The folder's bytes are the files' bytes one after the other, cut into
  // blocks regardless of file boundaries.
  std::vector<uint8_t> block;
  block.reserve(kBlockSize);
  size_t blocks = 0;
  for (const CabEntry& e : entries) {
    size_t at = 0;
    while (at < e.data.size()) {
      const size_t take = std::min(kBlockSize - block.size(), e.data.size() - at);
      block.insert(block.end(), e.data.begin() + static_cast<long>(at),
                   e.data.begin() + static_cast<long>(at + take));
      at += take;
      if (block.size() == kBlockSize) {
        AppendDataBlock(out, block.data(), block.size(), c);
        block.clear();
        ++blocks;
      }
    }
  }
  if (!block.empty()) {
    AppendDataBlock(out, block.data(), block.size(), c);
    ++blocks;
  }
  if (blocks > 0xFFFF) throw std::runtime_error("the files are too large for one cabinet folder");
  out[folderAt + 4] = static_cast<uint8_t>(blocks);
  out[folderAt + 5] = static_cast<uint8_t>(blocks >> 8);
  Set32(out, 8, static_cast<uint32_t>(out.size()));
  return out;
}

}  // namespace marrowby::setuppack
