// The setup program's command line and its exit codes. Without switches it
// runs as it always has, through its dialogs; the switches serve the people
// who install on many machines: a run without any window, extraction only,
// and no restart. The exit codes are the Windows Installer's, which every
// deployment tool understands.
#pragma once

#include <stdint.h>

namespace marrowby::setup {

constexpr uint32_t kExitInstalled = 0;
// The licence declined, Close pressed before installing, a disk prompt
// cancelled.
constexpr uint32_t kExitCancelled = 1602;
// Any failure: a damaged package, a missing part, an extraction error, an
// installer that could not start or did not end well, missing rights.
constexpr uint32_t kExitFailed = 1603;
constexpr uint32_t kExitBadCommandLine = 1639;
// Installed; Windows must restart to finish.
constexpr uint32_t kExitRestartNeeded = 3010;

struct Switches {
  bool quiet;       // /Q or /quiet: no window at all, the licence taken as accepted
  bool noRestart;   // /norestart: never restart, only report that one is needed
  bool help;        // /?: the list of switches
  bool invalid;     // anything else, or /X: given twice or without a folder
  char* extractTo;  // /X:FOLDER: the folder, inside the parsed text; else null
};

// Reads the switches from a command line (UTF-8), in place. The program's
// name is skipped as Windows skips it (up to the closing quotation mark when
// the line starts with one, else up to the first space or tab); arguments
// are separated by spaces and tabs, quotation marks group and are removed
// (so /X:"C:\My Files" and "/X:C:\My Files" both work). A switch starts with
// '/' or '-'; its name is matched ignoring case.
void ParseSwitches(char* commandLine, Switches* out);

}  // namespace marrowby::setup
