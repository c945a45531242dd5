// Starting schedmgr under Wine and working its main window from outside.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/e2e/e2e_util.h"
#include "tests/win/win_test_util.h"

namespace marrowby::e2e {

inline constexpr char kMainClass[] = "TMainForm";
inline constexpr char kTitle[] = "Marrowby Schedule Manager";

// Saves the screen's pixels inside r as a 24-bit picture file at path. When
// unpainted is given and says the pixels are not painted yet, takes them
// again, up to eight times in all, 100 ms apart.
void SaveScreenPicture(const RECT& r, const std::string& path,
                       bool (*unpainted)(const void* bits, DWORD size) = nullptr);

struct Choices {
  bool announce = false;
  bool once = false;
  bool allowCancel = false;
};

class SchedmgrFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The settings file where the program keeps it.
  static std::string SettingsFile();
  // Starts the program and waits for its main window.
  HWND Start();
  // Starts the program and waits until it has hidden itself in the tray.
  HWND StartHidden();
  // Starts the program, lets it hide itself, and shows it again: the window
  // is then steady for a test to work with.
  HWND StartReady();
  // Shows the hidden window again, as another copy of the program would.
  void ShowWindowAgain();
  HWND C(const char* name);
  // Clicks a control and returns the message box it opens.
  MessageBoxInfo ClickForBox(const char* name);
  void Ok(const MessageBoxInfo& box);
  // The tray icon's hidden window, and the shell's notifications to it.
  HWND TrayWindow();
  void TrayDoubleClick();
  // Opens the tray menu as a right click on the icon does and returns the
  // menu's window.
  HWND OpenTrayMenu();
  // Opens the tray menu and chooses its item at a position (0 = "Show
  // Manager", 3 = "History", ..., 9 = "Exit"; separators count).
  void ChooseTrayItem(int position);
  // Clicks the upper (previous) or lower (next) half of the spin button.
  void Spin(bool up);
  // Creates a schedule through the editor.
  void NewSchedule(const std::string& desc, const std::string& item);
  // Creates an enabled schedule due secondsAhead from now.
  void AddDueSchedule(const std::string& desc, const std::string& item, int secondsAhead,
                      const Choices& choices);
  // The helper program that counts its starts in Marker().
  std::string MarkerExe() const { return wintest::ExeDir() + "marker.exe"; }
  const std::string& Marker() const { return marker_; }
  const std::string& Dir() const { return dir_; }
  // Saves a picture of the screen as <name>.bmp in the folder named by
  // MARROWBY_SHOTS, when it is set.
  void Shoot(const std::string& name);

  // The program that Start runs: the built one unless a test sets another.
  std::string exe_;
  std::unique_ptr<Program> program_;
  HWND form_ = nullptr;
  std::string dir_;
  std::string marker_;
};

}  // namespace marrowby::e2e
