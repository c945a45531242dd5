#include "tools/setuppack/parted_output.h"

#include <algorithm>
#include <stdexcept>

#include "setup/names.h"
#include "setup/package_format.h"

namespace marrowby::setuppack {

PartedOutput::PartedOutput(std::string output, uint64_t first, uint64_t partSize)
    : output_(std::move(output)), first_(partSize ? first : 0), partSize_(partSize) {}

size_t PartedOutput::PartOf(uint64_t offset) const {
  if (partSize_ == 0 || offset < first_) return 0;
  return static_cast<size_t>(1 + (offset - first_) / partSize_);
}

uint64_t PartedOutput::PartStart(size_t part) const {
  return part == 0 ? 0 : first_ + (part - 1) * partSize_;
}

uint64_t PartedOutput::PartEnd(size_t part) const {
  if (partSize_ == 0) return size_;
  return std::min(size_, part == 0 ? first_ : first_ + part * partSize_);
}

size_t PartedOutput::PartCount() const { return size_ == 0 ? 1 : PartOf(size_ - 1) + 1; }

TemporaryFile& PartedOutput::Part(size_t part) {
  while (parts_.size() <= part) {
    const std::string name = PartNames(output_, parts_.size() + 1).back();
    parts_.push_back(std::make_unique<TemporaryFile>(name));
  }
  return *parts_[part];
}

void PartedOutput::WriteAt(uint64_t offset, const uint8_t* data, size_t n) {
  size_ = std::max(size_, offset + n);
  while (n > 0) {
    const size_t part = PartOf(offset);
    const uint64_t start = PartStart(part);
    const uint64_t end = partSize_ == 0 ? UINT64_MAX : part == 0 ? first_ : start + partSize_;
    const size_t here = static_cast<size_t>(std::min<uint64_t>(n, end - offset));
    if (part < setup::kMaxParts) Part(part).WriteAt(offset - start, data, here);
    offset += here;
    data += here;
    n -= here;
  }
}

size_t PartedOutput::ReadAt(uint64_t offset, uint8_t* data, size_t n) const {
  size_t done = 0;
  while (done < n && offset + done < size_) {
    const size_t part = PartOf(offset + done);
    if (part >= parts_.size()) break;
    const uint64_t start = PartStart(part);
    const size_t want = static_cast<size_t>(std::min<uint64_t>(n - done, PartEnd(part) - (offset + done)));
    const size_t got = parts_[part]->ReadAt(offset + done - start, data + done, want);
    done += got;
    if (got < want) break;
  }
  return done;
}

void PartedOutput::Commit() {
  std::vector<TemporaryFile*> files;
  for (auto& p : parts_) files.push_back(p.get());
  CommitAll(files);
}

std::vector<std::string> PartNames(const std::string& output, size_t count) {
  std::vector<std::string> names{output};
  const size_t base = output.find_last_of('/') + 1;
  if (count > 1 && output.size() - base < 3) {
    throw std::runtime_error("the output name must have at least three characters to name parts");
  }
  for (size_t k = 1; k < count; ++k) {
    std::string name = output;
    setup::SetPartNumber(&name[0], static_cast<uint32_t>(k));
    if (name == output) {
      throw std::runtime_error("the output name " + output + " ends in the digits of part " +
                               std::to_string(k + 1) + "'s name; name the package like setup.exe");
    }
    names.push_back(name);
  }
  return names;
}

}  // namespace marrowby::setuppack
