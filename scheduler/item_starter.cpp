#include "scheduler/item_starter.h"

#include "scheduler/command_split.h"

namespace marrowby {

namespace {
ItemStarter* g_starter = nullptr;
}

ItemStarter& CurrentItemStarter() { return g_starter ? *g_starter : PlatformItemStarter(); }
void SetCurrentItemStarter(ItemStarter* starter) { g_starter = starter; }

ItemStart OpenItem(const std::string& line) {
  ItemStarter& starter = CurrentItemStarter();
  const intptr_t shell = starter.ShellOpen(line);
  ItemStart result;
  result.way = StartWay::Shell;
  result.started = shell > 32;
  if (result.started) return result;
  result.error = ShellResultError(shell);
  ProgramCall call;
  if (ShellSaysNotFound(shell) &&
      SplitProgramLine(
          line, [&](const std::string& name) { return starter.FindProgram(name); }, &call)) {
    result.way = StartWay::Program;
    result.started = starter.StartProgram(call.program, call.parameters, &result.error);
    if (result.started) result.error = 0;
  }
  return result;
}

}  // namespace marrowby
