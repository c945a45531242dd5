#include <gtest/gtest.h>

#include "shell/shell_text.h"

namespace marrowby {
namespace {

TEST(TrayTip, ShortPartOfTheHintCutTo63Characters) {
  EXPECT_EQ(TrayTip(""), "");
  EXPECT_EQ(TrayTip("Schedules"), "Schedules");
  EXPECT_EQ(TrayTip("Short|Long part shown in the status bar"), "Short");
  EXPECT_EQ(TrayTip("a|b|c"), "a");
  EXPECT_EQ(TrayTip("|only long"), "");
  EXPECT_EQ(TrayTip(std::string(63, 'x')), std::string(63, 'x'));
  EXPECT_EQ(TrayTip(std::string(64, 'x')), std::string(63, 'x'));
  EXPECT_EQ(TrayTip(std::string(200, 'y') + "|z"), std::string(63, 'y'));
  // The cut applies to the short part, not to the whole hint.
  EXPECT_EQ(TrayTip("ab|" + std::string(100, 'z')), "ab");
  EXPECT_EQ(TrayTip(std::string("ab\0cd", 5)), "ab");
}

TEST(SplitDroppedName, LastComponentAndTextAfterItsFirstDot) {
  auto check = [](const std::string& path, const std::string& name, const std::string& ext) {
    const DroppedName d = SplitDroppedName(path);
    EXPECT_EQ(d.NameOnly, name) << path;
    EXPECT_EQ(d.Extension, ext) << path;
  };
  check("C:\\Docs\\report.final.doc", "report.final.doc", "final.doc");
  check("C:\\My.Dir\\readme.txt", "readme.txt", "txt");
  check("C:\\a\\b.tar.gz", "b.tar.gz", "tar.gz");
  // No dot in the last component: no extension, even with dotted folders.
  check("C:\\My.Dir\\Makefile", "Makefile", "");
  check("C:\\Program Files\\App", "App", "");
  // No backslash at all: the whole text is the name.
  check("notes.txt", "notes.txt", "txt");
  check("README", "README", "");
  check("", "", "");
  // Edge dots and backslashes.
  check("C:\\x\\.profile", ".profile", "profile");
  check("C:\\x\\trailing.", "trailing.", "");
  check("C:\\folder\\", "", "");
  check("\\\\server\\share\\file.ext", "file.ext", "ext");
}

TEST(SingleInstanceMutexName, PrefixAndTitleWithinTheSystemsNameLimit) {
  EXPECT_EQ(SingleInstanceMutexName("Marrowby Schedule Manager"),
            "TSingleInstance in application Marrowby Schedule Manager");
  EXPECT_EQ(SingleInstanceMutexName(""), "TSingleInstance in application ");
  // Up to 228 characters of title the name is prefix plus title.
  const std::string fits(228, 'f');
  EXPECT_EQ(SingleInstanceMutexName(fits), std::string(kMutexPrefix) + fits);
  // Longer titles: the name stops at the 259 characters the system takes,
  // the same for every title that starts alike.
  EXPECT_EQ(SingleInstanceMutexName(std::string(300, 't')),
            std::string(kMutexPrefix) + std::string(228, 't'));
  EXPECT_EQ(SingleInstanceMutexName(std::string(229, 'u') + "x").size(), 259u);
  EXPECT_EQ(SingleInstanceMutexName(std::string(240, 'v') + "one"),
            SingleInstanceMutexName(std::string(240, 'v') + "two"));
}

TEST(StripHotkey, AmpersandsMarkAccessKeys) {
  EXPECT_EQ(StripHotkey("&New"), "New");
  EXPECT_EQ(StripHotkey("E&xit"), "Exit");
  EXPECT_EQ(StripHotkey("Save && Quit"), "Save & Quit");
  EXPECT_EQ(StripHotkey("&&&Both"), "&Both");
  EXPECT_EQ(StripHotkey("end&"), "end");
  EXPECT_EQ(StripHotkey("Nº of Schedules"), "Nº of Schedules");
  EXPECT_EQ(StripHotkey(""), "");
}

TEST(ShortCutToText, ModifiersThenKeyName) {
  EXPECT_EQ(ShortCutToText(0), "");
  EXPECT_EQ(ShortCutToText('N' | scCtrl), "Ctrl+N");
  EXPECT_EQ(ShortCutToText('S' | scCtrl | scShift), "Shift+Ctrl+S");
  EXPECT_EQ(ShortCutToText(0x73 | scAlt), "Alt+F4");
  EXPECT_EQ(ShortCutToText(0x7B), "F12");
  EXPECT_EQ(ShortCutToText(0x2E), "Del");
  EXPECT_EQ(ShortCutToText('7'), "7");
  // A key without a name gives no text at all, not a bare "Ctrl+".
  EXPECT_EQ(ShortCutToText(0xE5 | scCtrl), "");
}

}  // namespace
}  // namespace marrowby
