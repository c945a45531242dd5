#include "tools/setuppack/package_names.h"

#include <glib.h>

#include <algorithm>
#include <cstring>
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

// A key under which names that setup takes for one file meet: ASCII letters
// in one case, '/' as '\\', every other byte above 127 alike. Names with
// the same key are then compared by the shared rule.
std::string Bucket(const std::string& name) {
  std::string key = name;
  for (char& ch : key) {
    const auto b = static_cast<uint8_t>(ch);
    ch = b >= 'a' && b <= 'z' ? static_cast<char>(b - 32) : b == '/' ? '\\' : b >= 0x80 ? '\x80' : ch;
  }
  return key;
}

// A cabinet name as checked: Windows-1252, or UTF-8 when flagged so.
struct Name {
  std::string text;
  bool utf8 = false;
};

void CheckOne(const Name& n) {
  if (n.text.size() > kMaxNameBytes) {
    throw std::runtime_error("the file name " + Shown(n.text, n.utf8) + " has " +
                             std::to_string(n.text.size()) + " bytes as stored; a cabinet holds "
                             "names of at most " + std::to_string(kMaxNameBytes));
  }
  if (const char* why = NameProblem(setup::CheckCabinetName(n.text.c_str(), n.utf8))) {
    throw std::runtime_error("the file name " + Shown(n.text, n.utf8) + " " + why);
  }
  if (n.text.find_first_of("\\/") != std::string::npos) {
    throw std::runtime_error("the file " + Shown(n.text, n.utf8) +
                             " is in a subfolder; setup extracts every file into one folder");
  }
}

bool SameFile(const Name& a, const Name& b) {
  if (!a.utf8 && !b.utf8) return setup::SameFileName1252(a.text.c_str(), b.text.c_str());
  gchar* x = g_utf8_casefold(a.utf8 ? a.text.c_str() : Cp1252ToUtf8(a.text).c_str(), -1);
  gchar* y = g_utf8_casefold(b.utf8 ? b.text.c_str() : Cp1252ToUtf8(b.text).c_str(), -1);
  const bool same = std::strcmp(x, y) == 0;
  g_free(x);
  g_free(y);
  return same;
}

// Names checked one by one and against each other; UTF-8 names with a
// Windows-1252 form are compared in that form.
void CheckNames(const std::vector<Name>& names, const std::string* infName, bool split) {
  std::multimap<std::string, const Name*> seen;
  for (const Name& name : names) {
    CheckOne(name);
    const std::string key = name.utf8 ? "\xFF" : Bucket(name.text);
    const auto range = seen.equal_range(key);
    for (auto it = range.first; it != range.second; ++it) {
      if (SameFile(*it->second, name)) {
        throw std::runtime_error("the file names " + Shown(it->second->text, it->second->utf8) +
                                 " and " + Shown(name.text, name.utf8) +
                                 " differ only in case; Windows takes them for one file, so one "
                                 "would overwrite the other");
      }
    }
    seen.emplace(key, &name);
    if (split && !name.utf8 && setup::SameFileName1252(name.text.c_str(), kJoinedPackage)) {
      throw std::runtime_error(std::string("a split package cannot hold a file named ") +
                               kJoinedPackage + ": setup joins the parts into a file of that "
                               "name in the folder it extracts into");
    }
  }
  if (infName && std::none_of(names.begin(), names.end(), [&](const Name& n) {
        return !n.utf8 && setup::SameFileName1252(n.text.c_str(), infName->c_str());
      })) {
    throw std::runtime_error("the INF file " + Shown(*infName) + " is not in the cabinet");
  }
}

}  // namespace

void CheckInfName(const std::string& name) {
  const char* why = nullptr;
  switch (setup::CheckInfName(name.c_str())) {
    case setup::InfNameCheck::kOk: return;
    case setup::InfNameCheck::kEmpty: throw std::runtime_error("the INF name is empty");
    case setup::InfNameCheck::kSeparator: why = "holds a folder separator"; break;
    case setup::InfNameCheck::kSpace: why = "holds a space"; break;
    case setup::InfNameCheck::kComma: why = "holds a comma"; break;
    case setup::InfNameCheck::kQuote: why = "holds a quotation mark"; break;
    case setup::InfNameCheck::kControl: why = "holds a control character"; break;
    case setup::InfNameCheck::kNotAFileName: why = "is not a plain file name"; break;
  }
  throw std::runtime_error("the INF name " + Shown(name) + " " + why +
                           "; the installer's command line takes the name unquoted, so it must "
                           "be a plain file name without folder separators, spaces or commas");
}

void CheckFileNames(const std::vector<CabinetFile>& files, const std::string& infName, bool split) {
  std::vector<Name> names;
  for (const CabinetFile& f : files) names.push_back({f.name, false});
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
  std::vector<Name> names;
  for (const CabListing::File& f : listing.files) {
    std::string name;
    if (NameIn1252(f, &name)) {
      names.push_back({name, false});
    } else {
      names.push_back({f.name, true});  // setup creates it through the wide API
    }
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
