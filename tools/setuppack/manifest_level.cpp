#include "tools/setuppack/manifest_level.h"

#include <algorithm>

#include "setup/pe_image.h"

namespace marrowby::setuppack {

namespace {

constexpr uint32_t kManifestType = 24;  // RT_MANIFEST
constexpr uint32_t kSubdirectory = 0x80000000;

uint32_t Read32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// The resource section: its file offset and the bytes it has in the image.
struct Resources {
  size_t base = 0;
  size_t end = 0;
};

// The entry of a resource directory (at `dir` from the section's start)
// with ID `id`, or its first entry when id is 0.
bool Entry(const std::vector<uint8_t>& image, const Resources& r, uint32_t dir, uint32_t id,
           uint32_t* target) {
  const size_t header = r.base + dir;
  if (dir > r.end - r.base || r.end - header < 16) return false;
  const size_t count = (Read32(image, header + 12) & 0xFFFF) + (Read32(image, header + 12) >> 16);
  for (size_t i = 0; i < count && header + 16 + 8 * i + 8 <= r.end; ++i) {
    const size_t entry = header + 16 + 8 * i;
    if (id == 0 || Read32(image, entry) == id) {
      *target = Read32(image, entry + 4);
      return true;
    }
  }
  return false;
}

// The manifest's bytes in the image: type RT_MANIFEST, its first name, its
// first language.
bool FindManifest(const std::vector<uint8_t>& image, size_t* offset, size_t* size) {
  setup::PeLayout l;
  if (!setup::ReadPeLayout(image.data(), image.size(), &l)) return false;
  uint32_t rva, length, at, available;
  setup::ReadDataDirectory(image.data(), l, setup::kResourceDirectory, &rva, &length);
  if (rva == 0 || !setup::RvaToFileOffset(image.data(), l, rva, &at, &available)) return false;
  Resources r;
  r.base = at;
  r.end = std::min<size_t>(image.size(), size_t{at} + available);
  if (r.base >= r.end) return false;
  // Type, name and language directories; the last entry names the data.
  uint32_t target = 0;
  const uint32_t ids[] = {kManifestType, 0, 0};
  for (size_t level = 0; level < 3; ++level) {
    if (!Entry(image, r, target & ~kSubdirectory, ids[level], &target)) return false;
    if (((target & kSubdirectory) != 0) != (level < 2)) return false;
  }
  const size_t entry = r.base + target;
  if (target > r.end - r.base || r.end - entry < 16) return false;
  if (!setup::RvaToFileOffset(image.data(), l, Read32(image, entry), &at, &available)) return false;
  *offset = at;
  *size = std::min<size_t>(Read32(image, entry + 4), available);
  return *offset < image.size() && *size <= image.size() - *offset;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Where the level's value stands in the image, and the room from its first
// character to the closing quote and the spaces behind it (less one that
// must separate a following attribute).
struct LevelSpot {
  size_t value = 0;
  size_t length = 0;
  size_t room = 0;
};

bool FindLevel(const std::vector<uint8_t>& image, LevelSpot* spot) {
  size_t offset, size;
  if (!FindManifest(image, &offset, &size)) return false;
  const std::string text(image.begin() + static_cast<long>(offset),
                         image.begin() + static_cast<long>(offset + size));
  const char element[] = "<requestedExecutionLevel";
  const size_t tag = text.find(element);
  const size_t end = text.find('>', tag);
  if (tag == std::string::npos || end == std::string::npos) return false;
  size_t at = tag + sizeof(element) - 1;
  while ((at = text.find("level", at)) < end && !IsSpace(text[at - 1])) at += 5;
  if (at >= end) return false;
  at += 5;
  while (at < end && IsSpace(text[at])) ++at;
  if (at >= end || text[at] != '=') return false;
  ++at;
  while (at < end && IsSpace(text[at])) ++at;
  if (at >= end || (text[at] != '"' && text[at] != '\'')) return false;
  const size_t close = text.find(text[at], at + 1);
  if (close >= end) return false;
  size_t spaces = 0;
  while (IsSpace(text[close + 1 + spaces])) ++spaces;
  const char next = text[close + 1 + spaces];
  if (spaces > 0 && next != '/' && next != '>') --spaces;
  spot->value = offset + at + 1;
  spot->length = close - at - 1;
  spot->room = spot->length + 1 + spaces;
  return true;
}

}  // namespace

std::string ExecutionLevel(const std::vector<uint8_t>& image) {
  LevelSpot spot;
  if (!FindLevel(image, &spot)) return "";
  return std::string(image.begin() + static_cast<long>(spot.value),
                     image.begin() + static_cast<long>(spot.value + spot.length));
}

bool SetExecutionLevel(std::vector<uint8_t>& image, const std::string& level) {
  LevelSpot spot;
  if (!FindLevel(image, &spot) || level.size() + 1 > spot.room) return false;
  const uint8_t quote = image[spot.value + spot.length];
  std::fill_n(image.begin() + static_cast<long>(spot.value), spot.room, ' ');
  std::copy(level.begin(), level.end(), image.begin() + static_cast<long>(spot.value));
  image[spot.value + level.size()] = quote;
  return true;
}

}  // namespace marrowby::setuppack
