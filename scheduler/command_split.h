// An item line that names a program followed by its arguments
// ("C:\tools\report.exe C:\data\in.txt"): the shell takes the whole line as
// one file name and cannot find it. These functions split such a line into
// the program and its parameters, respecting double quotes, so that the
// program can be started directly instead.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace marrowby {

struct ProgramCall {
  std::string program;
  std::string parameters;
  bool operator==(const ProgramCall& o) const {
    return program == o.program && parameters == o.parameters;
  }
};

// The ways the line may split, in the order they are tried. A line that
// begins with a double quote gives one split: the quoted program and the
// rest. Otherwise every blank outside quotes is a split point, the longest
// program first; the whole line is not a candidate (the shell had it).
std::vector<ProgramCall> ProgramSplits(const std::string& line);

// Whether a file name ends in an extension that the system starts as a
// program (.exe, .com, .bat, .cmd; any case).
bool IsProgramFileName(const std::string& name);

// The first split whose program `find` knows: find returns the program's
// full path, or "" when there is no such program. The call names that path.
bool SplitProgramLine(const std::string& line,
                      const std::function<std::string(const std::string&)>& find,
                      ProgramCall* call);

// The shell reported that the item cannot be found (ShellExecute's results 2
// and 3, file or path not found): only then is the line split.
inline bool ShellSaysNotFound(intptr_t result) { return result == 2 || result == 3; }

// The system error code behind a ShellExecute result of 32 or less (its own
// SE_ERR_ codes mapped to the system's), for the system's error text.
uint32_t ShellResultError(intptr_t result);

}  // namespace marrowby
