#include "store/window_placement.h"

namespace marrowby {

namespace {
WindowPlacementPort* g_current = nullptr;
}

WindowPlacementPort& CurrentPlacementPort() { return g_current ? *g_current : PlatformPlacementPort(); }

void SetCurrentPlacementPort(WindowPlacementPort* port) { g_current = port; }

}  // namespace marrowby
