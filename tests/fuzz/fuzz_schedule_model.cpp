// libFuzzer entry: the schedule model against the main window (see
// tests/model/model_driver.h for what the bytes mean). A sequence the
// program gets wrong traps, and its report goes to standard error.
#include <cstdio>
#include <string>

#include "tests/model/model_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string report;
  if (!marrowby::model::RunScheduleModel(data, size, &report)) {
    std::fputs(report.c_str(), stderr);
    __builtin_trap();
  }
  return 0;
}
