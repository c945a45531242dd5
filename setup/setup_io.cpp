#include "setup/setup_io.h"

namespace marrowby::setup {

const SetupIo* g_io = nullptr;

OpenParams MapOpenFlags(int oflag) {
  OpenParams p;
  if (oflag & 0x0001) {
    p.access = kAccessWrite;
  } else if (oflag & 0x0002) {
    p.access = kAccessRead | kAccessWrite;
  } else {
    p.access = kAccessRead;
  }
  p.share = kShareRead;
  if (oflag & 0x0100) {
    p.creation = kCreateAlways;
  } else if (oflag & 0x0200) {
    p.creation = kTruncateExisting;
  } else {
    p.creation = kOpenExisting;
  }
  p.attributes = kAttrNormal;
  if (oflag & 0x0040) p.attributes |= kAttrTemporary;
  if (oflag & 0x0010) p.attributes |= kFlagRandomAccess;
  if (oflag & 0x0020) p.attributes |= kFlagSequentialScan;
  return p;
}

bool ReadExact(intptr_t h, void* buffer, uint32_t count) {
  uint8_t* p = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    const uint32_t n = g_io->read(h, p, count);
    if (n == kIoError || n == 0 || n > count) return false;
    p += n;
    count -= n;
  }
  return true;
}

}  // namespace marrowby::setup
