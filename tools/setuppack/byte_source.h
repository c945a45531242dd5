// Bytes read at any offset without holding them: a file, a run of part files
// read as one, or (for tests) memory; a slice of one, optionally XOR-
// unscrambled. libmspack reads cabinets through it, so that a package of any
// size is listed and extracted in little memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace marrowby::setuppack {

class ByteSource {
 public:
  ByteSource() = default;
  // Opens a file for reading; throws "WHAT PATH: cannot be opened: reason".
  static ByteSource OpenFile(const std::string& path, const std::string& what);
  static ByteSource FromMemory(std::vector<uint8_t> bytes);
  // The sources one after another.
  static ByteSource Join(const std::vector<ByteSource>& parts);

  uint64_t Size() const { return size_; }
  // Reads up to n bytes at offset: fewer only at the end. Throws on a read
  // error of the file.
  size_t ReadAt(uint64_t offset, void* out, size_t n) const;
  // Bytes [from, from + length), clipped to the end, XORed with key.
  ByteSource Slice(uint64_t from, uint64_t length, uint8_t key = 0) const;
  // All bytes, for small sources (texts, tests).
  std::vector<uint8_t> ReadAll() const;

  struct Backing;

 private:
  struct Segment {
    std::shared_ptr<const Backing> backing;
    uint64_t from = 0;
    uint64_t size = 0;
  };
  std::vector<Segment> segments_;
  uint64_t size_ = 0;
  uint8_t key_ = 0;
};

}  // namespace marrowby::setuppack
