#include "tools/setuppack/package.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "setup/cstr.h"
#include "setup/names.h"
#include "setup/package_load.h"
#include "setup/scramble.h"

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
      throw std::runtime_error("the cabinet holds the unsafe file name \"" + f.name + "\"");
    }
    found = found || Lower(f.name) == Lower(infName);
  }
  if (!found) throw std::runtime_error("the INF file \"" + infName + "\" is not in the cabinet");
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
  if (o.infName.empty() || o.infName.find_first_of("\\/:") != std::string::npos) {
    throw std::runtime_error("the INF name must be a file name without a folder");
  }
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
  // Part 1 is the program itself and carries at least everything before the
  // cabinet; the other parts carry splitSize bytes each.
  std::vector<std::vector<uint8_t>> parts;
  const size_t first = static_cast<size_t>(std::max<uint64_t>(o.splitSize, cabinetOffset));
  parts.emplace_back(pkg.begin(), pkg.begin() + static_cast<long>(first));
  for (size_t at = first; at < pkg.size(); at += o.splitSize) {
    const size_t end = std::min<size_t>(pkg.size(), at + o.splitSize);
    parts.emplace_back(pkg.begin() + static_cast<long>(at), pkg.begin() + static_cast<long>(end));
  }
  if (parts.size() > 256) {
    throw std::runtime_error("the package would have " + std::to_string(parts.size()) +
                             " parts; at most 256 are possible");
  }
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
    names.push_back(name);
  }
  return names;
}

namespace {

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
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
    for (uint32_t k = 1; bytes.size() < h.packageSize; ++k) {
      if (k > 255) throw std::runtime_error("the parts never reach the package size");
      std::string name = path;
      setup::SetPartNumber(&name[0], k);
      const std::vector<uint8_t> part = ReadWholeFile(name);
      if (part.empty()) throw std::runtime_error(name + ": the part is empty");
      bytes.insert(bytes.end(), part.begin(), part.end());
    }
  }
  return ParsePackage(bytes);
}

}  // namespace marrowby::setuppack
