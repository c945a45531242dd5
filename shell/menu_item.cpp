#include "shell/menu_item.h"

#include <algorithm>
#include <vector>

#include "core/typeinfo.h"

namespace marrowby {

namespace {

// Command numbers in use. Menu commands travel in 16 bits, so numbers are
// handed out round-robin from 1 to 0xFFFF and given back when an item goes.
class CommandPool {
 public:
  uint32_t Take() {
    for (uint32_t tried = 0; tried < kLast; ++tried) {
      next_ = next_ % kLast + 1;
      if (!used_[next_]) {
        used_[next_] = true;
        return next_;
      }
    }
    return 0;
  }
  void Give(uint32_t command) {
    if (command) used_[command] = false;
  }

 private:
  static constexpr uint32_t kLast = 0xFFFF;
  std::vector<bool> used_ = std::vector<bool>(kLast + 1, false);
  uint32_t next_ = 0;
};

CommandPool& Pool() {
  static CommandPool pool;
  return pool;
}

const TypeInfo kShortCutType = OrdinalTypeInfo("TShortCut", OrdType::UWord, 0, 65535);

const PropInfo kMenuItemProps[] = {
    StrProp<TMenuItem, &TMenuItem::Caption, &TMenuItem::SetCaption>("Caption"),
    OrdProp<TMenuItem, &TMenuItem::Checked, &TMenuItem::SetChecked>("Checked", &kBooleanType,
                                                                     true, 0),
    OrdProp<TMenuItem, &TMenuItem::Default, &TMenuItem::SetDefault>("Default", &kBooleanType,
                                                                     true, 0),
    OrdProp<TMenuItem, &TMenuItem::Enabled, &TMenuItem::SetEnabled>("Enabled", &kBooleanType,
                                                                     true, 1),
    OrdProp<TMenuItem, &TMenuItem::ShortCut, &TMenuItem::SetShortCut>("ShortCut", &kShortCutType,
                                                                       true, 0),
    OrdProp<TMenuItem, &TMenuItem::Visible, &TMenuItem::SetVisible>("Visible", &kBooleanType,
                                                                     true, 1),
    EventProp("OnClick"),
};

}  // namespace

const ClassInfo TMenuItem::kClassInfo = {"TMenuItem", &TComponent::kClassInfo, kMenuItemProps,
                                         std::size(kMenuItemProps)};

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(Pool().Take()) {}

TMenuItem::~TMenuItem() {
  while (!items_.empty()) Free(items_.back());
  if (parent_) parent_->Remove(this);
  Pool().Give(command_);
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (!item || item == this) return;
  // An item cannot become a sub-item of one of its own sub-items.
  for (TMenuItem* p = parent_; p; p = p->parent_) {
    if (p == item) return;
  }
  if (item->parent_) item->parent_->Remove(item);
  if (index < 0 || index > Count()) index = Count();
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return;
  items_.erase(it);
  item->parent_ = nullptr;
}

void TMenuItem::Click() {
  if (enabled_ && OnClick) OnClick(this);
}

TMenuItem* TMenuItem::FindCommand(uint32_t command) {
  if (command == 0) return nullptr;
  if (command == command_) return this;
  for (TMenuItem* item : items_) {
    if (TMenuItem* found = item->FindCommand(command)) return found;
  }
  return nullptr;
}

}  // namespace marrowby
