#include "tools/setuppack/inf_check.h"

#include <glib.h>

#include <map>
#include <set>
#include <stdexcept>

#include "setup/names.h"
#include "tools/setuppack/cp1252.h"
#include "tools/setuppack/package_names.h"
#include "tools/setuppack/terminal_text.h"

namespace marrowby::setuppack {

namespace {

// An INF as sections of lines, section names in upper case (INF names are
// compared without regard to case), comments and blank lines dropped.
using Sections = std::map<std::string, std::vector<std::string>>;

std::string UpperAscii(std::string s) {
  for (char& c : s) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
  return s;
}

std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

std::string Unquoted(const std::string& s) {
  const std::string t = Trim(s);
  return t.size() >= 2 && t.front() == '"' && t.back() == '"' ? t.substr(1, t.size() - 2) : t;
}

// The INF's text in Windows-1252 as far as it goes: UTF-16 and UTF-8 (with
// their byte-order marks) converted, anything else taken as it is.
std::string InfText(const std::string& bytes) {
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    gchar* utf8 = g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(bytes.data() + 2),
                                  static_cast<glong>((bytes.size() - 2) / 2), nullptr, nullptr,
                                  nullptr);
    std::string text = utf8 ? utf8 : "";
    g_free(utf8);
    std::string out;
    size_t bad = 0;
    return Utf8ToCp1252(text, &out, &bad) ? out : text;
  }
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    std::string out;
    size_t bad = 0;
    return Utf8ToCp1252(bytes.substr(3), &out, &bad) ? out : bytes.substr(3);
  }
  return bytes;
}

// Cuts a line at a ';' that is not inside quotation marks.
std::string WithoutComment(const std::string& line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == ';' && !quoted) return line.substr(0, i);
  }
  return line;
}

Sections Parse(const std::string& text) {
  Sections sections;
  std::vector<std::string>* current = nullptr;
  std::string pending;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = Trim(WithoutComment(text.substr(start, end - start)));
    start = end + 1;
    if (!line.empty() && line.back() == '\\') {  // continued on the next line
      pending += line.substr(0, line.size() - 1);
      continue;
    }
    line = pending + line;
    pending.clear();
    if (line.empty()) continue;
    if (line.front() == '[' && line.find(']') != std::string::npos) {
      current = &sections[UpperAscii(Trim(line.substr(1, line.find(']') - 1)))];
    } else if (current) {
      current->push_back(line);
    }
  }
  return sections;
}

std::vector<std::string> Fields(const std::string& value) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t comma = value.find(',', start);
    fields.push_back(Unquoted(value.substr(start, comma - start)));
    if (comma == std::string::npos) return fields;
    start = comma + 1;
  }
}

// Splits "key = value"; a line without '=' is all value.
void KeyValue(const std::string& line, std::string* key, std::string* value) {
  const size_t eq = line.find('=');
  *key = eq == std::string::npos ? std::string() : UpperAscii(Trim(line.substr(0, eq)));
  *value = eq == std::string::npos ? line : Trim(line.substr(eq + 1));
}

class Checker {
 public:
  Checker(const Sections& s, const std::vector<std::string>& names, const std::string& infName)
      : sections_(s), names_(names), inf_(Shown(infName)) {}

  bool Has(const std::string& section) const { return sections_.count(UpperAscii(section)) != 0; }

  // A file name as the INF writes it, with %strings% put in; empty when a
  // string is unknown (then nothing is said about it). Folder numbers
  // (%16422%) are kept as they are when asked to.
  std::string Resolved(const std::string& name, bool keepFolders = false) const {
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
      const size_t end = name[i] == '%' ? name.find('%', i + 1) : std::string::npos;
      const std::string key = end == std::string::npos ? "" : name.substr(i + 1, end - i - 1);
      if (name[i] != '%') {
        out += name[i];
      } else if (keepFolders && !key.empty() &&
                 key.find_first_not_of("0123456789") == std::string::npos) {
        out += "%" + key + "%";
        i = end;
      } else if (end == std::string::npos || !StringValue(key, &out)) {
        return {};
      } else {
        i = end;
      }
    }
    return out;
  }

  bool InCabinet(const std::string& name) const {
    for (const std::string& n : names_) {
      if (setup::SameFileName1252(n.c_str(), name.c_str())) return true;
    }
    return false;
  }

  void ExpectFile(const std::string& written, const std::string& where) {
    const std::string name = Resolved(written);
    if (!name.empty() && !InCabinet(name) && warned_.insert(UpperAscii(name)).second) {
      findings.warnings.push_back("the INF " + inf_ + " names " + Shown(name) + " in " + where +
                                  ", but the cabinet holds no file of that name");
    }
  }

  void CheckSourceDisksFiles();
  void CheckCopyFiles();
  void CheckDestinationDirs();
  void CheckUninstallCommand(bool sixtyFourBit);

  InfFindings findings;

 private:
  bool StringValue(const std::string& key, std::string* out) const {
    const auto strings = sections_.find("STRINGS");
    if (strings == sections_.end()) return false;
    for (const std::string& line : strings->second) {
      std::string k, v;
      KeyValue(line, &k, &v);
      if (k == UpperAscii(key)) {
        *out += Unquoted(v);
        return true;
      }
    }
    return false;
  }

  const Sections& sections_;
  const std::vector<std::string>& names_;
  std::string inf_;
  std::set<std::string> warned_;  // each missing file once
};

void Checker::CheckSourceDisksFiles() {
  for (const auto& [section, lines] : sections_) {
    if (section.compare(0, 16, "SOURCEDISKSFILES") != 0) continue;
    for (const std::string& line : lines) {
      ExpectFile(Unquoted(line.substr(0, line.find('='))), "[SourceDisksFiles]");
    }
  }
}

// Every file a CopyFiles directive copies: "@file", or each line of the
// listed sections (destination name, then an optional source name).
void Checker::CheckCopyFiles() {
  for (const auto& [section, lines] : sections_) {
    for (const std::string& line : lines) {
      std::string key, value;
      KeyValue(line, &key, &value);
      if (key != "COPYFILES") continue;
      for (const std::string& item : Fields(value)) {
        if (item.empty()) continue;
        if (item[0] == '@') {
          ExpectFile(item.substr(1), "CopyFiles of [" + section + "]");
          continue;
        }
        const auto list = sections_.find(UpperAscii(item));
        if (list == sections_.end()) continue;
        for (const std::string& entry : list->second) {
          const std::vector<std::string> f = Fields(entry);
          ExpectFile(f.size() > 1 && !f[1].empty() ? f[1] : f[0], "[" + item + "]");
        }
      }
    }
  }
}

void Checker::CheckDestinationDirs() {
  const auto dirs = sections_.find("DESTINATIONDIRS");
  if (dirs == sections_.end()) return;
  for (const std::string& line : dirs->second) {
    std::string key, value;
    KeyValue(line, &key, &value);
    if (!key.empty() && key != "DEFAULTDESTDIR" && !Has(key)) {
      findings.warnings.push_back("the INF " + inf_ + " gives [DestinationDirs] an entry for [" +
                                  Trim(line.substr(0, line.find('='))) +
                                  "], but has no such section");
    }
  }
}

// Splits an INF line into its fields at the commas outside quotation marks,
// each unquoted ("" inside quotes stands for one ").
std::vector<std::string> QuotedFields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"' && quoted && i + 1 < line.size() && line[i + 1] == '"') {
      fields.back() += '"';
      ++i;
    } else if (line[i] == '"') {
      quoted = !quoted;
    } else if (line[i] == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += line[i];
    }
  }
  for (std::string& f : fields) f = Trim(f);
  return fields;
}

// The folder and the name of the program a command line starts.
void ProgramOf(const std::string& command, std::string* folder, std::string* name) {
  const std::string c = Trim(command);
  const std::string program =
      !c.empty() && c[0] == '"' ? c.substr(1, c.find('"', 1) - 1) : c.substr(0, c.find(' '));
  const size_t slash = program.find_last_of("\\/");
  *folder = slash == std::string::npos ? "" : program.substr(0, slash);
  *name = UpperAscii(program.substr(slash == std::string::npos ? 0 : slash + 1));
}

// Add/Remove Programs is a 64-bit program on 64-bit Windows: a command that
// starts a bare rundll32 starts the 64-bit one, for which %16422% is the
// 64-bit Program Files and HKLM the 64-bit registry. The uninstall of a
// 32-bit package must start the 32-bit one, from %16425% (SysWOW64 there,
// System32 on 32-bit Windows); that of a 64-bit package the native one.
void Checker::CheckUninstallCommand(bool sixtyFourBit) {
  for (const auto& [section, lines] : sections_) {
    for (const std::string& line : lines) {
      const std::vector<std::string> f = QuotedFields(line);
      if (f.size() < 5 || UpperAscii(f[2]) != "UNINSTALLSTRING") continue;
      std::string folder, name;
      ProgramOf(Resolved(f[4], true), &folder, &name);
      if (name != "RUNDLL32" && name != "RUNDLL32.EXE") continue;
      const bool wow = folder == "%16425%";
      if (!sixtyFourBit && !wow) {
        findings.warnings.push_back(
            "the INF " + inf_ + " sets UninstallString in [" + section + "] to start rundll32 " +
            (folder.empty() ? "without a folder" : "from " + Shown(folder)) +
            ": on 64-bit Windows, Add/Remove Programs would start the 64-bit one, which looks "
            "for this 32-bit setup's files and registry keys in the wrong places and removes "
            "nothing; start %16425%\\rundll32.exe (the 32-bit system folder) instead");
      } else if (sixtyFourBit && wow) {
        findings.warnings.push_back(
            "the INF " + inf_ + " sets UninstallString in [" + section +
            "] to start the 32-bit rundll32 (%16425%) for a 64-bit package: start "
            "%11%\\rundll32.exe instead");
      }
    }
  }
}

}  // namespace

std::string InfFromCabinet(const ByteSource& cabinet, const std::string& infName) {
  struct InfOnly : ExtractSink {
    explicit InfOnly(const std::string& wanted) : name(wanted) {}
    bool Wants(const CabListing::File& f) override {
      std::string n;
      return NameIn1252(f, &n) && setup::SameFileName1252(n.c_str(), name.c_str());
    }
    void Begin(const CabListing::File& f) override {
      if (f.length > kMaxInfBytes) throw std::runtime_error("the INF is larger than 16 MB");
    }
    void Write(const uint8_t* p, size_t n) override { text.append(reinterpret_cast<const char*>(p), n); }
    void End(const CabListing::File&) override {}
    const std::string& name;
    std::string text;
  } sink(infName);
  ExtractCabinet(cabinet, sink);
  return sink.text;
}

InfFindings CheckInf(const std::string& bytes, const std::string& infName, bool advanced,
                     const std::vector<std::string>& cabinetNames, bool sixtyFourBit) {
  const Sections sections = Parse(InfText(bytes));
  Checker c(sections, cabinetNames, infName);
  const std::string inf = Shown(infName);
  const auto missing = [&](const char* section, const char* why) {
    return "the INF " + inf + " has no [" + section + "] section, " + why +
           ": the package would install nothing there and still report success";
  };
  if (!advanced && !c.Has("DefaultInstall") && !c.Has("DefaultInstall.NT") &&
      !c.Has("DefaultInstall.NTx86") && !c.Has("DefaultInstall.NTamd64")) {
    c.findings.errors.push_back(missing("DefaultInstall", "which setup runs in basic mode"));
  }
  if (advanced && !c.Has("DefaultInstall2.ntx86")) {
    c.findings.errors.push_back(missing(
        "DefaultInstall2.ntx86", "which setup runs first with --advanced on Windows NT and later"));
  }
  if (advanced && !c.Has("DefaultInstallX")) {
    c.findings.errors.push_back(
        missing("DefaultInstallX", "which setup runs second with --advanced (it may be empty)"));
  }
  if (advanced && !c.Has("DefaultInstall2")) {
    c.findings.warnings.push_back(
        missing("DefaultInstall2", "which setup runs first with --advanced on Windows 95, 98 and Me"));
  }
  c.CheckSourceDisksFiles();
  c.CheckCopyFiles();
  c.CheckDestinationDirs();
  c.CheckUninstallCommand(sixtyFourBit);
  return c.findings;
}

InfFindings CheckCabinetInf(const ByteSource& cabinet, const std::string& infName, bool advanced,
                            bool sixtyFourBit) {
  std::vector<std::string> names;
  for (const CabListing::File& f : ListCabinet(cabinet).files) {
    std::string name;
    if (NameIn1252(f, &name)) names.push_back(name);
  }
  return CheckInf(InfFromCabinet(cabinet, infName), infName, advanced, names, sixtyFourBit);
}

}  // namespace marrowby::setuppack
