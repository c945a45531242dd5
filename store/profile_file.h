// A profile (INI) file held in memory with the reading and writing rules of
// the Windows profile functions. A save of the settings store writes about a
// thousand keys; through the platform's functions every key re-reads and
// rewrites the whole file. Here the file is parsed once, every write is
// applied in memory exactly as GetPrivateProfileStringA and
// WritePrivateProfileStringA would apply it to the file on disk, and the
// result is written once by the caller (see ini_file.h).
//
// The rules (those of the platform as it runs here):
// - Lines end at any run of CR and LF; blanks (profile_text.h) around a line
//   are ignored and blank lines dropped. "[name]" starts a section (up to the
//   last "]"); other lines are keys, split at the first "=" with the blanks
//   around it removed; a line without "=" is a key without a value. Lines
//   before the first section belong to a nameless section.
// - Names compare without regard to ASCII case, after removing blanks around
//   the name asked for; the first matching section and in it the first
//   matching key count.
// - A write strips the blanks in front of the value; an unchanged value does
//   not touch the file. A new key goes to the end of its section, a new
//   section to the end of the file; the file is written back with CR LF line
//   ends, without blank lines, in the encoding it was read in.
// - Each call of the platform's functions reads the file afresh, so what one
//   write put into the file is seen by the next one as the parser reads it
//   back (trailing blanks of a value gone, a value with a line break split
//   into two lines, ...). The model here reproduces that.
// - A read returns at most bufferSize - 1 characters, with one pair of
//   matching enclosing quotes removed (also from the default).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "store/profile_text.h"

namespace marrowby {

class ProfileFile {
 public:
  ProfileFile() { Load(std::string()); }
  explicit ProfileFile(const std::string& bytes) { Load(bytes); }

  // Replaces the contents with the file's bytes (empty: no file).
  void Load(const std::string& bytes);
  // The file could not be read: every read returns its default as the
  // platform does then (without removing quotes).
  void SetUnreadable() { unreadable_ = true; }
  bool Unreadable() const { return unreadable_; }

  // The bytes Bytes() gave are now the file on disk: they count as loaded.
  void MarkSaved(std::string bytes);
  // True when a write or erase has changed the file since it was loaded.
  bool Modified() const { return modified_; }
  // The bytes of the file as the writes so far have left it.
  std::string Bytes() const;
  ProfileEncoding Encoding() const { return encoding_; }

  static constexpr size_t kReadBuffer = 1024;
  // GetPrivateProfileStringA(section, key, def, buffer, bufferSize).
  std::string GetString(const std::string& section, const std::string& key,
                        const std::string& def, size_t bufferSize = kReadBuffer) const;
  // Whether the key exists with a value (a read would not return the default).
  bool HasValue(const std::string& section, const std::string& key) const;

  // WritePrivateProfileStringA(section, key, value).
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  // WritePrivateProfileStringA(section, key, NULL).
  void DeleteKey(const std::string& section, const std::string& key);
  // WritePrivateProfileStringA(section, NULL, NULL).
  void EraseSection(const std::string& section);

 private:
  struct Key {
    std::string name;
    std::string value;
    bool hasValue = false;
  };
  struct Section {
    std::string name;
    std::vector<Key> keys;
    std::unordered_map<std::string, uint32_t> index;  // folded name -> first key
    void Reindex();
    void AddKey(Key key);
  };
  // What the file holds beyond the parsed model after the last change: the
  // strings exactly as written (the model holds them as the next read sees
  // them), or the whole file when the change was not a simple one.
  struct Pending {
    int section = -1;
    bool rawSection = false;
    std::string sectionName;
    int key = -1;
    bool rawKey = false;
    std::string keyName;
    bool rawValue = false;
    std::string value;
    int droppedAt = -1;  // a line the parser drops, written before key droppedAt
    Key dropped;
    bool verbatim = false;
    std::string bytes;
  };

  bool LoadSectionHeader(const std::string& text, size_t b, size_t e);
  void LoadKeyLine(const std::string& text, size_t b, size_t e, const Key** prev);
  bool ReadsBackTrimmed(int s, int k, const std::string& secRaw, const std::string& keyRaw,
                        const std::string& valRaw) const;
  void WriteInPlace(int s, int k, const std::string* newSectionRaw, const std::string& keyRaw,
                    const std::string& valRaw);
  std::string In(const std::string& ansi) const;
  std::string Out(const std::string& text) const;
  std::string CopyEntry(const std::string& value, size_t len) const;
  int FindSection(const std::string& trimmedName) const;
  const Key* FindKey(const std::string& section, const std::string& key) const;
  void AddSection(std::string name);
  void ReindexSections();
  void Changed();
  void Reparse();
  bool SerializesEmpty() const;
  bool StartsWithByteOrderMark() const;
  void Settle();
  std::string Serialize() const;

  std::vector<Section> sections_;  // [0]: the keys before the first section
  std::unordered_map<std::string, uint32_t> sectionIndex_;  // folded name -> first
  ProfileEncoding encoding_ = ProfileEncoding::Ansi;
  std::string original_;
  Pending pending_;
  bool fileHasText_ = false;  // the parser saw at least one byte
  bool irregular_ = false;    // parsed model differs from a reparse of its own output
  bool modified_ = false;
  bool unreadable_ = false;
};

}  // namespace marrowby
