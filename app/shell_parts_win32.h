// The main window's shell components: the notification-area icon with the
// tray menu, the single-instance guard and the drop target, made for the
// form and bound to its handlers.
#pragma once

#include "app/main_form.h"
#include "shell/file_drag.h"
#include "shell/single_instance.h"
#include "shell/tray_icon.h"
#include "shell/tray_menu.h"

namespace marrowby {

struct MainShellParts {
  TTrayIcon* TrayIcon1 = nullptr;
  TTrayPopupMenu* TrayPop = nullptr;
  TMenuItem* ShowMi = nullptr;
  TMenuItem* HideMi = nullptr;
  TMenuItem* NumSchedsMi = nullptr;
  TMenuItem* HistoryMi = nullptr;
  TMenuItem* AboutMi = nullptr;
  TMenuItem* HelpMi = nullptr;
  TMenuItem* WebsiteMi = nullptr;
  TMenuItem* ExitMi = nullptr;
  TSingleInstance* SingleInstance1 = nullptr;
  TFileDrag* FileDrag1 = nullptr;
};

// Makes the components, owned by the form (whose window must exist).
MainShellParts MakeShellParts(TMainForm& form);

}  // namespace marrowby
