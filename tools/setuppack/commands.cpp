#include "tools/setuppack/commands.h"

#include <langinfo.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "tools/setuppack/files.h"
#include "tools/setuppack/help.h"
#include "tools/setuppack/inputs.h"
#include "tools/setuppack/manifest_level.h"
#include "tools/setuppack/options.h"
#include "tools/setuppack/package.h"
#include "tools/setuppack/terminal_text.h"

namespace marrowby::setuppack {

namespace {

void WarnAboutWelcome(const std::string& welcome) {
  const size_t lines = StatusLines(welcome);
  if (lines > kStatusLines) {
    std::fprintf(stderr,
                 "setuppack: warning: the welcome text takes about %zu lines, but the setup "
                 "dialog shows %zu lines of about %zu characters: it will be cut off\n",
                 lines, kStatusLines, kStatusColumns);
  }
}

void ReportParts(const BuildArgs& a, const BuiltPackage& built) {
  for (const std::string& name : built.removedParts) {
    std::fprintf(stderr, "setuppack: removed %s, a part of the earlier package\n", name.c_str());
  }
  if (built.parts > 1 && built.removedParts.empty()) {
    for (const std::string& name : ExistingPartsFrom(a.output, built.parts)) {
      std::fprintf(stderr, "setuppack: warning: %s is not part of this package\n", name.c_str());
    }
  }
  if (built.parts > 1 && built.firstPartSize > a.split) {
    // The program, its cabinet library and the texts cannot be split.
    std::fprintf(stderr,
                 "setuppack: warning: the first part is %llu bytes, more than --split %llu: it "
                 "holds the program, the cabinet library and the texts whole\n",
                 static_cast<unsigned long long>(built.firstPartSize),
                 static_cast<unsigned long long>(a.split));
  }
}

std::string Quoted(const std::string& text, bool utf8 = false) {
  return TerminalText(text, utf8, nl_langinfo(CODESET));
}

// The stub's execution level and the signature of the program file.
void PrintProgram(const ProgramFacts& p) {
  const std::string& level = p.executionLevel;
  std::printf("execution level: %s\n",
              level.empty()                      ? "none (the stub's manifest sets none)"
              : level == kAsInvoker              ? kAsInvoker
              : level == kRequireAdministrator   ? "requireAdministrator (Windows asks for "
                                                   "administrative rights before setup starts)"
                                                 : Quoted(level, true).c_str());
  if (p.signature.size == 0) {
    std::printf("signature: none\n");
  } else {
    std::printf("signature: %u bytes at %u, signed by %s (not verified here: osslsigncode verify)\n",
                p.signature.size, p.signature.offset,
                p.signer.empty() ? "an unreadable signer" : Quoted(p.signer, true).c_str());
  }
}

void PrintHeader(const std::string& path, const PackageContents& c) {
  const setup::PackageHeader& h = c.header;
  std::printf("package: %s\n", Quoted(path, true).c_str());
  std::printf("package size: %u (read %llu)%s\n", h.packageSize,
              static_cast<unsigned long long>(c.size),
              !h.multiPart && c.size != h.packageSize ? "  CORRUPTED: sizes differ" : "");
  if (h.multiPart) {
    std::printf("parts: %u (%s)\n", c.parts,
                c.partsChecked ? "sizes and SHA-256 digests match the part record"
                               : "no part record: not checked");
  }
  std::printf("attended: %d\nadministrator: %d\nnotice hidden: %d\nmulti-part: %d\n"
              "installer: %s\ncabinet scrambled: %d\ncabinet offset: %u\n",
              h.attended != 0, h.admin != 0, h.noticeHidden != 0, h.multiPart != 0,
              h.advanced ? "advanced (advpack)" : "basic (setupapi/setupx)",
              h.cabinetScrambled != 0, c.cabinetOffset);
  PrintProgram(c.program);
  std::printf("title: %s\ninf: %s\nnotice: %s\nwelcome: %s\nlicence: %s\n", Quoted(c.title).c_str(),
              Quoted(c.infName).c_str(), Quoted(c.notice).c_str(), Quoted(c.welcome).c_str(),
              Quoted(c.licence).c_str());
}

}  // namespace

int RunBuild(int argc, char** argv) {
  BuildArgs a;
  if (!ParseBuildArgs(argc, argv, &a)) {
    std::fputs(HelpText("build").c_str(), stdout);
    return 0;
  }
  const BuildOptions o = GatherInputs(a);
  CheckOutputIsNoInput(a, o);
  const BuiltPackage built = BuildPackage(o, a.output);
  for (const std::string& w : built.warnings) std::fprintf(stderr, "setuppack: warning: %s\n", w.c_str());
  ReportParts(a, built);
  WarnAboutWelcome(o.welcome);
  return 0;
}

bool PackageCommandArgs(int argc, char** argv, size_t operands, bool takesForce, PackageArgs* a) {
  if (ParsePackageArgs(argc, argv, operands, takesForce, a)) return true;
  std::fputs(HelpText(argv[0]).c_str(), stdout);
  return false;
}

PackageContents ReadSoundPackage(const std::string& path) {
  PackageContents c = ReadPackageFile(path);
  if (!c.header.multiPart && c.size != c.header.packageSize) {
    throw std::runtime_error(
        c.program.signature.size
            ? "the package is corrupted: its signature does not end it directly behind the "
              "package (were bytes added after signing?)"
            : "the package is corrupted: its size differs from the size in its header");
  }
  return c;
}

int RunInfo(int argc, char** argv) {
  PackageArgs a;
  if (!PackageCommandArgs(argc, argv, 1, false, &a)) return 0;
  const PackageContents c = ReadPackageFile(a.operands[0]);
  PrintHeader(a.operands[0], c);
  const CabListing listing = ListCabinet(c.cabinet);
  std::printf("files: %zu\n", listing.files.size());
  for (const CabListing::File& f : listing.files) {
    std::printf("  %10u  %04d-%02d-%02d %02d:%02d:%02d  %c%c%c%c  %s\n", f.length, f.year, f.month,
                f.day, f.hour, f.minute, f.second, f.attribs & 1 ? 'r' : '-',
                f.attribs & 2 ? 'h' : '-', f.attribs & 4 ? 's' : '-', f.attribs & 0x20 ? 'a' : '-',
                Quoted(f.name, (f.attribs & kNameIsUtf8) != 0).c_str());
  }
  return 0;
}

}  // namespace marrowby::setuppack
