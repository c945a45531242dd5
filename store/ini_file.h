// The settings store's access to its backing: sections of named string
// values, read and written by name, sections erased whole. One object serves
// one save or one restore.
//
// TIniFile keeps them in a profile file: it reads the file once, applies the
// writes in memory by the rules of the platform's profile functions
// (profile_file.h) and, on UpdateFile, replaces the file in one step, so a
// failed or interrupted save leaves the old file whole. When the Windows
// directory refuses the write, the file goes to the per-user folder instead,
// and is read from there first from then on.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "core/errors.h"
#include "core/file_system.h"
#include "store/profile_file.h"
#include "store/profile_location.h"

namespace marrowby {

namespace msg {
inline constexpr const char kUnableToWrite[] = "Unable to write to %s";
}

// A failed write of the settings; Message() names the file as the store holds it.
class EIniFileError : public Exception {
 public:
  using Exception::Exception;
};

class TCustomIniFile {
 public:
  explicit TCustomIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
  virtual ~TCustomIniFile() = default;
  TCustomIniFile(const TCustomIniFile&) = delete;
  TCustomIniFile& operator=(const TCustomIniFile&) = delete;

  const std::string& FileName() const { return fileName_; }

  // Whether the key holds a value, so that a read would not give the default.
  virtual bool ValueExists(const std::string& section, const std::string& key) = 0;
  virtual std::string ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) = 0;
  virtual void WriteString(const std::string& section, const std::string& key,
                           const std::string& value) = 0;
  virtual void EraseSection(const std::string& section) = 0;
  // Makes the writes so far permanent. Raises "Unable to write to %s".
  virtual void UpdateFile() {}

  void WriteInteger(const std::string& section, const std::string& key, int64_t value);
  void WriteBool(const std::string& section, const std::string& key, bool value);

 protected:
  [[noreturn]] void RaiseWriteError() const;

 private:
  std::string fileName_;
};

// The quote rule of the profile file: a value that begins and ends with the
// same quote character (" or ') gets one more pair of double quotes, which
// the profile reader removes again, so the value comes back unchanged.
std::string QuoteProfileValue(const std::string& value);

class TIniFile : public TCustomIniFile {
 public:
  // userFolder: the program's folder under the user's data folder that takes
  // the file when the Windows directory refuses it (profile_location.h);
  // empty: none.
  TIniFile(std::string fileName, FileSystem& fs, std::string userFolder);

  bool ValueExists(const std::string& section, const std::string& key) override;
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) override;
  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override;
  void EraseSection(const std::string& section) override;
  void UpdateFile() override;
  // Profile files replaced so far by any TIniFile of the process: a save
  // that wrote nothing (no value changed) leaves it as it was.
  static uint64_t FilesWritten();
  // Profile files that existed but could not be read, counted over every
  // TIniFile of the process: what was restored from such a read is not what
  // the file holds.
  static uint64_t ReadsFailed();

  // The file that was read, and where the last UpdateFile wrote.
  const std::string& Path();

 private:
  ProfileFile& Profile();

  FileSystem& fs_;
  std::string userFolder_;
  ProfileLocation location_;
  ProfileFile profile_;
  std::string path_;
  bool loaded_ = false;
  bool readFailed_ = false;
};

// Sections of values kept in memory for the life of the process, under a
// name: the registry variant where there is no registry (tests, native builds).
class TMemoryIniFile : public TCustomIniFile {
 public:
  explicit TMemoryIniFile(std::string name) : TCustomIniFile(std::move(name)) {}

  bool ValueExists(const std::string& section, const std::string& key) override;
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) override;
  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override;
  void EraseSection(const std::string& section) override;

  // All stores of the process: name -> section -> key -> value (names folded).
  using Values = std::map<std::string, std::map<std::string, std::map<std::string, std::string>>>;
  static Values& All();
};

}  // namespace marrowby
