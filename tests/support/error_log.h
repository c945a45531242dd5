// Collects what reaches the application's error display for as long as it
// lives, and takes its handler away again when it goes, so that a test that
// fails half-way leaves no handler behind that points into it.
#pragma once

#include <string>
#include <vector>

#include "core/errors.h"

namespace marrowby::testing {

class ErrorLog {
 public:
  ErrorLog() {
    SetExceptionHandler([this](const std::exception& e) { messages.push_back(e.what()); });
  }
  ~ErrorLog() { SetExceptionHandler(nullptr); }
  ErrorLog(const ErrorLog&) = delete;
  ErrorLog& operator=(const ErrorLog&) = delete;

  std::vector<std::string> messages;
};

}  // namespace marrowby::testing
