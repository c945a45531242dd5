#include "store/profile_file.h"

#include <utility>

namespace marrowby {

namespace {

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

// The platform's strings end at the first NUL.
std::string UpToNul(const std::string& s) {
  const size_t nul = s.find('\0');
  return nul == std::string::npos ? s : s.substr(0, nul);
}

bool SpaceAt(const std::string& text, size_t k) {
  return IsProfileSpace(static_cast<unsigned char>(text[k]));
}

// Narrows [*b, *e) of text to leave out the blanks at either end.
void TrimSpan(const std::string& text, size_t* b, size_t* e) {
  while (*b < *e && SpaceAt(text, *b)) ++*b;
  while (*e > *b && SpaceAt(text, *e - 1)) --*e;
}

}  // namespace

void ProfileFile::Section::Reindex() {
  index.clear();
  for (size_t i = 0; i < keys.size(); ++i) {
    index.emplace(FoldProfileName(keys[i].name), static_cast<uint32_t>(i));
  }
}

void ProfileFile::Section::AddKey(Key key) {
  index.emplace(FoldProfileName(key.name), static_cast<uint32_t>(keys.size()));
  keys.push_back(std::move(key));
}

void ProfileFile::AddSection(std::string name) {
  // A second section without a name is never found by name: lookups of ""
  // go to the nameless section in front.
  if (!name.empty()) {
    sectionIndex_.emplace(FoldProfileName(name), static_cast<uint32_t>(sections_.size()));
  }
  sections_.push_back(Section{std::move(name), {}, {}});
}

void ProfileFile::ReindexSections() {
  sectionIndex_.clear();
  for (size_t i = 1; i < sections_.size(); ++i) {
    if (!sections_[i].name.empty()) {
      sectionIndex_.emplace(FoldProfileName(sections_[i].name), static_cast<uint32_t>(i));
    }
  }
}

void ProfileFile::Load(const std::string& bytes) {
  original_ = bytes;
  pending_ = Pending();
  modified_ = false;
  irregular_ = false;
  fileHasText_ = !bytes.empty();
  sections_.clear();
  sectionIndex_.clear();
  sections_.push_back(Section());

  const std::string text = DecodeProfileText(bytes, &encoding_);
  const Key* prev = nullptr;
  size_t pos = 0;
  const size_t n = text.size();
  while (pos < n) {
    size_t b = pos;
    while (pos < n && text[pos] != '\n' && text[pos] != '\r') ++pos;
    size_t e = pos;
    while (pos < n && (text[pos] == '\n' || text[pos] == '\r')) ++pos;
    TrimSpan(text, &b, &e);
    if (b >= e) continue;
    if (LoadSectionHeader(text, b, e)) {
      prev = nullptr;
    } else {
      LoadKeyLine(text, b, e, &prev);
    }
  }
}

// A line "[name]" (up to the last "]") starts a section; a "[" without a "]"
// is a key line.
bool ProfileFile::LoadSectionHeader(const std::string& text, size_t b, size_t e) {
  if (text[b] != '[') return false;
  size_t close = e;
  while (close > b && text[close - 1] != ']') --close;
  if (close <= b) return false;
  size_t nb = b + 1, ne = close - 1;
  TrimSpan(text, &nb, &ne);
  std::string name = text.substr(nb, ne - nb);
  // A section without a name ("[]") is written back without its header, so
  // its keys join the section before it at the next change; a name cut at a
  // NUL may end in blanks.
  if (name.find('\0') != std::string::npos) {
    irregular_ = true;
    name = UpToNul(name);
  }
  if (name.empty()) irregular_ = true;
  AddSection(std::move(name));
  return true;
}

// A key line of the last section: split at the first "=" with the blanks
// around it removed; without "=" a key without a value. *prev is the key
// the line before added.
void ProfileFile::LoadKeyLine(const std::string& text, size_t b, size_t e, const Key** prev) {
  Key key;
  size_t eq = b;
  while (eq < e && text[eq] != '=') ++eq;
  if (eq < e) {
    size_t ne = eq, vb = eq + 1;
    TrimSpan(text, &b, &ne);
    TrimSpan(text, &vb, &e);
    key.name = text.substr(b, ne - b);
    key.value = text.substr(vb, e - vb);
    key.hasValue = true;
  } else {
    key.name = text.substr(b, e - b);
  }
  // Of two lines in a row without a name the second is dropped. Names and
  // values end at a NUL, as the platform's strings do (the line's length
  // still counts for the first test).
  const bool named = !key.name.empty();
  if (key.name.find('\0') != std::string::npos || key.value.find('\0') != std::string::npos) {
    // Cut at a NUL, a name or value may end in blanks or be empty, which
    // a rewrite and read back would not keep.
    irregular_ = true;
    key.name = UpToNul(key.name);
    key.value = UpToNul(key.value);
  }
  if (named || !*prev || !(*prev)->name.empty()) {
    Section& section = sections_.back();
    section.AddKey(std::move(key));
    *prev = &section.keys.back();
  }
}

std::string ProfileFile::In(const std::string& ansi) const {
  const std::string s = UpToNul(ansi);
  return encoding_ == ProfileEncoding::Ansi ? s : AnsiToUtf8(s);
}

std::string ProfileFile::Out(const std::string& text) const {
  return encoding_ == ProfileEncoding::Ansi ? text : Utf8ToAnsi(text);
}

int ProfileFile::FindSection(const std::string& trimmedName) const {
  if (trimmedName.empty()) return 0;
  auto it = sectionIndex_.find(FoldProfileName(trimmedName));
  return it == sectionIndex_.end() ? -1 : static_cast<int>(it->second);
}

const ProfileFile::Key* ProfileFile::FindKey(const std::string& section,
                                             const std::string& key) const {
  const int s = FindSection(TrimProfile(In(section)));
  if (s < 0) return nullptr;
  const Section& sec = sections_[static_cast<size_t>(s)];
  auto it = sec.index.find(FoldProfileName(TrimProfile(In(key))));
  return it == sec.index.end() ? nullptr : &sec.keys[it->second];
}

// Copies a value into a buffer of len characters: at most len - 1 of them,
// without one pair of matching enclosing quotes. When the value does not fit,
// the closing quote is cut off with the rest, and when it fits only just, the
// last character goes instead of the quote, as the platform does it.
std::string ProfileFile::CopyEntry(const std::string& value, size_t len) const {
  if (len == 0) return std::string();
  std::string v = value;
  bool quoted = false;
  if (v.size() >= 2 && (v[0] == '\'' || v[0] == '"') && v.back() == v[0]) {
    quoted = true;
    v.erase(0, 1);
  }
  const bool ansi = encoding_ == ProfileEncoding::Ansi;
  const size_t units = ansi ? v.size() : Utf16Length(v);
  std::string out = ansi ? v.substr(0, len - 1) : Utf16Prefix(v, len - 1);
  if (quoted && len >= units && !out.empty()) {
    out = ansi ? out.substr(0, out.size() - 1) : Utf16Prefix(out, Utf16Length(out) - 1);
  }
  return out;
}

std::string ProfileFile::GetString(const std::string& section, const std::string& key,
                                   const std::string& def, size_t bufferSize) const {
  if (bufferSize == 0) return std::string();
  // Trailing spaces (spaces only) of the default go, but never its first character.
  std::string d = UpToNul(def);
  size_t keep = d.size();
  while (keep > 1 && d[keep - 1] == ' ') --keep;
  d.resize(keep);
  if (unreadable_) return d.substr(0, bufferSize - 1);
  const Key* k = FindKey(section, key);
  return Out(CopyEntry(k && k->hasValue ? k->value : In(d), bufferSize));
}

bool ProfileFile::HasValue(const std::string& section, const std::string& key) const {
  if (unreadable_) return false;
  const Key* k = FindKey(section, key);
  return k && k->hasValue;
}

void ProfileFile::WriteString(const std::string& section, const std::string& key,
                              const std::string& value) {
  const std::string secRaw = TrimProfileLeft(In(section));
  const std::string keyRaw = TrimProfileLeft(In(key));
  const std::string valRaw = TrimProfileLeft(In(value));
  int s = FindSection(TrimProfileRight(secRaw));
  int k = -1;
  if (s >= 0) {
    const Section& sec = sections_[static_cast<size_t>(s)];
    auto it = sec.index.find(FoldProfileName(TrimProfileRight(keyRaw)));
    if (it != sec.index.end()) {
      k = static_cast<int>(it->second);
      const Key& old = sec.keys[it->second];
      if (old.hasValue && old.value == valRaw) return;  // no change: the file stays as it is
    }
  }
  Changed();
  const bool newSection = s < 0;
  const bool simple = ReadsBackTrimmed(s, k, secRaw, keyRaw, valRaw);
  if (newSection) {
    AddSection(simple ? TrimProfileRight(secRaw) : secRaw);
    s = static_cast<int>(sections_.size() - 1);
  }
  if (simple) {
    WriteInPlace(s, k, newSection ? &secRaw : nullptr, keyRaw, valRaw);
    return;
  }
  // Write the file and read it back.
  Section& sec = sections_[static_cast<size_t>(s)];
  if (k < 0) {
    sec.AddKey(Key{keyRaw, valRaw, true});
  } else {
    sec.keys[static_cast<size_t>(k)].value = valRaw;
    sec.keys[static_cast<size_t>(k)].hasValue = true;
  }
  Reparse();
}

// Whether the parser reads the written line back as the model holds it,
// trimmed. It does not for a line break in the value, in a new section's name
// or in a new key's name, a "=" in a new key's name, or a key name starting
// with "[" (its line turns into a section header once it holds a "]").
bool ProfileFile::ReadsBackTrimmed(int s, int k, const std::string& secRaw,
                                   const std::string& keyRaw, const std::string& valRaw) const {
  const bool newSection = s < 0;
  const bool newKey = k < 0;
  const std::string& lineName =
      newKey ? keyRaw : sections_[static_cast<size_t>(s)].keys[static_cast<size_t>(k)].name;
  return !irregular_ && !HasLineBreak(valRaw) && !(newSection && HasLineBreak(secRaw)) &&
         !(newKey && (HasLineBreak(keyRaw) || keyRaw.find('=') != std::string::npos)) &&
         !(!lineName.empty() && lineName[0] == '[');
}

// A simple write to key k of section s (k < 0: a new key at its end): the
// model takes the trimmed strings, the pending record what the file holds
// beyond them. newSectionRaw: the section's name as written, when it is new.
void ProfileFile::WriteInPlace(int s, int k, const std::string* newSectionRaw,
                               const std::string& keyRaw, const std::string& valRaw) {
  Section& sec = sections_[static_cast<size_t>(s)];
  pending_.section = s;
  if (newSectionRaw && *newSectionRaw != sec.name) {
    pending_.rawSection = true;
    pending_.sectionName = *newSectionRaw;
  }
  const bool newKey = k < 0;
  Key written{TrimProfileRight(keyRaw), TrimProfileRight(valRaw), true};
  if (newKey) {
    if (written.name.empty() && !sec.keys.empty() && sec.keys.back().name.empty()) {
      // Written, but a second nameless line in a row: the next read drops it.
      pending_.droppedAt = static_cast<int>(sec.keys.size());
      pending_.dropped = Key{keyRaw, valRaw, true};
      Settle();
      return;
    }
    k = static_cast<int>(sec.keys.size());
    sec.AddKey(std::move(written));
  } else {
    sec.keys[static_cast<size_t>(k)] = Key{sec.keys[static_cast<size_t>(k)].name, written.value, true};
  }
  pending_.key = k;
  const Key& stored = sec.keys[static_cast<size_t>(k)];
  if (newKey && keyRaw != stored.name) {
    pending_.rawKey = true;
    pending_.keyName = keyRaw;
  }
  if (valRaw != stored.value) {
    pending_.rawValue = true;
    pending_.value = valRaw;
  }
  Settle();
}

void ProfileFile::DeleteKey(const std::string& section, const std::string& key) {
  const std::string sec = In(section);
  const std::string folded = FoldProfileName(In(key));
  for (size_t s = 0; s < sections_.size(); ++s) {
    Section& cur = sections_[s];
    if (!SameProfileName(cur.name, sec)) continue;
    auto it = cur.index.find(folded);
    if (it == cur.index.end()) continue;
    Changed();
    const size_t k = it->second;
    cur.keys.erase(cur.keys.begin() + static_cast<std::ptrdiff_t>(k));
    if (k > 0 && k < cur.keys.size() && cur.keys[k].name.empty() && cur.keys[k - 1].name.empty()) {
      // Two nameless lines now follow each other: the next read drops the second.
      pending_.section = static_cast<int>(s);
      pending_.droppedAt = static_cast<int>(k);
      pending_.dropped = cur.keys[k];
      cur.keys.erase(cur.keys.begin() + static_cast<std::ptrdiff_t>(k));
    }
    cur.Reindex();
    if (irregular_) {
      Reparse();
      return;
    }
    fileHasText_ = pending_.droppedAt >= 0 || !SerializesEmpty();
    Settle();
    return;
  }
}

void ProfileFile::EraseSection(const std::string& section) {
  const std::string name = In(section);
  int s;
  if (name.empty()) {
    s = fileHasText_ ? 0 : -1;
  } else {
    auto it = sectionIndex_.find(FoldProfileName(name));
    s = it != sectionIndex_.end() && SameProfileName(sections_[it->second].name, name)
            ? static_cast<int>(it->second)
            : -1;
  }
  if (s < 0) return;
  Changed();
  if (s == 0) {
    sections_[0].keys.clear();
    sections_[0].index.clear();
  } else {
    sections_.erase(sections_.begin() + s);
    ReindexSections();
  }
  if (irregular_) {
    Reparse();
    return;
  }
  fileHasText_ = !SerializesEmpty();
  Settle();
}

void ProfileFile::MarkSaved(std::string bytes) {
  // The model already is what a read of these bytes gives; only the record
  // of what differs from it goes.
  original_ = std::move(bytes);
  fileHasText_ = !original_.empty();
  pending_ = Pending();
  modified_ = false;
}

void ProfileFile::Changed() {
  modified_ = true;
  pending_ = Pending();
  // Once written the file holds text unless the change left it empty.
  fileHasText_ = true;
}

// Writes the model as it stands and reads it back, as the next call of the
// platform's functions would.
void ProfileFile::Reparse() {
  const std::string bytes = Serialize();
  Load(bytes);
  modified_ = true;
  pending_.verbatim = true;
  pending_.bytes = bytes;
}

// After a change: a file that now begins with what reads as a byte-order
// mark (its first key, once the blanks in front of it are gone) is read back
// in that encoding by the next call, so read it back that way here too.
void ProfileFile::Settle() {
  if (StartsWithByteOrderMark()) Reparse();
}

bool ProfileFile::StartsWithByteOrderMark() const {
  if (encoding_ != ProfileEncoding::Ansi || sections_[0].keys.empty()) return false;
  const Key& k = sections_[0].keys[0];
  const bool here = pending_.section == 0 && pending_.key == 0;
  std::string start = here && pending_.rawKey ? pending_.keyName : k.name;
  if (k.hasValue && start.size() < 3) start += "=" + (here && pending_.rawValue ? pending_.value : k.value);
  const auto at = [&](size_t i) { return i < start.size() ? static_cast<unsigned char>(start[i]) : 0; };
  return (at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) || (at(0) == 0xFF && at(1) == 0xFE) ||
         (at(0) == 0xFE && at(1) == 0xFF);
}

bool ProfileFile::SerializesEmpty() const {
  if (encoding_ != ProfileEncoding::Ansi) return false;
  for (const Section& s : sections_) {
    if (!s.name.empty() || !s.keys.empty()) return false;
  }
  return true;
}

std::string ProfileFile::Bytes() const {
  if (!modified_) return original_;
  if (pending_.verbatim) return pending_.bytes;
  return Serialize();
}

std::string ProfileFile::Serialize() const {
  size_t size = 0;
  for (const Section& s : sections_) {
    size += s.name.size() + 4;
    for (const Key& k : s.keys) size += k.name.size() + k.value.size() + 3;
  }
  std::string out;
  out.reserve(size + pending_.value.size() + pending_.dropped.value.size() + 64);
  const auto line = [&out](const Key& k) {
    out += k.name;
    if (k.hasValue) {
      out += '=';
      out += k.value;
    }
    out += "\r\n";
  };
  for (size_t i = 0; i < sections_.size(); ++i) {
    const Section& s = sections_[i];
    const bool here = pending_.section == static_cast<int>(i);
    const std::string& name = here && pending_.rawSection ? pending_.sectionName : s.name;
    if (!name.empty()) {
      out += '[';
      out += name;
      out += "]\r\n";
    }
    for (size_t j = 0; j <= s.keys.size(); ++j) {
      if (here && pending_.droppedAt == static_cast<int>(j)) line(pending_.dropped);
      if (j == s.keys.size()) break;
      if (here && pending_.key == static_cast<int>(j)) {
        Key k = s.keys[j];
        if (pending_.rawKey) k.name = pending_.keyName;
        if (pending_.rawValue) k.value = pending_.value;
        line(k);
      } else {
        line(s.keys[j]);
      }
    }
  }
  return EncodeProfileText(out, encoding_);
}

}  // namespace marrowby
