#include "setup/install_commands.h"

#include "setup/cstr.h"
#include "setup/messages.h"
#include "setup/switches.h"

namespace marrowby::setup {

const char* InstallHost(const InstallCommandInput& in) {
  return in.run == InstallRun::kBasic && in.setupxPresent ? "rundll.exe" : "rundll32.exe";
}

bool BuildInstallCommand(const InstallCommandInput& in, char* out, size_t capacity) {
  if (in.run == InstallRun::kBasic) {
    const char* const mode = in.noRestart ? " 128 " : in.quiet ? " 131 " : " 132 ";
    return TextJoin(out, capacity,
                    {"\"", in.hostDir, "\\", InstallHost(in),
                     in.setupxPresent ? "\" setupx.dll" : "\" setupapi",
                     ",InstallHinfSection DefaultInstall", mode, in.infPath});
  }
  const bool first = in.run == InstallRun::kAdvancedFirst;
  const char* const flags = in.quiet ? (in.noRestart ? ",1,N" : ",1,I") : in.noRestart ? ",0,N" : "";
  return TextJoin(out, capacity,
                  {"\"", in.hostDir, "\\rundll32.exe\" advpack,LaunchINFSection ", in.infPath,
                   first ? ",DefaultInstall2" : ",DefaultInstallX", first && in.ntFamily ? ".ntx86" : "",
                   flags});
}

uint32_t InstallOutcome::SetupExitCode() const {
  return !Succeeded() ? kExitFailed : restartNeeded ? kExitRestartNeeded : kExitInstalled;
}

bool InstallFailureText(const InstallOutcome& outcome, char* out, size_t capacity) {
  if (!outcome.started) return TextCopy(out, capacity, kStatusInstallNotStarted);
  char code[11];
  return TextJoin(out, capacity, {kStatusInstallFailed, HexText(outcome.exitCode, code), "."});
}

}  // namespace marrowby::setup
