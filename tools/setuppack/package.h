// Building a setup package around the stub, and reading one back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "setup/package_format.h"
#include "tools/setuppack/cabinet.h"

namespace marrowby::setuppack {

struct BuildOptions {
  std::vector<uint8_t> stub;
  std::vector<uint8_t> library;  // empty: the library area is zero-filled
  std::vector<uint8_t> cabinet;
  std::string title;
  std::string infName;
  std::string notice;  // the three texts in plain; scrambled when written
  std::string welcome;
  std::string licence;
  bool attended = false;
  bool admin = false;
  bool noticeHidden = false;
  bool advanced = false;
  bool scrambleCabinet = false;
  uint64_t splitSize = 0;  // 0: one file
};

// The package as the files to write: part 1 first. Throws std::runtime_error
// with a message for the user when the inputs cannot make a valid package.
std::vector<std::vector<uint8_t>> BuildPackage(const BuildOptions& options);

// The file names of a split package's parts: the output file, then its name
// with the last three characters replaced by 001, 002, ...
std::vector<std::string> PartNames(const std::string& output, size_t count);

struct PackageContents {
  setup::PackageHeader header{};
  std::string title, infName, notice, welcome, licence;
  uint32_t cabinetOffset = 0;
  uint64_t size = 0;                // bytes read, parts joined
  uint32_t parts = 1;               // files read
  bool partsChecked = false;        // against the part record
  std::vector<uint8_t> cabinet;     // unscrambled
};

// Reads a package file, joining the parts of a split one. Throws
// std::runtime_error when it is not a package or is damaged.
PackageContents ReadPackageFile(const std::string& path);
PackageContents ParsePackage(const std::vector<uint8_t>& bytes);

// Turns lone line feeds into CR LF, as the setup dialogs' controls expect.
std::string WindowsLineEnds(const std::string& text);

}  // namespace marrowby::setuppack
