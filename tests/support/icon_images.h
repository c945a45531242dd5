// Icon file images made in memory for tests: 16-colour icons of a given size,
// filled with one palette colour (a 32x32 one is the 766-byte kind the
// program ships), and icon files with several pictures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace marrowby::testing {

inline void PutLE(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s += static_cast<char>(v >> (8 * i) & 0xFF);
}

// The picture part (header, palette, colour and mask rows) of a 16-colour
// icon of size x size pixels, every pixel palette entry colorIndex, whose
// colour is rgb (0x00RRGGBB).
inline std::string IconPicture(int size, int colorIndex, uint32_t rgb) {
  std::string p;
  const int xorRow = ((size * 4 + 31) / 32) * 4;
  const int andRow = ((size + 31) / 32) * 4;
  PutLE(p, 40, 4);
  PutLE(p, static_cast<uint32_t>(size), 4);
  PutLE(p, static_cast<uint32_t>(size * 2), 4);  // colour rows and mask rows
  PutLE(p, 1, 2);
  PutLE(p, 4, 2);
  PutLE(p, 0, 4);
  PutLE(p, static_cast<uint32_t>((xorRow + andRow) * size), 4);
  for (int i = 0; i < 4; ++i) PutLE(p, 0, 4);
  for (int i = 0; i < 16; ++i) PutLE(p, i == colorIndex ? rgb : 0x000000, 4);
  const char pair = static_cast<char>((colorIndex & 15) << 4 | (colorIndex & 15));
  p += std::string(static_cast<size_t>(xorRow * size), pair);
  p += std::string(static_cast<size_t>(andRow * size), '\0');  // every pixel opaque
  return p;
}

struct IconPictureDesc {
  int size;
  int colorIndex;
  uint32_t rgb;
};

inline std::string IconImage(const std::vector<IconPictureDesc>& pictures) {
  std::string dir, data;
  PutLE(dir, 0, 2);
  PutLE(dir, 1, 2);
  PutLE(dir, static_cast<uint32_t>(pictures.size()), 2);
  size_t offset = 6 + 16 * pictures.size();
  for (const IconPictureDesc& s : pictures) {
    const std::string pic = IconPicture(s.size, s.colorIndex, s.rgb);
    dir += static_cast<char>(s.size & 0xFF);
    dir += static_cast<char>(s.size & 0xFF);
    dir += static_cast<char>(16);
    dir += '\0';
    PutLE(dir, 1, 2);
    PutLE(dir, 4, 2);
    PutLE(dir, static_cast<uint32_t>(pic.size()), 4);
    PutLE(dir, static_cast<uint32_t>(offset), 4);
    offset += pic.size();
    data += pic;
  }
  return dir + data;
}

// One 32x32 16-colour picture in colour rgb.
inline std::string IconImage32(uint32_t rgb, int colorIndex = 9) {
  return IconImage({{32, colorIndex, rgb}});
}

}  // namespace marrowby::testing
