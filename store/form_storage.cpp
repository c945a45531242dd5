#include "store/form_storage.h"

#include "core/text.h"
#include "store/prop_codec.h"

namespace marrowby {

namespace {

const TypeInfo kStringsType = ClassTypeInfo("TStrings", &TStrings::kClassInfo);

const PropInfo kStorageProps[] = {
    ObjectProp<TFormStorage, &TFormStorage::StoredProps>("StoredProps", &kStringsType),
};

}  // namespace

const ClassInfo TFormStorage::kClassInfo = {"TFormStorage", &TFormPlacement::kClassInfo,
                                            kStorageProps, std::size(kStorageProps)};

TFormStorage::TFormStorage(TComponent* owner) : TFormPlacement(owner) {
  storedProps_.OnChange = [this](TObject*) {
    if (!editing_) stale_ = true;
  };
}

TFormStorage::~TFormStorage() { storedProps_.OnChange = nullptr; }

bool TFormStorage::Split(const std::string& line, std::string* component, std::string* property) {
  const size_t dot = line.find('.');
  if (dot == std::string::npos) return false;
  *component = Trim(line.substr(0, dot));
  *property = Trim(line.substr(dot + 1));
  return !component->empty() && !property->empty();
}

void TFormStorage::DeleteLine(size_t index) {
  editing_ = true;
  storedProps_.Delete(static_cast<int>(index));
  editing_ = false;
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
}

// Walks the list from the last entry to the first, deleting what does not
// name one of the owner's components and remembering the rest.
void TFormStorage::Resolve() {
  entries_.assign(static_cast<size_t>(storedProps_.Count()), Entry{nullptr, std::string()});
  stale_ = false;
  for (int i = storedProps_.Count() - 1; i >= 0; --i) {
    std::string component, property;
    TComponent* found = nullptr;
    if (Split(storedProps_[i], &component, &property) && Owner()) {
      found = Owner()->FindComponent(component);
    }
    if (!found) {
      DeleteLine(static_cast<size_t>(i));
      continue;
    }
    entries_[static_cast<size_t>(i)] = Entry{found, property};
  }
}

// Before a save or a restore: the lines name the components by their
// current names.
void TFormStorage::Refresh() {
  if (stale_) {
    Resolve();
    return;
  }
  editing_ = true;
  for (size_t i = 0; i < entries_.size(); ++i) {
    const std::string line = entries_[i].component->Name() + "." + entries_[i].property;
    if (storedProps_[static_cast<int>(i)] != line) storedProps_.Put(static_cast<int>(i), line);
  }
  editing_ = false;
}

void TFormStorage::Loaded() {
  TFormPlacement::Loaded();
  Resolve();
}

void TFormStorage::Notification(TComponent* component, Operation op) {
  TFormPlacement::Notification(component, op);
  if (op != Operation::Remove || component == this || stale_) return;
  for (size_t i = entries_.size(); i-- > 0;) {
    if (entries_[i].component == component) DeleteLine(i);
  }
}

void TFormStorage::SaveProperties(TCustomIniFile& ini, const std::string& section) {
  Refresh();
  // By index: a setter may free a component, which deletes its entries.
  for (size_t i = 0; i < entries_.size(); ++i) {
    TComponent* c = entries_[i].component;
    const PropInfo* prop = FindPropInfo(c->GetClassInfo(), entries_[i].property);
    if (prop) StoreProperty(ini, section, c->Name() + "_" + prop->name, *c, prop);
  }
}

void TFormStorage::RestoreProperties(TCustomIniFile& ini, const std::string& section) {
  Refresh();
  for (size_t i = 0; i < entries_.size(); ++i) {
    TComponent* c = entries_[i].component;
    const PropInfo* prop = FindPropInfo(c->GetClassInfo(), entries_[i].property);
    if (prop) LoadProperty(ini, section, c->Name() + "_" + prop->name, *c, prop);
  }
}

}  // namespace marrowby
