#include "setup/install_commands.h"

#include "setup/cstr.h"
#include "setup/messages.h"

namespace marrowby::setup {

const char* InstallHost(const InstallCommandInput& in) {
  return in.run == InstallRun::kBasic && in.setupxPresent ? "rundll.exe" : "rundll32.exe";
}

bool BuildInstallCommand(const InstallCommandInput& in, char* out, size_t capacity) {
  bool ok = TextCopy(out, capacity, "\"") && TextAppend(out, capacity, in.hostDir) &&
            TextAppend(out, capacity, "\\") && TextAppend(out, capacity, InstallHost(in)) &&
            TextAppend(out, capacity, "\" ");
  switch (in.run) {
    case InstallRun::kAdvancedFirst:
      ok = ok && TextAppend(out, capacity, "advpack,LaunchINFSection ") &&
           TextAppend(out, capacity, in.infPath) && TextAppend(out, capacity, ",DefaultInstall2");
      if (in.ntFamily) ok = ok && TextAppend(out, capacity, ".ntx86");
      break;
    case InstallRun::kAdvancedSecond:
      ok = ok && TextAppend(out, capacity, "advpack,LaunchINFSection ") &&
           TextAppend(out, capacity, in.infPath) && TextAppend(out, capacity, ",DefaultInstallX");
      break;
    case InstallRun::kBasic:
      ok = ok && TextAppend(out, capacity, in.setupxPresent ? "setupx.dll" : "setupapi") &&
           TextAppend(out, capacity, ",InstallHinfSection DefaultInstall 132 ") &&
           TextAppend(out, capacity, in.infPath);
      break;
  }
  return ok;
}

bool InstallFailureText(const InstallOutcome& outcome, char* out, size_t capacity) {
  if (!outcome.started) return TextCopy(out, capacity, kStatusInstallNotStarted);
  return TextCopy(out, capacity, kStatusInstallFailed) &&
         TextAppendHex(out, capacity, outcome.exitCode) && TextAppend(out, capacity, ".");
}

}  // namespace marrowby::setup
