#include "store/registry_win32.h"

#include <vector>

namespace marrowby {

namespace {

class Key {
 public:
  Key() = default;
  ~Key() {
    if (h_) RegCloseKey(h_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY* Out() { return &h_; }
  HKEY Get() const { return h_; }

 private:
  HKEY h_ = nullptr;
};

// Deletes a key with all its subkeys, one level at a time (RegDeleteTree is
// Vista's; Windows XP deletes only keys without subkeys).
LONG DeleteKeyTree(HKEY root, const std::string& path) {
  {
    Key k;
    const LONG r = RegOpenKeyExA(root, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, k.Out());
    if (r != ERROR_SUCCESS) return r;
    char name[256];
    DWORD size = sizeof(name);
    // Always the first subkey: each is gone before the next look.
    while (RegEnumKeyExA(k.Get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS) {
      const LONG sub = DeleteKeyTree(root, path + "\\" + name);
      if (sub != ERROR_SUCCESS) return sub;
      size = sizeof(name);
    }
  }
  return RegDeleteKeyA(root, path.c_str());
}

}  // namespace

std::string TRegistryIniFile::SubKey(const std::string& section) const {
  return section.empty() ? FileName() : FileName() + "\\" + section;
}

bool TRegistryIniFile::Query(const std::string& section, const std::string& key,
                             std::string* value) {
  Key k;
  if (RegOpenKeyExA(root_, SubKey(section).c_str(), 0, KEY_QUERY_VALUE, k.Out()) != ERROR_SUCCESS) {
    return false;
  }
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(k.Get(), key.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return false;
  }
  if (type == REG_DWORD) {
    DWORD v = 0;
    size = sizeof(v);
    if (RegQueryValueExA(k.Get(), key.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&v), &size) !=
        ERROR_SUCCESS) {
      return false;
    }
    *value = std::to_string(static_cast<int32_t>(v));
    return true;
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  // The value may grow between the two calls; ask again until it fits.
  std::vector<char> buf(size + 1);
  for (;;) {
    size = static_cast<DWORD>(buf.size());
    const LONG r = RegQueryValueExA(k.Get(), key.c_str(), nullptr, &type,
                                    reinterpret_cast<BYTE*>(buf.data()), &size);
    if (r == ERROR_MORE_DATA) {
      buf.resize(size + 1);
      continue;
    }
    if (r != ERROR_SUCCESS) return false;
    break;
  }
  std::string s(buf.data(), size <= buf.size() ? size : buf.size());
  while (!s.empty() && s.back() == '\0') s.pop_back();
  *value = s;
  return true;
}

bool TRegistryIniFile::ValueExists(const std::string& section, const std::string& key) {
  std::string v;
  return Query(section, key, &v);
}

std::string TRegistryIniFile::ReadString(const std::string& section, const std::string& key,
                                         const std::string& def) {
  std::string v;
  return Query(section, key, &v) ? v : def;
}

void TRegistryIniFile::WriteString(const std::string& section, const std::string& key,
                                   const std::string& value) {
  Key k;
  if (RegCreateKeyExA(root_, SubKey(section).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.Out(),
                      nullptr) != ERROR_SUCCESS ||
      RegSetValueExA(k.Get(), key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS) {
    RaiseWriteError();
  }
}

void TRegistryIniFile::EraseSection(const std::string& section) {
  const std::string path = SubKey(section);
  const LONG r = DeleteKeyTree(root_, path);
  if (r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND) return;
  RaiseWriteError();
}

}  // namespace marrowby
