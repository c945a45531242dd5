// File names through setuppack: any set of names it accepts from --dir
// extracts back identically, by cabextract (which shows the bytes stored:
// Windows-1252, judged by iconv) and by setuppack extract (UTF-8 again);
// any set it refuses breaks a rule that this test states on its own, and the
// message names the rule.
#include <glib.h>
#include <gtest/gtest.h>
#include <iconv.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/unit/setuppack_run.h"

namespace {

namespace fs = std::filesystem;

using marrowby::setuppack::testing::Shell;

// The name in Windows-1252, by the C library's converter.
bool To1252(const std::string& utf8, std::string* out) {
  iconv_t cd = iconv_open("WINDOWS-1252", "UTF-8");
  std::string in = utf8;
  char buf[1024];
  char* src = &in[0];
  char* dst = buf;
  size_t left = in.size(), room = sizeof(buf);
  const bool ok = iconv(cd, &src, &left, &dst, &room) != static_cast<size_t>(-1);
  iconv_close(cd);
  *out = std::string(buf, static_cast<size_t>(dst - buf));
  return ok;
}

std::string Upper(const std::string& utf8) {
  std::string out;
  for (const char* p = utf8.c_str(); *p; p = g_utf8_next_char(p)) {
    char b[8];
    out.append(b, static_cast<size_t>(g_unichar_to_utf8(g_unichar_toupper(g_utf8_get_char(p)), b)));
  }
  return out;
}

bool IsDevice(const std::string& name) {
  std::string stem = Upper(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  static const std::set<std::string> devices = {
      "CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$", "COM\xC2\xB9", "COM\xC2\xB2",
      "COM\xC2\xB3", "LPT\xC2\xB9", "LPT\xC2\xB2", "LPT\xC2\xB3"};
  if (devices.count(stem)) return true;
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
         stem[3] >= '0' && stem[3] <= '9';
}

// The phrases of the rules a name set breaks, as the builder words them.
std::set<std::string> BrokenRules(const std::set<std::string>& names, bool split) {
  std::set<std::string> broken;
  std::map<std::string, int> folded;
  for (const std::string& n : names) {
    std::string cp;
    if (!To1252(n, &cp)) broken.insert("has no Windows-1252 form");
    if (IsDevice(n)) broken.insert("is the name of a device");
    if (n.find_first_of("<>:\"|?*") != std::string::npos) broken.insert("does not allow");
    if (n.back() == '.' || n.back() == ' ') broken.insert("ends in a dot or a space");
    if (++folded[Upper(n)] > 1) broken.insert("differ only in case");
    if (split && Upper(n) == "TESSARA.PKG") broken.insert("Tessara.pkg");
  }
  return broken;
}

std::map<std::string, std::string> Listing(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(dir)) {
    std::ifstream in(e.path(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    files[e.path().filename().string()] = ss.str();
  }
  return files;
}

// Mostly names that pass, each rule broken now and then on its own, and
// names that differ from another one only in case.
std::string Content(const std::string& name) {
  return name == "setup.inf" ? "[DefaultInstall]\r\n" : "content of " + name;
}

std::set<std::string> RandomNames(std::mt19937& rng) {
  static const char* const kSafe[] = {
      "a",      "B",        "readme",   "caf\xC3\xA9", "\xE2\x82\xAC", "\xC5\xA0", "\xC5\xA1",
      "x y",    "data",     "Tessara",  "SETUP",     "\xC5\x93",     "\xC5\x92", "\xC3\xBF",
      "\xC5\xB8", "\xC2\xB9x", "COM"};
  static const char* const kRisky[] = {"\xD0\x96", "\xE4\xB8\xAD", "COM\xC2\xB9", "com1",
                                       "NUL",      "lpt\xC2\xB3",  "q?"};
  static const char* const kEnds[] = {"", ".txt", ".TXT", ".inf", ".pkg", ".PKG"};
  static const char* const kRiskyEnds[] = {".", " "};
  std::set<std::string> names;
  const int count = 1 + static_cast<int>(rng() % 5);
  for (int i = 0; i < count; ++i) {
    std::string name = rng() % 8 ? kSafe[rng() % std::size(kSafe)] : kRisky[rng() % std::size(kRisky)];
    if (rng() % 2) name += kSafe[rng() % std::size(kSafe)];
    name += rng() % 12 ? kEnds[rng() % std::size(kEnds)] : kRiskyEnds[rng() % 2];
    names.insert(name);
  }
  if (rng() % 4 == 0) names.insert(Upper(*names.begin()));
  return names;
}

TEST(SetuppackNames, AcceptedNamesExtractBackIdenticallyAndRefusedOnesBreakARule) {
  char tmpl[] = "/tmp/setuppack_names_XXXXXX";
  const std::string root = mkdtemp(tmpl);
  std::string stub(4096, '\0');
  stub.replace(0, 2, "MZ");
  stub[0x3C] = 0x40;
  stub.replace(0x40, 4, std::string("PE\0\0", 4));
  std::ofstream(root + "/stub.exe", std::ios::binary) << stub;
  std::mt19937 rng(1923);
  int accepted = 0, refused = 0;
  for (int round = 0; round < 80; ++round) {
    const std::string in = root + "/in";
    fs::remove_all(in);
    fs::create_directory(in);
    std::set<std::string> names = RandomNames(rng);
    names.insert("setup.inf");
    for (const std::string& n : names) std::ofstream(in + "/" + n) << Content(n);
    const bool split = rng() % 2;
    const auto build = Shell(std::string(SETUPPACK_PATH) + " build -o " + root + "/p.exe --stub " +
                            root + "/stub.exe --inf setup.inf --dir " + in +
                            (split ? " --split 100000" : ""));
    const std::set<std::string> broken = BrokenRules(names, split);
    std::string shown;
    for (const std::string& n : names) shown += "[" + n + "] ";
    if (!broken.empty()) {
      ++refused;
      EXPECT_EQ(build.code, 1) << shown << build.output;
      EXPECT_TRUE(std::any_of(broken.begin(), broken.end(), [&](const std::string& phrase) {
        return build.output.find(phrase) != std::string::npos;
      })) << shown << build.output;
      continue;
    }
    ++accepted;
    ASSERT_EQ(build.code, 0) << shown << build.output;
    fs::remove_all(root + "/by-cabextract");
    fs::remove_all(root + "/by-setuppack");
    ASSERT_EQ(Shell("cabextract -q -d " + root + "/by-cabextract " + root + "/p.exe").code, 0);
    ASSERT_EQ(Shell(std::string(SETUPPACK_PATH) + " extract " + root + "/p.exe " + root +
                    "/by-setuppack").code, 0);
    std::map<std::string, std::string> expected1252, expectedUtf8;
    for (const std::string& n : names) {
      std::string cp;
      To1252(n, &cp);
      expected1252[cp] = expectedUtf8[n] = Content(n);
    }
    EXPECT_EQ(Listing(root + "/by-cabextract"), expected1252) << shown;
    EXPECT_EQ(Listing(root + "/by-setuppack"), expectedUtf8) << shown;
  }
  // The generator reaches both sides of the property.
  EXPECT_GT(accepted, 10);
  EXPECT_GT(refused, 10);
  fs::remove_all(root);
}

}  // namespace
