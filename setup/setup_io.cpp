#include "setup/setup_io.h"

namespace marrowby::setup {

#ifndef SETUP_STUB_IMAGE
const SetupIo* g_io = nullptr;
#endif

OpenParams MapOpenFlags(int oflag) {
  uint32_t access = kAccessRead;
  if (oflag & 0x0001) {
    access = kAccessWrite;
  } else if (oflag & 0x0002) {
    access = kAccessRead | kAccessWrite;
  }
  uint32_t creation = kOpenExisting;
  if (oflag & 0x0100) {
    creation = kCreateAlways;
  } else if (oflag & 0x0200) {
    creation = kTruncateExisting;
  }
  uint32_t attributes = kAttrNormal;
  if (oflag & 0x0040) attributes |= kAttrTemporary;
  if (oflag & 0x0010) attributes |= kFlagRandomAccess;
  if (oflag & 0x0020) attributes |= kFlagSequentialScan;
  return OpenParams{access, kShareRead, creation, attributes};
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
