// The two secrets a package shares between the builder and the stub: the seed
// of the text scrambler and the modulus that turns the package size into the
// cabinet key byte. Both programs include this one header, so they cannot
// drift apart.
#pragma once

#include <stdint.h>

namespace marrowby::setup {

constexpr uint32_t kScrambleSeed = 0x5EED7A11u;
constexpr uint32_t kCabinetKeyModulus = 251;

}  // namespace marrowby::setup
