// Icons held as icon file images (the bytes of a .ico file), with the
// platform's icon handle made from them on first use; and the frame list of
// an animated icon with its stored form.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/handles.h"
#include "core/object.h"

namespace marrowby {

namespace msg {
inline constexpr const char kInvalidIcon[] = "Icon image is not valid";
inline constexpr const char kStreamRead[] = "Stream read error";
}  // namespace msg

// Bytes that are not an icon file image.
class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};

// Stored data that ends early or does not hold what its counts promise.
class EReadError : public Exception {
 public:
  using Exception::Exception;
};

// One picture in an icon file image.
struct IconEntry {
  int Width = 0;
  int Height = 0;
  int BitCount = 0;
  size_t Offset = 0;  // of the picture's bytes within the image
  size_t Size = 0;
};

// Reads the directory of an icon file image. False when the bytes are not an
// icon file image: wrong header, no picture, or a picture outside the data.
bool ParseIconImage(const std::string& image, std::vector<IconEntry>* entries);
// The picture to show at the given size: an exact size match with the most
// colours, else the smallest larger one, else the largest. -1 for none.
int ChooseIconEntry(const std::vector<IconEntry>& entries, int size);

class TIcon : public TPersistent {
 public:
  TIcon() = default;
  ~TIcon() override;

  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  // True when the icon holds neither an image nor a handle.
  bool Empty() const { return image_.empty() && !handle_; }
  // The icon file image; empty for an icon made from a handle.
  const std::string& Image() const { return image_; }
  // Replaces the icon by an icon file image; empty bytes clear it. Raises
  // EInvalidGraphic ("Icon image is not valid") and keeps the icon unchanged
  // when the bytes are not an icon file image.
  void LoadFromImage(const std::string& image);
  // Takes over a platform icon handle (the icon destroys it).
  void AdoptHandle(NativeIcon handle);
  void Clear();
  void Assign(const TPersistent* source) override;

  // The platform's icon handle, made from the image at first use; null for
  // an empty icon or when the platform cannot make one from the image.
  NativeIcon Handle();

  // Raised after every change of the picture.
  TNotifyEvent OnChange;

 private:
  void ReleaseHandle();
  void Changed();

  friend class TIconList;  // fills its slots without a change event per slot

  std::string image_;
  NativeIcon handle_ = nullptr;
  bool handleTried_ = false;  // a failed creation is not repeated until the next change
};

// The frames of an animated icon. Each slot holds an icon, which may be empty.
// Stored form: a 32-bit count, then per frame a 32-bit byte length and that
// many bytes of an icon file image; a length of 0 or less is an empty slot.
// All numbers are little-endian.
class TIconList : public TPersistent {
 public:
  TIconList() = default;
  ~TIconList() override;

  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  int Count() const { return static_cast<int>(icons_.size()); }
  // The icon in slot index (0 .. Count-1).
  TIcon* Items(int index) const { return icons_.at(static_cast<size_t>(index)).get(); }
  // Appends a copy of icon (an empty slot for null); returns its index.
  int Add(const TIcon* icon);
  // Appends an icon file image (empty bytes: an empty slot).
  int AddImage(const std::string& image);
  void Delete(int index);
  void Clear();
  void Assign(const TPersistent* source) override;

  // The stored form. ReadData replaces the list only when the whole data is
  // good; otherwise it raises EReadError or EInvalidGraphic and keeps the list.
  std::string WriteData() const;
  void ReadData(const std::string& data);

  // Raised after every change of the list or of an icon in it.
  TNotifyEvent OnChange;

 private:
  std::unique_ptr<TIcon> MakeSlot();
  void Changed();

  std::vector<std::unique_ptr<TIcon>> icons_;
};

}  // namespace marrowby
