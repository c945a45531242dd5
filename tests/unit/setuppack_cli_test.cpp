// The setuppack command line: help, errors with a non-zero exit, and a
// build / info / extract round trip through real files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "setup/package_format.h"
#include "tests/unit/setup_pe.h"
#include "tests/unit/setuppack_run.h"
#include "tools/setuppack/cabinet.h"

namespace marrowby::setuppack {
namespace {

using testing::Result;

Result Pack(const std::string& args, const std::string& env = "") {
  return testing::Shell(env + (env.empty() ? "" : " ") + SETUPPACK_PATH + " " + args);
}

void Write(const std::string& path, const std::string& data) {
  std::ofstream(path, std::ios::binary) << data;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

const char kInf[] = "[Version]\r\n[DefaultInstall]\r\n";

std::string Image(size_t size) {
  std::string b(size, '\0');
  b[0] = 'M';
  b[1] = 'Z';
  b[0x3C] = 0x40;
  b.replace(0x40, 4, std::string("PE\0\0", 4));
  return b;
}

// The stub's own manifest in a small program image: a stub that osslsigncode
// signs and whose execution level setuppack sets.
std::string StubImage() {
  const std::vector<uint8_t> image = marrowby::testing::PeWithManifest(Read(SETUP_MANIFEST_PATH));
  return std::string(image.begin(), image.end());
}

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/setuppack_cli_XXXXXX";
    dir = mkdtemp(tmpl);
    mkdir((dir + "/in").c_str(), 0755);
    Write(dir + "/stub.exe", StubImage());
    Write(dir + "/in/setup.inf", kInf);
    Write(dir + "/in/data.txt", "payload");
    Write(dir + "/licence.txt", "Line one\nLine two\n");
  }
  void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }
  std::string BuildArgs() const {
    return "build -o " + dir + "/out.exe --stub " + dir + "/stub.exe --inf setup.inf --dir " + dir +
           "/in";
  }
  std::string dir;
};

TEST_F(Cli, HelpDocumentsEveryOption) {
  const Result r = Pack("--help");
  EXPECT_EQ(r.code, 0);
  for (const char* option :
       {"build", "info", "extract", "-o", "--stub", "--inf", "--cab", "--dir", "--compress",
        "--title", "--welcome-file", "--licence-file", "--notice-file", "--attended", "--admin",
        "--notice-hidden", "--advanced", "--scramble-cabinet", "--split", "--cabinet-library",
        "check", "--force", "sign", "--cert", "--key", "--pkcs12", "--pass-file",
        "--description", "--url", "--timestamp", "SOURCE_DATE_EPOCH", "Exit status:",
        "2  usage error"}) {
    EXPECT_NE(r.output.find(option), std::string::npos) << option;
  }
  EXPECT_EQ(Pack("").code, 2);
  // Each command has its own help, which leaves out the others' options.
  const struct {
    const char* args;
    const char* has;
    const char* lacks;
  } commands[] = {{"build --help", "--scramble-cabinet", "extract PACKAGE DIR"},
                  {"info -h", "setuppack info PACKAGE", "--split"},
                  {"extract --help", "setuppack extract [--force] PACKAGE DIR", "--split"}};
  for (const auto& c : commands) {
    const Result h = Pack(c.args);
    EXPECT_EQ(h.code, 0) << c.args;
    EXPECT_NE(h.output.find(c.has), std::string::npos) << c.args << h.output;
    EXPECT_EQ(h.output.find(c.lacks), std::string::npos) << c.args << h.output;
  }
  const Result v = Pack("--version");
  EXPECT_EQ(v.code, 0);
  EXPECT_EQ(v.output.rfind("setuppack ", 0), 0u) << v.output;
}

TEST_F(Cli, UsageErrorsExitWithTwoAndSayWhy) {
  Result r = Pack("build --frobnicate");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.output.find("unknown option --frobnicate"), std::string::npos) << r.output;
  r = Pack("build -o x.exe --stub s.exe --inf a.inf");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.output.find("exactly one of --cab and --dir"), std::string::npos) << r.output;
  r = Pack(BuildArgs() + " --compress lzx");
  EXPECT_EQ(r.code, 2);
  r = Pack(BuildArgs() + " --split -5");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(Pack("frobnicate").code, 2);
  r = Pack("sign --cert c.pem " + dir + "/out.exe");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.output.find("sign needs --cert and --key, or --pkcs12"), std::string::npos) << r.output;
}

TEST_F(Cli, BadInputsExitWithOneAndWriteNothing) {
  Result r = Pack("build -o " + dir + "/out.exe --stub " + dir + "/missing.exe --inf setup.inf --dir " +
                 dir + "/in");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("missing.exe"), std::string::npos) << r.output;
  r = Pack(BuildArgs() + " --title " + std::string(256, 'T'));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("the title is 256 bytes"), std::string::npos) << r.output;
  mkdir((dir + "/in/sub").c_str(), 0755);
  r = Pack(BuildArgs());
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("subfolders are not supported"), std::string::npos) << r.output;
  struct stat st;
  EXPECT_NE(stat((dir + "/out.exe").c_str(), &st), 0);
}

TEST_F(Cli, BuildInfoExtractRoundTrip) {
  Result r = Pack(BuildArgs() + " --title 'My Setup' --licence-file " + dir +
                 "/licence.txt --attended --scramble-cabinet");
  ASSERT_EQ(r.code, 0) << r.output;
  r = Pack("info " + dir + "/out.exe");
  ASSERT_EQ(r.code, 0) << r.output;
  EXPECT_NE(r.output.find("title: \"My Setup\""), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("licence: \"Line one\\r\\nLine two\\r\\n\""), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("attended: 1"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("cabinet scrambled: 1"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("data.txt"), std::string::npos) << r.output;
  mkdir((dir + "/x").c_str(), 0755);
  r = Pack("extract " + dir + "/out.exe " + dir + "/x");
  ASSERT_EQ(r.code, 0) << r.output;
  EXPECT_EQ(Read(dir + "/x/data.txt"), "payload");
  EXPECT_EQ(Read(dir + "/x/setup.inf"), kInf);
}

TEST_F(Cli, SplitPackageIsWrittenInPartsAndReadBackJoined) {
  std::string big;
  for (int i = 0; i < 30000; ++i) big += static_cast<char>('a' + (i * 7) % 26);
  Write(dir + "/in/big.txt", big);
  Result r = Pack(BuildArgs() + " --compress none --split 10000");
  ASSERT_EQ(r.code, 0) << r.output;
  // The first part cannot be cut below the program and its texts: said so.
  EXPECT_NE(r.output.find("warning: the first part is"), std::string::npos) << r.output;
  struct stat st;
  EXPECT_EQ(stat((dir + "/out.001").c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 10000);
  EXPECT_EQ(stat((dir + "/out.003").c_str(), &st), 0);
  r = Pack("info " + dir + "/out.exe");
  EXPECT_NE(r.output.find("multi-part: 1"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("parts: 5 (sizes and SHA-256 digests match the part record)"),
            std::string::npos)
      << r.output;
  mkdir((dir + "/x").c_str(), 0755);
  ASSERT_EQ(Pack("extract " + dir + "/out.exe " + dir + "/x").code, 0);
  EXPECT_EQ(Read(dir + "/x/big.txt"), big);
  std::remove((dir + "/out.002").c_str());
  r = Pack("info " + dir + "/out.exe");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("out.002"), std::string::npos) << r.output;
}

TEST_F(Cli, InfoShowsHostileAndWindows1252TextsSafely) {
  Write(dir + "/welcome.txt", "Caf\xE9 \x1B[2J\x1B]0;owned\x07");
  ASSERT_EQ(Pack(BuildArgs() + " --welcome-file " + dir + "/welcome.txt").code, 0);
  const Result r = Pack("info " + dir + "/out.exe", "LC_ALL=C.UTF-8");
  ASSERT_EQ(r.code, 0) << r.output;
  EXPECT_NE(r.output.find("welcome: \"Caf\xC3\xA9 \\x1B[2J\\x1B]0;owned\\x07\""), std::string::npos)
      << r.output;
  EXPECT_EQ(r.output.find('\x1B'), std::string::npos);
}

// Texts written in UTF-8, as editors save them, reach setup in Windows-1252.
TEST_F(Cli, Utf8TextsAreStoredInWindows1252AndLengthsCountWhatIsStored) {
  Write(dir + "/welcome.txt", "\xEF\xBB\xBF" "Caf\xC3\xA9 \xE2\x80\x94 100 \xE2\x82\xAC\n");
  ASSERT_EQ(Pack(BuildArgs() + " --title 'Caf\xC3\xA9' --welcome-file " + dir + "/welcome.txt").code, 0);
  Result r = Pack("info " + dir + "/out.exe", "LC_ALL=C.UTF-8");
  EXPECT_NE(r.output.find("welcome: \"Caf\xC3\xA9 \xE2\x80\x94 100 \xE2\x82\xAC\\r\\n\""),
            std::string::npos)
      << r.output;
  EXPECT_NE(r.output.find("title: \"Caf\xC3\xA9\""), std::string::npos) << r.output;
  Write(dir + "/licence.txt", "Terms\nof use\nfor \xD0\x96ukov\n");
  r = Pack(BuildArgs() + " --licence-file " + dir + "/licence.txt");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("licence file " + dir +
                          "/licence.txt, line 3, character 5: \"\xD0\x96\" (U+0416) has no "
                          "Windows-1252 form"),
            std::string::npos)
      << r.output;
  std::string notice;
  for (int i = 0; i < 10; ++i) notice += std::string(24, 'n') + "\n";
  Write(dir + "/notice.txt", notice);
  r = Pack(BuildArgs() + " --notice-file " + dir + "/notice.txt");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("is 260 bytes as stored (250 bytes in the file"), std::string::npos)
      << r.output;
}

TEST_F(Cli, WelcomeTooLongForTheDialogIsWarnedAbout) {
  std::string lines;
  for (int i = 1; i <= 20; ++i) lines += "Line " + std::to_string(i) + "\n";
  Write(dir + "/long.txt", lines);
  Write(dir + "/short.txt", "Welcome.\nPress Install.\n");
  Result r = Pack(BuildArgs() + " --welcome-file " + dir + "/long.txt");
  EXPECT_EQ(r.code, 0) << r.output;
  EXPECT_NE(r.output.find("warning: the welcome text takes about 20 lines"), std::string::npos)
      << r.output;
  r = Pack(BuildArgs() + " --welcome-file " + dir + "/short.txt");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.output, "");
}

// A smaller split replaces a larger one: the old parts beyond the new count
// go, the new package reads back whole, and no temporary file stays.
TEST_F(Cli, ASmallerSplitRemovesTheEarlierPartsAndLeavesNoTemporaryFiles) {
  std::string big;
  for (int i = 0; i < 60000; ++i) big += static_cast<char>('a' + (i * 7) % 26);
  Write(dir + "/in/big.txt", big);
  ASSERT_EQ(Pack(BuildArgs() + " --compress none --split 10000").code, 0);
  struct stat st;
  ASSERT_EQ(stat((dir + "/out.006").c_str(), &st), 0);
  const Result r = Pack(BuildArgs() + " --compress none --split 40000");
  ASSERT_EQ(r.code, 0) << r.output;
  EXPECT_NE(r.output.find("removed " + dir + "/out.006"), std::string::npos) << r.output;
  EXPECT_EQ(stat((dir + "/out.002").c_str(), &st), 0);
  for (const char* gone : {"/out.003", "/out.004", "/out.005", "/out.006"}) {
    EXPECT_NE(stat((dir + gone).c_str(), &st), 0) << gone;
  }
  EXPECT_EQ(Pack("info " + dir + "/out.exe").code, 0);
  const Result ls = Pack("--version; ls " + dir + " | grep -c tmp");
  EXPECT_NE(ls.output.find("\n0\n"), std::string::npos) << ls.output;
}

// setuppack checks the parts as setup does: a part cut short is named, parts
// swapped with each other do not belong together.
TEST_F(Cli, DamagedOrSwappedPartsAreRefusedByName) {
  std::string data;
  for (int i = 0; i < 40000; ++i) data += static_cast<char>((i * 7919) >> 5);
  Write(dir + "/in/data.bin", data);
  ASSERT_EQ(Pack(BuildArgs() + " --compress none --split 10000").code, 0);
  const std::string part1 = Read(dir + "/out.001"), part2 = Read(dir + "/out.002");
  Write(dir + "/out.001", part1.substr(0, 9000));
  Result r = Pack("info " + dir + "/out.exe");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("out.001: the part is damaged: it has 9000 bytes instead of 10000"),
            std::string::npos)
      << r.output;
  Write(dir + "/out.001", part2);
  Write(dir + "/out.002", part1);
  r = Pack("info " + dir + "/out.exe");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("do not belong together"), std::string::npos) << r.output;
}

TEST_F(Cli, ExtractRefusesUnsafeNamesAndCorruptedPackagesWritingNothing) {
  // A package around a hostile cabinet, assembled by hand: the builder
  // itself refuses such cabinets.
  Write(dir + "/x.txt", "x");
  std::vector<CabinetFile> entries(2);
  entries[0].name = "setup.inf";
  entries[0].path = dir + "/in/setup.inf";
  entries[0].size = Read(entries[0].path).size();
  entries[1].name = "..\\escaped.txt";
  entries[1].path = dir + "/x.txt";
  entries[1].size = 1;
  struct : OffsetOutput {
    std::vector<uint8_t> bytes;
    void WriteAt(uint64_t at, const uint8_t* p, size_t n) override {
      if (bytes.size() < at + n) bytes.resize(at + n);
      std::copy(p, p + n, bytes.begin() + static_cast<long>(at));
    }
    uint64_t Size() const override { return bytes.size(); }
  } cabinet;
  WriteCabinet(entries, Compression::kNone, cabinet, 0);
  const std::vector<uint8_t>& cab = cabinet.bytes;
  setup::PackageHeader h{};
  h.infNameLength = 9;
  h.packageSize = static_cast<uint32_t>(setup::kTextsOffset + 9 + cab.size());
  uint8_t header[setup::kHeaderSize];
  setup::WriteHeader(h, header);
  std::string pkg = Image(4096);
  pkg.resize(setup::kHeaderOffset, '\0');
  pkg.append(reinterpret_cast<char*>(header), sizeof(header));
  pkg += "setup.inf";
  pkg.append(cab.begin(), cab.end());
  Write(dir + "/hostile.exe", pkg);
  mkdir((dir + "/x").c_str(), 0755);
  Result r = Pack("extract " + dir + "/hostile.exe " + dir + "/x");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("holds a \".\" or \"..\" part or an empty one; nothing was extracted"),
            std::string::npos)
      << r.output;
  struct stat st;
  EXPECT_NE(stat((dir + "/escaped.txt").c_str(), &st), 0);
  EXPECT_NE(stat((dir + "/x/setup.inf").c_str(), &st), 0);

  ASSERT_EQ(Pack(BuildArgs()).code, 0);
  Write(dir + "/cut.exe", Read(dir + "/out.exe").substr(0, Read(dir + "/out.exe").size() - 1));
  r = Pack("extract " + dir + "/cut.exe " + dir + "/x");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("corrupted"), std::string::npos) << r.output;
}

// The names in a folder that a build or an extraction left as temporaries.
std::vector<std::string> Leftovers(const std::string& dir) {
  std::vector<std::string> found;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name.find(".tmp") != std::string::npos || name.find(".old") != std::string::npos) {
      found.push_back(name);
    }
  }
  return found;
}

std::string BigText(size_t size) {
  std::string big;
  for (size_t i = 0; i < size; ++i) big += static_cast<char>('a' + (i * 7) % 26);
  return big;
}

// A split build replaces every part or none: a folder in the way of one part
// leaves the earlier package as it was, and no temporary file behind.
TEST_F(Cli, ASplitBuildIsAllOrNothing) {
  Write(dir + "/in/big.txt", BigText(30000));
  ASSERT_EQ(Pack(BuildArgs() + " --compress none --split 10000").code, 0);
  const std::string before[] = {Read(dir + "/out.exe"), Read(dir + "/out.001"),
                                Read(dir + "/out.003")};
  std::remove((dir + "/out.002").c_str());
  mkdir((dir + "/out.002").c_str(), 0755);
  Write(dir + "/out.002/keep", "x");
  Write(dir + "/in/big.txt", BigText(31000));
  const Result r = Pack(BuildArgs() + " --compress none --split 10000");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find(dir + "/out.002: cannot be replaced: "), std::string::npos) << r.output;
  EXPECT_EQ(Read(dir + "/out.exe"), before[0]);
  EXPECT_EQ(Read(dir + "/out.001"), before[1]);
  EXPECT_EQ(Read(dir + "/out.003"), before[2]);
  EXPECT_EQ(Leftovers(dir), std::vector<std::string>{});
}

// An output that is a device or a pipe is refused, and stays what it was: a
// rename would put the package in its place (as root, in place of /dev/null).
TEST_F(Cli, OutputsAndInputsThatAreNoRegularFilesAreRefused) {
  ASSERT_EQ(mkfifo((dir + "/out.exe").c_str(), 0644), 0);
  const Result r = Pack(BuildArgs());
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find(dir + "/out.exe: cannot be replaced: it is not a regular file"),
            std::string::npos)
      << r.output;
  struct stat st;
  ASSERT_EQ(lstat((dir + "/out.exe").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(Leftovers(dir), std::vector<std::string>{});
  // Nor is a pipe or a device read as an input: it would hang or pass for
  // an empty file (timeout ends a hang with 124).
  for (const std::string& args :
       {"info " + dir + "/out.exe", "check " + dir + "/out.exe", "extract " + dir + "/out.exe " + dir + "/x",
        "build -o " + dir + "/p.exe --stub " + dir + "/stub.exe --inf setup.inf --dir " + dir +
            "/in --licence-file /dev/zero"}) {
    const Result in = testing::Shell(std::string("timeout 20 ") + SETUPPACK_PATH + " " + args);
    EXPECT_EQ(in.code, 1) << args;
    EXPECT_NE(in.output.find("is not a plain file"), std::string::npos) << in.output;
  }
}

// An output that is one of the inputs, under its own name or another one, is
// refused before anything is written.
TEST_F(Cli, AnOutputThatIsAnInputIsRefused) {
  const std::string stub = Read(dir + "/stub.exe");
  link((dir + "/stub.exe").c_str(), (dir + "/other-name.exe").c_str());
  for (const char* out : {"/stub.exe", "/other-name.exe", "/in/data.txt"}) {
    const Result r = Pack("build -o " + dir + out + " --stub " + dir + "/stub.exe --inf setup.inf --dir " + dir + "/in");
    EXPECT_EQ(r.code, 1) << out;
    EXPECT_NE(r.output.find("the build would overwrite its own input"), std::string::npos) << r.output;
  }
  EXPECT_EQ(Read(dir + "/stub.exe"), stub);
  EXPECT_EQ(Read(dir + "/in/data.txt"), "payload");
  // A part name of a split package counts too.
  Write(dir + "/out.001", "an input");
  const Result r = Pack(BuildArgs() + " --split 10000 --licence-file " + dir + "/out.001");
  EXPECT_NE(r.output.find("the output " + dir + "/out.001 is the licence file"), std::string::npos)
      << r.output;
}

// With SOURCE_DATE_EPOCH two builds of the same files are identical, however
// the files' own times differ; a malformed value is refused.
TEST_F(Cli, SourceDateEpochMakesBuildsByteIdentical) {
  const std::string env = "SOURCE_DATE_EPOCH=1700000000";
  ASSERT_EQ(Pack(BuildArgs(), env).code, 0);
  const std::string first = Read(dir + "/out.exe");
  std::system(("touch -d '2001-02-03 04:05:06' " + dir + "/in/*").c_str());
  ASSERT_EQ(Pack(BuildArgs(), env + " TZ=Asia/Tokyo").code, 0);
  EXPECT_EQ(Read(dir + "/out.exe"), first);
  const Result info = Pack("info " + dir + "/out.exe");
  EXPECT_NE(info.output.find("2023-11-14 22:13:20"), std::string::npos) << info.output;
  ASSERT_EQ(Pack(BuildArgs()).code, 0);
  EXPECT_NE(Read(dir + "/out.exe"), first);  // unset: the files' own times
  const Result bad = Pack(BuildArgs(), "SOURCE_DATE_EPOCH=yesterday");
  EXPECT_EQ(bad.code, 1);
  EXPECT_NE(bad.output.find("SOURCE_DATE_EPOCH must be a whole number of seconds"), std::string::npos);
}

// Stopped by a signal while writing, a build removes its temporary files and
// leaves the earlier package alone.
TEST_F(Cli, AStoppedBuildLeavesNoTemporaryFiles) {
  ASSERT_EQ(Pack(BuildArgs()).code, 0);
  const std::string earlier = Read(dir + "/out.exe");
  for (int i = 0; i < 40; ++i) Write(dir + "/in/big" + std::to_string(i) + ".bin", BigText(1 << 20));
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    const pid_t pid = fork();
    if (pid == 0) {
      for (int s : {SIGINT, SIGTERM, SIGHUP}) signal(s, SIG_DFL);
      execl(SETUPPACK_PATH, "setuppack", "build", "-o", (dir + "/out.exe").c_str(), "--stub",
            (dir + "/stub.exe").c_str(), "--inf", "setup.inf", "--dir", (dir + "/in").c_str(),
            "--split", "4000000", static_cast<char*>(nullptr));
      _exit(127);
    }
    // Stopped once its first temporary file exists.
    for (int wait = 0; wait < 2000 && Leftovers(dir).empty(); ++wait) usleep(1000);
    kill(pid, sig);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig << " " << status;
    EXPECT_EQ(Leftovers(dir), std::vector<std::string>{}) << sig;
    EXPECT_EQ(Read(dir + "/out.exe"), earlier);
  }
}

// extract makes its folder, as cabextract -d and 7z -o do, and overwrites
// nothing without --force.
TEST_F(Cli, ExtractMakesTheFolderAndOverwritesOnlyWithForce) {
  ASSERT_EQ(Pack(BuildArgs()).code, 0);
  const std::string to = dir + "/new/deeper";
  ASSERT_EQ(Pack("extract " + dir + "/out.exe " + to).code, 0);
  EXPECT_EQ(Read(to + "/data.txt"), "payload");
  Write(to + "/data.txt", "changed");
  std::remove((to + "/setup.inf").c_str());
  Result r = Pack("extract " + dir + "/out.exe " + to);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("data.txt\" exists; nothing was extracted (--force overwrites)"),
            std::string::npos)
      << r.output;
  struct stat st;
  EXPECT_NE(stat((to + "/setup.inf").c_str(), &st), 0);
  r = Pack("extract --force " + dir + "/out.exe " + to);
  EXPECT_EQ(r.code, 0) << r.output;
  EXPECT_EQ(Read(to + "/data.txt"), "payload");
  EXPECT_EQ(Leftovers(dir), std::vector<std::string>{});
}

// Options as getopt_long takes them; a file that cannot be opened says why.
TEST_F(Cli, OptionsAsGetoptTakesThemAndReasonsFromTheSystem) {
  Result r = Pack("build --output=" + dir + "/eq.exe --stub=" + dir + "/stub.exe --inf=setup.inf --dir=" + dir + "/in");
  EXPECT_EQ(r.code, 0) << r.output;
  Write(dir + "/-dash.exe", Read(dir + "/eq.exe"));
  r = Pack("info -- " + dir + "/-dash.exe");
  EXPECT_EQ(r.code, 0) << r.output;
  r = Pack("build --stub");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.output.find("--stub needs a value"), std::string::npos) << r.output;
  r = Pack("info " + dir + "/nothing.exe");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("nothing.exe: cannot be opened: No such file or directory"), std::string::npos) << r.output;
}

// The format's limits are checked before a byte of the files is read: 2.5 GB
// of (sparse) files are refused at once.
TEST_F(Cli, FilesBeyondTheCabinetLimitAreRefusedUnread) {
  Write(dir + "/in/huge.bin", "");
  ASSERT_EQ(truncate((dir + "/in/huge.bin").c_str(), 2684354560LL), 0);
  const Result r = Pack(BuildArgs() + " --compress none");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("a cabinet holds at most 2147450880 bytes"), std::string::npos) << r.output;
  EXPECT_EQ(Leftovers(dir), std::vector<std::string>{});
}


TEST_F(Cli, AdminPackagesAskForElevationAndInfoShowsTheLevel) {
  ASSERT_EQ(Pack(BuildArgs()).code, 0);
  EXPECT_NE(Pack("info " + dir + "/out.exe").output.find("execution level: asInvoker\n"),
            std::string::npos);
  Result r = Pack(BuildArgs() + " --admin");
  ASSERT_EQ(r.code, 0) << r.output;
  EXPECT_EQ(r.output, "");
  r = Pack("info " + dir + "/out.exe");
  EXPECT_NE(r.output.find("administrator: 1\n"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("execution level: requireAdministrator (Windows asks"), std::string::npos)
      << r.output;
  // Nothing but the level differs from the stub, and no size.
  const std::string stub = Read(dir + "/stub.exe");
  std::string package = Read(dir + "/out.exe").substr(0, stub.size());
  const std::string level = "level=\"requireAdministrator\"";
  const size_t at = package.find(level + "/>");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(package.replace(at, level.size(), "level=\"asInvoker\"           "), stub);
  // A stub without a manifest gets no level: said so.
  Write(dir + "/stub.exe", Image(4096));
  r = Pack(BuildArgs() + " --admin");
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.output.find("warning: the stub's manifest has no execution level"), std::string::npos)
      << r.output;
}

// Builds a package, signs it and checks it, single-file with a certificate
// and key, split with a PKCS#12 file and its password.
TEST_F(Cli, SignedPackagesPassInfoAndCheckAndBytesAfterTheSignatureAreRefused) {
  const std::string certificate = "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout " +
                                  dir + "/key.pem -out " + dir +
                                  "/cert.pem -subj '/CN=Marrowby Test Signer/O=Marrowby Software'";
  ASSERT_EQ(testing::Shell(certificate).code, 0);
  Write(dir + "/pass.txt", "secret");
  ASSERT_EQ(testing::Shell("openssl pkcs12 -export -in " + dir + "/cert.pem -inkey " + dir +
                           "/key.pem -out " + dir + "/signer.p12 -passout file:" + dir + "/pass.txt")
                .code,
            0);
  std::string big;
  for (int i = 0; i < 30000; ++i) big += static_cast<char>('a' + (i * 7) % 26);
  Write(dir + "/in/big.txt", big);
  const std::string out = dir + "/out.exe";
  const std::string signer = "signed by \"CN=Marrowby Test Signer, O=Marrowby Software\"";
  for (const bool split : {false, true}) {
    SCOPED_TRACE(split ? "split" : "single file");
    ASSERT_EQ(Pack(BuildArgs() + " --compress none --admin" + (split ? " --split 20000" : "")).code, 0);
    const std::string unsigned_ = Read(out);
    const std::string key = split ? " --pkcs12 " + dir + "/signer.p12 --pass-file " + dir + "/pass.txt"
                                  : " --cert " + dir + "/cert.pem --key " + dir + "/key.pem";
    Result r = Pack("sign" + key + " " + out);
    ASSERT_EQ(r.code, 0) << r.output;
    EXPECT_NE(r.output.find(signer), std::string::npos) << r.output;
    // An independent judge of the signature; signing again replaces it.
    r = testing::Shell("osslsigncode verify -CAfile " + dir + "/cert.pem -in " + out);
    EXPECT_NE(r.output.find("Signature verification: ok"), std::string::npos) << r.output;
    ASSERT_EQ(Pack("sign" + key + " " + out).code, 0);
    r = Pack("info " + out);
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_NE(r.output.find("signature: "), std::string::npos) << r.output;
    EXPECT_NE(r.output.find(signer), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("requireAdministrator"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("CORRUPTED"), std::string::npos) << r.output;
    r = Pack("check " + out);
    EXPECT_EQ(r.code, 0) << r.output;
    mkdir((dir + "/x").c_str(), 0755);
    ASSERT_EQ(Pack("extract --force " + out + " " + dir + "/x").code, 0);
    EXPECT_EQ(Read(dir + "/x/big.txt"), big);
    // The package's bytes are the unsigned ones, but for the header fields
    // that signing sets.
    EXPECT_EQ(Read(out).substr(0x200, unsigned_.size() - 0x200), unsigned_.substr(0x200));

    Write(out, Read(out) + "X");
    r = Pack("check " + out);
    EXPECT_EQ(r.code, 1) << r.output;
    EXPECT_NE(r.output.find(split ? "the part is damaged" : "its signature does not end it"),
              std::string::npos)
        << r.output;
    EXPECT_EQ(Pack("extract --force " + out + " " + dir + "/x").code, 1);
    EXPECT_EQ(Pack("sign" + key + " " + out).code, 1);
  }
}

}  // namespace
}  // namespace marrowby::setuppack
