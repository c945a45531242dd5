// setuppack sign: signs the program file of a package (part 1 of a split
// one) with osslsigncode: Authenticode, SHA-256. The other parts of a split
// package are no programs and stay as they are: the part record in part 1,
// which the signature covers, binds them by their digests.
#include <glib.h>
#include <langinfo.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "setup/package_format.h"
#include "tools/setuppack/commands.h"
#include "tools/setuppack/files.h"
#include "tools/setuppack/help.h"
#include "tools/setuppack/options.h"
#include "tools/setuppack/package.h"
#include "tools/setuppack/terminal_text.h"

namespace marrowby::setuppack {

namespace {

std::vector<std::string> SignCommand(const SignArgs& a, const std::string& out) {
  std::vector<std::string> argv = {"osslsigncode", "sign", "-h", "sha256"};
  const auto add = [&](const char* option, const std::string& value) {
    if (value.empty()) return;
    argv.push_back(option);
    argv.push_back(value);
  };
  add("-certs", a.cert);
  add("-key", a.key);
  add("-pkcs12", a.pkcs12);
  add("-readpass", a.passFile);
  add("-n", a.description);
  add("-i", a.url);
  add("-ts", a.timestamp);
  add("-in", a.package);
  add("-out", out);
  return argv;
}

void RunOsslsigncode(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& s : args) argv.push_back(const_cast<char*>(s.c_str()));
  argv.push_back(nullptr);
  gchar* output = nullptr;
  gchar* errors = nullptr;
  gint status = 0;
  GError* error = nullptr;
  const bool ran = g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr,
                                nullptr, &output, &errors, &status, &error);
  const std::string said = std::string(output ? output : "") + (errors ? errors : "");
  g_free(output);
  g_free(errors);
  if (!ran) {
    const std::string why = error->message;
    g_error_free(error);
    throw std::runtime_error("osslsigncode cannot be run (" + why +
                             "): install it (Debian: apt install osslsigncode)");
  }
  if (!g_spawn_check_wait_status(status, nullptr)) {
    throw std::runtime_error("osslsigncode could not sign the package:\n" + said);
  }
}

// Signing may change the PE header's checksum and certificate directory and
// append the certificate table; anything else changed would break the
// package, or the digests of a split one.
void CheckOnlySignatureAdded(const ByteSource& before, const ByteSource& after, uint64_t bytes) {
  const ProgramFacts signed_ = ReadProgramFacts(after);
  if (signed_.signature.size == 0 ||
      setup::PackageEnd(signed_.signature, after.Size(), bytes) != bytes) {
    throw std::runtime_error("osslsigncode did not append the signature directly behind the package");
  }
  std::vector<uint8_t> header(std::min<uint64_t>(bytes, setup::kImageSize));
  setup::PeLayout layout{};
  header.resize(before.ReadAt(0, header.data(), header.size()));
  setup::ReadPeLayout(header.data(), header.size(), &layout);
  const uint64_t fields[][2] = {
      {layout.checksumOffset, 4}, {layout.directoryOffset + 8 * setup::kSecurityDirectory, 8}};
  std::vector<uint8_t> a(1 << 20), b(1 << 20);
  for (uint64_t at = 0; at < bytes; at += a.size()) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(a.size(), bytes - at));
    if (before.ReadAt(at, a.data(), n) != n || after.ReadAt(at, b.data(), n) != n) {
      throw std::runtime_error("the package cannot be read back");
    }
    for (const auto& f : fields) {
      for (uint64_t i = f[0]; i < f[0] + f[1]; ++i) {
        if (i >= at && i < at + n) a[i - at] = b[i - at];
      }
    }
    if (!std::equal(a.begin(), a.begin() + static_cast<long>(n), b.begin())) {
      throw std::runtime_error("osslsigncode changed the package beyond its signature");
    }
  }
}

}  // namespace

int RunSign(int argc, char** argv) {
  SignArgs a;
  if (!ParseSignArgs(argc, argv, &a)) {
    std::fputs(HelpText("sign").c_str(), stdout);
    return 0;
  }
  const PackageContents c = ReadSoundPackage(a.package);
  if (c.header.multiPart && !c.partsChecked) {
    throw std::runtime_error(
        "the split package has no part record, which setup needs to tell part 1 from its "
        "signature: build it again");
  }
  TemporaryFile out(a.package);
  // osslsigncode makes its output itself and will not overwrite a file; the
  // name stays the temporary file's, removed on failure or interruption.
  unlink(out.Path().c_str());
  RunOsslsigncode(SignCommand(a, out.Path()));
  CheckOnlySignatureAdded(ByteSource::OpenFile(a.package, ""), ByteSource::OpenFile(out.Path(), ""),
                          c.programBytes);
  CommitAll({&out});
  const ProgramFacts facts = ReadProgramFacts(ByteSource::OpenFile(a.package, ""));
  std::printf("%s: signed by %s\n", a.package.c_str(),
              facts.signer.empty() ? "a certificate without a name"
                                   : TerminalText(facts.signer, true, nl_langinfo(CODESET)).c_str());
  return 0;
}

}  // namespace marrowby::setuppack
