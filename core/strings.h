// A list of text lines, the value of list properties (list box items, the
// drop target's name lists). Stored as its own section by the settings store.
#pragma once

#include <string>
#include <vector>

#include "core/object.h"

namespace marrowby {

class TStrings : public TPersistent {
 public:
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& Get(int index) const { return lines_.at(static_cast<size_t>(index)); }
  const std::string& operator[](int index) const { return Get(index); }
  void Put(int index, const std::string& s);
  int Add(const std::string& s);
  void Insert(int index, const std::string& s);
  void Delete(int index);
  void Clear();
  // Index of the first line equal to s (case-insensitive), or -1.
  int IndexOf(const std::string& s) const;
  const std::vector<std::string>& Lines() const { return lines_; }
  void SetLines(std::vector<std::string> lines);

  void Assign(const TPersistent* source) override;

  // Raised after every change of the lines.
  TNotifyEvent OnChange;

 private:
  void Changed();
  std::vector<std::string> lines_;
};

class TStringList : public TStrings {
 public:
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }
};

}  // namespace marrowby
