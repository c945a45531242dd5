// libFuzzer entry: the main window restored from settings text and worked.
#include "tests/fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!marrowby::fuzz::FuzzMainForm(data, size)) __builtin_trap();
  return 0;
}
