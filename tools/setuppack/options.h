// The command line, parsed with getopt_long as the neighbouring tools do:
// "--output FILE" and "--output=FILE", short options, unambiguous
// abbreviations, and "--" to end the options.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace marrowby::setuppack {

// A command line that cannot be run as written (exit status 2).
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct BuildArgs {
  std::string output, stub, inf, cab, dir, compress = "mszip", library;
  std::string title;
  std::string welcomeFile, licenceFile, noticeFile;
  bool attended = false;
  bool admin = false;
  bool noticeHidden = false;
  bool advanced = false;
  bool scramble = false;
  uint64_t split = 0;
};

struct SignArgs {
  std::string package;
  std::string cert, key, pkcs12, passFile, description, url, timestamp;
};

struct PackageArgs {
  std::vector<std::string> operands;
  bool force = false;
};

// argv[0] is the command's name. False when --help was asked for. Throws
// UsageError.
bool ParseBuildArgs(int argc, char** argv, BuildArgs* args);
// For sign: one operand, and a certificate with its key or a PKCS#12 file.
bool ParseSignArgs(int argc, char** argv, SignArgs* args);
// For info, check and extract: `operands` operands, and --force for extract.
bool ParsePackageArgs(int argc, char** argv, size_t operands, bool takesForce, PackageArgs* args);

}  // namespace marrowby::setuppack
