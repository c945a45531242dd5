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
  // How the installer treats a restart it needs. By default it asks the
  // user; run quietly it shows nothing (advpack's quiet mode) and restarts
  // by itself; never restarting, it leaves the restart to whoever ran setup.
  bool quiet = false;
  bool noRestart = false;
};

// The host program a command line starts: "rundll.exe" for setupx, else
// "rundll32.exe".
const char* InstallHost(const InstallCommandInput& in);

// Writes the command line into out. The host is named by its full path in
// quotation marks, so that no program of the same name in the current folder
// or on the search path is started instead. Without quiet and noRestart the
// sections are named as always (setupapi's mode 132: ask before a needed
// restart; advpack's defaults); otherwise setupapi gets mode 128 (never
// restart) or 131 (restart when needed, without asking), and advpack its
// quiet flag and reboot mode ("N" never, "I" when needed). False when it does
// not fit.
bool BuildInstallCommand(const InstallCommandInput& in, char* out, size_t capacity);

// What became of a run of the installer(s). The host returns 0 whatever the
// INF did, so only a host that could not start or that ended with another
// code (killed, crashed) counts as a failure. A restart is needed when the
// installer left files for Windows to replace at its next start.
struct InstallOutcome {
  bool started;
  uint32_t exitCode;
  bool restartNeeded;
  bool Succeeded() const { return started && exitCode == 0; }
  // The setup program's exit code for it (switches.h).
  uint32_t SetupExitCode() const;
};

// The status text after a failed installation, in the layout of the other
// status texts: which of the two failures, and the exit code.
bool InstallFailureText(const InstallOutcome& outcome, char* out, size_t capacity);

}  // namespace marrowby::setup
