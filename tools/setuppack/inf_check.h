// The INF is read before it ships: a package whose INF lacks the section its
// installer mode runs would install nothing and still report success, and a
// file the INF copies but the cabinet lacks fails only on the user's machine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/setuppack/byte_source.h"

namespace marrowby::setuppack {

struct InfFindings {
  std::vector<std::string> errors;    // the package must not ship
  std::vector<std::string> warnings;  // it may, but probably should not
};

// Checks an INF (its bytes: ANSI, UTF-8 or UTF-16 with a byte-order mark)
// for the installer mode, against the Windows-1252 names of the cabinet, and
// its uninstall command against the width of the stub (sixtyFourBit: an
// x86-64 stub), whose INF installer writes the paths and registry keys that
// the command's rundll32 must find again.
InfFindings CheckInf(const std::string& bytes, const std::string& infName, bool advanced,
                     const std::vector<std::string>& cabinetNames, bool sixtyFourBit = false);

// The INF's bytes from a cabinet (only that file is decompressed). Throws
// when it is larger than kMaxInfBytes or the cabinet is damaged.
constexpr uint64_t kMaxInfBytes = 16 << 20;
std::string InfFromCabinet(const ByteSource& cabinet, const std::string& infName);

// CheckInf for the INF in a cabinet, against that cabinet's names.
InfFindings CheckCabinetInf(const ByteSource& cabinet, const std::string& infName, bool advanced,
                            bool sixtyFourBit = false);

}  // namespace marrowby::setuppack
