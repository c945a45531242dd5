#include "tools/setuppack/package_names.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "setup/names.h"
#include "tools/setuppack/cp1252.h"
#include "tools/setuppack/terminal_text.h"

namespace marrowby::setuppack {

namespace {

// The file setup joins a split package's parts into, in its extraction folder.
constexpr char kJoinedPackage[] = "Tessara.pkg";

const char* NameProblem(setup::NameCheck check) {
  switch (check) {
    case setup::NameCheck::kOk: return nullptr;
    case setup::NameCheck::kEmpty: return "is empty";
    case setup::NameCheck::kAbsolute: return "starts with a folder separator";
    case setup::NameCheck::kDrive: return "holds a colon (a drive or a stream name)";
    case setup::NameCheck::kDotComponent: return "holds a \".\" or \"..\" part or an empty one";
    case setup::NameCheck::kDeviceName: return "is the name of a device on Windows";
    case setup::NameCheck::kBadCharacter:
      return "holds a character Windows does not allow in file names";
    case setup::NameCheck::kTrailingDotOrSpace:
      return "ends in a dot or a space, which Windows drops, so it would name another file";
  }
  return "is not allowed";
}

// Windows-1252 upper case, as Windows compares file names in that code page.
char Upper1252(char ch) {
  const auto b = static_cast<uint8_t>(ch);
  if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7)) return static_cast<char>(b - 0x20);
  switch (b) {
    case 0x9A: return static_cast<char>(0x8A);  // s caron
    case 0x9C: return static_cast<char>(0x8C);  // oe
    case 0x9E: return static_cast<char>(0x8E);  // z caron
    case 0xFF: return static_cast<char>(0x9F);  // y diaeresis
  }
  return ch;
}

std::string Folded(const std::string& name) {
  std::string out = name;
  std::transform(out.begin(), out.end(), out.begin(), Upper1252);
  return out;
}

// Names in Windows-1252, checked one by one and against each other.
void CheckNames(const std::vector<std::string>& names, const std::string* infName, bool split) {
  std::map<std::string, const std::string*> seen;
  for (const std::string& name : names) {
    if (const char* why = NameProblem(setup::CheckCabinetName(name.c_str()))) {
      throw std::runtime_error("the file name " + Shown(name) + " " + why);
    }
    if (name.find_first_of("\\/") != std::string::npos) {
      throw std::runtime_error("the file " + Shown(name) +
                               " is in a subfolder; setup extracts every file into one folder");
    }
    const auto [it, added] = seen.emplace(Folded(name), &name);
    if (!added) {
      throw std::runtime_error("the file names " + Shown(*it->second) + " and " + Shown(name) +
                               " differ only in case; Windows takes them for one file, so one "
                               "would overwrite the other");
    }
    if (split && Folded(name) == Folded(kJoinedPackage)) {
      throw std::runtime_error(std::string("a split package cannot hold a file named ") +
                               kJoinedPackage + ": setup joins the parts into a file of that "
                               "name in the folder it extracts into");
    }
  }
  if (infName && !seen.count(Folded(*infName))) {
    throw std::runtime_error("the INF file " + Shown(*infName) + " is not in the cabinet");
  }
}

}  // namespace

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

void CheckFileNames(const std::vector<CabinetFile>& files, const std::string& infName, bool split) {
  std::vector<std::string> names;
  for (const CabinetFile& f : files) names.push_back(f.name);
  CheckNames(names, &infName, split);
}

bool NameIn1252(const CabListing::File& file, std::string* name) {
  if (!(file.attribs & kNameIsUtf8)) {
    *name = file.name;
    return true;
  }
  size_t bad = 0;
  return Utf8ToCp1252(file.name, name, &bad);
}

void CheckListedNames(const CabListing& listing, const std::string* infName, bool split) {
  std::vector<std::string> names;
  for (const CabListing::File& f : listing.files) {
    std::string name;
    // A name with no Windows-1252 form is checked as it is: setup creates it
    // through the wide API.
    names.push_back(NameIn1252(f, &name) ? name : f.name);
  }
  CheckNames(names, infName, split);
}

void CheckCabinetFile(const ByteSource& cabinet, const std::string& infName, bool split) {
  CabListing listing;
  try {
    listing = ListCabinet(cabinet);
  } catch (const std::exception& e) {
    throw std::runtime_error(std::string("the cabinet cannot be read: ") + e.what());
  }
  if (listing.spansCabinets) {
    throw std::runtime_error("the cabinet continues in another cabinet; give a single cabinet");
  }
  CheckListedNames(listing, &infName, split);
}

}  // namespace marrowby::setuppack
