// SHA-256 in portable code, for the package builder and the tests. The stub
// itself hashes through the system's CryptoAPI (digest_win32.cpp) instead,
// which costs no image space.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace marrowby::setup {

constexpr size_t kDigestSize = 32;

struct Sha256 {
  uint32_t state[8];
  uint64_t length;  // bytes hashed so far
  uint8_t block[64];
};

void Sha256Begin(Sha256* h);
void Sha256Add(Sha256* h, const void* data, size_t n);
void Sha256Finish(Sha256* h, uint8_t digest[kDigestSize]);

}  // namespace marrowby::setup
