#include "setup/scramble.h"

namespace marrowby::setup {

void ScrambleText(uint8_t* text, size_t n) {
  ScrambleStream stream;
  for (size_t i = 1; i < n; ++i) text[i] ^= stream.Next();
}

}  // namespace marrowby::setup
