// Text scrambling of the package texts, and the cabinet key byte.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "setup/package_key.h"

namespace marrowby::setup {

// The n-th key byte (n >= 1) of the scrambler's stream, with its state.
struct ScrambleStream {
  uint32_t state = kScrambleSeed;
  constexpr uint8_t Next() {
    state = state * 134775813u + 1u;
    // The upper half of the 64-bit product state * 128: the top 7 bits.
    return static_cast<uint8_t>((state >> 25) | 0x80u);
  }
};

// Scrambles or unscrambles (the routine is its own inverse) n bytes in place.
// Byte 0 stays plain; texts of length 0 and 1 are unchanged.
void ScrambleText(uint8_t* text, size_t n);

// The byte every cabinet byte is XORed with in a scrambled package.
inline uint8_t CabinetKey(uint32_t packageSize) {
  return static_cast<uint8_t>(packageSize % kCabinetKeyModulus);
}

// A text scrambled at compile time, so that the program image carries only
// the scrambled bytes and no constructor runs at start-up.
template <size_t N>
struct ScrambledText {
  uint8_t bytes[N] = {};
};

template <size_t N>
constexpr ScrambledText<N - 1> ScrambleLiteral(const char (&text)[N]) {
  ScrambledText<N - 1> out;
  ScrambleStream stream;
  for (size_t i = 0; i < N - 1; ++i) {
    const uint8_t c = static_cast<uint8_t>(text[i]);
    out.bytes[i] = i == 0 ? c : static_cast<uint8_t>(c ^ stream.Next());
  }
  return out;
}

}  // namespace marrowby::setup
