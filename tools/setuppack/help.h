// What `setuppack --help` and each command's --help print; the manual page
// setuppack.1 is made from the former by help2man.
#pragma once

#include <string>

namespace marrowby::setuppack {

// The whole help, or one command's ("build", "info", "check", "extract").
std::string HelpText(const std::string& command);
std::string VersionText();
// The short usage printed with exit status 2 when no command is given.
std::string UsageText();

}  // namespace marrowby::setuppack
