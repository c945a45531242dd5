// The commands of setuppack; each takes its own argv (argv[0] is the
// command's name) and returns the exit status, throwing UsageError (2) or
// std::runtime_error (1).
#pragma once

#include <cstddef>
#include <string>

#include "tools/setuppack/options.h"
#include "tools/setuppack/package.h"

namespace marrowby::setuppack {

int RunBuild(int argc, char** argv);
int RunInfo(int argc, char** argv);
int RunCheck(int argc, char** argv);
int RunExtract(int argc, char** argv);
int RunSign(int argc, char** argv);

// The arguments of info, check and extract (argv[0] their name); false, the
// command's help printed, when --help was asked for.
bool PackageCommandArgs(int argc, char** argv, size_t operands, bool takesForce, PackageArgs* a);

// A package to check, extract or sign: one whose size differs from its
// header's (a single file cut short or grown, bytes added after its
// signature) is refused.
PackageContents ReadSoundPackage(const std::string& path);

}  // namespace marrowby::setuppack
