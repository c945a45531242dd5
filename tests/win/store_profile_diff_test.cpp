// Our profile file against the platform's profile functions: random files
// (odd spacing, quotes, duplicate and empty keys, lines without "=", long
// values, CR-only and LF-only line ends, byte-order marks) and random
// sequences of writes, key deletions, section erasures and reads, run once
// through Wine's kernel32 and once through ProfileFile. The reads must give
// the same text and the file the same bytes.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "store/profile_file.h"
#include "tests/win/win_test_util.h"

namespace marrowby {
namespace {

using namespace wintest;

std::string Escape(const std::string& s) {
  std::string out;
  char buf[8];
  for (unsigned char c : s) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c < 32 || c > 126 || c == '\\') {
      std::snprintf(buf, sizeof(buf), "\\x%02x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

class Generator {
 public:
  explicit Generator(uint32_t seed) : rng_(seed) {}

  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  bool Chance(int percent) { return Int(0, 99) < percent; }
  template <class T>
  const T& Pick(const std::vector<T>& v) {
    return v[static_cast<size_t>(Int(0, static_cast<int>(v.size()) - 1))];
  }

  std::string Spaces() {
    static const std::vector<std::string> kinds = {"", "", "", " ", "  ", "\t", " \t ", "\x1a"};
    return Pick(kinds);
  }
  std::string Case(const std::string& s) {
    std::string out = s;
    for (char& c : out) {
      if (Chance(30)) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (Chance(30)) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
  }
  std::string SectionName() {
    static const std::vector<std::string> names = {"Sec", "TMainForm", "TMainForm.ListBox1_Items",
                                                   "a b", "x]y", "", "Empty", "sec2", "[q"};
    return Case(Pick(names));
  }
  std::string KeyName() {
    static const std::vector<std::string> names = {"Key", "Count", "Item0", "Item1", "k", "",
                                                   "a b", ";c", "Launcher1_Checks", "x=y", "[k"};
    return Case(Pick(names));
  }
  std::string Value(bool ansiHigh) {
    std::string v;
    switch (Int(0, 11)) {
      case 0: v = ""; break;
      case 1: v = "\"quoted\""; break;
      case 2: v = "'single'"; break;
      case 3: v = "\""; break;
      case 4: v = "\"half"; break;
      case 5: v = "a = b"; break;
      case 6: v = std::string(static_cast<size_t>(Int(1015, 1030)), 'L'); break;
      case 7: v = "\"" + std::string(static_cast<size_t>(Int(1019, 1026)), 'Q') + "\""; break;
      case 8: v = "line\r\nbreak"; break;
      case 9: v = "[lcDate,lcTime]"; break;
      case 10: v = std::string(static_cast<size_t>(Int(1500, 2500)), 'M'); break;
      default: v = "v" + std::to_string(Int(0, 99)); break;
    }
    if (ansiHigh && Chance(15)) v += static_cast<char>(Int(0x80, 0xFF));
    return Spaces() + v + Spaces();
  }
  std::string LineEnd() {
    static const std::vector<std::string> ends = {"\r\n", "\r\n", "\n", "\r", "\n\r", "\r\r\n", "\n\n"};
    return Pick(ends);
  }

  // A file as an editor or an older writer might leave it.
  std::string File(bool ansiHigh) {
    std::string f;
    const int lines = Int(0, 14);
    for (int i = 0; i < lines; ++i) {
      std::string line;
      switch (Int(0, 9)) {
        case 0: line = Spaces() + "[" + Spaces() + SectionName() + Spaces() + "]" + Spaces(); break;
        case 1: line = "[" + SectionName(); break;  // no closing bracket
        case 2: line = Spaces(); break;
        case 3: line = Spaces() + KeyName(); break;  // no "="
        case 4: line = "[]"; break;
        default: line = Spaces() + KeyName() + Spaces() + "=" + Value(ansiHigh); break;
      }
      // Now and then a NUL byte, which ends a name or value for the platform.
      if (Chance(3)) line.insert(static_cast<size_t>(Int(0, static_cast<int>(line.size()))), 1, '\0');
      f += line + LineEnd();
    }
    if (Chance(20) && !f.empty()) f.resize(f.size() - 1);  // last line cut short
    // Blanks, then what a rewrite turns into a byte-order mark. (Not the
    // UTF-16 one: a file of odd length then makes the platform read a byte
    // beyond its buffer.)
    if (Chance(3)) f = Spaces() + " \xef\xbb\xbf" + f;
    return f;
  }

 private:
  std::mt19937 rng_;
};

std::string Utf16LE(const std::string& ascii) {
  std::string out = "\xFF\xFE";
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

struct Op {
  enum Kind { Write, Delete, Erase, Read } kind;
  std::string section, key, value;
};

std::string Describe(const Op& op) {
  static const char* const names[] = {"write", "delete", "erase", "read"};
  return std::string(names[op.kind]) + " [" + Escape(op.section) + "] [" + Escape(op.key) + "] [" +
         Escape(op.value) + "]";
}

class ProfileDiff : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = MakeTempDir("profdiff"); }
  void TearDown() override { RemoveTree(dir_); }

  // Runs the operations on a file with these initial bytes (none: no file)
  // through the platform and through ProfileFile; returns an empty string
  // or the first difference.
  std::string Compare(const std::string& name, bool exists, const std::string& initial,
                      const std::vector<Op>& ops) {
    const std::string path = dir_ + name + ".ini";
    if (exists) WriteFile(path, initial);
    ProfileFile ours(exists ? initial : std::string());
    std::ostringstream log;
    log << name << ", file [" << (exists ? Escape(initial) : "<none>") << "]\n";
    for (const Op& op : ops) {
      log << "  " << Describe(op) << "\n";
      // Forget the platform's cached copy, so each call reads the file as
      // it is on disk (its cache is only trusted for files older than two
      // seconds, which would make the outcome depend on timing).
      WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
      switch (op.kind) {
        case Op::Write:
          WritePrivateProfileStringA(op.section.c_str(), op.key.c_str(), op.value.c_str(), path.c_str());
          ours.WriteString(op.section, op.key, op.value);
          break;
        case Op::Delete:
          WritePrivateProfileStringA(op.section.c_str(), op.key.c_str(), nullptr, path.c_str());
          ours.DeleteKey(op.section, op.key);
          break;
        case Op::Erase:
          WritePrivateProfileStringA(op.section.c_str(), nullptr, nullptr, path.c_str());
          ours.EraseSection(op.section);
          break;
        case Op::Read: {
          char buf[1024];
          const DWORD n = GetPrivateProfileStringA(op.section.c_str(), op.key.c_str(), op.value.c_str(),
                                                   buf, sizeof(buf), path.c_str());
          const std::string theirs(buf, n);
          const std::string mine = ours.GetString(op.section, op.key, op.value);
          if (theirs != mine) {
            return log.str() + "read differs: platform [" + Escape(theirs) + "] ours [" + Escape(mine) + "]";
          }
          break;
        }
      }
    }
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
    const bool theirExists = FileExists(path);
    const bool ourExists = exists || ours.Modified();
    if (theirExists != ourExists) {
      return log.str() + "file existence differs: platform " + std::to_string(theirExists);
    }
    const std::string theirs = theirExists ? ReadFile(path) : std::string();
    const std::string mine = ours.Bytes();
    if (theirs != mine) {
      return log.str() + "bytes differ:\n  platform [" + Escape(theirs) + "]\n  ours     [" + Escape(mine) + "]";
    }
    DeleteFileA(path.c_str());
    return std::string();
  }

  std::string RunRandom(int index, Generator& g) {
    const int kind = g.Int(0, 19);
    const bool ansi = kind < 16;
    std::string initial;
    const bool exists = kind != 16;
    if (kind == 17) {
      initial = "\xEF\xBB\xBF" + g.File(false);
    } else if (kind == 18) {
      initial = Utf16LE(g.File(false));
    } else if (exists) {
      initial = g.File(g.Chance(30));
    }
    std::vector<Op> ops(static_cast<size_t>(g.Int(1, 25)));
    for (Op& op : ops) {
      const int pick = g.Int(0, 99);
      op.kind = pick < 45 ? Op::Write : pick < 55 ? Op::Delete : pick < 62 ? Op::Erase : Op::Read;
      op.section = g.Spaces() + g.SectionName() + g.Spaces();
      if (op.kind == Op::Erase && g.Chance(70)) op.section = g.SectionName();
      op.key = g.Spaces() + g.KeyName() + g.Spaces();
      op.value = op.kind == Op::Read ? g.Value(false) : g.Value(ansi);
    }
    return Compare("sequence " + std::to_string(index), exists, initial, ops);
  }

  std::string dir_;
};

TEST_F(ProfileDiff, ThousandsOfRandomSequencesGiveTheSameReadsAndBytes) {
  uint32_t seed = 20240611;
  char env[32];
  if (GetEnvironmentVariableA("MARROWBY_DIFF_SEED", env, sizeof(env))) seed = std::stoul(env);
  int count = 1200;
  if (GetEnvironmentVariableA("MARROWBY_DIFF_COUNT", env, sizeof(env))) count = std::stoi(env);
  Generator g(seed);
  int failures = 0;
  for (int i = 0; i < count && failures < 3; ++i) {
    const std::string diff = RunRandom(i, g);
    if (!diff.empty()) {
      ++failures;
      ADD_FAILURE() << "seed " << seed << "\n" << diff;
    }
  }
  EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace marrowby

namespace marrowby {
namespace {

// The cases of the native profile tests, on the platform itself.
TEST_F(ProfileDiff, TheNativeTestCasesHoldOnThePlatform) {
  const Op::Kind W = Op::Write, D = Op::Delete, E = Op::Erase, R = Op::Read;
  struct Case {
    bool exists;
    std::string initial;
    std::vector<Op> ops;
  };
  const std::string q1023 = "\"" + std::string(1023, 'a') + "\"";
  const std::string q1022 = "\"" + std::string(1022, 'a') + "\"";
  const std::vector<Case> cases = {
      {false, "", {{W, "Sec", "Key", "Val"}, {W, "Sec2", "K", "v"}, {W, "sec", "key2", "x"}}},
      {true, "a=1\r[ S ]\rk = v \rnoeq\n\n\n[X\n=e\n=f\nk2=\"q\"\n",
       {{R, "", "a", "d"}, {R, "S", "noeq", "d"}, {R, "X", "k2", "d"}, {R, "S", "k2", "d"},
        {W, "S", "k", "w"}}},
      {true, "[S]\nk=v\r\n\r\n  junk  \n", {{W, " s ", "K", "  v"}, {D, "S", "missing", ""}, {E, "missing", "", ""}}},
      {true, "[\xC9t\xE9]\r\nCl\xC9=1\r\n[Ab]\r\nkEy=2\r\n",
       {{R, " aB\t", "\tKEY ", "d"}, {R, "\xE9t\xE9", "cl\xE9", "d"}, {R, "\xC9t\xE9", "Cl\xC9", "d"}}},
      {true, "[A]\r\nk=1\r\nk=2\r\n[a]\r\nk=3\r\nj=4\r\n",
       {{R, "A", "k", "d"}, {R, "A", "j", "d"}, {W, "A", "j", "5"}, {E, "a", "", ""}}},
      {false, "",
       {{W, "Q", "one", "\""}, {W, "Q", "half", "\"abc"}, {R, "Q", "one", ""}, {R, "Q", "half", ""},
        {R, "Q", "missing", "'dflt'   "}, {R, "Q", "missing", "   "}, {W, "L", "q1023", q1023},
        {R, "L", "q1023", ""}, {W, "L", "q1022", q1022}, {R, "L", "q1022", ""}}},
      {false, "", {{W, " Sec ", "key ", " v  "}, {R, "Sec", "key", "d"}, {W, "sec", "KEY", "v"}}},
      {false, "",
       {{W, "C", "k", "a\nb"}, {R, "C", "k", "d"}, {R, "C", "b", "d"}, {W, "A", "a=b", "v"},
        {R, "A", "a", "d"}, {W, "A", "[k", "x]"}, {R, "k=x", "z", "d"}, {W, "k=x", "z", "1"}}},
      {true, "[A]\r\nk=1\r\n", {{W, "", "top", "1"}, {W, "A", "", "e1"}, {W, "A", " ", "e2"}, {R, "A", "", "d"}}},
      {true, "[A]\r\nk=1\r\n[]\r\nj=2\r\n", {{R, "A", "j", "d"}, {W, "A", "k", "3"}, {R, "A", "j", "d"}}},
      {true, "[A]\r\n=1\r\nx=2\r\n=3\r\n", {{D, "A", "x", ""}}},
      {true, "[A]\r\n=1\r\nx=2\r\n=3\r\n", {{D, "A", "x", ""}, {R, "A", "", "d"}, {W, "A", "y", "4"}, {D, " A", "y", ""}}},
      {false, "", {{E, "", "", ""}, {E, "A", "", ""}, {D, "", "k", ""}}},
      {true, "[A]\r\nk=1\r\n", {{E, "a", "", ""}}},
      {true, "[A]\r\nk=1\r\n", {{E, "a", "", ""}, {E, "", "", ""}, {W, "", "k", "v"}}},
      {true, "\xEF\xBB\xBF[A]\r\nk=v\xC3\xA9\r\n", {{R, "A", "k", ""}, {W, "A", "k2", "w\xE9"}}},
      {true, std::string("\xFF\xFE[\0A\0]\0\r\0\n\0k\0=\0\xAC\x20\r\0\n\0", 22),
       {{R, "A", "k", ""}, {W, "A", "k2", "w"}}},
      {true, std::string("[A]\r\nk=ab\0cd\r\nn\0x=1\r\n\0\r\n=2\r\n[B\0C]\r\nq=2\r\n[\0]\r\nz=3\r\n", 50),
       {{R, "A", "k", "d"}, {R, "A", "n", "d"}, {R, "A", "", "d"}, {R, "B", "q", "d"}, {R, "B", "z", "d"},
        {W, "A", "y", "1"}, {R, "B", "z", "d"}}},
      {true, "\x1a\xff\xfe" "Z\xfd" "A", {{W, "", "", ""}, {R, "", "", "d"}, {W, "S", "k", "v"}, {R, "S", "k", "d"}}},
      {true, " \xef\xbb\xbfk=v\r\n", {{W, "A", "b", "c"}, {R, "", "k", "d"}, {W, "A", "d", "e"}}},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const std::string diff = Compare("case " + std::to_string(i), cases[i].exists, cases[i].initial, cases[i].ops);
    EXPECT_TRUE(diff.empty()) << diff;
  }
}

}  // namespace
}  // namespace marrowby
