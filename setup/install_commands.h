// The command lines that hand the extracted INF file to the system's INF
// installer.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace marrowby::setup {

enum class InstallRun {
  kAdvancedFirst,   // advpack, DefaultInstall2 (".ntx86" on the NT family)
  kAdvancedSecond,  // advpack, DefaultInstallX
  kBasic,           // setupx through rundll.exe, or setupapi through rundll32.exe
};

struct InstallCommandInput {
  InstallRun run = InstallRun::kBasic;
  const char* hostDir = "";   // folder of rundll32.exe (or rundll.exe), no trailing backslash
  const char* infPath = "";   // temporary directory + INF name, inserted unchanged
  bool ntFamily = false;
  bool setupxPresent = false;  // SetupX.dll in the system directory
};

// The host program a command line starts: "rundll.exe" for setupx, else
// "rundll32.exe".
const char* InstallHost(const InstallCommandInput& in);

// Writes the command line into out. The host is named by its full path in
// quotation marks, so that no program of the same name in the current folder
// or on the search path is started instead. False when it does not fit.
bool BuildInstallCommand(const InstallCommandInput& in, char* out, size_t capacity);

// What became of a run of the installer(s). The host returns 0 whatever the
// INF did, so only a host that could not start or that ended with another
// code (killed, crashed) counts as a failure.
struct InstallOutcome {
  bool started;
  uint32_t exitCode;
  bool Succeeded() const { return started && exitCode == 0; }
};

// The status text after a failed installation, in the layout of the other
// status texts: which of the two failures, and the exit code.
bool InstallFailureText(const InstallOutcome& outcome, char* out, size_t capacity);

}  // namespace marrowby::setup
