// The stored-property store: a TFormPlacement that also saves and restores
// named published properties of its window's components. StoredProps lists
// them as "Component.Property" ("Launcher12.Checks"). Each is stored under
// the key "Component_Property" of the store's section; an object property
// (not a list, not a component) as one key per field
// ("Launcher12_DateDay"); a string list in a section of its own
// ("TMainForm.ListBox1_Items"). See prop_codec.h for the encodings.
//
// The list is resolved against the owner's components when the owner has
// been loaded (and whenever it was changed from outside since): entries that
// do not split into component and property, or name no component, are
// deleted. Entries of a component that is destroyed are deleted with it; a
// component renamed since is written back under its new name before every
// save and restore.
#pragma once

#include <string>
#include <vector>

#include "core/strings.h"
#include "store/form_placement.h"

namespace marrowby {

class TFormStorage : public TFormPlacement {
 public:
  explicit TFormStorage(TComponent* owner);
  ~TFormStorage() override;

  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  TStrings* StoredProps() const { return &storedProps_; }
  void SetStoredProps(const TStrings* list) { storedProps_.Assign(list); }

  // Writes the placement keys and every stored property; raises
  // "Unable to write to %s" (and then writes nothing at all).
  void SaveStoredProps() { SaveFormPlacement(); }
  // Reads them back; never raises.
  void RestoreStoredProps() { RestoreFormPlacement(); }

 protected:
  void Loaded() override;
  void Notification(TComponent* component, Operation op) override;
  void SaveProperties(TCustomIniFile& ini, const std::string& section) override;
  void RestoreProperties(TCustomIniFile& ini, const std::string& section) override;

 private:
  struct Entry {
    TComponent* component;
    std::string property;
  };
  void Resolve();
  void Refresh();
  void DeleteLine(size_t index);
  static bool Split(const std::string& line, std::string* component, std::string* property);

  mutable TStringList storedProps_;
  std::vector<Entry> entries_;  // parallel to the lines of storedProps_
  bool editing_ = false;        // the store itself is changing the list
  bool stale_ = true;           // the list changed from outside since resolved
};

}  // namespace marrowby
