// A package's bytes as one run of offsets, cut into part files as they are
// written: part 1 holds [0, first), every further part `partSize` bytes. No
// part is written beyond the 256 setup can join; the size is still counted,
// so that the builder can say which split would do.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/setuppack/files.h"
#include "tools/setuppack/sink_stream.h"

namespace marrowby::setuppack {

class PartedOutput : public OffsetOutput {
 public:
  // partSize 0: one file, however large.
  PartedOutput(std::string output, uint64_t first, uint64_t partSize);

  void WriteAt(uint64_t offset, const uint8_t* data, size_t n) override;
  uint64_t Size() const override { return size_; }
  // Reads back what was written (for scrambling and hashing).
  size_t ReadAt(uint64_t offset, uint8_t* data, size_t n) const;

  // The parts the written size needs (may exceed what setup can join).
  size_t PartCount() const;
  uint64_t PartStart(size_t part) const;
  uint64_t PartEnd(size_t part) const;  // clipped to the size
  // The temporary file a written part is in, until Commit.
  const std::string& PartPath(size_t part) const { return parts_.at(part)->Path(); }

  // Renames the written parts into place, all or none (CommitAll).
  void Commit();

 private:
  size_t PartOf(uint64_t offset) const;
  TemporaryFile& Part(size_t part);

  std::string output_;
  uint64_t first_;
  uint64_t partSize_;
  uint64_t size_ = 0;
  std::vector<std::unique_ptr<TemporaryFile>> parts_;
};

// The file names of a split package's parts: the output file, then its name
// with the last three characters replaced by 001, 002, ...
std::vector<std::string> PartNames(const std::string& output, size_t count);

}  // namespace marrowby::setuppack
