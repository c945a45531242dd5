#include "tools/setuppack/help.h"

#include "marrowby_version.h"

namespace marrowby::setuppack {

namespace {

// One line each: help2man makes the manual's synopsis of them.
const char kBuildUsage[] =
    "Usage: setuppack build -o OUT.exe --stub STUB.exe --inf NAME.inf (--cab FILE.cab | --dir DIR) "
    "[OPTION]...\n";
const char kOtherUsage[] =
    "  or:  setuppack info PACKAGE\n"
    "  or:  setuppack check PACKAGE\n"
    "  or:  setuppack extract [--force] PACKAGE DIR\n"
    "  or:  setuppack sign (--cert CERT --key KEY | --pkcs12 FILE) [OPTION]... PACKAGE\n"
    "  or:  setuppack [COMMAND] --help\n"
    "  or:  setuppack --version\n";

const char kAbout[] =
    "Builds self-extracting setup packages around setupstub.exe, and shows, checks\n"
    "or extracts what a package holds.\n"
    "\n";

const char kCommands[] =
    "Commands:\n"
    "  build      write a package: the stub, a copy of the cabinet library, the package\n"
    "             header and texts, and a cabinet with the files to install\n"
    "  info       print the header fields, the texts and the cabinet's files\n"
    "  check      run the build's checks on a finished package and test every file\n"
    "  extract    write the package's files into a folder, as setup would\n"
    "  sign       sign the package (part 1 of a split one) with osslsigncode\n"
    "\n";

const char kBuildOptions[] =
    "Build options:\n"
    "  -o, --output=OUT.exe        the package to write (with --split, also its parts;\n"
    "                              parts left from an earlier, larger split are removed).\n"
    "                              Every part is written under a temporary name and all\n"
    "                              are renamed into place at the end, or none\n"
    "      --stub=STUB.exe         setupstub.exe; at most 28672 bytes\n"
    "      --inf=NAME.inf          the INF file (name only: no folder, spaces or commas)\n"
    "                              inside the cabinet that the system's INF installer\n"
    "                              runs; it must have the sections its mode runs\n"
    "      --cab=FILE.cab          a ready-made single cabinet (makecab, gcab, ...)\n"
    "      --dir=DIR               make the cabinet from the files directly in DIR\n"
    "                              (no subfolders: setup extracts into one folder)\n"
    "      --compress=none|mszip   compression for --dir (default mszip)\n"
    "      --title=TEXT            caption of the setup dialog (at most 255 bytes;\n"
    "                              default \"Self-extracting Archive\")\n"
    "      --welcome-file=F        text shown in the dialog before installing (9 lines\n"
    "                              of about 57 characters fit; a longer one is warned\n"
    "                              about); without it a default text is shown, and an\n"
    "                              unattended package installs at once\n"
    "      --licence-file=F        licence the user must accept before installing\n"
    "      --notice-file=F         text shown by the Info button after installing\n"
    "                              (at most 255 bytes as stored)\n"
    "      --attended              wait for the user after installing (Info and Ok);\n"
    "                              otherwise the dialog closes by itself\n"
    "      --admin                 have Windows ask for administrative rights before\n"
    "                              setup starts (the stub's manifest asks for\n"
    "                              requireAdministrator instead of asInvoker), and\n"
    "                              refuse to install without them\n"
    "      --notice-hidden         never show the Info button\n"
    "      --advanced              install with advpack (sections DefaultInstall2[.ntx86]\n"
    "                              and DefaultInstallX) instead of setupapi/setupx\n"
    "                              (section DefaultInstall)\n"
    "      --scramble-cabinet      store the cabinet XOR-scrambled\n"
    "      --split=BYTES           split into parts of at most BYTES bytes: OUT.exe,\n"
    "                              then OUT with its last three characters replaced by\n"
    "                              001, 002, ... up to 255 (the first part holds at\n"
    "                              least the program and its texts, and a record of\n"
    "                              every part's size and SHA-256 digest that setup\n"
    "                              checks before extracting)\n"
    "      --cabinet-library=FILE  Cabinet.dll to carry (at most 40960 bytes), placed in\n"
    "                              the system folder when it has none; without it the\n"
    "                              area is zero-filled and never placed\n"
    "\n";

const char kExtractOptions[] =
    "Extract options:\n"
    "      --force                 overwrite files that exist in DIR (DIR itself is\n"
    "                              made when it does not exist)\n"
    "\n";

const char kSignOptions[] =
    "Sign options:\n"
    "      --cert=CERT             the signing certificate, with its chain (PEM or DER)\n"
    "      --key=KEY               its private key\n"
    "      --pkcs12=FILE           certificate and key in one PKCS#12 file, instead\n"
    "      --pass-file=FILE        the password of the key or PKCS#12 file, read from\n"
    "                              FILE\n"
    "      --description=TEXT      the program's name that Windows shows when it asks\n"
    "                              for administrative rights\n"
    "      --url=URL               a web address for more about the program\n"
    "      --timestamp=URL         an RFC 3161 time-stamping service: the signature\n"
    "                              then stays valid after the certificate expires\n"
    "\n";

const char kCommon[] =
    "  -h, --help                  show this help and exit\n"
    "      --version               show the version and exit\n"
    "\n";

const char kTexts[] =
    "Texts and names:\n"
    "  Setup shows texts and creates file names in Windows-1252. Text files, the title\n"
    "  and file names are read as UTF-8 when they are valid UTF-8 (a byte-order mark is\n"
    "  dropped), else as Windows-1252 already, and stored in Windows-1252; a character\n"
    "  without a Windows-1252 form is refused, naming its line and place. Line feeds\n"
    "  become CR LF. Names equal but for case, device names (CON, COM1, and COM or\n"
    "  LPT with a superscript digit), and in a split package a file named Tessara.pkg\n"
    "  are refused.\n"
    "\n";

const char kEnvironment[] =
    "\n"
    "Environment:\n"
    "  SOURCE_DATE_EPOCH  when set, every file of a cabinet made with --dir is dated\n"
    "                     at this many seconds since 1970-01-01 00:00 UTC, so that two\n"
    "                     builds of the same inputs are identical byte for byte\n";

const char kExitStatus[] =
    "Exit status:\n"
    "  0  success (warnings may have been printed)\n"
    "  1  failure: an input or a package was refused, or a file could not be read\n"
    "     or written\n"
    "  2  usage error: the command line cannot be run as written\n";

}  // namespace

std::string HelpText(const std::string& command) {
  if (command == "build") {
    return std::string(kBuildUsage) + "\n" + kBuildOptions + kCommon + kTexts + kExitStatus +
           kEnvironment;
  }
  if (command == "info" || command == "check") {
    const char* what = command == "info"
                           ? "Prints the header fields, the texts (unscrambled, converted from\n"
                             "Windows-1252 to the terminal's character set, control characters\n"
                             "escaped) and the cabinet's files. The parts of a split package are\n"
                             "read beside it and checked against its part record.\n"
                           : "Runs the checks of build on a finished package: its parts, its\n"
                             "file names, its INF name and the INF's install sections; then\n"
                             "extracts every file without writing it, checking every block.\n"
                             "Problems that stop the package are errors (exit status 1), the\n"
                             "others warnings.\n";
    return "Usage: setuppack " + command + " PACKAGE\n\n" + what + "\n" + kCommon + kExitStatus;
  }
  if (command == "sign") {
    return std::string(
               "Usage: setuppack sign (--cert CERT --key KEY | --pkcs12 FILE) [OPTION]... "
               "PACKAGE\n\n") +
           "Signs the package in place with osslsigncode (Authenticode, SHA-256), after\n"
           "checking it as check does; signing must come last, as any later change\n"
           "breaks the signature. Of a split package, the program (part 1) is signed:\n"
           "its part record, which the signature covers, binds the other parts.\n"
           "A package signed before is signed anew.\n\n" +
           kSignOptions + kCommon + kExitStatus;
  }
  if (command == "extract") {
    return std::string("Usage: setuppack extract [--force] PACKAGE DIR\n\n") +
           "Writes the cabinet's files into DIR, refusing names that would leave it or\n"
           "that setup refuses, as setup does. DIR is made when it does not exist;\n"
           "files that exist in it are not overwritten without --force.\n\n" +
           kExtractOptions + kCommon + kExitStatus;
  }
  return std::string(kBuildUsage) + kOtherUsage + kAbout + kCommands + kBuildOptions +
         kExtractOptions + kSignOptions + "Common options:\n" + kCommon + kTexts + kExitStatus + kEnvironment;
}

std::string VersionText() {
  return "setuppack " MARROWBY_VERSION_TEXT
         "\nPackages with header \"MRI\"; split packages with a part record.\n";
}

std::string UsageText() {
  return std::string(kBuildUsage) + kOtherUsage +
         "Try 'setuppack --help' for more information.\n";
}

}  // namespace marrowby::setuppack
