// Splitting an item line into a program and its parameters when the shell
// cannot find the whole line.
#include <gtest/gtest.h>

#include <set>

#include "scheduler/command_split.h"

namespace marrowby {
namespace {

TEST(ProgramSplits, QuotedProgramOrEveryBlankOutsideQuotesLongestFirst) {
  struct Case {
    const char* line;
    std::vector<ProgramCall> splits;
  };
  const Case cases[] = {
      {"C:\\tools\\report.exe C:\\data\\in.txt", {{"C:\\tools\\report.exe", "C:\\data\\in.txt"}}},
      {"\"C:\\Program Files\\x\\a b.exe\" \"in put.txt\"",
       {{"C:\\Program Files\\x\\a b.exe", "\"in put.txt\""}}},
      {"  \"C:\\a b\\p.exe\"", {{"C:\\a b\\p.exe", ""}}},
      {"C:\\My Tools\\a b.exe  x  y ",
       {{"C:\\My Tools\\a b.exe  x", "y"},
        {"C:\\My Tools\\a b.exe", "x  y"},
        {"C:\\My Tools\\a", "b.exe  x  y"},
        {"C:\\My", "Tools\\a b.exe  x  y"}}},
      // A blank inside quotes splits nothing; no program holds a quote.
      {"C:\\t\\r.exe \"in put.txt\"", {{"C:\\t\\r.exe", "\"in put.txt\""}}},
      {"C:\\t\\r\"x\".exe arg", {}},
      // An unterminated or glued quote is no program.
      {"\"C:\\a b\\p.exe arg", {}},
      {"\"C:\\a\"b arg", {}},
      {"\"\" arg", {}},
      {"C:\\single.exe", {}},
      {"   ", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ProgramSplits(c.line), c.splits) << c.line;
}

TEST(ProgramSplits, TheLongestExistingProgramWinsAndDocumentsAreNoPrograms) {
  const std::set<std::string> files = {"C:\\My Tools\\a.exe", "C:\\My Tools\\a b.exe",
                                       "C:\\docs\\letter.doc", "C:\\bin\\run.BAT"};
  auto find = [&](const std::string& name) {
    if (files.count(name)) return name;
    return files.count(name + ".exe") ? name + ".exe" : std::string();
  };
  ProgramCall call;
  ASSERT_TRUE(SplitProgramLine("C:\\My Tools\\a b.exe C:\\out.txt", find, &call));
  EXPECT_EQ(call, (ProgramCall{"C:\\My Tools\\a b.exe", "C:\\out.txt"}));
  // The name without extension is found as the program the system would run.
  ASSERT_TRUE(SplitProgramLine("C:\\My Tools\\a x", find, &call));
  EXPECT_EQ(call, (ProgramCall{"C:\\My Tools\\a.exe", "x"}));
  ASSERT_TRUE(SplitProgramLine("C:\\bin\\run.BAT now", find, &call));
  EXPECT_EQ(call.program, "C:\\bin\\run.BAT");
  EXPECT_FALSE(SplitProgramLine("C:\\docs\\letter.doc print", find, &call));
  EXPECT_FALSE(SplitProgramLine("C:\\nowhere\\p.exe arg", find, &call));
}

TEST(ShellResults, NotFoundAloneSplitsAndEveryResultHasASystemCode) {
  EXPECT_TRUE(ShellSaysNotFound(2));
  EXPECT_TRUE(ShellSaysNotFound(3));
  for (intptr_t r : {0, 5, 8, 11, 26, 31, 42}) EXPECT_FALSE(ShellSaysNotFound(r)) << r;
  const std::pair<intptr_t, uint32_t> codes[] = {{0, 8},     {2, 2},     {5, 5},    {26, 32},
                                                 {27, 1155}, {31, 1155}, {29, 1156}, {32, 1157}};
  for (const auto& [result, code] : codes) EXPECT_EQ(ShellResultError(result), code) << result;
}

}  // namespace
}  // namespace marrowby
