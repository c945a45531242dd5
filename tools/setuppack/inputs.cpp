#include "tools/setuppack/inputs.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <utility>

#include "setup/package_format.h"
#include "tools/setuppack/cp1252.h"
#include "tools/setuppack/files.h"
#include "tools/setuppack/parted_output.h"

namespace marrowby::setuppack {

namespace {

std::string Bytes(uint64_t n) { return std::to_string(n) + " bytes"; }

// A small input (stub, library), refused unread when it is larger than its
// place in the package.
std::vector<uint8_t> ReadLimited(const std::string& path, const std::string& what, uint64_t room) {
  const ByteSource file = ByteSource::OpenFile(path, what);
  if (file.Size() > room) {
    throw std::runtime_error(what + " " + path + " is " + Bytes(file.Size()) +
                             ", larger than the " + Bytes(room) + " of its place in the package");
  }
  return file.ReadAll();
}

std::string ReadText(const std::string& path, const std::string& what) {
  const std::vector<uint8_t> raw = ByteSource::OpenFile(path, what).ReadAll();
  return WindowsLineEnds(PackagerText(std::string(raw.begin(), raw.end()), what + " " + path));
}

std::string ReadNotice(const std::string& path) {
  const std::string notice = ReadText(path, "notice file");
  if (notice.size() > setup::kMaxShortText) {
    struct stat st;
    const uint64_t inFile = stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
    throw std::runtime_error("notice file " + path + " is " + Bytes(notice.size()) +
                             " as stored (" + Bytes(inFile) +
                             " in the file; line feeds are stored as CR LF and characters in "
                             "Windows-1252); at most " + Bytes(setup::kMaxShortText) +
                             " are allowed");
  }
  return notice;
}

// The DOS date and time a file is stored with: SOURCE_DATE_EPOCH in UTC
// when set, else its modification time in local time.
void StampFile(const struct stat& st, bool reproducible, int64_t epoch, CabinetFile* f) {
  std::tm t{};
  if (reproducible) {
    const time_t when = static_cast<time_t>(epoch);
    gmtime_r(&when, &t);
  } else {
    localtime_r(&st.st_mtime, &t);
  }
  f->date = DosDate(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
  f->time = DosTime(t.tm_hour, t.tm_min, t.tm_sec);
}

CabinetFile FileInFolder(const std::string& dir, const std::string& name, bool reproducible,
                         int64_t epoch) {
  const std::string path = dir + "/" + name;
  struct stat st;
  if (stat(path.c_str(), &st) != 0) throw std::runtime_error(SystemReason(path, "cannot be read"));
  if (S_ISDIR(st.st_mode)) {
    throw std::runtime_error(path + ": subfolders are not supported (setup extracts into one folder)");
  }
  if (!S_ISREG(st.st_mode)) throw std::runtime_error(path + ": is not a plain file");
  CabinetFile f;
  f.path = path;
  f.name = StoredName(name);
  f.size = static_cast<uint64_t>(st.st_size);
  f.modified = st.st_mtim.tv_sec * 1000000000ll + st.st_mtim.tv_nsec;
  f.attribs = kArchive | ((st.st_mode & S_IWUSR) ? 0 : kReadOnly);
  StampFile(st, reproducible, epoch, &f);
  return f;
}

std::vector<CabinetFile> FilesInFolder(const std::string& dir) {
  DIR* d = opendir(dir.c_str());
  if (!d) throw std::runtime_error(SystemReason("folder " + dir, "cannot be opened"));
  std::vector<std::string> names;
  while (const dirent* e = readdir(d)) {
    if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
  }
  closedir(d);
  if (names.empty()) throw std::runtime_error("folder " + dir + " holds no files");
  if (names.size() > kMaxCabinetFiles) {
    throw std::runtime_error("folder " + dir + " holds " + std::to_string(names.size()) +
                             " files; a cabinet holds at most " + std::to_string(kMaxCabinetFiles));
  }
  std::sort(names.begin(), names.end());
  int64_t epoch = 0;
  const bool reproducible = SourceDateEpoch(&epoch);
  std::vector<CabinetFile> files;
  for (const std::string& n : names) files.push_back(FileInFolder(dir, n, reproducible, epoch));
  return files;
}

}  // namespace

bool SourceDateEpoch(int64_t* seconds) {
  const char* value = std::getenv("SOURCE_DATE_EPOCH");
  if (!value || !*value) return false;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(value, &end, 10);
  if (*end || errno || v < 0 || !std::isdigit(static_cast<unsigned char>(value[0]))) {
    throw std::runtime_error(std::string("SOURCE_DATE_EPOCH must be a whole number of seconds "
                                         "since 1970-01-01 00:00 UTC, not \"") + value + "\"");
  }
  *seconds = v;
  return true;
}

BuildOptions GatherInputs(const BuildArgs& a) {
  BuildOptions o;
  o.stub = ReadLimited(a.stub, "stub", setup::kImageSize);
  if (!a.library.empty()) o.library = ReadLimited(a.library, "cabinet library", setup::kLibrarySize);
  o.title = PackagerText(a.title, "--title");
  o.infName = PackagerText(a.inf, "--inf");
  if (!a.welcomeFile.empty()) o.welcome = ReadText(a.welcomeFile, "welcome file");
  if (!a.licenceFile.empty()) o.licence = ReadText(a.licenceFile, "licence file");
  if (!a.noticeFile.empty()) o.notice = ReadNotice(a.noticeFile);
  o.attended = a.attended;
  o.admin = a.admin;
  o.noticeHidden = a.noticeHidden;
  o.advanced = a.advanced;
  o.scrambleCabinet = a.scramble;
  o.splitSize = a.split;
  o.compression = a.compress == "none" ? Compression::kNone : Compression::kMszip;
  if (!a.cab.empty()) {
    ByteSource::OpenFile(a.cab, "cabinet");  // says why it cannot be read, before anything else
    o.cabinetPath = a.cab;
  } else {
    o.files = FilesInFolder(a.dir);
  }
  return o;
}

void CheckOutputIsNoInput(const BuildArgs& a, const BuildOptions& o) {
  std::vector<std::pair<std::string, std::string>> inputs = {
      {a.stub, "the stub"},          {a.library, "the cabinet library"},
      {a.welcomeFile, "the welcome file"}, {a.licenceFile, "the licence file"},
      {a.noticeFile, "the notice file"},   {a.cab, "the cabinet"}};
  for (const CabinetFile& f : o.files) inputs.push_back({f.path, "a file to pack"});
  std::vector<std::pair<FileIdentity, std::string>> known;
  for (const auto& [path, what] : inputs) {
    FileIdentity id;
    if (!path.empty() && IdentityOf(path, &id)) known.push_back({id, what + " " + path});
  }
  // The parts of this package, or of an earlier one that the build removes.
  std::vector<std::string> outputs{a.output};
  try {
    outputs = PartNames(a.output, setup::kMaxParts);
  } catch (const std::runtime_error&) {
  }
  for (const std::string& out : outputs) {
    FileIdentity id;
    if (!IdentityOf(out, &id)) continue;
    for (const auto& [input, what] : known) {
      if (id == input) {
        throw std::runtime_error("the output " + out + " is " + what +
                                 "; the build would overwrite its own input");
      }
    }
  }
}

}  // namespace marrowby::setuppack
