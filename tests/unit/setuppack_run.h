// Runs a shell command for the setuppack command-line tests: its exit status
// and what it wrote to stdout and stderr.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace marrowby::setuppack::testing {

struct Result {
  int code;
  std::string output;  // stdout and stderr
};

inline Result Shell(const std::string& command) {
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), p)) > 0) out.append(buf, n);
  const int status = pclose(p);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

}  // namespace marrowby::setuppack::testing
