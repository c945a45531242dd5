// The names a package may hold: file names that setup can create in its one
// extraction folder, and an INF name that its installer's command line can
// carry.
#pragma once

#include <string>
#include <vector>

#include "tools/setuppack/byte_source.h"
#include "tools/setuppack/cabinet.h"

namespace marrowby::setuppack {

// The installer's command line carries the INF path unquoted after the
// section name and mode, separated by spaces and commas: a name with either
// would be cut, and one with a folder would leave the extraction folder.
// Throws std::runtime_error saying why.
void CheckInfName(const std::string& name);

// Checks the names of the files for a new cabinet (Windows-1252): each one
// safe, none equal to another but for case, none named like the package
// that setup joins from a split package's parts, and the INF among them.
void CheckFileNames(const std::vector<CabinetFile>& files, const std::string& infName, bool split);

// The same for a ready-made cabinet, which also must be a single one and
// hold no file in a subfolder.
void CheckCabinetFile(const ByteSource& cabinet, const std::string& infName, bool split);

// A cabinet name as setup sees it in Windows-1252, when it has that form:
// names flagged as UTF-8 are converted. False when it has none.
bool NameIn1252(const CabListing::File& file, std::string* name);

// Checks a listed cabinet's names as setup checks them before extracting,
// and, when infName is given, that the INF is among them.
void CheckListedNames(const CabListing& listing, const std::string* infName, bool split);

}  // namespace marrowby::setuppack
