// setuppack: builds setup packages around setupstub.exe, and shows or
// extracts what a package holds.
#include <fcntl.h>
#include <langinfo.h>
#include <sys/stat.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "marrowby_version.h"
#include "setup/names.h"
#include "tools/setuppack/files.h"
#include "tools/setuppack/package.h"
#include "tools/setuppack/terminal_text.h"

namespace marrowby::setuppack {
namespace {

// Cabinet attribute bit: the name is UTF-8, not the code page.
constexpr int kNameIsUtf8 = 0x80;

const char kVersion[] = "setuppack " MARROWBY_VERSION_TEXT
    " (packages with header \"MRI\"; split packages with a part record)\n";

const char kOverview[] =
    "usage:\n"
    "  setuppack build -o OUT.exe --stub STUB.exe --inf NAME.inf\n"
    "                  (--cab FILE.cab | --dir DIR [--compress none|mszip]) [options]\n"
    "  setuppack info PACKAGE\n"
    "  setuppack extract PACKAGE DIR\n"
    "  setuppack [COMMAND] --help     setuppack --version\n"
    "\n";

const char kBuildHelp[] =
    "setuppack build -o OUT.exe --stub STUB.exe --inf NAME.inf\n"
    "                (--cab FILE.cab | --dir DIR [--compress none|mszip]) [options]\n"
    "\n"
    "Writes a self-extracting setup package: the stub, a copy of the cabinet\n"
    "library, the package header and texts, and a cabinet with the files to install.\n"
    "Every file is written under a temporary name and renamed into place.\n"
    "\n"
    "  -o, --output OUT.exe     the package to write (with --split, also its parts;\n"
    "                           parts left from an earlier, larger split are removed)\n"
    "  --stub STUB.exe          setupstub.exe; at most 28672 bytes\n"
    "  --inf NAME.inf           the INF file (name only: no folder, spaces or commas)\n"
    "                           inside the cabinet that the system's INF installer\n"
    "                           runs; must be in the cabinet\n"
    "  --cab FILE.cab           a ready-made single cabinet (makecab, gcab, ...)\n"
    "  --dir DIR                make the cabinet from the files directly in DIR\n"
    "                           (no subfolders: setup extracts into one folder)\n"
    "  --compress none|mszip    compression for --dir (default mszip)\n"
    "  --title TEXT             caption of the setup dialog (at most 255 bytes;\n"
    "                           default \"Self-extracting Archive\")\n"
    "  --welcome-file F         text shown in the dialog before installing (9 lines\n"
    "                           of about 57 characters fit; a longer one is warned\n"
    "                           about); without it a default text is shown, and an\n"
    "                           unattended package installs at once\n"
    "  --licence-file F         licence the user must accept before installing\n"
    "  --notice-file F          text shown by the Info button after installing\n"
    "                           (at most 255 bytes)\n"
    "  --attended               wait for the user after installing (Info and Ok);\n"
    "                           otherwise the dialog closes by itself\n"
    "  --admin                  refuse to install without administrative rights\n"
    "  --notice-hidden          never show the Info button\n"
    "  --advanced               install with advpack (sections DefaultInstall2[.ntx86]\n"
    "                           and DefaultInstallX) instead of setupapi/setupx\n"
    "                           (section DefaultInstall)\n"
    "  --scramble-cabinet       store the cabinet XOR-scrambled\n"
    "  --split BYTES            split into parts of at most BYTES bytes (the first\n"
    "                           part at least the program and its texts): OUT.exe,\n"
    "                           then OUT with its last three characters replaced by\n"
    "                           001, 002, ... up to 255 (the first part also holds\n"
    "                           the texts, and a record of every part's size and\n"
    "                           SHA-256 digest that setup checks before extracting)\n"
    "  --cabinet-library FILE   Cabinet.dll to carry (at most 40960 bytes), placed in\n"
    "                           the system folder when it has none; without it the\n"
    "                           area is zero-filled and never placed\n"
    "\n"
    "Texts are stored as given (8-bit; setup shows them as Windows-1252), with line\n"
    "feeds turned into CR LF.\n";

const char kInfoHelp[] =
    "setuppack info PACKAGE\n"
    "\n"
    "Prints the header fields, the texts (unscrambled, converted from Windows-1252\n"
    "to the terminal's character set, control characters escaped) and the\n"
    "cabinet's files. The parts of a split package are read beside it and checked\n"
    "against its part record.\n";

const char kExtractHelp[] =
    "setuppack extract PACKAGE DIR\n"
    "\n"
    "Writes the cabinet's files into DIR (which must exist), refusing names that\n"
    "would leave it, as setup does.\n";

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::vector<uint8_t> ReadFile(const std::string& path, const char* what) {
  struct stat st;
  // A folder opens as a stream on Linux and fails only at the first read.
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    throw std::runtime_error(std::string(what) + " " + path + ": is a folder, not a file");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(std::string(what) + " " + path + ": " + std::strerror(errno));
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw std::runtime_error(std::string(what) + " " + path + ": read error");
  return bytes;
}

std::string ReadText(const std::string& path, const char* what) {
  const std::vector<uint8_t> b = ReadFile(path, what);
  return WindowsLineEnds(std::string(b.begin(), b.end()));
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  WriteFilesAtomically({OutputFile{path, bytes}});
}

bool IsSplitPackage(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  uint8_t header[setup::kHeaderSize];
  setup::PackageHeader h{};
  return in.seekg(setup::kHeaderOffset) &&
         in.read(reinterpret_cast<char*>(header), sizeof(header)) &&
         setup::ParseHeader(header, sizeof(header), &h) && h.multiPart;
}

// The parts of the package just built replace the earlier package's; its
// parts beyond the new count are removed so that none can be mixed in.
void WritePackage(const std::string& out, const std::vector<std::vector<uint8_t>>& parts) {
  const std::vector<std::string> names = PartNames(out, parts.size());
  const bool replacesSplit = IsSplitPackage(out);
  std::vector<OutputFile> files;
  for (size_t i = 0; i < parts.size(); ++i) files.push_back({names[i], parts[i]});
  WriteFilesAtomically(files);
  if (out.size() - (out.find_last_of('/') + 1) < 3) return;
  if (replacesSplit) {
    for (const std::string& name : RemovePartsFrom(out, parts.size())) {
      std::fprintf(stderr, "setuppack: removed %s, a part of the earlier package\n", name.c_str());
    }
  } else if (parts.size() > 1) {
    for (const std::string& name : ExistingPartsFrom(out, parts.size())) {
      std::fprintf(stderr, "setuppack: warning: %s is not part of this package\n", name.c_str());
    }
  }
}

void WarnAboutWelcome(const std::string& welcome) {
  const size_t lines = StatusLines(welcome);
  if (lines > kStatusLines) {
    std::fprintf(stderr,
                 "setuppack: warning: the welcome text takes about %zu lines, but the setup "
                 "dialog shows %zu lines of about %zu characters: it will be cut off\n",
                 lines, kStatusLines, kStatusColumns);
  }
}

CabEntry EntryFromFile(const std::string& dir, const std::string& name) {
  const std::string path = dir + "/" + name;
  struct stat st;
  if (stat(path.c_str(), &st) != 0) throw std::runtime_error(path + ": " + std::strerror(errno));
  if (S_ISDIR(st.st_mode)) {
    throw std::runtime_error(path + ": subfolders are not supported (setup extracts into one folder)");
  }
  if (setup::CheckCabinetName(name.c_str()) != setup::NameCheck::kOk) {
    throw std::runtime_error(path + ": this name is not allowed in a setup package");
  }
  CabEntry e;
  e.name = name;
  e.data = ReadFile(path, "file");
  std::tm local{};
  localtime_r(&st.st_mtime, &local);
  e.date = DosDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  e.time = DosTime(local.tm_hour, local.tm_min, local.tm_sec);
  e.attribs = 0x20 | ((st.st_mode & S_IWUSR) ? 0 : 0x01);
  return e;
}

std::vector<uint8_t> CabinetFromDir(const std::string& dir, Compression c) {
  DIR* d = opendir(dir.c_str());
  if (!d) throw std::runtime_error("folder " + dir + ": " + std::strerror(errno));
  std::vector<std::string> names;
  while (const dirent* e = readdir(d)) {
    if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  std::vector<CabEntry> entries;
  for (const std::string& n : names) entries.push_back(EntryFromFile(dir, n));
  if (entries.empty()) throw std::runtime_error("folder " + dir + " holds no files");
  return WriteCabinet(entries, c);
}

uint64_t ParseSize(const std::string& text) {
  char* end = nullptr;
  errno = 0;
  const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
  if (text.empty() || *end || errno || v == 0 || text[0] == '-') {
    throw UsageError("--split needs a positive number of bytes, not \"" + text + "\"");
  }
  return v;
}

int Build(const std::vector<std::string>& args) {
  BuildOptions o;
  std::string out, stub, cab, dir, compress = "mszip", library;
  std::string welcomeFile, licenceFile, noticeFile;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
      return args[++i];
    };
    if (a == "-o" || a == "--output") out = value();
    else if (a == "--stub") stub = value();
    else if (a == "--inf") o.infName = value();
    else if (a == "--cab") cab = value();
    else if (a == "--dir") dir = value();
    else if (a == "--compress") compress = value();
    else if (a == "--title") o.title = value();
    else if (a == "--welcome-file") welcomeFile = value();
    else if (a == "--licence-file" || a == "--license-file") licenceFile = value();
    else if (a == "--notice-file") noticeFile = value();
    else if (a == "--attended") o.attended = true;
    else if (a == "--admin") o.admin = true;
    else if (a == "--notice-hidden") o.noticeHidden = true;
    else if (a == "--advanced") o.advanced = true;
    else if (a == "--scramble-cabinet") o.scrambleCabinet = true;
    else if (a == "--split") o.splitSize = ParseSize(value());
    else if (a == "--cabinet-library") library = value();
    else throw UsageError("unknown option " + a);
  }
  if (out.empty()) throw UsageError("build needs -o OUT.exe");
  if (stub.empty()) throw UsageError("build needs --stub STUB.exe");
  if (o.infName.empty()) throw UsageError("build needs --inf NAME.inf");
  if (cab.empty() == dir.empty()) throw UsageError("build needs exactly one of --cab and --dir");
  if (compress != "none" && compress != "mszip") {
    throw UsageError("--compress takes none or mszip, not \"" + compress + "\"");
  }
  o.stub = ReadFile(stub, "stub");
  if (!library.empty()) o.library = ReadFile(library, "cabinet library");
  if (!welcomeFile.empty()) o.welcome = ReadText(welcomeFile, "welcome file");
  if (!licenceFile.empty()) o.licence = ReadText(licenceFile, "licence file");
  if (!noticeFile.empty()) o.notice = ReadText(noticeFile, "notice file");
  o.cabinet = cab.empty() ? CabinetFromDir(dir, compress == "none" ? Compression::kNone
                                                                   : Compression::kMszip)
                          : ReadFile(cab, "cabinet");
  const std::vector<std::vector<uint8_t>> parts = BuildPackage(o);
  if (parts.size() > 1 && parts[0].size() > o.splitSize) {
    // The program, its cabinet library and the texts cannot be split.
    std::fprintf(stderr,
                 "setuppack: warning: the first part is %zu bytes, more than --split %llu: it "
                 "holds the program, the cabinet library and the texts whole\n",
                 parts[0].size(), static_cast<unsigned long long>(o.splitSize));
  }
  WritePackage(out, parts);
  WarnAboutWelcome(o.welcome);
  return 0;
}

std::string Quoted(const std::string& text, bool utf8 = false) {
  return TerminalText(text, utf8, nl_langinfo(CODESET));
}

int Info(const std::vector<std::string>& args) {
  if (args.size() != 1) throw UsageError("info takes one PACKAGE");
  const PackageContents c = ReadPackageFile(args[0]);
  const setup::PackageHeader& h = c.header;
  std::printf("package: %s\n", Quoted(args[0], true).c_str());
  std::printf("package size: %u (read %llu)%s\n", h.packageSize,
              static_cast<unsigned long long>(c.size),
              !h.multiPart && c.size != h.packageSize ? "  CORRUPTED: sizes differ" : "");
  if (h.multiPart) {
    std::printf("parts: %u (%s)\n", c.parts,
                c.partsChecked ? "sizes and SHA-256 digests match the part record"
                               : "no part record: not checked");
  }
  std::printf("attended: %d\nadministrator: %d\nnotice hidden: %d\nmulti-part: %d\n"
              "installer: %s\ncabinet scrambled: %d\ncabinet offset: %u\n",
              h.attended != 0, h.admin != 0, h.noticeHidden != 0, h.multiPart != 0,
              h.advanced ? "advanced (advpack)" : "basic (setupapi/setupx)",
              h.cabinetScrambled != 0, c.cabinetOffset);
  std::printf("title: %s\ninf: %s\nnotice: %s\nwelcome: %s\nlicence: %s\n", Quoted(c.title).c_str(),
              Quoted(c.infName).c_str(), Quoted(c.notice).c_str(), Quoted(c.welcome).c_str(),
              Quoted(c.licence).c_str());
  const CabListing listing = ListCabinet(c.cabinet);
  std::printf("files: %zu\n", listing.files.size());
  for (const CabListing::File& f : listing.files) {
    std::printf("  %10u  %04d-%02d-%02d %02d:%02d:%02d  %c%c%c%c  %s\n", f.length, f.year, f.month,
                f.day, f.hour, f.minute, f.second, f.attribs & 1 ? 'r' : '-',
                f.attribs & 2 ? 'h' : '-', f.attribs & 4 ? 's' : '-', f.attribs & 0x20 ? 'a' : '-',
                Quoted(f.name, (f.attribs & kNameIsUtf8) != 0).c_str());
  }
  return 0;
}

struct ExtractTarget {
  std::string dir;
  size_t count = 0;
};

void WriteExtracted(void* context, const CabListing::File& f, const std::vector<uint8_t>& data) {
  auto* t = static_cast<ExtractTarget*>(context);
  std::string name = f.name;
  for (char& c : name) c = c == '\\' ? '/' : c;
  const std::string path = t->dir + "/" + name;
  WriteFile(path, data);
  std::tm local{};
  local.tm_year = f.year - 1900;
  local.tm_mon = f.month - 1;
  local.tm_mday = f.day;
  local.tm_hour = f.hour;
  local.tm_min = f.minute;
  local.tm_sec = f.second;
  local.tm_isdst = -1;
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = std::mktime(&local);
  times[0].tv_nsec = times[1].tv_nsec = 0;
  utimensat(AT_FDCWD, path.c_str(), times, 0);
  if (f.attribs & 1) chmod(path.c_str(), 0444);
  std::printf("%s\n", Quoted(name, (f.attribs & kNameIsUtf8) != 0).c_str());
  ++t->count;
}

int Extract(const std::vector<std::string>& args) {
  if (args.size() != 2) throw UsageError("extract takes PACKAGE and DIR");
  const PackageContents c = ReadPackageFile(args[0]);
  if (!c.header.multiPart && c.size != c.header.packageSize) {
    throw std::runtime_error(
        "the package is corrupted: its size differs from the size in its header");
  }
  struct stat st;
  if (stat(args[1].c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    throw std::runtime_error("folder " + args[1] + " does not exist");
  }
  const CabListing listing = ListCabinet(c.cabinet);
  if (listing.spansCabinets) throw std::runtime_error("the cabinet continues in another cabinet");
  // Every name is checked before anything is written.
  for (const CabListing::File& f : listing.files) {
    if (setup::CheckCabinetName(f.name.c_str()) != setup::NameCheck::kOk) {
      throw std::runtime_error("the cabinet holds the unsafe file name " + Shown(f.name) +
                               "; nothing was extracted");
    }
  }
  ExtractTarget target{args[1]};
  ExtractCabinet(c.cabinet, WriteExtracted, &target);
  return 0;
}

}  // namespace
}  // namespace marrowby::setuppack

int main(int argc, char** argv) {
  using namespace marrowby::setuppack;
  std::setlocale(LC_CTYPE, "");
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(kOverview, stderr);
    return 2;
  }
  const std::string command = args[0];
  args.erase(args.begin());
  const auto wantsHelp = [&] {
    return std::find_if(args.begin(), args.end(), [](const std::string& a) {
             return a == "--help" || a == "-h";
           }) != args.end();
  };
  try {
    if (command == "--help" || command == "-h" || command == "help") {
      std::fputs(kOverview, stdout);
      for (const char* h : {kBuildHelp, kInfoHelp, kExtractHelp}) std::printf("%s\n", h);
      return 0;
    }
    if (command == "--version") {
      std::fputs(kVersion, stdout);
      return 0;
    }
    struct Command {
      const char* name;
      const char* help;
      int (*run)(const std::vector<std::string>&);
    };
    for (const Command& c : {Command{"build", kBuildHelp, Build}, Command{"info", kInfoHelp, Info},
                             Command{"extract", kExtractHelp, Extract}}) {
      if (command != c.name) continue;
      if (wantsHelp()) {
        std::fputs(c.help, stdout);
        return 0;
      }
      return c.run(args);
    }
    throw UsageError("unknown command " + command);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "setuppack: %s\n(setuppack %s--help lists every option)\n", e.what(),
                 command == "build" || command == "info" || command == "extract"
                     ? (command + " ").c_str()
                     : "");
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "setuppack: %s\n", e.what());
    return 1;
  }
}
