// Building a package in three steps: validate what can be checked before
// reading the files, assemble the package into its part files as the cabinet
// is written, and split: settle the parts, the header and the part record.
#include <sys/stat.h>

#include <algorithm>
#include <stdexcept>

#include "setup/package_format.h"
#include "setup/names.h"
#include "tools/setuppack/files.h"
#include "setup/package_load.h"
#include "setup/pe_image.h"
#include "setup/scramble.h"
#include "tools/setuppack/inf_check.h"
#include "tools/setuppack/manifest_level.h"
#include "tools/setuppack/package.h"
#include "tools/setuppack/package_names.h"
#include "tools/setuppack/parted_output.h"

namespace marrowby::setuppack {

using setup::kHeaderOffset;
using setup::kImageSize;
using setup::kLibrarySize;
using setup::kTextsOffset;

namespace {

constexpr size_t kChunk = 1 << 20;

std::string Bytes(uint64_t n) { return std::to_string(n) + " bytes"; }

void CheckShortText(const std::string& text, const char* what) {
  if (text.size() > setup::kMaxShortText) {
    throw std::runtime_error(std::string(what) + " is " + Bytes(text.size()) +
                             " as stored; at most " + Bytes(setup::kMaxShortText) +
                             " are allowed");
  }
}

void CheckImage(const std::vector<uint8_t>& bytes, const char* what, uint32_t room) {
  if (bytes.size() > room) {
    throw std::runtime_error(std::string(what) + " is " + Bytes(bytes.size()) +
                             ", larger than the " + Bytes(room) + " of its place in the package");
  }
  if (!setup::IsPeImage(bytes.data(), static_cast<uint32_t>(bytes.size()))) {
    throw std::runtime_error(std::string(what) + " is not a Windows executable image");
  }
}

// The cabinet's size when it is known before it is written: a ready-made
// cabinet, or a stored one; 0 for MSZIP.
uint64_t KnownCabinetSize(const BuildOptions& o) {
  if (!o.cabinetPath.empty()) {
    struct stat st;
    if (stat(o.cabinetPath.c_str(), &st) != 0) return 0;
    return static_cast<uint64_t>(st.st_size);
  }
  return o.compression == Compression::kNone ? StoredCabinetSize(o.files) : 0;
}

uint64_t TextsSize(const BuildOptions& o) {
  return o.title.size() + o.infName.size() + o.notice.size() + o.welcome.size() +
         o.licence.size();
}

[[noreturn]] void TooLarge(uint64_t size) {
  throw std::runtime_error("the package would be " + Bytes(size) + ", more than the " +
                           Bytes(setup::kMaxPackageSize) + " a package may have");
}

// The parts a package of `total` bytes takes; refused past what setup joins,
// naming the least --split that would do.
size_t CheckPartCount(uint64_t total, uint64_t first, uint64_t split) {
  const uint64_t count = total <= first ? 1 : 1 + (total - first + split - 1) / split;
  if (count > setup::kMaxParts) {
    const uint64_t least = (total - first + setup::kMaxParts - 2) / (setup::kMaxParts - 1);
    throw std::runtime_error("--split " + std::to_string(split) + " would make " +
                             std::to_string(count) + " parts; setup can join at most " +
                             std::to_string(setup::kMaxParts) +
                             " (the program and .001 to .255): use --split " +
                             std::to_string(least) + " or more");
  }
  return static_cast<size_t>(count);
}

void CheckSizes(const BuildOptions& o, const PackagePlan& plan) {
  uint64_t files = 0;
  for (const CabinetFile& f : o.files) files += f.size;
  if (files > kMaxFolderBytes) {
    throw std::runtime_error("the files hold " + Bytes(files) + "; a cabinet holds at most " +
                             Bytes(kMaxFolderBytes) +
                             " (65535 blocks of 32 KB in its one folder): pack them in two "
                             "packages");
  }
  const uint64_t cabinet = KnownCabinetSize(o);
  if (cabinet == 0) return;
  const uint64_t total = plan.cabinetOffset + cabinet;
  if (total > setup::kMaxPackageSize) TooLarge(total);
  if (o.splitSize) CheckPartCount(total, plan.firstPart, o.splitSize);
}

bool SixtyFourBit(const std::vector<uint8_t>& image) {
  setup::PeLayout layout;
  return setup::ReadPeLayout(image.data(), image.size(), &layout) && setup::IsSixtyFourBit(layout);
}

// The INF's sections, the files it copies and its uninstall command; errors
// stop the build.
void CheckPackageInf(const BuildOptions& o, PackagePlan* plan) {
  InfFindings found;
  const bool sixtyFourBit = SixtyFourBit(o.stub);
  if (o.cabinetPath.empty()) {
    std::vector<std::string> names;
    std::string inf;
    for (const CabinetFile& f : o.files) {
      names.push_back(f.name);
      if (!setup::SameFileName1252(f.name.c_str(), o.infName.c_str())) continue;
      if (f.size > kMaxInfBytes) throw std::runtime_error("the INF " + f.path + " is larger than 16 MB");
      const std::vector<uint8_t> bytes = ByteSource::OpenFile(f.path, "INF").ReadAll();
      inf.assign(bytes.begin(), bytes.end());
    }
    found = CheckInf(inf, o.infName, o.advanced, names, sixtyFourBit);
  } else {
    found = CheckCabinetInf(ByteSource::OpenFile(o.cabinetPath, "cabinet"), o.infName, o.advanced,
                            sixtyFourBit);
  }
  std::string errors;
  for (const std::string& e : found.errors) errors += (errors.empty() ? "" : "\nsetuppack: ") + e;
  if (!errors.empty()) throw std::runtime_error(errors);
  plan->warnings = found.warnings;
}

// The stub as the package holds it: an --admin package asks Windows for
// administrative rights before it starts, any other runs as its user.
std::vector<uint8_t> StubWithLevel(const BuildOptions& o, std::vector<std::string>* warnings) {
  std::vector<uint8_t> stub(o.stub);
  const char* level = o.admin ? kRequireAdministrator : kAsInvoker;
  if (!SetExecutionLevel(stub, level)) {
    warnings->push_back(std::string("the stub's manifest has no execution level that can be set to ") +
                        level + (o.admin ? ": Windows will not ask for administrative rights, "
                                           "and setup refuses to install without them"
                                         : ": Windows may take it for an installer by its name "
                                           "and ask for administrative rights"));
  }
  return stub;
}

}  // namespace

PackagePlan ValidatePackage(const BuildOptions& o) {
  CheckImage(o.stub, "the stub", kImageSize);
  if (!o.library.empty()) CheckImage(o.library, "the cabinet library", kLibrarySize);
  CheckShortText(o.title, "the title");
  CheckShortText(o.infName, "the INF name");
  CheckShortText(o.notice, "the notice");
  CheckInfName(o.infName);
  if (o.files.empty() == o.cabinetPath.empty()) {
    throw std::runtime_error("give the files or a cabinet, not both");
  }
  if (o.cabinetPath.empty()) {
    CheckFileNames(o.files, o.infName, o.splitSize > 0);
  } else {
    CheckCabinetFile(ByteSource::OpenFile(o.cabinetPath, "cabinet"), o.infName, o.splitSize > 0);
  }
  PackagePlan plan;
  plan.cabinetOffset = kTextsOffset + TextsSize(o);
  if (plan.cabinetOffset > setup::kMaxPackageSize) TooLarge(plan.cabinetOffset);
  plan.firstPart = o.splitSize ? std::max(o.splitSize, plan.cabinetOffset) : 0;
  CheckSizes(o, plan);
  CheckPackageInf(o, &plan);
  plan.stub = StubWithLevel(o, &plan.warnings);
  setup::PackageHeader& h = plan.header;
  h.attended = o.attended;
  h.titleLength = static_cast<uint8_t>(o.title.size());
  h.infNameLength = static_cast<uint8_t>(o.infName.size());
  h.admin = o.admin;
  h.noticeLength = static_cast<uint8_t>(o.notice.size());
  h.welcomeLength = static_cast<int32_t>(o.welcome.size());
  h.licenceLength = static_cast<int32_t>(o.licence.size());
  h.noticeHidden = o.noticeHidden;
  h.advanced = o.advanced;
  h.cabinetScrambled = o.scrambleCabinet;
  return plan;
}

namespace {

void AppendScrambled(std::vector<uint8_t>& out, const std::string& text) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  setup::ScrambleText(bytes.data(), bytes.size());
  out.insert(out.end(), bytes.begin(), bytes.end());
}

void WriteHeader(const setup::PackageHeader& h, PartedOutput& out) {
  uint8_t header[setup::kHeaderSize];
  setup::WriteHeader(h, header);
  out.WriteAt(kHeaderOffset, header, sizeof(header));
}

// Everything before the cabinet: the stub and the library, each padded to
// its place, the header (completed by SplitPackage) and the texts.
void WriteFront(const BuildOptions& o, const PackagePlan& plan, PartedOutput& out) {
  std::vector<uint8_t> front(plan.stub);
  front.resize(kImageSize, 0);
  front.insert(front.end(), o.library.begin(), o.library.end());
  front.resize(kTextsOffset, 0);
  front.insert(front.end(), o.title.begin(), o.title.end());
  front.insert(front.end(), o.infName.begin(), o.infName.end());
  AppendScrambled(front, o.notice);
  AppendScrambled(front, o.welcome);
  AppendScrambled(front, o.licence);
  out.WriteAt(0, front.data(), front.size());
  WriteHeader(plan.header, out);
}

void CopyCabinet(const std::string& path, uint64_t at, PartedOutput& out) {
  const ByteSource cabinet = ByteSource::OpenFile(path, "cabinet");
  std::vector<uint8_t> chunk(kChunk);
  for (uint64_t done = 0; done < cabinet.Size();) {
    const size_t n = cabinet.ReadAt(done, chunk.data(), chunk.size());
    if (n == 0) throw std::runtime_error("cabinet " + path + ": it shrank while being packed");
    out.WriteAt(at + done, chunk.data(), n);
    done += n;
  }
}

// A file that changed while libgcab read it would leave a cabinet whose
// entries and data disagree.
void CheckUnchanged(const std::vector<CabinetFile>& files) {
  for (const CabinetFile& f : files) {
    struct stat st;
    if (stat(f.path.c_str(), &st) != 0 || static_cast<uint64_t>(st.st_size) != f.size ||
        (f.modified && st.st_mtim.tv_sec * 1000000000ll + st.st_mtim.tv_nsec != f.modified)) {
      throw std::runtime_error("file " + f.path + " changed while it was being packed");
    }
  }
}

void AssemblePackage(const BuildOptions& o, const PackagePlan& plan, PartedOutput& out) {
  WriteFront(o, plan, out);
  if (!o.cabinetPath.empty()) {
    CopyCabinet(o.cabinetPath, plan.cabinetOffset, out);
    return;
  }
  WriteCabinet(o.files, o.compression, out, plan.cabinetOffset);
  CheckUnchanged(o.files);
}

void ScrambleCabinet(uint64_t from, uint8_t key, PartedOutput& out) {
  std::vector<uint8_t> chunk(kChunk);
  for (uint64_t at = from; at < out.Size();) {
    const size_t n = out.ReadAt(at, chunk.data(), chunk.size());
    if (n == 0) throw std::runtime_error("the package cannot be read back");
    for (size_t i = 0; i < n; ++i) chunk[i] ^= key;
    out.WriteAt(at, chunk.data(), n);
    at += n;
  }
}

// Writes the part record into the image area of part 1.
void WriteRecord(size_t count, PartedOutput& out) {
  setup::PartRecord r{};
  r.count = static_cast<uint32_t>(count);
  r.firstSize = static_cast<uint32_t>(out.PartEnd(0));
  const size_t middle = count > 2 ? 1 : count - 1;
  r.middleSize = static_cast<uint32_t>(out.PartEnd(middle) - out.PartStart(middle));
  r.lastSize = static_cast<uint32_t>(out.PartEnd(count - 1) - out.PartStart(count - 1));
  std::vector<ByteSource> parts;
  for (size_t k = 0; k < count; ++k) parts.push_back(ByteSource::OpenFile(out.PartPath(k), ""));
  PartsDigest(parts, r.digest);
  uint8_t bytes[setup::kPartRecordSize];
  setup::WritePartRecord(r, bytes);
  out.WriteAt(setup::kPartRecordOffset, bytes, sizeof(bytes));
}

BuiltPackage SplitPackage(const BuildOptions& o, PackagePlan& plan, PartedOutput& out) {
  const uint64_t total = out.Size();
  if (total > setup::kMaxPackageSize) TooLarge(total);
  const bool split = o.splitSize > 0 && total > plan.firstPart;
  const size_t count = split ? CheckPartCount(total, plan.firstPart, o.splitSize) : 1;
  if (split && o.stub.size() > setup::kPartRecordOffset) {
    throw std::runtime_error("the stub is " + Bytes(o.stub.size()) + "; a split package needs its last " +
                             Bytes(setup::kPartRecordSize) + " of padding for the part record (at most " +
                             Bytes(setup::kPartRecordOffset) + ")");
  }
  plan.header.packageSize = static_cast<uint32_t>(total);
  plan.header.multiPart = split;
  WriteHeader(plan.header, out);
  if (o.scrambleCabinet) ScrambleCabinet(plan.cabinetOffset, setup::CabinetKey(plan.header.packageSize), out);
  if (split) WriteRecord(count, out);
  BuiltPackage built;
  built.parts = count;
  built.size = total;
  built.firstPartSize = out.PartEnd(0);
  built.warnings = plan.warnings;
  return built;
}

}  // namespace

BuiltPackage BuildPackage(const BuildOptions& o, const std::string& output) {
  // An output in the way that is no regular file (a device, a pipe, a
  // folder) is refused before anything is written: looking into a pipe for
  // an earlier split package would wait for a writer for ever.
  RefuseIrregularTarget(output);
  PackagePlan plan = ValidatePackage(o);
  if (o.splitSize) PartNames(output, setup::kMaxParts);
  PartedOutput out(output, plan.firstPart, o.splitSize);
  AssemblePackage(o, plan, out);
  BuiltPackage built = SplitPackage(o, plan, out);
  const bool replacesSplit = IsSplitPackage(output);
  out.Commit();
  const size_t base = output.find_last_of('/') + 1;
  if (replacesSplit && output.size() - base >= 3) {
    built.removedParts = RemovePartsFrom(output, built.parts);
  }
  return built;
}

}  // namespace marrowby::setuppack
