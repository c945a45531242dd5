#include "core/strings.h"

#include "core/text.h"
#include "core/typeinfo.h"

namespace marrowby {

const ClassInfo TStrings::kClassInfo = {"TStrings", &TPersistent::kClassInfo, nullptr, 0};
const ClassInfo TStringList::kClassInfo = {"TStringList", &TStrings::kClassInfo, nullptr, 0};

void TStrings::Put(int index, const std::string& s) {
  lines_.at(static_cast<size_t>(index)) = s;
  Changed();
}

int TStrings::Add(const std::string& s) {
  lines_.push_back(s);
  Changed();
  return Count() - 1;
}

void TStrings::Insert(int index, const std::string& s) {
  if (index < 0 || index > Count()) index = Count();
  lines_.insert(lines_.begin() + index, s);
  Changed();
}

void TStrings::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  lines_.erase(lines_.begin() + index);
  Changed();
}

void TStrings::Clear() {
  if (lines_.empty()) return;
  lines_.clear();
  Changed();
}

int TStrings::IndexOf(const std::string& s) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (SameText(lines_[i], s)) return static_cast<int>(i);
  }
  return -1;
}

void TStrings::SetLines(std::vector<std::string> lines) {
  lines_ = std::move(lines);
  Changed();
}

void TStrings::Assign(const TPersistent* source) {
  if (source && source->InheritsFrom(&TStrings::kClassInfo)) {
    SetLines(static_cast<const TStrings*>(source)->lines_);
    return;
  }
  TPersistent::Assign(source);
}

void TStrings::Changed() {
  if (OnChange) OnChange(this);
}

}  // namespace marrowby
