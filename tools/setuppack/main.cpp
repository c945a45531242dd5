// setuppack: builds setup packages around setupstub.exe, and shows or
// extracts what a package holds.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

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
#include "tools/setuppack/package.h"

namespace marrowby::setuppack {
namespace {

const char kUsage[] =
    "usage:\n"
    "  setuppack build -o OUT.exe --stub STUB.exe --inf NAME.inf\n"
    "                  (--cab FILE.cab | --dir DIR [--compress none|mszip]) [options]\n"
    "  setuppack info PACKAGE\n"
    "  setuppack extract PACKAGE DIR\n"
    "  setuppack --help\n"
    "  setuppack --version\n"
    "\n"
    "build writes a self-extracting setup package: the stub, a copy of the cabinet\n"
    "library, the package header and texts, and a cabinet with the files to install.\n"
    "\n"
    "  -o, --output OUT.exe     the package to write (with --split, also its parts)\n"
    "  --stub STUB.exe          setupstub.exe; at most 28672 bytes\n"
    "  --inf NAME.inf           the INF file (name only) inside the cabinet that the\n"
    "                           system's INF installer runs; must be in the cabinet\n"
    "  --cab FILE.cab           a ready-made single cabinet (makecab, gcab, ...)\n"
    "  --dir DIR                make the cabinet from the files directly in DIR\n"
    "                           (no subfolders: setup extracts into one folder)\n"
    "  --compress none|mszip    compression for --dir (default mszip)\n"
    "  --title TEXT             caption of the setup dialog (at most 255 bytes;\n"
    "                           default \"Self-extracting Archive\")\n"
    "  --welcome-file F         text shown in the dialog before installing; without\n"
    "                           it a default text is shown, and an unattended package\n"
    "                           installs at once\n"
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
    "  --split BYTES            split into parts of at most BYTES bytes: OUT.exe,\n"
    "                           then OUT with its last three characters replaced by\n"
    "                           001, 002, ... (the first part also holds the texts)\n"
    "  --cabinet-library FILE   Cabinet.dll to carry (at most 40960 bytes), placed in\n"
    "                           the system folder when it has none; without it the\n"
    "                           area is zero-filled and never placed\n"
    "\n"
    "Texts are stored as given (8-bit), with line feeds turned into CR LF.\n"
    "\n"
    "info prints the header fields, the texts (unscrambled) and the cabinet's files.\n"
    "extract writes the cabinet's files into DIR (which must exist), refusing names\n"
    "that would leave it, as setup does.\n";

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::vector<uint8_t> ReadFile(const std::string& path, const char* what) {
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
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error(path + ": cannot be written");
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
  const std::vector<std::string> names = PartNames(out, parts.size());
  for (size_t i = 0; i < parts.size(); ++i) WriteFile(names[i], parts[i]);
  return 0;
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '"' || c == '\\') out += std::string("\\") + c;
    else out += c;
  }
  return out + "\"";
}

int Info(const std::vector<std::string>& args) {
  if (args.size() != 1) throw UsageError("info takes one PACKAGE");
  const PackageContents c = ReadPackageFile(args[0]);
  const setup::PackageHeader& h = c.header;
  std::printf("package: %s\n", args[0].c_str());
  std::printf("package size: %u (read %llu)%s\n", h.packageSize,
              static_cast<unsigned long long>(c.size),
              !h.multiPart && c.size != h.packageSize ? "  CORRUPTED: sizes differ" : "");
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
                f.name.c_str());
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
  std::printf("%s\n", name.c_str());
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
      throw std::runtime_error("the cabinet holds the unsafe file name \"" + f.name +
                               "\"; nothing was extracted");
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
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string command = args[0];
  args.erase(args.begin());
  try {
    if (command == "--help" || command == "-h" || command == "help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (command == "--version") {
      std::printf("setuppack %s\n", MARROWBY_VERSION_TEXT);
      return 0;
    }
    if (command == "build") return Build(args);
    if (command == "info") return Info(args);
    if (command == "extract") return Extract(args);
    throw UsageError("unknown command " + command);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "setuppack: %s\n(setuppack --help lists every option)\n", e.what());
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "setuppack: %s\n", e.what());
    return 1;
  }
}
