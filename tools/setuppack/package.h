// Building a setup package around the stub, and reading one back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "setup/package_format.h"
#include "setup/pe_image.h"
#include "tools/setuppack/byte_source.h"
#include "tools/setuppack/cabinet.h"

namespace marrowby::setuppack {

struct BuildOptions {
  std::vector<uint8_t> stub;
  std::vector<uint8_t> library;  // empty: the library area is zero-filled
  // The cabinet: made from these files, or copied from cabinetPath.
  std::vector<CabinetFile> files;
  Compression compression = Compression::kMszip;
  std::string cabinetPath;
  // The texts as stored: Windows-1252, CR LF; scrambled when written.
  std::string title;
  std::string infName;
  std::string notice;
  std::string welcome;
  std::string licence;
  bool attended = false;
  bool admin = false;
  bool noticeHidden = false;
  bool advanced = false;
  bool scrambleCabinet = false;
  uint64_t splitSize = 0;  // 0: one file
};

// Where the package's fixed parts go, decided before anything is written.
struct PackagePlan {
  std::vector<uint8_t> stub;      // as written: its execution level set
  setup::PackageHeader header{};  // size and multi-part flag set at the end
  uint64_t cabinetOffset = 0;
  uint64_t firstPart = 0;  // with --split: the least size of part 1
  std::vector<std::string> warnings;  // about the stub and the INF
};

struct BuiltPackage {
  size_t parts = 1;
  uint64_t size = 0;
  uint64_t firstPartSize = 0;
  std::vector<std::string> removedParts;  // of an earlier split package
  std::vector<std::string> warnings;      // about the stub and the INF
};

// Checks everything that can be checked before a byte of the files is read
// (the stub, the library, the texts, the names, the format's limits), and
// the INF: its install sections, and the files it copies.
// Throws std::runtime_error with a message for the user.
PackagePlan ValidatePackage(const BuildOptions& options);

// Writes the package: all parts under temporary names, renamed into place
// together at the end. Throws std::runtime_error; nothing is replaced then.
BuiltPackage BuildPackage(const BuildOptions& options, const std::string& output);

// What the program file of a package (part 1 of a split one) says of
// itself: its manifest's execution level (empty: none) and its signature's
// certificate table and signer (zeros, empty: none or not readable).
struct ProgramFacts {
  bool sixtyFourBit = false;  // an x86-64 (or ARM64) program
  std::string executionLevel;
  setup::CertificateTable signature{};
  std::string signer;
};

ProgramFacts ReadProgramFacts(const ByteSource& file);

struct PackageContents {
  setup::PackageHeader header{};
  std::string title, infName, notice, welcome, licence;
  uint32_t cabinetOffset = 0;
  uint64_t size = 0;             // bytes read, parts joined
  uint64_t programBytes = 0;     // of them in the program file (part 1)
  uint32_t parts = 1;            // files read
  bool partsChecked = false;     // against the part record
  ByteSource cabinet;            // unscrambled
  ProgramFacts program;          // of the program file (part 1)
};

// Reads a package file, joining the parts of a split one and checking them
// against its part record. A signed program file counts without its
// certificate table. Throws std::runtime_error when it is not a package or
// is damaged.
PackageContents ReadPackageFile(const std::string& path);
PackageContents ParsePackage(const ByteSource& package);

// The digest a part record holds: SHA-256 over the parts' own SHA-256
// digests, part 1 counted from the end of the image area to its recorded
// size, every other part whole. So it leaves out the image area, which holds
// the record itself, and all that signing part 1 changes: the PE header's
// checksum and certificate directory (in the image area) and the
// certificate table appended behind the recorded size.
void PartsDigest(const std::vector<ByteSource>& parts, uint8_t digest[setup::kDigestSize]);

// True when the file at path is a package flagged as split.
bool IsSplitPackage(const std::string& path);

}  // namespace marrowby::setuppack
