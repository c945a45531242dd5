// The History window: the launch history, newest first, in a list with a
// column per field, the file it comes from, and Refresh and Close buttons.
// A window of its own on the taskbar, sizeable; closing it frees it, and the
// next opening makes it anew (the main window does both, and reloads it when
// a launch is recorded while it is open).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/launch_history.h"
#include "app/main_form_host.h"
#include "ui/form.h"

namespace marrowby {

class THistoryForm : public TForm {
 public:
  // history: the launch history as it is now (it may raise; the window then
  // shows the error instead of the file's name).
  THistoryForm(TComponent* owner, MainFormHost& host, std::function<LaunchHistory()> history);
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  TListView* List;
  TLabel* PathLbl;
  TButton* RefreshBtn;
  TButton* CloseBtn;

  // Reads the history again and shows it.
  void Reload();
  // The line under the list: how many launches the file holds, and where it is.
  static std::string SummaryText(size_t launches, const std::string& path);

 protected:
  void FormClose(TCloseAction& action) override { action = TCloseAction::caFree; }
  void FormResize() override;

 private:
  std::vector<std::string> Cells(const HistoryEntry& entry) const;

  MainFormHost& host_;
  std::function<LaunchHistory()> history_;
};

}  // namespace marrowby
