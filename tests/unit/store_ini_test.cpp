// The ini layer over a file system that can refuse: one read and one write
// per save, the old file whole when a write fails, the per-user place when
// the Windows directory refuses, read-only files left alone.
#include "store/ini_file.h"

#include <gtest/gtest.h>

#include "tests/support/fake_store_platform.h"

namespace marrowby {
namespace {

using testing::FakeFileSystem;

const char kWinPath[] = "C:\\WINDOWS\\schedmgr.INI";
const char kUserPath[] = "C:\\Users\\me\\AppData\\Local\\Marrowby\\schedmgr.INI";

std::string ErrorOf(TIniFile& ini) {
  try {
    ini.UpdateFile();
  } catch (const EIniFileError& e) {
    return e.Message();
  }
  return "";
}

TEST(IniFile, ReadsOnceAndWritesOnceWhateverTheNumberOfKeys) {
  FakeFileSystem fs;
  fs.files[kWinPath] = "[TMainForm]\r\nA=1\r\n";
  TIniFile ini("schedmgr.INI", fs, "Marrowby");
  for (int i = 0; i < 500; ++i) ini.WriteInteger("TMainForm", "K" + std::to_string(i), i);
  EXPECT_EQ(ini.ReadString("TMainForm", "A", ""), "1");
  EXPECT_EQ(ini.ReadString("TMainForm", "K499", ""), "499");
  EXPECT_EQ(fs.replaces, 0) << "nothing is written before UpdateFile";
  ini.UpdateFile();
  EXPECT_EQ(fs.reads, 2) << "the per-user place, then the file";
  EXPECT_EQ(fs.replaces, 1);
  EXPECT_EQ(fs.files[kWinPath].substr(0, 28), "[TMainForm]\r\nA=1\r\nK0=0\r\nK1=1");
  ini.UpdateFile();
  EXPECT_EQ(fs.replaces, 1) << "nothing changed since";
}

TEST(IniFile, NothingChangedWritesNothing) {
  FakeFileSystem fs;
  fs.files[kWinPath] = "[S]\nk=v\n";
  TIniFile ini("schedmgr.INI", fs, "Marrowby");
  ini.WriteString("S", "k", "v");
  ini.UpdateFile();
  EXPECT_EQ(fs.replaces, 0);
  TIniFile none("other.INI", fs, "Marrowby");
  none.EraseSection("S");
  none.UpdateFile();
  EXPECT_EQ(fs.files.count("C:\\WINDOWS\\other.INI"), 0u);
}

TEST(IniFile, AFailedWriteKeepsTheOldFileWholeAndNamesTheFileAsGiven) {
  FakeFileSystem fs;
  fs.files[kWinPath] = "[S]\r\nold=1\r\n";
  fs.failReplaces = 1;
  TIniFile ini("schedmgr.INI", fs, "Marrowby");
  ini.WriteString("S", "new", "2");
  EXPECT_EQ(ErrorOf(ini), "Unable to write to schedmgr.INI");
  EXPECT_EQ(fs.files[kWinPath], "[S]\r\nold=1\r\n");
  EXPECT_EQ(fs.files.count(kUserPath), 0u) << "a disk error is no reason to move";
}

TEST(IniFile, AReadOnlyFileIsRefusedAndLeftAsItIs) {
  FakeFileSystem fs;
  fs.files[kWinPath] = "[S]\r\nold=1\r\n";
  fs.readOnly.insert(kWinPath);
  TIniFile ini("schedmgr.INI", fs, "Marrowby");
  ini.WriteString("S", "old", "2");
  EXPECT_EQ(ErrorOf(ini), "Unable to write to schedmgr.INI");
  EXPECT_EQ(fs.files[kWinPath], "[S]\r\nold=1\r\n");
  EXPECT_EQ(fs.files.count(kUserPath), 0u) << "read-only is the user's will, not a refusal";
}

TEST(IniFile, ARefusingWindowsDirectorySendsTheFileToThePerUserFolder) {
  FakeFileSystem fs;
  fs.files[kWinPath] = "[S]\r\nkept=1\r\n";
  fs.deniedDirs.insert("C:\\WINDOWS\\");
  {
    TIniFile ini("schedmgr.INI", fs, "Marrowby");
    ini.WriteString("S", "new", "2");
    ini.UpdateFile();
    EXPECT_EQ(ini.Path(), kUserPath);
  }
  EXPECT_EQ(fs.madeDirs.count("C:\\Users\\me\\AppData\\Local\\Marrowby"), 1u);
  EXPECT_EQ(fs.files[kUserPath], "[S]\r\nkept=1\r\nnew=2\r\n") << "the old keys come along";
  EXPECT_EQ(fs.files[kWinPath], "[S]\r\nkept=1\r\n");
  // From now on the per-user file is the settings file, for reading first.
  fs.files[kWinPath] = "[S]\r\nnew=stale\r\n";
  TIniFile again("schedmgr.INI", fs, "Marrowby");
  EXPECT_EQ(again.ReadString("S", "new", ""), "2");
  again.WriteString("S", "new", "3");
  again.UpdateFile();
  EXPECT_EQ(fs.files[kUserPath], "[S]\r\nkept=1\r\nnew=3\r\n");
}

TEST(IniFile, AFileThatCannotBeReadIsNeverOverwritten) {
  FakeFileSystem fs;
  fs.files[kWinPath] = "[S]\r\nprecious=1\r\n";
  fs.unreadable.insert(kWinPath);
  TIniFile ini("schedmgr.INI", fs, "Marrowby");
  EXPECT_EQ(ini.ReadString("S", "precious", "dflt"), "dflt");
  ini.WriteString("S", "k", "v");
  EXPECT_EQ(ErrorOf(ini), "Unable to write to schedmgr.INI");
  EXPECT_EQ(fs.files[kWinPath], "[S]\r\nprecious=1\r\n");
}

TEST(IniFile, APathIsUsedAsItIsWithoutAPerUserPlace) {
  FakeFileSystem fs;
  fs.deniedDirs.insert("D:\\cfg\\");
  TIniFile ini("D:\\cfg\\my.ini", fs, "Marrowby");
  ini.WriteString("S", "k", "v");
  EXPECT_EQ(ErrorOf(ini), "Unable to write to D:\\cfg\\my.ini");
  EXPECT_TRUE(fs.madeDirs.empty());
}

TEST(IniFile, QuotedValuesComeBackUnchanged) {
  FakeFileSystem fs;
  TIniFile ini("schedmgr.INI", fs, "Marrowby");
  for (const std::string v : {"\"C:\\Program Files\\App\\app.exe\"", "'x'", "\"", "\"a", "plain", "\"\""}) {
    ini.WriteString("S", "k", v);
    EXPECT_EQ(ini.ReadString("S", "k", ""), v);
  }
  ini.WriteString("S", "k", "\"q\"");
  ini.UpdateFile();
  EXPECT_EQ(fs.files[kWinPath], "[S]\r\nk=\"\"q\"\"\r\n");
}

TEST(IniFile, IntegersAndBooleansAsText) {
  FakeFileSystem fs;
  TIniFile ini("schedmgr.INI", fs, "Marrowby");
  ini.WriteInteger("S", "i", -42);
  ini.WriteBool("S", "t", true);
  ini.WriteBool("S", "f", false);
  ini.UpdateFile();
  EXPECT_EQ(fs.files[kWinPath], "[S]\r\ni=-42\r\nt=1\r\nf=0\r\n");
}

}  // namespace
}  // namespace marrowby
