// setuppack check: the build's checks run again on a finished package, and
// every file extracted without being written, so that each data block's
// checksum and each file's length are tested.
#include <cstdio>
#include <stdexcept>

#include "tools/setuppack/commands.h"
#include "tools/setuppack/inf_check.h"
#include "tools/setuppack/options.h"
#include "tools/setuppack/package.h"
#include "tools/setuppack/package_names.h"

namespace marrowby::setuppack {

namespace {

class Discard : public ExtractSink {
 public:
  void Begin(const CabListing::File&) override {}
  void Write(const uint8_t*, size_t) override {}
  void End(const CabListing::File&) override { ++files; }
  size_t files = 0;
};

}  // namespace

int RunCheck(int argc, char** argv) {
  PackageArgs a;
  if (!PackageCommandArgs(argc, argv, 1, false, &a)) return 0;
  const PackageContents c = ReadSoundPackage(a.operands[0]);
  CheckInfName(c.infName);
  CheckCabinetFile(c.cabinet, c.infName, c.header.multiPart != 0);
  const InfFindings inf = CheckCabinetInf(c.cabinet, c.infName, c.header.advanced != 0,
                                          c.program.sixtyFourBit);
  for (const std::string& w : inf.warnings) std::fprintf(stderr, "setuppack: warning: %s\n", w.c_str());
  for (const std::string& e : inf.errors) std::fprintf(stderr, "setuppack: %s\n", e.c_str());
  if (!inf.errors.empty()) return 1;
  Discard files;
  ExtractCabinet(c.cabinet, files);
  std::printf("%s: %zu files, every block and length checked\n", a.operands[0].c_str(),
              files.files);
  return 0;
}

}  // namespace marrowby::setuppack
