#include "setup/install_commands.h"

#include "setup/cstr.h"
#include "setup/messages.h"

namespace marrowby::setup {

const char* InstallHost(const InstallCommandInput& in) {
  return in.run == InstallRun::kBasic && in.setupxPresent ? "rundll.exe" : "rundll32.exe";
}

bool BuildInstallCommand(const InstallCommandInput& in, char* out, size_t capacity) {
  const bool basic = in.run == InstallRun::kBasic;
  const bool first = in.run == InstallRun::kAdvancedFirst;
  return TextJoin(out, capacity,
                  {"\"", in.hostDir, "\\", InstallHost(in), "\" ",
                   basic ? (in.setupxPresent ? "setupx.dll" : "setupapi") : "advpack",
                   basic ? ",InstallHinfSection DefaultInstall 132 " : ",LaunchINFSection ",
                   in.infPath, basic ? "" : first ? ",DefaultInstall2" : ",DefaultInstallX",
                   first && in.ntFamily ? ".ntx86" : ""});
}

bool InstallFailureText(const InstallOutcome& outcome, char* out, size_t capacity) {
  if (!outcome.started) return TextCopy(out, capacity, kStatusInstallNotStarted);
  char code[11];
  return TextJoin(out, capacity, {kStatusInstallFailed, HexText(outcome.exitCode, code), "."});
}

}  // namespace marrowby::setup
