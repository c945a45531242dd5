// Starting a program for a schedule slot: the platform's process creation and
// the wait for a started program, behind an interface that tests replace.
#pragma once

#include <cstdint>
#include <string>

namespace marrowby {

class ProcessApi {
 public:
  virtual ~ProcessApi() = default;
  // Starts commandLine as the whole command line of a new process (no
  // separate program name, no inherited handles, the caller's environment and
  // directory, shown with SW_RESTORE). Returns the process handle value, or 0
  // with *error set to the system error code.
  virtual intptr_t Start(const std::string& commandLine, uint32_t* error) = 0;
  // Returns when the process has ended or the application is terminating,
  // dispatching the application's messages meanwhile.
  virtual void Wait(intptr_t process) = 0;
  // Releases a handle returned by Start.
  virtual void Close(intptr_t process) = 0;

  // The full path of the program a name stands for (a path, or a name found
  // along the system's search path, ".exe" assumed), or "" when there is no
  // such file. None by default.
  virtual std::string FindProgram(const std::string& name);
  // Starts a program with its parameters through the shell (verb "open", no
  // working directory, normal show). False with *error the system error
  // code when it fails; by default it is not supported.
  virtual bool StartProgram(const std::string& program, const std::string& parameters,
                            uint32_t* error);
};

// The process starter in use; null restores the platform's own.
ProcessApi& CurrentProcessApi();
void SetCurrentProcessApi(ProcessApi* api);
ProcessApi& PlatformProcessApi();

}  // namespace marrowby
