// What the main window's handlers need from the platform beyond their
// controls: message boxes, the application's window state, the notification
// area icon and menu, the web site, help and the windows of other forms
// (items are started through scheduler/item_starter.h). The Win32 program
// implements it (schedmgr_win32.cpp); tests use a fake.
#pragma once

#include <cstdint>
#include <string>

#include "core/datetime.h"

namespace marrowby {

class TForm;

enum class MessageKind { Information, Error, Plain };

class MainFormHost {
 public:
  virtual ~MainFormHost() = default;

  // A modal message box with an OK button.
  virtual void Message(MessageKind kind, const std::string& text) = 0;
  // A confirmation box with Yes and Cancel; true for Yes.
  virtual bool Confirm(const std::string& text) = 0;

  // Minimising and restoring the whole application (the main window goes
  // behind its taskbar entry, or comes back to the front).
  virtual void MinimizeApplication() = 0;
  virtual void RestoreApplication() = 0;
  // Shows or hides the application's taskbar entry.
  virtual void ShowTaskbarEntry(bool show) = 0;
  virtual int SystemMajorVersion() = 0;

  // The tray menu's "Show Manager" (enabled while hidden) and "Hide Manager".
  virtual void SetManagerHiddenMenu(bool hidden) = 0;
  virtual void SetTrayAnimated(bool animated) = 0;
  virtual void SetDropEnabled(bool enabled) = 0;

  virtual void HelpContents() = 0;
  virtual void MakeProgramFolderCurrent() = 0;
  // Opens the maker's web site without activating it.
  virtual void OpenWebSite(const std::string& address) = 0;

  // Gives a newly created form its window.
  virtual void AttachView(TForm& form) = 0;

  // Saving the settings file failed or succeeded; nothing to do by default.
  virtual void SettingsSaved() {}

  // The system's text for an error code ("Error <code>" where there is no
  // system to ask).
  virtual std::string SystemErrorText(uint32_t code) { return "Error " + std::to_string(code); }
  // A date and time as the user's locale writes them (short date, then the
  // time); day/month/year and 24 hours where there is no locale.
  virtual std::string FormatDateTime(TDateTime value);
  // The notification-area icon's hint (its tooltip is the part before "|").
  virtual void SetTrayHint(const std::string& hint) { (void)hint; }
};

}  // namespace marrowby
