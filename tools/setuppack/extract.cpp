// setuppack extract: the package's files written into a folder as setup
// would extract them, the folder made as cabextract -d and 7z -o make it,
// and no file overwritten without --force.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <memory>
#include <stdexcept>

#include "tools/setuppack/commands.h"
#include "tools/setuppack/cp1252.h"
#include "tools/setuppack/files.h"
#include "tools/setuppack/options.h"
#include "tools/setuppack/package.h"
#include "tools/setuppack/package_names.h"
#include "tools/setuppack/terminal_text.h"

namespace marrowby::setuppack {

namespace {

// The name a cabinet file gets on this system, in UTF-8.
std::string LocalName(const CabListing::File& f) {
  return (f.attribs & kNameIsUtf8) ? f.name : Cp1252ToUtf8(f.name);
}

// Makes the folder and its missing parents.
void MakeFolder(const std::string& dir) {
  for (size_t at = dir.find('/', 1);; at = dir.find('/', at + 1)) {
    const std::string prefix = dir.substr(0, at);
    if (!prefix.empty() && mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) {
      throw std::runtime_error(SystemReason("folder " + prefix, "cannot be made"));
    }
    if (at == std::string::npos) break;
  }
  struct stat st;
  if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    throw std::runtime_error(dir + ": is not a folder");
  }
}

void RefuseExisting(const std::string& dir, const CabListing& listing) {
  std::vector<std::string> found;
  for (const CabListing::File& f : listing.files) {
    struct stat st;
    const std::string path = dir + "/" + LocalName(f);
    if (lstat(path.c_str(), &st) == 0) found.push_back(path);
  }
  if (found.empty()) return;
  std::string more = found.size() > 1 ? " (and " + std::to_string(found.size() - 1) + " more)" : "";
  throw std::runtime_error(Shown(found[0], true) + " exists" + more +
                           "; nothing was extracted (--force overwrites)");
}

class FolderSink : public ExtractSink {
 public:
  FolderSink(std::string dir, bool force) : dir_(std::move(dir)), force_(force) {}

  void Begin(const CabListing::File& f) override {
    file_ = std::make_unique<TemporaryFile>(dir_ + "/" + LocalName(f));
    at_ = 0;
  }
  void Write(const uint8_t* data, size_t n) override {
    file_->WriteAt(at_, data, n);
    at_ += n;
  }
  void End(const CabListing::File& f) override {
    file_->Close();
    SetTimeAndMode(file_->Path(), f);
    if (force_) {
      CommitAll({file_.get()});
    } else if (link(file_->Path().c_str(), file_->Target().c_str()) != 0) {
      // Made meanwhile by someone else: never overwritten without --force.
      throw std::runtime_error(SystemReason(file_->Target(), "cannot be created"));
    }
    std::printf("%s\n", Shown(LocalName(f), true).c_str());
    file_.reset();
  }

 private:
  static void SetTimeAndMode(const std::string& path, const CabListing::File& f) {
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
    if (f.attribs & kReadOnly) chmod(path.c_str(), 0444);
  }

  std::string dir_;
  bool force_;
  std::unique_ptr<TemporaryFile> file_;
  uint64_t at_ = 0;
};

}  // namespace

int RunExtract(int argc, char** argv) {
  PackageArgs a;
  if (!PackageCommandArgs(argc, argv, 2, true, &a)) return 0;
  const PackageContents c = ReadSoundPackage(a.operands[0]);
  const CabListing listing = ListCabinet(c.cabinet);
  if (listing.spansCabinets) throw std::runtime_error("the cabinet continues in another cabinet");
  // Every name is checked before anything is written.
  try {
    CheckListedNames(listing, nullptr, false);
  } catch (const std::runtime_error& e) {
    throw std::runtime_error(std::string(e.what()) + "; nothing was extracted");
  }
  const std::string& dir = a.operands[1];
  MakeFolder(dir);
  if (!a.force) RefuseExisting(dir, listing);
  FolderSink sink(dir, a.force);
  ExtractCabinet(c.cabinet, sink);
  return 0;
}

}  // namespace marrowby::setuppack
