#include "core/errors.h"

#include <cstdio>
#include <cstring>

namespace marrowby {

namespace {
ExceptionHandler& Handler() {
  static ExceptionHandler handler;
  return handler;
}
}  // namespace

std::string FormatMessage(const char* format, std::initializer_list<std::string> args) {
  std::string out;
  auto arg = args.begin();
  for (const char* p = format; *p; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      if (arg != args.end()) out += *arg++;
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

void SetExceptionHandler(ExceptionHandler handler) { Handler() = std::move(handler); }

void HandleException(const std::exception& e) {
  if (Handler()) {
    Handler()(e);
  } else {
    std::fputs(e.what(), stderr);
    std::fputc('\n', stderr);
  }
}

void CallGuarded(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const std::exception& e) {
    HandleException(e);
  } catch (...) {
    HandleException(Exception("Unknown error"));
  }
}

}  // namespace marrowby
