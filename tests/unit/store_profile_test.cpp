// The profile file's rules, case by case, as the platform's profile
// functions apply them (each case was first observed on the platform; the
// differential test under Wine checks them at random).
#include "store/profile_file.h"

#include <gtest/gtest.h>

#include <string>

namespace marrowby {
namespace {

TEST(ProfileFile, NewFileGetsSectionsInOrderWithCrLfAndNoBlankLines) {
  ProfileFile f;
  f.WriteString("Sec", "Key", "Val");
  f.WriteString("Sec2", "K", "v");
  f.WriteString("sec", "key2", "x");
  EXPECT_TRUE(f.Modified());
  EXPECT_EQ(f.Bytes(), "[Sec]\r\nKey=Val\r\nkey2=x\r\n[Sec2]\r\nK=v\r\n");
}

TEST(ProfileFile, ParsesAnyLineEndAndDropsBlankLines) {
  ProfileFile f("a=1\r[ S ]\rk = v \rnoeq\n\n\n[X\n=e\n=f\nk2=\"q\"\n");
  EXPECT_EQ(f.GetString("", "a", "d"), "1");
  EXPECT_EQ(f.GetString("S", "k", "d"), "v");
  EXPECT_EQ(f.GetString("S", "noeq", "d"), "d") << "a line without '=' has no value";
  EXPECT_EQ(f.GetString("X", "k2", "d"), "d") << "'[X' without ']' is a key, not a section";
  EXPECT_EQ(f.GetString("S", "k2", "d"), "q");
  f.WriteString("S", "k", "w");
  // Rewritten as the parser read it: the second nameless line is gone.
  EXPECT_EQ(f.Bytes(), "a=1\r\n[S]\r\nk=w\r\nnoeq\r\n[X\r\n=e\r\nk2=\"q\"\r\n");
}

TEST(ProfileFile, UnchangedValueLeavesTheFileUntouched) {
  const std::string odd = "[S]\nk=v\r\n\r\n  junk  \n";
  ProfileFile f(odd);
  f.WriteString(" s ", "K", "  v");  // same value once the leading blanks go
  f.DeleteKey("S", "missing");
  f.EraseSection("missing");
  EXPECT_FALSE(f.Modified());
  EXPECT_EQ(f.Bytes(), odd);
}

TEST(ProfileFile, NamesMatchTrimmedAndCaseInsensitiveForAsciiOnly) {
  ProfileFile f("[\xC9t\xE9]\r\nCl\xC9=1\r\n[Ab]\r\nkEy=2\r\n");
  EXPECT_EQ(f.GetString(" aB\t", "\tKEY ", "d"), "2");
  EXPECT_EQ(f.GetString("\xE9t\xE9", "cl\xE9", "d"), "d") << "no case folding beyond ASCII";
  EXPECT_EQ(f.GetString("\xC9t\xE9", "Cl\xC9", "d"), "1");
}

TEST(ProfileFile, FirstOfDuplicateSectionsAndKeysCounts) {
  ProfileFile f("[A]\r\nk=1\r\nk=2\r\n[a]\r\nk=3\r\nj=4\r\n");
  EXPECT_EQ(f.GetString("A", "k", "d"), "1");
  EXPECT_EQ(f.GetString("A", "j", "d"), "d") << "only the first [A] is searched";
  f.WriteString("A", "j", "5");
  EXPECT_EQ(f.Bytes(), "[A]\r\nk=1\r\nk=2\r\nj=5\r\n[a]\r\nk=3\r\nj=4\r\n");
  f.EraseSection("a");
  EXPECT_EQ(f.Bytes(), "[a]\r\nk=3\r\nj=4\r\n") << "erasing removes the first match only";
}

TEST(ProfileFile, QuotesAndTheReadBuffer) {
  ProfileFile f;
  f.WriteString("Q", "plain", "\"C:\\Program Files\\x.exe\"");
  f.WriteString("Q", "single", "'a'");
  f.WriteString("Q", "one", "\"");
  f.WriteString("Q", "half", "\"abc");
  EXPECT_EQ(f.GetString("Q", "plain", ""), "C:\\Program Files\\x.exe");
  EXPECT_EQ(f.GetString("Q", "single", ""), "a");
  EXPECT_EQ(f.GetString("Q", "one", ""), "\"");
  EXPECT_EQ(f.GetString("Q", "half", ""), "\"abc");
  EXPECT_EQ(f.GetString("Q", "missing", "'dflt'   "), "dflt") << "the default is unquoted too";
  EXPECT_EQ(f.GetString("Q", "missing", "   "), " ") << "trailing spaces go, but not the first";

  f.WriteString("L", "long", std::string(2000, 'x'));
  EXPECT_EQ(f.GetString("L", "long", ""), std::string(1023, 'x'));
  // A quoted value that fills the buffer: the platform cuts the closing
  // quote with the rest and, when the copy reaches the quote, drops the last
  // character instead (1022 characters both times).
  f.WriteString("L", "q1023", "\"" + std::string(1023, 'a') + "\"");
  EXPECT_EQ(f.GetString("L", "q1023", ""), std::string(1022, 'a'));
  f.WriteString("L", "q1022", "\"" + std::string(1022, 'a') + "\"");
  EXPECT_EQ(f.GetString("L", "q1022", ""), std::string(1022, 'a'));
  f.WriteString("L", "q2000", "\"" + std::string(2000, 'a') + "\"");
  EXPECT_EQ(f.GetString("L", "q2000", ""), std::string(1023, 'a'));
  EXPECT_EQ(f.GetString("L", "long", "", 10), std::string(9, 'x'));
}

TEST(ProfileFile, WhatIsWrittenIsWhatTheNextCallReadsBack) {
  ProfileFile f;
  f.WriteString(" Sec ", "key ", " v  ");
  // The file holds exactly what was written...
  EXPECT_EQ(f.Bytes(), "[Sec ]\r\nkey =v  \r\n");
  // ...and the next call sees it as the parser reads it.
  EXPECT_EQ(f.GetString("Sec", "key", "d"), "v");
  f.WriteString("sec", "KEY", "v");  // equal to what is read back: no change
  EXPECT_EQ(f.Bytes(), "[Sec ]\r\nkey =v  \r\n");
  f.WriteString("sec", "other", "w");
  EXPECT_EQ(f.Bytes(), "[Sec]\r\nkey=v\r\nother=w\r\n");
}

TEST(ProfileFile, LineBreaksAndEqualSignsInNamesAndValuesReadBackAsThePlatformDoes) {
  ProfileFile f;
  f.WriteString("C", "k", "a\nb");
  EXPECT_EQ(f.Bytes(), "[C]\r\nk=a\nb\r\n");
  EXPECT_EQ(f.GetString("C", "k", "d"), "a");
  EXPECT_EQ(f.GetString("C", "b", "d"), "d") << "'b' became a key without a value";
  f.WriteString("A", "a=b", "v");
  EXPECT_EQ(f.GetString("A", "a", "d"), "b=v");
  f.WriteString("A", "[k", "x]");
  EXPECT_EQ(f.GetString("k=x", "z", "d"), "d");
  f.WriteString("k=x", "z", "1");
  EXPECT_EQ(f.Bytes(), "[C]\r\nk=a\r\nb\r\n[A]\r\na=b=v\r\n[k=x]\r\nz=1\r\n");
}

TEST(ProfileFile, EmptyNamesAndTheNamelessSection) {
  ProfileFile f("[A]\r\nk=1\r\n");
  f.WriteString("", "top", "1");
  EXPECT_EQ(f.Bytes(), "top=1\r\n[A]\r\nk=1\r\n");
  f.WriteString("A", "", "e1");
  f.WriteString("A", " ", "e2");  // the same (empty) key
  EXPECT_EQ(f.GetString("A", "", "d"), "e2");
  // An empty section written after "[]" joins the section before it.
  ProfileFile g("[A]\r\nk=1\r\n[]\r\nj=2\r\n");
  EXPECT_EQ(g.GetString("A", "j", "d"), "d");
  g.WriteString("A", "k", "3");
  EXPECT_EQ(g.Bytes(), "[A]\r\nk=3\r\nj=2\r\n");
  EXPECT_EQ(g.GetString("A", "j", "d"), "2");
}

TEST(ProfileFile, TwoNamelessKeysInARowAndDeletion) {
  ProfileFile f("[A]\r\n=1\r\nx=2\r\n=3\r\n");
  f.DeleteKey("A", "x");
  // Written with both nameless lines; the next read drops the second.
  EXPECT_EQ(f.Bytes(), "[A]\r\n=1\r\n=3\r\n");
  EXPECT_EQ(f.GetString("A", "", "d"), "1");
  f.WriteString("A", "y", "4");
  EXPECT_EQ(f.Bytes(), "[A]\r\n=1\r\ny=4\r\n");
  f.DeleteKey(" A", "y");  // deleting does not trim the names
  EXPECT_EQ(f.GetString("A", "y", "d"), "4");
}

TEST(ProfileFile, ErasingTheLastSectionEmptiesTheFileAndErasingNothingCreatesNone) {
  ProfileFile none;
  none.EraseSection("");
  none.EraseSection("A");
  none.DeleteKey("", "k");
  EXPECT_FALSE(none.Modified()) << "no file is created for nothing";
  ProfileFile f("[A]\r\nk=1\r\n");
  f.EraseSection("a");
  EXPECT_TRUE(f.Modified());
  EXPECT_EQ(f.Bytes(), "");
  f.EraseSection("");
  f.WriteString("", "k", "v");
  EXPECT_EQ(f.Bytes(), "k=v\r\n");
}

TEST(ProfileFile, KeepsTheByteOrderMarkAndUnicodeText) {
  ProfileFile u8("\xEF\xBB\xBF[A]\r\nk=v\xC3\xA9\r\n");
  EXPECT_EQ(u8.Encoding(), ProfileEncoding::Utf8);
  EXPECT_EQ(u8.GetString("A", "k", ""), "v\xE9") << "read as ANSI";
  u8.WriteString("A", "k2", "w\xE9");
  EXPECT_EQ(u8.Bytes(), "\xEF\xBB\xBF[A]\r\nk=v\xC3\xA9\r\nk2=w\xC3\xA9\r\n");

  const std::string utf16("\xFF\xFE[\0A\0]\0\r\0\n\0k\0=\0\xAC\x20\r\0\n\0", 22);
  ProfileFile w(utf16);
  EXPECT_EQ(w.Encoding(), ProfileEncoding::Utf16LE);
  EXPECT_EQ(w.GetString("A", "k", ""), "\x80") << "the euro sign in the ANSI code page";
  w.WriteString("A", "k2", "w");
  EXPECT_EQ(w.Bytes(), utf16 + std::string("k\0" "2\0=\0w\0\r\0\n\0", 12));
}

TEST(ProfileFile, NamesAndValuesEndAtANulAsThePlatformsStringsDo) {
  ProfileFile f(std::string("[A]\r\nk=ab\0cd\r\nn\0x=1\r\n\0\r\n=2\r\n[B\0C]\r\nq=2\r\n[\0]\r\nz=3\r\n", 50));
  EXPECT_EQ(f.GetString("A", "k", "d"), "ab");
  EXPECT_EQ(f.GetString("A", "n", "d"), "1");
  EXPECT_EQ(f.GetString("A", "", "d"), "d") << "a NUL line is a name of its own, then dropped by the rule";
  EXPECT_EQ(f.GetString("B", "q", "d"), "2");
  EXPECT_EQ(f.GetString("B", "z", "d"), "d");
  f.WriteString("A", "y", "1");
  EXPECT_EQ(f.Bytes(), "[A]\r\nk=ab\r\nn=1\r\n\r\ny=1\r\n[B]\r\nq=2\r\nz=3\r\n");
  EXPECT_EQ(f.GetString("B", "z", "d"), "3");
}

TEST(ProfileFile, AFirstKeyThatBecomesAByteOrderMarkIsReadBackInThatEncoding) {
  ProfileFile f(" \xEF\xBB\xBFk=v\r\n");
  EXPECT_EQ(f.GetString("", "\xEF\xBB\xBFk", "d"), "v");
  f.WriteString("A", "b", "c");
  // Written without the blank in front, the file now starts with a UTF-8 mark.
  EXPECT_EQ(f.Bytes(), "\xEF\xBB\xBFk=v\r\n[A]\r\nb=c\r\n");
  EXPECT_EQ(f.Encoding(), ProfileEncoding::Utf8);
  EXPECT_EQ(f.GetString("", "k", "d"), "v");
}

TEST(ProfileFile, UnreadableFileGivesDefaultsAsTheyAre) {
  ProfileFile f("[A]\r\nk=1\r\n");
  f.SetUnreadable();
  EXPECT_EQ(f.GetString("A", "k", "'x'  "), "'x'");
  EXPECT_FALSE(f.HasValue("A", "k"));
}

TEST(ProfileFile, HasValueOnlyForKeysWithAValue) {
  ProfileFile f("[A]\r\nk=\r\nbare\r\n");
  EXPECT_TRUE(f.HasValue("a", " K"));
  EXPECT_FALSE(f.HasValue("A", "bare"));
  EXPECT_FALSE(f.HasValue("A", "none"));
  EXPECT_FALSE(f.HasValue("B", "k"));
}

}  // namespace
}  // namespace marrowby
