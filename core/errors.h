// Error types carrying the system's fixed messages, and the application-wide
// handler that every callback boundary hands its exceptions to.
#pragma once

#include <exception>
#include <functional>
#include <string>

namespace marrowby {

// Base of every error the programs raise on purpose. Message() is the text the
// user sees in the standard error box.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const { return message_; }

 private:
  std::string message_;
};

// Conversion failures: impossible dates and times, assignment between classes.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// The system refused a resource (a timer).
class EOutOfResources : public Exception {
 public:
  using Exception::Exception;
};

namespace msg {
inline constexpr const char kDateEncodeError[] = "Invalid argument to date encode";
inline constexpr const char kTimeEncodeError[] = "Invalid argument to time encode";
inline constexpr const char kNoTimers[] = "Not enough timers available";
inline constexpr const char kAssignError[] = "Cannot assign a %s to a %s";
}  // namespace msg

// Formats a message with "%s" placeholders filled in order (the fixed message
// texts use no other conversion).
std::string FormatMessage(const char* format, std::initializer_list<std::string> args);

// The application's error display. Timer ticks, window procedures and other
// platform callbacks catch what their handlers throw and pass it here, so no
// exception crosses into the platform. Without an installed handler the text
// goes to standard error.
using ExceptionHandler = std::function<void(const std::exception&)>;
void SetExceptionHandler(ExceptionHandler handler);
void HandleException(const std::exception& e);
// Runs fn and hands whatever it throws to HandleException.
void CallGuarded(const std::function<void()>& fn);

}  // namespace marrowby
