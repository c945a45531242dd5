// libFuzzer entry: the profile parser and writer.
#include "tests/fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!marrowby::fuzz::FuzzProfile(data, size)) __builtin_trap();
  return 0;
}
