#include "scheduler/process.h"

namespace marrowby {

namespace {
ProcessApi* g_api = nullptr;
}

ProcessApi& CurrentProcessApi() { return g_api ? *g_api : PlatformProcessApi(); }
void SetCurrentProcessApi(ProcessApi* api) { g_api = api; }

}  // namespace marrowby
