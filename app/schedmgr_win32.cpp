// schedmgr: the program entry and the Win32 side of the main window — message
// boxes, the application's window state, the shell, help, the notification
// area icon and menu, the single-instance guard and the drop target.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "app/about_form.h"
#include "app/help_win32.h"
#include "app/main_form.h"
#include "app/shell_parts_win32.h"
#include "core/errors.h"
#include "core/scoped_win32.h"
#include "ui/application_win32.h"
#include "ui/date_format.h"
#include "ui/form_win32.h"

namespace marrowby {

namespace {

const char kTitle[] = "Marrowby Schedule Manager";
const char kHelpFile[] = "Schedule.hlp";

// Message boxes with the buttons "Yes" and "Cancel": an OK/Cancel box whose
// OK button is renamed while the box is being created.
HHOOK g_yesHook = nullptr;
LRESULT CALLBACK YesCancelHook(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_ACTIVATE) {
    SetDlgItemTextA(reinterpret_cast<HWND>(wp), IDOK, "&Yes");
    UnhookWindowsHookEx(g_yesHook);
    g_yesHook = nullptr;
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

class Win32MainHost : public MainFormHost {
 public:
  void Bind(TMainForm* form) { parts_ = MakeShellParts(*form); }
  const MainShellParts& Parts() const { return parts_; }

  void Message(MessageKind kind, const std::string& text) override {
    UINT flags = MB_OK;
    const char* caption = kTitle;
    if (kind == MessageKind::Information) {
      flags |= MB_ICONINFORMATION;
      caption = "Information";
    } else if (kind == MessageKind::Error) {
      flags |= MB_ICONERROR;
      caption = "Error";
    }
    MessageBoxA(Owner(), text.c_str(), caption, flags);
  }

  bool Confirm(const std::string& text) override {
    g_yesHook = SetWindowsHookExA(WH_CBT, YesCancelHook, nullptr, GetCurrentThreadId());
    const int r = MessageBoxA(Owner(), text.c_str(), "Confirm", MB_OKCANCEL | MB_ICONQUESTION);
    if (g_yesHook) UnhookWindowsHookEx(g_yesHook);
    g_yesHook = nullptr;
    return r == IDOK;
  }

  void MinimizeApplication() override { Application().Minimize(); }
  void RestoreApplication() override { Application().Restore(); }
  void ShowTaskbarEntry(bool show) override {
    ShowWindow(Application().Handle(), show ? SW_SHOWNOACTIVATE : SW_HIDE);
  }
  int SystemMajorVersion() override {
    OSVERSIONINFOA v = {};
    v.dwOSVersionInfoSize = sizeof(v);
    GetVersionExA(&v);
    return static_cast<int>(v.dwMajorVersion);
  }

  void SetManagerHiddenMenu(bool hidden) override {
    parts_.ShowMi->SetEnabled(hidden);
    parts_.HideMi->SetEnabled(!hidden);
  }
  void SetTrayAnimated(bool animated) override { parts_.TrayIcon1->SetAnimated(animated); }
  void SetDropEnabled(bool enabled) override { parts_.FileDrag1->SetEnableDrop(enabled); }

  void HelpContents() override { Application().HelpCommand(HELP_CONTENTS, 0); }

  void MakeProgramFolderCurrent() override {
    // Wide: a folder name that the ANSI code page cannot spell would come
    // back with "?" in it, and the folder would not change.
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    while (n > 0 && path[n - 1] != L'\\' && path[n - 1] != L'/') --n;
    path[n] = L'\0';
    SetCurrentDirectoryW(path);
  }

  void OpenWebSite(const std::string& address) override {
    ShellExecuteA(Application().Handle(), nullptr, address.c_str(), nullptr, nullptr,
                  SW_SHOWNOACTIVATE);
  }

  std::string SystemErrorText(uint32_t code) override {
    char* text = nullptr;
    const DWORD n = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    const ScopedLocalMemory<char> buffer(text);
    std::string s = n && text ? std::string(text, n) : "Error " + std::to_string(code);
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ')) s.pop_back();
    return s;
  }
  std::string FormatDateTime(TDateTime value) override {
    int y, mo, d, h, mi, s, ms;
    DecodeDate(value, &y, &mo, &d);
    DecodeTime(value, &h, &mi, &s, &ms);
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(mo);
    st.wDay = static_cast<WORD>(d);
    st.wHour = static_cast<WORD>(h);
    st.wMinute = static_cast<WORD>(mi);
    st.wSecond = static_cast<WORD>(s);
    char date[80], time[80];
    if (!GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, sizeof(date)) ||
        !GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, sizeof(time))) {
      return MainFormHost::FormatDateTime(value);
    }
    return std::string(date) + " " + time;
  }

  void SetTrayHint(const std::string& hint) override {
    if (parts_.TrayIcon1) parts_.TrayIcon1->SetHint(hint);
  }

  void AttachView(TForm& form) override {
    // Views of forms that have gone (announcements) are dropped here.
    views_.erase(std::remove_if(views_.begin(), views_.end(),
                                [](const std::unique_ptr<Win32FormView>& v) {
                                  return v->Orphaned();
                                }),
                 views_.end());
    views_.push_back(std::make_unique<Win32FormView>(form));
  }

 private:
  HWND Owner() const { return Application().DialogOwner(); }

  MainShellParts parts_;
  std::vector<std::unique_ptr<Win32FormView>> views_;
};

int Run() {
  INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_DATE_CLASSES |
                                                ICC_UPDOWN_CLASS | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  // Dates show and read as the user writes them.
  UseUserShortDateFormat();
  TApplication& app = Application();
  app.SetTitle(kTitle);
  app.SetHelpFile(kHelpFile);
  InstallHelp(app);

  Win32MainHost host;
  auto form = MakeComponent<TMainForm>(nullptr, &host);
  host.AttachView(*form);
  app.SetMainWindow(form->WindowHandle());
  host.Bind(form.get());
  app.OnMinimize = [&form](TObject*) { form->AppEvents1Minimize(); };
  app.OnRestore = [&form](TObject*) { form->AppEvents1Restore(); };
  app.OnHint = [&form, &app](TObject*) { form->AppEvents1Hint(app.Hint()); };

  form->BeginLoading();
  form->EndLoading();  // the guard warns and asks a second copy to quit here
  if (host.Parts().SingleInstance1->Quitting()) {
    // A second copy: it must neither launch nor save over the running
    // copy's settings.
    form->SetSaveOnDestroy(false);
    form.reset();
    return 0;
  }
  auto picture = MakeComponent<TCopyRightForm>(nullptr);
  host.AttachView(*picture);
  form->CopyRightForm = picture.get();
  form->DoCreate();
  ShowWindow(app.Handle(), SW_SHOWNOACTIVATE);
  form->Show();
  app.Run();
  form.reset();  // saves the settings
  return 0;
}

}  // namespace
}  // namespace marrowby

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return marrowby::Run(); }
