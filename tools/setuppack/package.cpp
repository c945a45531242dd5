#include "tools/setuppack/package.h"

#include <glib.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "setup/cstr.h"
#include "setup/names.h"
#include "setup/package_load.h"
#include "setup/scramble.h"
#include "tools/setuppack/terminal_text.h"

namespace marrowby::setuppack {

using setup::kHeaderOffset;
using setup::kImageSize;
using setup::kLibrarySize;
using setup::kTextsOffset;

namespace {

void CheckShortText(const std::string& text, const char* what) {
  if (text.size() > setup::kMaxShortText) {
    throw std::runtime_error(std::string(what) + " is " + std::to_string(text.size()) +
                             " bytes long; at most 255 bytes are allowed");
  }
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return s;
}

// The cabinet must be one the stub can extract: readable, not part of a set,
// only safe names, and holding the INF file.
void CheckCabinet(const std::vector<uint8_t>& cabinet, const std::string& infName) {
  CabListing listing;
  try {
    listing = ListCabinet(cabinet);
  } catch (const std::exception& e) {
    throw std::runtime_error(std::string("the cabinet cannot be read: ") + e.what());
  }
  if (listing.spansCabinets) {
    throw std::runtime_error("the cabinet continues in another cabinet; give a single cabinet");
  }
  bool found = false;
  for (const CabListing::File& f : listing.files) {
    if (setup::CheckCabinetName(f.name.c_str()) != setup::NameCheck::kOk) {
      throw std::runtime_error("the cabinet holds the unsafe file name " + Shown(f.name));
    }
    found = found || Lower(f.name) == Lower(infName);
  }
  if (!found) throw std::runtime_error("the INF file " + Shown(infName) + " is not in the cabinet");
}

// The installer's command line carries the INF path unquoted after the
// section name and mode, separated by spaces and commas: a name with either
// would be cut, and one with a folder would leave the extraction folder.
void CheckInfName(const std::string& name) {
  if (name.empty()) throw std::runtime_error("the INF name is empty");
  for (unsigned char c : name) {
    const char* why = c == '\\' || c == '/' || c == ':' ? "a folder separator"
                      : c == ' '                          ? "a space"
                      : c == ','                          ? "a comma"
                      : c == '"'                          ? "a quotation mark"
                      : c < 0x20 || c == 0x7F             ? "a control character"
                                                          : nullptr;
    if (why) {
      throw std::runtime_error("the INF name " + Shown(name) + " holds " + why +
                               "; the installer's command line takes the name unquoted, so it "
                               "must be a plain file name without folder separators, spaces or "
                               "commas");
    }
  }
}

void CheckImage(const std::vector<uint8_t>& bytes, const char* what) {
  if (!setup::IsPeImage(bytes.data(), static_cast<uint32_t>(bytes.size()))) {
    throw std::runtime_error(std::string(what) + " is not a Windows executable image");
  }
}

void AppendScrambled(std::vector<uint8_t>& out, const std::string& text) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  setup::ScrambleText(bytes.data(), bytes.size());
  out.insert(out.end(), bytes.begin(), bytes.end());
}

}  // namespace

std::string WindowsLineEnds(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

namespace {

// The SHA-256 digest of one part as the part record counts it: part 1 from
// the end of the image area on, every other part whole.
void PartDigest(const std::vector<uint8_t>& part, size_t index, uint8_t out[setup::kDigestSize]) {
  const size_t from = index == 0 ? std::min<size_t>(part.size(), kImageSize) : 0;
  GChecksum* h = g_checksum_new(G_CHECKSUM_SHA256);
  g_checksum_update(h, part.data() + from, part.size() - from);
  gsize size = setup::kDigestSize;
  g_checksum_get_digest(h, out, &size);
  g_checksum_free(h);
}

void ListDigest(const std::vector<std::vector<uint8_t>>& parts, uint8_t out[setup::kDigestSize]) {
  GChecksum* all = g_checksum_new(G_CHECKSUM_SHA256);
  for (size_t k = 0; k < parts.size(); ++k) {
    uint8_t d[setup::kDigestSize];
    PartDigest(parts[k], k, d);
    g_checksum_update(all, d, sizeof(d));
  }
  gsize size = setup::kDigestSize;
  g_checksum_get_digest(all, out, &size);
  g_checksum_free(all);
}

// Writes the part record into the image area of part 1.
void WriteRecord(std::vector<std::vector<uint8_t>>& parts) {
  setup::PartRecord r{};
  r.count = static_cast<uint32_t>(parts.size());
  r.firstSize = static_cast<uint32_t>(parts.front().size());
  r.middleSize = static_cast<uint32_t>(parts.size() > 2 ? parts[1].size() : parts.back().size());
  r.lastSize = static_cast<uint32_t>(parts.back().size());
  ListDigest(parts, r.digest);
  setup::WritePartRecord(r, parts.front().data() + setup::kPartRecordOffset);
}

}  // namespace

std::vector<std::vector<uint8_t>> BuildPackage(const BuildOptions& o) {
  if (o.stub.size() > kImageSize) {
    throw std::runtime_error("the stub is " + std::to_string(o.stub.size()) +
                             " bytes, larger than the 28672 bytes of its place in the package");
  }
  CheckImage(o.stub, "the stub");
  if (o.library.size() > kLibrarySize) {
    throw std::runtime_error("the cabinet library is " + std::to_string(o.library.size()) +
                             " bytes, larger than the 40960 bytes of its place in the package");
  }
  if (!o.library.empty()) CheckImage(o.library, "the cabinet library");
  CheckShortText(o.title, "the title");
  CheckShortText(o.infName, "the INF name");
  CheckShortText(o.notice, "the notice");
  CheckInfName(o.infName);
  CheckCabinet(o.cabinet, o.infName);

  const uint64_t textsSize =
      o.title.size() + o.infName.size() + o.notice.size() + o.welcome.size() + o.licence.size();
  const uint64_t total = kTextsOffset + textsSize + o.cabinet.size();
  if (total > setup::kMaxPackageSize || o.welcome.size() > 0x7FFFFFFF ||
      o.licence.size() > 0x7FFFFFFF) {
    throw std::runtime_error("the package would be larger than 2 GB");
  }

  std::vector<uint8_t> pkg(o.stub);
  pkg.resize(kImageSize, 0);
  pkg.insert(pkg.end(), o.library.begin(), o.library.end());
  pkg.resize(kHeaderOffset, 0);

  const uint64_t cabinetOffset = kTextsOffset + textsSize;
  const bool split = o.splitSize > 0 && total > std::max<uint64_t>(o.splitSize, cabinetOffset);
  setup::PackageHeader h{};
  h.attended = o.attended;
  h.titleLength = static_cast<uint8_t>(o.title.size());
  h.infNameLength = static_cast<uint8_t>(o.infName.size());
  h.admin = o.admin;
  h.noticeLength = static_cast<uint8_t>(o.notice.size());
  h.welcomeLength = static_cast<int32_t>(o.welcome.size());
  h.licenceLength = static_cast<int32_t>(o.licence.size());
  h.noticeHidden = o.noticeHidden;
  h.multiPart = split;
  h.advanced = o.advanced;
  h.cabinetScrambled = o.scrambleCabinet;
  h.packageSize = static_cast<uint32_t>(total);
  uint8_t header[setup::kHeaderSize];
  setup::WriteHeader(h, header);
  pkg.insert(pkg.end(), header, header + sizeof(header));
  pkg.insert(pkg.end(), o.title.begin(), o.title.end());
  pkg.insert(pkg.end(), o.infName.begin(), o.infName.end());
  AppendScrambled(pkg, o.notice);
  AppendScrambled(pkg, o.welcome);
  AppendScrambled(pkg, o.licence);
  const size_t cabAt = pkg.size();
  pkg.insert(pkg.end(), o.cabinet.begin(), o.cabinet.end());
  if (o.scrambleCabinet) {
    const uint8_t key = setup::CabinetKey(h.packageSize);
    for (size_t i = cabAt; i < pkg.size(); ++i) pkg[i] ^= key;
  }

  if (!split) return {pkg};
  if (o.stub.size() > setup::kPartRecordOffset) {
    throw std::runtime_error("the stub is " + std::to_string(o.stub.size()) +
                             " bytes; a split package needs its last " +
                             std::to_string(setup::kPartRecordSize) +
                             " bytes of padding for the part record (at most " +
                             std::to_string(setup::kPartRecordOffset) + " bytes)");
  }
  // Part 1 is the program itself and carries at least everything before the
  // cabinet; the other parts carry splitSize bytes each.
  std::vector<std::vector<uint8_t>> parts;
  const size_t first = static_cast<size_t>(std::max<uint64_t>(o.splitSize, cabinetOffset));
  parts.emplace_back(pkg.begin(), pkg.begin() + static_cast<long>(first));
  for (size_t at = first; at < pkg.size(); at += o.splitSize) {
    const size_t end = std::min<size_t>(pkg.size(), at + o.splitSize);
    parts.emplace_back(pkg.begin() + static_cast<long>(at), pkg.begin() + static_cast<long>(end));
  }
  if (parts.size() > setup::kMaxParts) {
    const uint64_t least = (pkg.size() - first + setup::kMaxParts - 2) / (setup::kMaxParts - 1);
    throw std::runtime_error("--split " + std::to_string(o.splitSize) + " would make " +
                             std::to_string(parts.size()) +
                             " parts; setup can join at most 256 (the program and .001 to "
                             ".255): use --split " + std::to_string(least) + " or more");
  }
  WriteRecord(parts);
  return parts;
}

std::vector<std::string> PartNames(const std::string& output, size_t count) {
  std::vector<std::string> names{output};
  const size_t base = output.find_last_of('/') + 1;
  if (count > 1 && output.size() - base < 3) {
    throw std::runtime_error("the output name must have at least three characters to name parts");
  }
  for (size_t k = 1; k < count; ++k) {
    std::string name = output;
    setup::SetPartNumber(&name[0], static_cast<uint32_t>(k));
    if (name == output) {
      throw std::runtime_error("the output name " + output + " ends in the digits of part " +
                               std::to_string(k + 1) + "'s name; name the package like setup.exe");
    }
    names.push_back(name);
  }
  return names;
}

namespace {

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  struct stat st;
  // A folder opens as a stream on Linux and fails only at the first read.
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    throw std::runtime_error(path + ": is a folder, not a package");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(path + ": cannot be opened");
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw std::runtime_error(path + ": cannot be read");
  return bytes;
}

std::string TextAt(const std::vector<uint8_t>& b, size_t& at, size_t n, bool scrambled) {
  std::string s(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + n));
  if (scrambled) setup::ScrambleText(reinterpret_cast<uint8_t*>(&s[0]), s.size());
  at += n;
  return s;
}

// Checks the parts against the part record, as setup does before using them.
void CheckParts(const std::vector<std::vector<uint8_t>>& parts, const setup::PartRecord& r,
                const std::string& path) {
  for (uint32_t k = 0; k < parts.size(); ++k) {
    const uint32_t expected = setup::RecordedPartSize(r, k);
    if (parts[k].size() != expected) {
      std::string name = path;
      if (k > 0) setup::SetPartNumber(&name[0], k);
      throw std::runtime_error(name + ": the part is damaged: it has " +
                               std::to_string(parts[k].size()) + " bytes instead of " +
                               std::to_string(expected));
    }
  }
  uint8_t digest[setup::kDigestSize];
  ListDigest(parts, digest);
  if (!std::equal(digest, digest + sizeof(digest), r.digest)) {
    throw std::runtime_error(
        "the parts do not belong together: one of them has been damaged or replaced");
  }
}

}  // namespace

PackageContents ParsePackage(const std::vector<uint8_t>& b) {
  PackageContents c;
  if (b.size() < kHeaderOffset + setup::kHeaderSize ||
      !setup::ParseHeader(b.data() + kHeaderOffset, setup::kHeaderSize, &c.header)) {
    throw std::runtime_error("not a setup package (no package header behind the stub)");
  }
  const setup::PackageHeader& h = c.header;
  if (setup::CheckLayout(h, b.size()) != setup::LayoutCheck::kOk) {
    throw std::runtime_error("the package is corrupted: its text lengths reach past its end");
  }
  size_t at = kTextsOffset;
  c.title = TextAt(b, at, h.titleLength, false);
  c.infName = TextAt(b, at, h.infNameLength, false);
  c.notice = TextAt(b, at, h.noticeLength, true);
  c.welcome = TextAt(b, at, static_cast<size_t>(h.welcomeLength), true);
  c.licence = TextAt(b, at, static_cast<size_t>(h.licenceLength), true);
  c.cabinetOffset = static_cast<uint32_t>(at);
  c.size = b.size();
  const size_t end = std::min<size_t>(b.size(), h.packageSize);
  c.cabinet.assign(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(end));
  if (h.cabinetScrambled) {
    const uint8_t key = setup::CabinetKey(h.packageSize);
    for (uint8_t& x : c.cabinet) x ^= key;
  }
  return c;
}

PackageContents ReadPackageFile(const std::string& path) {
  std::vector<uint8_t> bytes = ReadWholeFile(path);
  setup::PackageHeader h{};
  if (bytes.size() >= kHeaderOffset + setup::kHeaderSize &&
      setup::ParseHeader(bytes.data() + kHeaderOffset, setup::kHeaderSize, &h) && h.multiPart) {
    setup::PartRecord record{};
    const bool recorded = bytes.size() >= kImageSize &&
                          setup::ParsePartRecord(bytes.data() + setup::kPartRecordOffset, &record);
    std::vector<std::vector<uint8_t>> parts{bytes};
    uint64_t joined = bytes.size();
    for (uint32_t k = 1; recorded ? k < record.count : joined < h.packageSize; ++k) {
      if (k >= setup::kMaxParts) throw std::runtime_error("the parts never reach the package size");
      std::string name = path;
      setup::SetPartNumber(&name[0], k);
      parts.push_back(ReadWholeFile(name));
      if (parts.back().empty()) throw std::runtime_error(name + ": the part is empty");
      joined += parts.back().size();
    }
    if (recorded) CheckParts(parts, record, path);
    for (size_t k = 1; k < parts.size(); ++k) {
      bytes.insert(bytes.end(), parts[k].begin(), parts[k].end());
    }
    PackageContents c = ParsePackage(bytes);
    c.parts = static_cast<uint32_t>(parts.size());
    c.partsChecked = recorded;
    return c;
  }
  return ParsePackage(bytes);
}

}  // namespace marrowby::setuppack
