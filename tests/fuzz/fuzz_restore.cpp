// libFuzzer entry: restoring a slot, a list and a placement from file text.
#include "tests/fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!marrowby::fuzz::FuzzRestore(data, size)) __builtin_trap();
  return 0;
}
