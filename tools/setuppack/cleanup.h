// Temporary files of an output in progress are removed when the process is
// stopped by SIGINT, SIGTERM or SIGHUP (Ctrl-C, kill, a closed terminal), so
// that an interrupted build leaves nothing behind.
#pragma once

#include <signal.h>

#include <string>

namespace marrowby::setuppack {

// Installs the handlers; a signal ignored at start (nohup) stays ignored.
void CatchStopSignals();

// Adds or removes a file from the list the handlers remove.
void RememberTemporary(const std::string& path);
void ForgetTemporary(const std::string& path);

// Holds the stop signals back while alive: renaming a set of files into place
// runs to its end, and a signal that came meanwhile is delivered afterwards.
class StopSignalsHeld {
 public:
  StopSignalsHeld();
  ~StopSignalsHeld();
  StopSignalsHeld(const StopSignalsHeld&) = delete;
  StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

 private:
  sigset_t previous_;
};

}  // namespace marrowby::setuppack
