#include "tests/support/store_test_form.h"

#include "app/settings_schema.h"
#include "app/slot_moment.h"

namespace marrowby::testing {

namespace {

const TypeInfo kItemsType = ClassTypeInfo("TStrings", &TStrings::kClassInfo);
const PropInfo kListBoxProps[] = {
    ObjectProp<TTestListBox, &TTestListBox::Items>("Items", &kItemsType),
};

}  // namespace

const ClassInfo TTestListBox::kClassInfo = {"TListBox", &TComponent::kClassInfo, kListBoxProps,
                                            std::size(kListBoxProps)};
const ClassInfo TTestStatusBar::kClassInfo = {"TStatusBar", &TComponent::kClassInfo, nullptr, 0};
const ClassInfo TTestMainForm::kClassInfo = {"TMainForm", &TComponent::kClassInfo, nullptr, 0};

TTestListBox::TTestListBox(TComponent* owner, const std::string& name) : TComponent(owner) {
  SetName(name);
}

TTestStatusBar::TTestStatusBar(TComponent* owner, const std::string& name) : TComponent(owner) {
  SetName(name);
}

TTestMainForm::TTestMainForm(bool withStores) : TComponent(nullptr) {
  SetName("MainForm");
  BeginLoading();
  // The window's stored definition: every slot disarmed, on a fixed date.
  for (int n = 1; n <= kSlotCount; ++n) {
    auto* slot = new TLauncher(this);
    slot->SetName(SlotName(n));
    slot->SetEnabled(false);
    SetFixedSlotMoment(slot);
    launchers_.push_back(slot);
  }
  ListBox1 = new TTestListBox(this, "ListBox1");
  DateList = new TTestListBox(this, "DateList");
  LaunchList = new TTestListBox(this, "LaunchList");
  StatusBar1 = new TTestStatusBar(this, "StatusBar1");
  if (withStores) {
    for (int s = 1; s <= kStoreCount; ++s) {
      auto* store = new TFormStorage(this);
      store->SetName("FormStorage" + std::to_string(s));
      store->SetActive(false);
      store->SetOptions({});
      store->SetUserFolder(kUserSettingsFolder);
      TStringList list;
      list.SetLines(StoredPropsOfStore(s));
      store->SetStoredProps(&list);
      stores_.push_back(store);
    }
  }
  EndLoading();
}

TTestMainForm::~TTestMainForm() = default;

void TTestMainForm::SaveAll() {
  for (TFormStorage* s : stores_) s->SaveStoredProps();
}

void TTestMainForm::RestoreAll() {
  for (TFormStorage* s : stores_) s->RestoreStoredProps();
}

}  // namespace marrowby::testing
