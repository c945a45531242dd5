#include "store/ini_file.h"

#include "core/text.h"

namespace marrowby {

void TCustomIniFile::WriteInteger(const std::string& section, const std::string& key,
                                  int64_t value) {
  WriteString(section, key, std::to_string(value));
}

void TCustomIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TCustomIniFile::RaiseWriteError() const {
  throw EIniFileError(FormatMessage(msg::kUnableToWrite, {fileName_}));
}

std::string QuoteProfileValue(const std::string& value) {
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
    return "\"" + value + "\"";
  }
  return value;
}

// ---- TIniFile ---------------------------------------------------------------

TIniFile::TIniFile(std::string fileName, FileSystem& fs, std::string userFolder)
    : TCustomIniFile(std::move(fileName)), fs_(fs), userFolder_(std::move(userFolder)) {}

const std::string& TIniFile::Path() {
  Profile();
  return path_;
}

namespace {
uint64_t g_filesWritten = 0;
uint64_t g_readsFailed = 0;
}

// Reads the file on first use: the per-user copy when there is one, else the
// file where the platform keeps it. A file that exists but cannot be read is
// never overwritten (it would lose everything this store does not write).
ProfileFile& TIniFile::Profile() {
  if (loaded_) return profile_;
  loaded_ = true;
  location_ = LocateProfile(fs_, FileName(), userFolder_);
  std::string data;
  FileStatus status = FileStatus::NotFound;
  if (!location_.fallback.empty()) {
    status = fs_.Read(location_.fallback, &data);
    if (status != FileStatus::NotFound) path_ = location_.fallback;
  }
  if (path_.empty()) {
    path_ = location_.primary;
    status = fs_.Read(path_, &data);
  }
  if (status == FileStatus::Ok) {
    profile_.Load(data);
  } else if (status != FileStatus::NotFound) {
    readFailed_ = true;
    ++g_readsFailed;
    profile_.SetUnreadable();
  }
  return profile_;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) {
  return Profile().HasValue(section, key);
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) {
  return Profile().GetString(section, key, def);
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
  Profile().WriteString(section, key, QuoteProfileValue(value));
}

void TIniFile::EraseSection(const std::string& section) { Profile().EraseSection(section); }

void TIniFile::UpdateFile() {
  if (!loaded_ || !profile_.Modified()) return;
  if (readFailed_) RaiseWriteError();
  std::string bytes = profile_.Bytes();
  FileStatus status = fs_.Replace(path_, bytes);
  if (status == FileStatus::AccessDenied && path_ == location_.primary &&
      !location_.fallback.empty()) {
    // The Windows directory refuses this user (a standard user since
    // Windows Vista): keep the settings in the per-user folder instead.
    fs_.MakeDirectory(location_.fallbackDir);
    status = fs_.Replace(location_.fallback, bytes);
    if (status == FileStatus::Ok) path_ = location_.fallback;
  }
  if (status != FileStatus::Ok) RaiseWriteError();
  profile_.MarkSaved(std::move(bytes));
  ++g_filesWritten;
}

uint64_t TIniFile::FilesWritten() { return g_filesWritten; }

uint64_t TIniFile::ReadsFailed() { return g_readsFailed; }

// ---- TMemoryIniFile -----------------------------------------------------------

TMemoryIniFile::Values& TMemoryIniFile::All() {
  static Values values;
  return values;
}

bool TMemoryIniFile::ValueExists(const std::string& section, const std::string& key) {
  auto& file = All()[UpperCase(FileName())];
  auto s = file.find(UpperCase(section));
  return s != file.end() && s->second.count(UpperCase(key)) != 0;
}

std::string TMemoryIniFile::ReadString(const std::string& section, const std::string& key,
                                       const std::string& def) {
  auto& file = All()[UpperCase(FileName())];
  auto s = file.find(UpperCase(section));
  if (s == file.end()) return def;
  auto k = s->second.find(UpperCase(key));
  return k == s->second.end() ? def : k->second;
}

void TMemoryIniFile::WriteString(const std::string& section, const std::string& key,
                                 const std::string& value) {
  All()[UpperCase(FileName())][UpperCase(section)][UpperCase(key)] = value;
}

void TMemoryIniFile::EraseSection(const std::string& section) {
  All()[UpperCase(FileName())].erase(UpperCase(section));
}

}  // namespace marrowby
