// Help end to end under Wine: the Help button, the tray menu's Help and F1 on
// a control open the user guide beside the program, at the control's topic.
// A stand-in browser (record_args.exe, registered for .html files) writes
// down the address it was asked to open.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/schedmgr_fixture.h"
#include "tests/win/win_test_util.h"

namespace marrowby::e2e {
namespace {

using wintest::ExeDir;

const char kProgId[] = "MarrowbyTest.Browser";
constexpr UINT kKeyF1 = 0x004D;  // WM_KEYF1, not in the SDK headers

std::string DefaultOf(const std::string& key) {
  char buf[512];
  DWORD size = sizeof(buf);
  if (RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buf, &size) !=
      ERROR_SUCCESS) {
    return "";
  }
  return buf;
}
void SetDefault(const std::string& key, const std::string& value) {
  RegSetKeyValueA(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, value.c_str(),
                  static_cast<DWORD>(value.size() + 1));
}

// The program for .html files is record_args.exe while a test runs (the
// shell of this Wine looks only at the machine's file types).
class HelpE2E : public SchedmgrFixture {
 protected:
  void SetUp() override {
    SchedmgrFixture::SetUp();
    log_ = Dir() + "browser.txt";
    SetEnvironmentVariableA("MARROWBY_ARGS_LOG", log_.c_str());
    savedType_ = DefaultOf(".html");
    SetDefault(".html", kProgId);
    SetDefault(std::string(kProgId) + "\\shell\\open\\command",
               "\"" + ExeDir() + "record_args.exe\" \"%1\"");
  }
  void TearDown() override {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kProgId);
    SetDefault(".html", savedType_);
    SchedmgrFixture::TearDown();
  }

  // The addresses the browser was asked to open, one a line, once there
  // are at least `count`.
  std::string Opened(int count) {
    WaitFor([&] { return wintest::CountLines(log_) >= count; }, 20000);
    return wintest::ReadFile(log_);
  }
  // The guide's address in a folder (as the browser must get it: forward
  // slashes, spaces encoded).
  static std::string GuideUrl(const std::string& folder = ExeDir()) {
    std::string url = "file:///";
    for (char c : folder + "Schedule.html") {
      url += c == '\\' ? "/" : c == ' ' ? "%20" : std::string(1, c);
    }
    return url;
  }

  std::string log_;
  std::string savedType_;
};

TEST_F(HelpE2E, HelpButtonAndTrayHelpOpenTheGuide) {
  char browser[MAX_PATH] = "";
  FindExecutableA((ExeDir() + "Schedule.html").c_str(), nullptr, browser);
  ASSERT_NE(std::string(browser).find("record_args.exe"), std::string::npos)
      << "the stand-in browser is not the program for .html files: " << browser;
  StartReady();
  Click(C("HelpBtn"));
  EXPECT_EQ(Opened(1), GuideUrl() + "\n");
  ChooseTrayItem(5);  // Help
  EXPECT_EQ(Opened(2), GuideUrl() + "\n" + GuideUrl() + "\n");
}

// From a folder whose name holds spaces, as "C:\Program Files" does.
TEST_F(HelpE2E, F1OnAControlOpensTheGuideAtItsTopic) {
  const std::string folder = Dir() + "Program Files\\Marrowby\\";
  ASSERT_TRUE(CreateDirectoryA((Dir() + "Program Files").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  for (const char* file : {"schedmgr.exe", "Schedule.html"}) {
    ASSERT_TRUE(CopyFileA((ExeDir() + file).c_str(), (folder + file).c_str(), FALSE)) << file;
  }
  program_ = std::make_unique<Program>();
  ASSERT_TRUE(program_->Start(folder + "schedmgr.exe"));
  form_ = WaitTopWindow(program_->Pid(), kMainClass, kTitle, 20000);
  ASSERT_NE(form_, nullptr);
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(form_); }, 10000));
  ShowWindowAgain();
  std::string expected;
  int n = 0;
  for (const auto& [name, topic] : {std::pair<const char*, int>{"CommandEdit", 14},
                                    {"DateCb", 15},
                                    {"Hours", 20},
                                    {"DelayCb", 28},
                                    {"GetBtn", 33},
                                    {"HideBtn", 0}}) {
    HWND control = C(name);
    ASSERT_NE(control, nullptr) << name;
    // What the system posts to the focused control for a press of F1; the
    // control's default handling turns it into WM_HELP for its parents.
    PostMessageA(control, kKeyF1, 0, 0);
    expected += GuideUrl(folder) + (topic ? "#" + std::to_string(topic) : "") + "\n";
    EXPECT_EQ(Opened(++n), expected) << name;
  }
}

// From a folder whose name the ANSI code page cannot spell (Cyrillic on a
// Western system): the guide is found there, not called missing, and the
// browser gets its address with the name as percent-encoded UTF-8.
TEST_F(HelpE2E, TheGuideIsFoundInAFolderOfAnyScript) {
  const std::wstring folder = std::wstring(Dir().begin(), Dir().end()) +
                              L"\x041F\x0440\x043E\x0433\x0440\x0430\x043C\x043C\x044B\\";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  for (const wchar_t* file : {L"schedmgr.exe", L"Schedule.html"}) {
    const std::string from = ExeDir() + std::string(file, file + wcslen(file));
    ASSERT_TRUE(CopyFileW(std::wstring(from.begin(), from.end()).c_str(), (folder + file).c_str(), FALSE));
  }
  program_ = std::make_unique<Program>();
  ASSERT_TRUE(program_->StartWide(folder + L"schedmgr.exe"));
  form_ = WaitTopWindow(program_->Pid(), kMainClass, kTitle, 20000);
  ASSERT_NE(form_, nullptr);
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(form_); }, 10000));
  ShowWindowAgain();
  Click(C("HelpBtn"));
  EXPECT_EQ(Opened(1), GuideUrl(Dir()).substr(0, GuideUrl(Dir()).size() - 13) +
                           "%D0%9F%D1%80%D0%BE%D0%B3%D1%80%D0%B0%D0%BC%D0%BC%D1%8B/Schedule.html\n");
}

}  // namespace
}  // namespace marrowby::e2e
