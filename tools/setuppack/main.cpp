// setuppack: builds setup packages around setupstub.exe, and shows, checks
// or extracts what a package holds.
#include <glib.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "tools/setuppack/cleanup.h"
#include "tools/setuppack/commands.h"
#include "tools/setuppack/help.h"
#include "tools/setuppack/options.h"

namespace marrowby::setuppack {
namespace {

struct Command {
  const char* name;
  int (*run)(int argc, char** argv);
};

constexpr Command kCommands[] = {
    {"build", RunBuild}, {"info", RunInfo}, {"check", RunCheck}, {"extract", RunExtract},
    {"sign", RunSign}};

// The exit statuses: 0 success, 1 failure, 2 usage.
int Run(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(UsageText().c_str(), stderr);
    return 2;
  }
  const std::string command = argv[1];
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(HelpText("").c_str(), stdout);
    return 0;
  }
  if (command == "--version") {
    std::fputs(VersionText().c_str(), stdout);
    return 0;
  }
  for (const Command& c : kCommands) {
    if (command == c.name) return c.run(argc - 1, argv + 1);
  }
  throw UsageError("unknown command " + command);
}

}  // namespace
}  // namespace marrowby::setuppack

int main(int argc, char** argv) {
  using namespace marrowby::setuppack;
  std::setlocale(LC_CTYPE, "");
  // Files are plain local files: no GIO modules (and no desktop services).
  g_setenv("GIO_USE_VFS", "local", TRUE);
  CatchStopSignals();
  const char* command = argc > 1 ? argv[1] : "";
  try {
    return Run(argc, argv);
  } catch (const UsageError& e) {
    bool known = false;
    for (const Command& c : kCommands) known = known || std::strcmp(command, c.name) == 0;
    std::fprintf(stderr, "setuppack: %s\n(setuppack %s%s--help lists every option)\n", e.what(),
                 known ? command : "", known ? " " : "");
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "setuppack: %s\n", e.what());
    return 1;
  }
}
