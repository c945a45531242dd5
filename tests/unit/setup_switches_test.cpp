// The setup program's switches, judged against the rules they follow:
// random command lines of valid and invalid arguments, written in any case,
// with '/' or '-', quoted whole, in part or not at all, after a program name
// with or without quotation marks.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "setup/switches.h"

namespace marrowby::setup {
namespace {

struct Expected {
  bool quiet = false, noRestart = false, help = false, invalid = false;
  bool extract = false;
  std::string folder;
};

std::string RandomCase(const std::string& s, std::mt19937& rng) {
  std::string out = s;
  for (char& c : out) {
    if (c >= 'a' && c <= 'z' && rng() % 2) c = static_cast<char>(c - 32);
  }
  return out;
}

// One argument as a user might type it, and what it asks for.
std::string RandomArgument(std::mt19937& rng, Expected* e) {
  static const char* const kFolders[] = {"C:\\out", "rel\\dir", "C:\\My Files\\out",
                                         "D:\\a b\\c\\", "\\\\server\\share\\x"};
  static const char* const kInvalid[] = {"", "qq", "x:", "x", "extract", "quiet:", "?x",
                                         "no restart", "q/", "norestart=1"};
  const char prefix = rng() % 2 ? '/' : '-';
  std::string name;
  std::string folder;
  switch (rng() % 6) {
    case 0:
      name = RandomCase(rng() % 2 ? "q" : "quiet", rng);
      e->quiet = true;
      break;
    case 1:
      name = RandomCase("norestart", rng);
      e->noRestart = true;
      break;
    case 2:
      name = "?";
      e->help = true;
      break;
    case 3:
      folder = kFolders[rng() % 5];
      name = RandomCase("x", rng) + ":" + folder;
      if (e->extract) {
        e->invalid = true;  // a second /X:
      } else {
        e->extract = true;
        e->folder = folder;
      }
      break;
    case 4:
      name = RandomCase(kInvalid[rng() % 10], rng);
      e->invalid = true;
      break;
    default:  // no switch at all
      e->invalid = true;
      return rng() % 2 ? "install" : "\"C:\\some file.txt\"";
  }
  const std::string argument = prefix + name;
  const bool blank = argument.find(' ') != std::string::npos;
  const int quoting = static_cast<int>(rng() % 3);
  if (quoting == 1 || (blank && quoting == 0 && folder.empty())) return '"' + argument + '"';
  if (!folder.empty() && (quoting == 2 || blank)) {
    // Quoted from the folder on: /X:"C:\My Files\out"
    return argument.substr(0, 3) + '"' + folder + '"';
  }
  return argument;
}

TEST(Switches, RandomCommandLinesAgainstTheRules) {
  std::mt19937 rng(20260);
  static const char* const kPrograms[] = {"setup.exe", "\"C:\\Program Files\\x\\setup.exe\"",
                                          "C:\\x\\pkg.exe", "\"setup.exe\""};
  for (int round = 0; round < 5000; ++round) {
    Expected e;
    std::string line = kPrograms[rng() % 4];
    const int count = static_cast<int>(rng() % 5);
    for (int i = 0; i < count; ++i) {
      line += rng() % 3 ? " " : (rng() % 2 ? "\t" : "   ");
      line += RandomArgument(rng, &e);
    }
    if (rng() % 4 == 0) line += " \t";
    std::vector<char> text(line.begin(), line.end());
    text.push_back(0);
    Switches sw;
    ParseSwitches(text.data(), &sw);
    SCOPED_TRACE(line);
    EXPECT_EQ(sw.quiet, e.quiet);
    EXPECT_EQ(sw.noRestart, e.noRestart);
    EXPECT_EQ(sw.help, e.help);
    EXPECT_EQ(sw.invalid, e.invalid);
    ASSERT_EQ(sw.extractTo != nullptr, e.extract);
    if (e.extract) {
      EXPECT_EQ(std::string(sw.extractTo), e.folder);
    }
  }
}

}  // namespace
}  // namespace marrowby::setup
