// Starting items: the one place through which the program starts anything,
// behind an interface that the Win32 layer implements once
// (item_starter_win32.cpp) and tests replace with a fake told what to answer
// for each item. Two ways lead there: a slot's built-in start runs its
// command line as a process (launcher.h); the main window opens a schedule's
// item through the shell (OpenItem below).
#pragma once

#include <cstdint>
#include <string>

namespace marrowby {

class ItemStarter {
 public:
  virtual ~ItemStarter() = default;

  // Starts commandLine as the whole command line of a new process (no
  // separate program name, no inherited handles, the caller's environment and
  // directory, shown with SW_RESTORE). Returns the process handle value, or 0
  // with *error set to the system error code.
  virtual intptr_t StartProcess(const std::string& commandLine, uint32_t* error) = 0;
  // Returns when the process has ended or the application is terminating,
  // dispatching the application's messages meanwhile.
  virtual void WaitForProcess(intptr_t process) = 0;
  // Releases a handle returned by StartProcess.
  virtual void CloseProcess(intptr_t process) = 0;

  // Asks the shell to open an item (verb "open", no parameters, no
  // directory, normal show, the application window as the owner of whatever
  // the shell shows); returns the shell's result (above 32: success).
  virtual intptr_t ShellOpen(const std::string& item) = 0;
  // The full path of the program a name stands for (a path, or a name found
  // along the system's search path, ".exe" assumed), or "" when there is no
  // such file.
  virtual std::string FindProgram(const std::string& name) = 0;
  // Starts a program with its parameters through the shell (verb "open", no
  // working directory, normal show, no error box of the shell's own). False
  // with *error the system error code when it fails.
  virtual bool StartProgram(const std::string& program, const std::string& parameters,
                            uint32_t* error) = 0;
};

// The starter in use; null restores the platform's own.
ItemStarter& CurrentItemStarter();
void SetCurrentItemStarter(ItemStarter* starter);
ItemStarter& PlatformItemStarter();

// How an item was started: the whole line through the shell, or the line
// split into a program and its parameters; None when nothing was tried.
enum class StartWay { None, Shell, Program };

struct ItemStart {
  bool started = false;
  StartWay way = StartWay::None;
  uint32_t error = 0;  // the system error code of a failure
};

// Opens an item line with the current starter: the whole line through the
// shell; only when the shell cannot find it and the line is an existing
// program followed by its parameters is that program started with them.
ItemStart OpenItem(const std::string& line);

}  // namespace marrowby
