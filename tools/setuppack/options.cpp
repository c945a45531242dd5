#include "tools/setuppack/options.h"

#include <getopt.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace marrowby::setuppack {

namespace {

enum BuildOption {
  kOutput = 'o',
  kHelp = 'h',
  kStub = 256,
  kInf,
  kCab,
  kDir,
  kCompress,
  kTitle,
  kWelcome,
  kLicence,
  kNotice,
  kAttended,
  kAdmin,
  kNoticeHidden,
  kAdvanced,
  kScramble,
  kSplit,
  kLibrary,
  kForce,
  kCert,
  kKey,
  kPkcs12,
  kPassFile,
  kDescription,
  kUrl,
  kTimestamp,
};

const option kBuildOptions[] = {
    {"output", required_argument, nullptr, kOutput},
    {"stub", required_argument, nullptr, kStub},
    {"inf", required_argument, nullptr, kInf},
    {"cab", required_argument, nullptr, kCab},
    {"dir", required_argument, nullptr, kDir},
    {"compress", required_argument, nullptr, kCompress},
    {"title", required_argument, nullptr, kTitle},
    {"welcome-file", required_argument, nullptr, kWelcome},
    {"licence-file", required_argument, nullptr, kLicence},
    {"license-file", required_argument, nullptr, kLicence},
    {"notice-file", required_argument, nullptr, kNotice},
    {"attended", no_argument, nullptr, kAttended},
    {"admin", no_argument, nullptr, kAdmin},
    {"notice-hidden", no_argument, nullptr, kNoticeHidden},
    {"advanced", no_argument, nullptr, kAdvanced},
    {"scramble-cabinet", no_argument, nullptr, kScramble},
    {"split", required_argument, nullptr, kSplit},
    {"cabinet-library", required_argument, nullptr, kLibrary},
    {"help", no_argument, nullptr, kHelp},
    {nullptr, 0, nullptr, 0},
};

const option kPackageOptions[] = {
    {"force", no_argument, nullptr, kForce},
    {"help", no_argument, nullptr, kHelp},
    {nullptr, 0, nullptr, 0},
};

const option kSignOptions[] = {
    {"cert", required_argument, nullptr, kCert},
    {"key", required_argument, nullptr, kKey},
    {"pkcs12", required_argument, nullptr, kPkcs12},
    {"pass-file", required_argument, nullptr, kPassFile},
    {"description", required_argument, nullptr, kDescription},
    {"url", required_argument, nullptr, kUrl},
    {"timestamp", required_argument, nullptr, kTimestamp},
    {"help", no_argument, nullptr, kHelp},
    {nullptr, 0, nullptr, 0},
};

uint64_t ParseSize(const std::string& text) {
  char* end = nullptr;
  errno = 0;
  const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
  if (text.empty() || *end || errno || v == 0 || text[0] == '-' || text[0] == '+') {
    throw UsageError("--split needs a positive number of bytes, not \"" + text + "\"");
  }
  return v;
}

// The option as the user wrote it, for a message: "-x" or "--name".
std::string Written(char** argv) {
  if (optopt > 0 && optopt < 256) return std::string("-") + static_cast<char>(optopt);
  std::string arg = argv[optind - 1];
  return arg.substr(0, arg.find('='));
}

// Runs getopt_long over argv (whose first element is the command); calls
// take(option, value) for each option and returns the operands. Throws
// UsageError for an unknown option or a missing value.
template <typename Take>
std::vector<std::string> Parse(int argc, char** argv, const char* shorts, const option* longs,
                               Take take) {
  optind = 0;  // glibc: start afresh, also for a second parse in one process
  opterr = 0;
  for (;;) {
    optopt = 0;
    const int c = getopt_long(argc, argv, shorts, longs, nullptr);
    if (c == -1) break;
    if (c == '?') throw UsageError("unknown option " + Written(argv));
    if (c == ':') throw UsageError(Written(argv) + " needs a value");
    take(c, optarg ? std::string(optarg) : std::string());
  }
  return std::vector<std::string>(argv + optind, argv + argc);
}

void TakeBuildOption(int c, const std::string& value, BuildArgs* a) {
  switch (c) {
    case kOutput: a->output = value; break;
    case kStub: a->stub = value; break;
    case kInf: a->inf = value; break;
    case kCab: a->cab = value; break;
    case kDir: a->dir = value; break;
    case kCompress: a->compress = value; break;
    case kTitle: a->title = value; break;
    case kWelcome: a->welcomeFile = value; break;
    case kLicence: a->licenceFile = value; break;
    case kNotice: a->noticeFile = value; break;
    case kAttended: a->attended = true; break;
    case kAdmin: a->admin = true; break;
    case kNoticeHidden: a->noticeHidden = true; break;
    case kAdvanced: a->advanced = true; break;
    case kScramble: a->scramble = true; break;
    case kSplit: a->split = ParseSize(value); break;
    case kLibrary: a->library = value; break;
  }
}

}  // namespace

bool ParseBuildArgs(int argc, char** argv, BuildArgs* a) {
  bool help = false;
  const std::vector<std::string> operands =
      Parse(argc, argv, ":o:h", kBuildOptions, [&](int c, const std::string& value) {
        if (c == kHelp) help = true;
        TakeBuildOption(c, value, a);
      });
  if (help) return false;
  if (!operands.empty()) throw UsageError("build takes no operand \"" + operands[0] + "\"");
  if (a->output.empty()) throw UsageError("build needs -o OUT.exe");
  if (a->stub.empty()) throw UsageError("build needs --stub STUB.exe");
  if (a->inf.empty()) throw UsageError("build needs --inf NAME.inf");
  if (a->cab.empty() == a->dir.empty()) {
    throw UsageError("build needs exactly one of --cab and --dir");
  }
  if (a->compress != "none" && a->compress != "mszip") {
    throw UsageError("--compress takes none or mszip, not \"" + a->compress + "\"");
  }
  return true;
}

bool ParseSignArgs(int argc, char** argv, SignArgs* a) {
  bool help = false;
  const std::vector<std::string> operands =
      Parse(argc, argv, ":h", kSignOptions, [&](int c, const std::string& value) {
        switch (c) {
          case kHelp: help = true; break;
          case kCert: a->cert = value; break;
          case kKey: a->key = value; break;
          case kPkcs12: a->pkcs12 = value; break;
          case kPassFile: a->passFile = value; break;
          case kDescription: a->description = value; break;
          case kUrl: a->url = value; break;
          case kTimestamp: a->timestamp = value; break;
        }
      });
  if (help) return false;
  if (operands.size() != 1) throw UsageError("sign takes one PACKAGE");
  a->package = operands[0];
  const bool pem = !a->cert.empty() || !a->key.empty();
  if (pem == !a->pkcs12.empty() || (pem && (a->cert.empty() || a->key.empty()))) {
    throw UsageError("sign needs --cert and --key, or --pkcs12");
  }
  return true;
}

bool ParsePackageArgs(int argc, char** argv, size_t count, bool takesForce, PackageArgs* a) {
  bool help = false;
  a->operands = Parse(argc, argv, ":h", kPackageOptions, [&](int c, const std::string&) {
    if (c == kHelp) help = true;
    if (c == kForce && !takesForce) throw UsageError("unknown option --force");
    if (c == kForce) a->force = true;
  });
  if (help) return false;
  if (a->operands.size() != count) {
    throw UsageError(std::string(argv[0]) + " takes " +
                     (count == 1 ? "one PACKAGE" : "PACKAGE and DIR"));
  }
  return true;
}

}  // namespace marrowby::setuppack
