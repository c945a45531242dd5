// Serves the application's help requests (the Help button, the tray menu's
// Help, F1 on a control): WinHelp where it still works, else the HTML guide
// beside the program, opened by the browser at the control's topic.
#pragma once

namespace marrowby {

class TApplication;

void InstallHelp(TApplication& app);

}  // namespace marrowby
