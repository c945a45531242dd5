#include "tools/setuppack/cleanup.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace marrowby::setuppack {

namespace {

// Every part of a split package, its backup while the parts are renamed, and
// a cabinet file: well below this.
constexpr size_t kMaxTemporaries = 1024;

// Changed only with the stop signals held, read by the handler.
char* g_temporaries[kMaxTemporaries];

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Only async-signal-safe calls: unlink, signal, raise.
void OnStop(int signal_number) {
  for (char* path : g_temporaries) {
    if (path) unlink(path);
  }
  signal(signal_number, SIG_DFL);
  raise(signal_number);  // delivered when the handler returns: the usual end
}

sigset_t StopSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int s : kStopSignals) sigaddset(&set, s);
  return set;
}

}  // namespace

StopSignalsHeld::StopSignalsHeld() {
  const sigset_t set = StopSet();
  sigprocmask(SIG_BLOCK, &set, &previous_);
}

StopSignalsHeld::~StopSignalsHeld() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }

void CatchStopSignals() {
  for (int s : kStopSignals) {
    struct sigaction old {};
    if (sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = OnStop;
    sigemptyset(&action.sa_mask);
    sigaction(s, &action, nullptr);
  }
}

void RememberTemporary(const std::string& path) {
  StopSignalsHeld held;
  for (char*& slot : g_temporaries) {
    if (!slot) {
      slot = strdup(path.c_str());
      if (!slot) throw std::bad_alloc();
      return;
    }
  }
  throw std::runtime_error("too many temporary files at once");
}

void ForgetTemporary(const std::string& path) {
  StopSignalsHeld held;
  for (char*& slot : g_temporaries) {
    if (slot && path == slot) {
      std::free(slot);
      slot = nullptr;
      return;
    }
  }
}

}  // namespace marrowby::setuppack
