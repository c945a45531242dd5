#include "app/help_target.h"

#include <string>

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
      url += '%';
      url += "0123456789ABCDEF"[c >> 4];
      url += "0123456789ABCDEF"[c & 15];
    }
  }
  if (context > 0) url += "#" + std::to_string(context);
  return url;
}

}  // namespace marrowby::help
