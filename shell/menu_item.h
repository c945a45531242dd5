// Menu items: a caption ("-" for a separator line), a Tag, enabled, default
// and checked states, a shortcut and a click event; an item holds its
// sub-items in order. Items are components of the window that holds the menu;
// an item frees its sub-items when it goes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/component.h"
#include "shell/shell_text.h"

namespace marrowby {

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;

  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }
  bool Checked() const { return checked_; }
  void SetChecked(bool v) { checked_ = v; }
  // The default item is drawn in bold; a double-click on the tray icon
  // clicks it.
  bool Default() const { return default_; }
  void SetDefault(bool v) { default_ = v; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { visible_ = v; }
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut v) { shortCut_ = v; }
  TNotifyEvent OnClick;

  // A separator line: the caption "-".
  bool IsLine() const { return caption_ == "-"; }

  // Sub-items.
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int index) const { return items_.at(static_cast<size_t>(index)); }
  TMenuItem* Parent() const { return parent_; }
  int IndexOf(const TMenuItem* item) const;
  // Adds item at the end (Insert: before index); an item that has another
  // parent leaves it first.
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  void Remove(TMenuItem* item);

  // Runs OnClick when the item is enabled.
  virtual void Click();

  // The item's command number in the platform's menus, unique among the
  // items that exist (1 .. 0xFFFF; 0 when all are taken).
  uint32_t Command() const { return command_; }
  // This item or the sub-item (at any depth) with that command number.
  TMenuItem* FindCommand(uint32_t command);

 private:
  std::string caption_;
  bool checked_ = false;
  bool default_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  TShortCut shortCut_ = 0;
  TMenuItem* parent_ = nullptr;
  std::vector<TMenuItem*> items_;
  uint32_t command_ = 0;
};

}  // namespace marrowby
