// The registry variant of the settings store: under the current user's key
// (for instance "Software\schedmgr"), each section a subkey, each key a
// string value. Every write goes to the registry at once.
#pragma once

#include <windows.h>

#include "store/ini_file.h"

namespace marrowby {

class TRegistryIniFile : public TCustomIniFile {
 public:
  explicit TRegistryIniFile(std::string keyPath, HKEY root = HKEY_CURRENT_USER)
      : TCustomIniFile(std::move(keyPath)), root_(root) {}

  bool ValueExists(const std::string& section, const std::string& key) override;
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) override;
  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override;
  // Deletes the section's subkey.
  void EraseSection(const std::string& section) override;

 private:
  std::string SubKey(const std::string& section) const;
  bool Query(const std::string& section, const std::string& key, std::string* value);

  HKEY root_;
};

}  // namespace marrowby
