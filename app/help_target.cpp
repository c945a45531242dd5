#include "app/help_target.h"

#include <cstdio>

namespace marrowby::help {

Viewer ChooseViewer(bool helpFilePresent, bool winHelpShowsFiles) {
  return helpFilePresent && winHelpShowsFiles ? Viewer::WinHelp : Viewer::Guide;
}

namespace {

bool KeptInUrl(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         c == '-' || c == '_' || c == '.' || c == '~' || c == '/' || c == ':' || c == '!' ||
         c == '$' || c == '&' || c == '\'' || c == '(' || c == ')' || c == '*' || c == '+' ||
         c == ',' || c == ';' || c == '=' || c == '@';
}

}  // namespace

std::string GuideUrl(const std::string& windowsPath, int context) {
  std::string path = windowsPath;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  // "C:/dir" becomes file:///C:/dir; "//server/share" becomes file://server/share.
  std::string url = path.compare(0, 2, "//") == 0 ? "file:" : "file:///";
  for (unsigned char c : path) {
    if (KeptInUrl(c)) {
      url += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof(hex), "%%%02X", c);
      url += hex;
    }
  }
  if (context > 0) url += "#" + std::to_string(context);
  return url;
}

}  // namespace marrowby::help
