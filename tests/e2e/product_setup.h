// Working the setup program's dialogs from outside, for the product tests
// (which drive schedmgr too, so they use the schedmgr helpers throughout).
#pragma once

#include <windows.h>

#include <string>

namespace marrowby::e2e {

// The visible dialog of the process that holds a control with that id
// (SETUP_ID_STATUS: the main dialog, SETUP_ID_LICENCE_TEXT: the licence,
// 0xFFFF: a message box), or null.
HWND DialogWith(DWORD pid, int controlId, DWORD timeoutMs = 90000);
std::string ItemText(HWND dialog, int id);
// Clicks a button of the dialog (posted).
void Press(HWND dialog, int id);
// Waits until the text of control id holds the fragment.
bool WaitItemText(HWND dialog, int id, const std::string& fragment, DWORD timeoutMs = 60000);
// The uninstall command of the installed product, or "" when none is.
std::string UninstallCommand();
// Runs a command line as Add/Remove Programs does; its exit code, or
// STILL_ACTIVE after a minute.
DWORD RunCommand(const std::string& command);

}  // namespace marrowby::e2e
