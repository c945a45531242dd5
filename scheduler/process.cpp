#include "scheduler/process.h"

namespace marrowby {

namespace {
ProcessApi* g_api = nullptr;
}

std::string ProcessApi::FindProgram(const std::string&) { return {}; }

bool ProcessApi::StartProgram(const std::string&, const std::string&, uint32_t* error) {
  *error = 50;  // ERROR_NOT_SUPPORTED
  return false;
}

ProcessApi& CurrentProcessApi() { return g_api ? *g_api : PlatformProcessApi(); }
void SetCurrentProcessApi(ProcessApi* api) { g_api = api; }

}  // namespace marrowby
