// The commands of setuppack; each takes its own argv (argv[0] is the
// command's name) and returns the exit status, throwing UsageError (2) or
// std::runtime_error (1).
#pragma once

namespace marrowby::setuppack {

int RunBuild(int argc, char** argv);
int RunInfo(int argc, char** argv);
int RunCheck(int argc, char** argv);
int RunExtract(int argc, char** argv);

}  // namespace marrowby::setuppack
