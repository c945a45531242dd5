// Helpers for the Windows tests: message pumping with a deadline, temporary
// files, paths of the helper programs beside the test executable.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace marrowby::wintest {

// A visible top-level window of the process that has a control with that id,
// or null; one look, no waiting.
HWND FindWindowWithControl(DWORD pid, int controlId);
// A visible top-level window of the process, or null.
HWND FindVisibleWindow(DWORD pid);
// A window's text, also of another process's window. It waits for a busy
// program (up to 30 s) rather than taking it for hung; "" if there is none.
std::string WindowText(HWND hwnd);
// What a process is doing, for a test that waited on it in vain: alive or
// ended (with its exit code), and its top-level windows (class, title,
// visible or not, and the texts of their controls).
std::string DescribeProcess(DWORD pid);

// Every window of the process: the top-level ones, the message-only ones, and
// everything inside them.
std::vector<HWND> WindowsOfProcess(DWORD pid);
// Reads a window's text as screen readers and automation tools do, also
// another process's: its length, then the text into buffers of 0, 1, 2
// characters, of the length and more, in both widths, each followed by guard
// bytes. What the window did wrong (no answer, a write past the buffer, an
// answer beyond it, no terminating zero), or "".
std::string TextReadFault(HWND hwnd);

// Dispatches messages until done() is true or timeoutMs has passed; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
// Dispatches messages for ms milliseconds.
void PumpFor(DWORD ms);

// Paths and names are UTF-8 here; the helpers below hand them to the
// system's wide functions, so that they may be in any script.
std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);

// The directory of the running executable, with a trailing backslash.
std::string ExeDir();
// A fresh, empty directory under the temporary path (with a trailing backslash).
std::string MakeTempDir(const std::string& prefix);
// Removes a directory tree made by MakeTempDir. Anything but a full path
// below a drive's root ("C:\\dir\\") is left alone: a fixture whose SetUp
// stopped before it made its folder passes an empty name, which would
// otherwise mean the current directory.
void RemoveTree(const std::string& dir);

bool FileExists(const std::string& path);
// The names in a folder (path ending with a backslash), sorted, without "."
// and "..".
std::vector<std::string> ListFiles(const std::string& dir);
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& data);
int CountLines(const std::string& path);

}  // namespace marrowby::wintest
