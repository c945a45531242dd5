// From the build command line to what the package is built from: the stub,
// the library and the texts read (they are small), the files to pack listed
// and checked but not read, the timestamps, and the output checked against
// every input.
#pragma once

#include <string>

#include "tools/setuppack/options.h"
#include "tools/setuppack/package.h"

namespace marrowby::setuppack {

// Throws std::runtime_error naming the input at fault.
BuildOptions GatherInputs(const BuildArgs& args);

// Refuses an output, or a part name the build may write or remove, that is
// one of the inputs under any name (compared by device and inode).
void CheckOutputIsNoInput(const BuildArgs& args, const BuildOptions& options);

// SOURCE_DATE_EPOCH when set: the time every timestamp of a reproducible
// package is taken from. False when unset or empty; throws when malformed.
bool SourceDateEpoch(int64_t* seconds);

}  // namespace marrowby::setuppack
