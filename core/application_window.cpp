#include "core/application_window.h"

namespace marrowby {

namespace {

class NoApplicationWindow : public ApplicationWindow {
 public:
  NativeWindow ApplicationHandle() const override { return nullptr; }
  std::string Title() const override { return std::string(); }
  NativeWindow MainWindowHandle() const override { return nullptr; }
  bool Minimized() const override { return false; }
  void Minimize() override {}
  void Restore() override {}
  void ProcessMessages() override {}
};

ApplicationWindow* g_window = nullptr;

}  // namespace

ApplicationWindow& CurrentApplicationWindow() {
  static NoApplicationWindow none;
  return g_window ? *g_window : none;
}

void SetApplicationWindow(ApplicationWindow* window) { g_window = window; }

}  // namespace marrowby
