// Where the program's help goes. WinHelp files ("Schedule.hlp") are kept for
// the systems whose viewer still shows them; everywhere else the user guide,
// an HTML file shipped beside the program, opens in the browser, at the
// topic of the control that asked for help (the control's help context is
// the anchor).
#pragma once

#include <string>

namespace marrowby::help {

inline constexpr char kHelpFile[] = "Schedule.hlp";
inline constexpr char kGuideFile[] = "Schedule.html";

enum class Viewer { WinHelp, Guide };

// WinHelp only when its file is beside the program and the system's viewer
// can show it (Windows Vista and later ship a viewer that cannot).
Viewer ChooseViewer(bool helpFilePresent, bool winHelpShowsFiles);

// The address that opens the guide at a help context's topic: a file URL
// for a Windows path (drive or UNC), with "#<context>" when context is
// above 0. Characters that a URL cannot carry are percent-encoded.
std::string GuideUrl(const std::string& windowsPath, int context);

}  // namespace marrowby::help
