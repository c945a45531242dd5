#include "shell/icon.h"

#include <cstdint>

#include "core/typeinfo.h"
#include "shell/icon_platform.h"

namespace marrowby {

namespace {

const size_t kDirSize = 6;
const size_t kEntrySize = 16;

uint32_t U16(const std::string& s, size_t at) {
  return static_cast<uint8_t>(s[at]) | static_cast<uint32_t>(static_cast<uint8_t>(s[at + 1])) << 8;
}
uint32_t U32(const std::string& s, size_t at) { return U16(s, at) | U16(s, at + 2) << 16; }

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i) & 0xFF);
}

// Reads the stored form one field at a time; any read past the end fails.
class Reader {
 public:
  explicit Reader(const std::string& data) : data_(data) {}
  int32_t Int32() {
    Need(4);
    const uint32_t v = U32(data_, pos_);
    pos_ += 4;
    return static_cast<int32_t>(v);
  }
  std::string Bytes(size_t n) {
    Need(n);
    std::string out = data_.substr(pos_, n);
    pos_ += n;
    return out;
  }
  size_t Left() const { return data_.size() - pos_; }

 private:
  void Need(size_t n) const {
    if (n > Left()) throw EReadError(msg::kStreamRead);
  }
  const std::string& data_;
  size_t pos_ = 0;
};

}  // namespace

bool ParseIconImage(const std::string& image, std::vector<IconEntry>* entries) {
  entries->clear();
  if (image.size() < kDirSize) return false;
  if (U16(image, 0) != 0 || U16(image, 2) != 1) return false;
  const size_t count = U16(image, 4);
  if (count == 0 || kDirSize + count * kEntrySize > image.size()) return false;
  for (size_t i = 0; i < count; ++i) {
    const size_t at = kDirSize + i * kEntrySize;
    IconEntry e;
    e.Width = static_cast<uint8_t>(image[at]) ? static_cast<uint8_t>(image[at]) : 256;
    e.Height = static_cast<uint8_t>(image[at + 1]) ? static_cast<uint8_t>(image[at + 1]) : 256;
    e.BitCount = static_cast<int>(U16(image, at + 6));
    e.Size = U32(image, at + 8);
    e.Offset = U32(image, at + 12);
    // The picture must lie inside the data and past the directory.
    if (e.Size == 0 || e.Offset < kDirSize + count * kEntrySize || e.Offset > image.size() ||
        e.Size > image.size() - e.Offset) {
      entries->clear();
      return false;
    }
    entries->push_back(e);
  }
  return true;
}

int ChooseIconEntry(const std::vector<IconEntry>& entries, int size) {
  int exact = -1, larger = -1, largest = -1;
  for (size_t i = 0; i < entries.size(); ++i) {
    const IconEntry& e = entries[i];
    const int idx = static_cast<int>(i);
    if (e.Width == size && (exact < 0 || e.BitCount > entries[exact].BitCount)) exact = idx;
    if (e.Width > size && (larger < 0 || e.Width < entries[larger].Width)) larger = idx;
    if (largest < 0 || e.Width > entries[largest].Width) largest = idx;
  }
  if (exact >= 0) return exact;
  return larger >= 0 ? larger : largest;
}

// ---- TIcon ------------------------------------------------------------------

const ClassInfo TIcon::kClassInfo = {"TIcon", &TPersistent::kClassInfo, nullptr, 0};

TIcon::~TIcon() { ReleaseHandle(); }

void TIcon::LoadFromImage(const std::string& image) {
  std::vector<IconEntry> entries;
  if (!image.empty() && !ParseIconImage(image, &entries)) throw EInvalidGraphic(msg::kInvalidIcon);
  if (image.empty()) {
    Clear();
    return;
  }
  if (image == image_) return;
  ReleaseHandle();
  image_ = image;
  Changed();
}

void TIcon::AdoptHandle(NativeIcon handle) {
  if (handle && handle == handle_) return;
  ReleaseHandle();
  image_.clear();
  handle_ = handle;
  handleTried_ = true;
  Changed();
}

void TIcon::Clear() {
  if (Empty()) return;
  ReleaseHandle();
  image_.clear();
  Changed();
}

void TIcon::Assign(const TPersistent* source) {
  if (const auto* icon = dynamic_cast<const TIcon*>(source)) {
    if (icon == this) return;
    // An icon made from a handle has no image to copy; the copy is empty.
    ReleaseHandle();
    image_ = icon->image_;
    Changed();
    return;
  }
  TPersistent::Assign(source);
}

NativeIcon TIcon::Handle() {
  if (!handle_ && !handleTried_ && !image_.empty()) {
    handleTried_ = true;
    std::vector<IconEntry> entries;
    if (ParseIconImage(image_, &entries)) {
      const int i = ChooseIconEntry(entries, PlatformSmallIconSize());
      if (i >= 0) handle_ = PlatformCreateIcon(image_, entries[static_cast<size_t>(i)]);
    }
  }
  return handle_;
}

void TIcon::ReleaseHandle() {
  if (handle_) PlatformDestroyIcon(handle_);
  handle_ = nullptr;
  handleTried_ = false;
}

void TIcon::Changed() {
  if (OnChange) OnChange(this);
}

// ---- TIconList --------------------------------------------------------------

const ClassInfo TIconList::kClassInfo = {"TIconList", &TPersistent::kClassInfo, nullptr, 0};

TIconList::~TIconList() {
  // The owner's change handler must not run for a list being destroyed.
  OnChange = nullptr;
  icons_.clear();
}

std::unique_ptr<TIcon> TIconList::MakeSlot() {
  auto icon = std::make_unique<TIcon>();
  icon->OnChange = [this](TObject*) { Changed(); };
  return icon;
}

int TIconList::Add(const TIcon* icon) {
  auto slot = MakeSlot();
  if (icon) slot->image_ = icon->image_;
  icons_.push_back(std::move(slot));
  Changed();
  return Count() - 1;
}

int TIconList::AddImage(const std::string& image) {
  auto slot = MakeSlot();
  {
    // Validate before the list changes; no change event from the new slot.
    TIcon probe;
    probe.LoadFromImage(image);
    slot->image_ = image;
  }
  icons_.push_back(std::move(slot));
  Changed();
  return Count() - 1;
}

void TIconList::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  icons_.erase(icons_.begin() + index);
  Changed();
}

void TIconList::Clear() {
  if (icons_.empty()) return;
  icons_.clear();
  Changed();
}

void TIconList::Assign(const TPersistent* source) {
  if (const auto* list = dynamic_cast<const TIconList*>(source)) {
    if (list == this) return;
    std::vector<std::unique_ptr<TIcon>> copy;
    for (const auto& icon : list->icons_) {
      auto slot = MakeSlot();
      slot->image_ = icon->image_;
      copy.push_back(std::move(slot));
    }
    icons_ = std::move(copy);
    Changed();
    return;
  }
  TPersistent::Assign(source);
}

std::string TIconList::WriteData() const {
  std::string out;
  PutU32(out, static_cast<uint32_t>(icons_.size()));
  for (const auto& icon : icons_) {
    PutU32(out, static_cast<uint32_t>(icon->image_.size()));
    out += icon->image_;
  }
  return out;
}

void TIconList::ReadData(const std::string& data) {
  Reader in(data);
  const int32_t count = in.Int32();
  // Every frame takes at least its 4-byte length, which bounds a sane count
  // before anything is allocated for it.
  if (count < 0 || static_cast<size_t>(count) > in.Left() / 4) throw EReadError(msg::kStreamRead);
  std::vector<std::unique_ptr<TIcon>> frames;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t length = in.Int32();
    auto slot = MakeSlot();
    if (length > 0) {
      const std::string image = in.Bytes(static_cast<size_t>(length));
      std::vector<IconEntry> entries;
      if (!ParseIconImage(image, &entries)) throw EInvalidGraphic(msg::kInvalidIcon);
      slot->image_ = image;
    }
    frames.push_back(std::move(slot));
  }
  if (in.Left() != 0) throw EReadError(msg::kStreamRead);
  icons_ = std::move(frames);
  Changed();
}

void TIconList::Changed() {
  if (OnChange) OnChange(this);
}

}  // namespace marrowby
