// The setup program's Win32 layer in-process under Wine: existence tests,
// directory creation, the file table, the rights test, placing and loading
// the cabinet library, and extraction with Wine's own cabinet library.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <cstring>
#include <string>
#include <vector>

#include "setup/cstr.h"
#include "setup/messages.h"
#include "setup/package_format.h"
#include "setup/package_load.h"
#include "setup/setup_win32.h"
#include "tests/win/setup_win_util.h"
#include "tests/win/win_test_util.h"

namespace marrowby::setup {
namespace {

using testing::Entry;
using testing::StoredCabinet;
using wintest::FileExists;
using wintest::MakeTempDir;
using wintest::ReadFile;
using wintest::RemoveTree;
using wintest::WriteFile;

class SetupWin : public ::testing::Test {
 protected:
  void SetUp() override {
    g_io = &kWin32Io;
    g_state = SetupState{};
    g_state.packageHandle = kNoHandle;
    dir = MakeTempDir("setup_win_");
  }
  void TearDown() override { RemoveTree(dir); }
  std::string dir;
};

TEST_F(SetupWin, ExistenceTestForFilesAndFolders) {
  WriteFile(dir + "file.txt", "x");
  EXPECT_TRUE(PathExists((dir + "file.txt").c_str()));
  std::string slashed = dir + "file.txt";
  for (char& c : slashed) c = c == '\\' ? '/' : c;
  EXPECT_TRUE(PathExists(slashed.c_str()));
  EXPECT_TRUE(PathExists(dir.c_str()));  // a folder with an entry in it
  EXPECT_FALSE(PathExists((dir + "missing.txt").c_str()));
  EXPECT_FALSE(PathExists((dir + "missing\\").c_str()));
  const std::string tooLong(400, 'a');
  EXPECT_FALSE(PathExists(tooLong.c_str()));
}

TEST_F(SetupWin, DirectoryTreeIsCreatedWithItsParents) {
  const std::string deep = dir + "a\\b\\c\\";
  EXPECT_TRUE(CreateDirectoryTree(deep.c_str()));
  EXPECT_NE(GetFileAttributesA(deep.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_TRUE(CreateDirectoryTree(deep.c_str()));  // existing: left alone
  WriteFile(dir + "blocker", "file in the way");
  EXPECT_FALSE(CreateDirectoryTree((dir + "blocker\\sub\\").c_str()));
}

// Whether a token lists S-1-5-32-544 (the Administrators group), whatever
// its attributes: an administrator's filtered token lists it to deny only.
bool ListsAdministrators(HANDLE token) {
  DWORD size = 0;
  GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
  std::vector<uint8_t> buffer(size);
  auto* groups = reinterpret_cast<TOKEN_GROUPS*>(buffer.data());
  if (!GetTokenInformation(token, TokenGroups, groups, size, &size)) return false;
  PSID admins = nullptr;
  ConvertStringSidToSidA("S-1-5-32-544", &admins);
  bool found = false;
  for (DWORD i = 0; i < groups->GroupCount; ++i) found = found || EqualSid(groups->Groups[i].Sid, admins);
  LocalFree(admins);
  return found;
}

// Wine runs the test user's programs with an administrator's full token;
// its linked token is the filtered one of the same administrator, which the
// rights test (it asks the thread's token first) must refuse.
TEST_F(SetupWin, TheRightsTestWantsAnElevatedAdministrator) {
  EXPECT_TRUE(IsNtFamily());
  EXPECT_TRUE(HasAdministrativeRights());
  EXPECT_TRUE(IsElevated());
  HANDLE own = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own));
  TOKEN_LINKED_TOKEN linked{};
  DWORD size = 0;
  ASSERT_TRUE(GetTokenInformation(own, TokenLinkedToken, &linked, sizeof(linked), &size));
  CloseHandle(own);
  ASSERT_TRUE(ListsAdministrators(linked.LinkedToken));
  ASSERT_TRUE(ImpersonateLoggedOnUser(linked.LinkedToken));
  const bool rights = HasAdministrativeRights();
  const bool elevated = IsElevated();
  RevertToSelf();
  CloseHandle(linked.LinkedToken);
  EXPECT_FALSE(rights);
  EXPECT_FALSE(elevated);
  EXPECT_TRUE(HasAdministrativeRights());
}

std::vector<uint8_t> PeLibrary() {
  std::vector<uint8_t> lib(kLibrarySize, 0x5A);
  lib[0] = 'M';
  lib[1] = 'Z';
  lib[0x3C] = 0x80;
  lib[0x3D] = lib[0x3E] = lib[0x3F] = 0;
  std::memcpy(&lib[0x80], "PE\0\0", 4);
  return lib;
}

std::string PackageWithLibrary(const std::vector<uint8_t>& lib) {
  std::string p(kImageSize, '\0');
  p.append(lib.begin(), lib.end());
  p.append("MRI");
  return p;
}

TEST_F(SetupWin, LibraryCopyIsPlacedOnlyWhenMissingAndOnlyWhenItIsAnImage) {
  const std::string sys = dir + "sys";
  CreateDirectoryA(sys.c_str(), nullptr);
  TextCopy(g_state.systemDir, sizeof(g_state.systemDir), sys.c_str());
  WriteFile(dir + "zero.pkg", PackageWithLibrary(std::vector<uint8_t>(kLibrarySize, 0)));
  WriteFile(dir + "pe.pkg", PackageWithLibrary(PeLibrary()));

  intptr_t h = g_io->open((dir + "zero.pkg").c_str(), OpenParams{});
  EXPECT_EQ(PlaceCabinetLibrary(&g_state, h, PathExists), LibraryPlacement::kNotAnImage);
  g_io->close(h);
  EXPECT_FALSE(FileExists(sys + "\\Cabinet.dll"));

  h = g_io->open((dir + "pe.pkg").c_str(), OpenParams{});
  EXPECT_EQ(PlaceCabinetLibrary(&g_state, h, PathExists), LibraryPlacement::kWritten);
  EXPECT_EQ(ReadFile(sys + "\\Cabinet.dll").size(), kLibrarySize);
  WriteFile(sys + "\\Cabinet.dll", "the system's own");
  EXPECT_EQ(PlaceCabinetLibrary(&g_state, h, PathExists), LibraryPlacement::kExists);
  g_io->close(h);
  EXPECT_EQ(ReadFile(sys + "\\Cabinet.dll"), "the system's own");
  EXPECT_FALSE(g_state.error);
}

TEST_F(SetupWin, CabinetLibraryIsLoadedFromTheSystemDirectory) {
  TextCopy(g_state.systemDir, sizeof(g_state.systemDir), dir.c_str());  // holds no library
  g_state.systemDir[std::strlen(g_state.systemDir) - 1] = 0;
  EXPECT_FALSE(LoadCabinetLibrary());
  GetSystemDirectoryA(g_state.systemDir, sizeof(g_state.systemDir));
  EXPECT_TRUE(LoadCabinetLibrary());
  EXPECT_TRUE(LoadCabinetLibrary());  // once bound, stays bound
  FreeCabinetLibrary();
}

std::vector<std::string> g_progress;
void Progress(const char* name) { g_progress.push_back(name); }

// The extracted files as listed, with their handles.
std::vector<ExtractedFile*> Listed() {
  std::vector<ExtractedFile*> files;
  for (ExtractedFile* f = g_state.extracted.first; f; f = f->next) files.push_back(f);
  return files;
}

class ExtractWin : public SetupWin {
 protected:
  void SetUp() override {
    SetupWin::SetUp();
    GetSystemDirectoryA(g_state.systemDir, sizeof(g_state.systemDir));
    ASSERT_TRUE(LoadCabinetLibrary());
    TextCopy(g_state.tempDir, sizeof(g_state.tempDir), (dir + "out\\").c_str());
    CreateDirectoryA(g_state.tempDir, nullptr);
    g_progress.clear();
  }
  void TearDown() override {
    g_io = &kWin32Io;
    DeleteExtractedFiles(nullptr);
    if (g_state.packageHandle != kNoHandle) g_io->close(g_state.packageHandle);
    FreeCabinetLibrary();
    SetupWin::TearDown();
  }
  // Puts the cabinet behind a prefix, as in a package, and extracts it from
  // the package handle, as start-up leaves it open. Gives the text of the
  // message box the extraction showed ("" for none): every box is answered,
  // so that one a case does not expect fails it instead of waiting forever.
  std::string Extract(const std::string& cabinet) {
    g_state.header.packageSize = static_cast<uint32_t>(5000 + cabinet.size());
    WriteFile(dir + "pkg.exe", std::string(5000, 'P') + cabinet);
    TextCopy(g_state.packagePath, sizeof(g_state.packagePath), (dir + "pkg.exe").c_str());
    g_state.packageHandle = kWin32Io.open(g_state.packagePath, kReadExisting);
    g_state.cabinetOffset = 5000;
    testing::BoxAnswerer box;
    ExtractCabinet(nullptr, Progress);
    return box.text();
  }
};

TEST_F(ExtractWin, FilesWithTimesAttributesAndTheProgressRoutine) {
  // 2021-06-15 10:20:30 local time.
  const uint16_t date = (2021 - 1980) << 9 | 6 << 5 | 15;
  const uint16_t time = 10 << 11 | 20 << 5 | 15;
  ASSERT_EQ(Extract(StoredCabinet({{"a.txt", "alpha", date, time, 0x20},
                                   {"ro.txt", "read only", date, time, 0x21},
                                   {"big.bin", std::string(70000, 'b'), date, time, 0x20}})),
            "");
  ASSERT_TRUE(g_state.extractionSucceeded);
  EXPECT_EQ(g_progress, (std::vector<std::string>{"a.txt", "ro.txt", "big.bin"}));
  EXPECT_EQ(ReadFile(dir + "out\\a.txt"), "alpha");
  EXPECT_EQ(ReadFile(dir + "out\\big.bin"), std::string(70000, 'b'));
  EXPECT_TRUE(GetFileAttributesA((dir + "out\\ro.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(GetFileAttributesA((dir + "out\\a.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
  ASSERT_EQ(g_state.extracted.count, 3u);
  EXPECT_EQ(std::string(Listed()[1]->path), dir + "out\\ro.txt");
  WIN32_FILE_ATTRIBUTE_DATA info;
  ASSERT_TRUE(GetFileAttributesExA((dir + "out\\a.txt").c_str(), GetFileExInfoStandard, &info));
  FILETIME local;
  SYSTEMTIME st;
  FileTimeToLocalFileTime(&info.ftLastWriteTime, &local);
  FileTimeToSystemTime(&local, &st);
  EXPECT_EQ(st.wYear, 2021);
  EXPECT_EQ(st.wMonth, 6);
  EXPECT_EQ(st.wDay, 15);
  EXPECT_EQ(st.wHour, 10);
  EXPECT_EQ(st.wMinute, 20);
  EXPECT_EQ(st.wSecond, 30);
  EXPECT_EQ(CompareFileTime(&info.ftCreationTime, &info.ftLastWriteTime), 0);
  DeleteExtractedFiles(nullptr);
  SetFileAttributesA((dir + "out\\ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// However many files there are, each is listed and held so that nobody can
// write, rename or delete it; Close lets go of them all and deletes them.
TEST_F(ExtractWin, EveryFileIsHeldUntilItIsDeletedHoweverManyThereAre) {
  std::vector<Entry> entries;
  for (int i = 0; i < 300; ++i) entries.push_back({"f" + std::to_string(i), "x", 0x5821, 0, 0x20});
  ASSERT_EQ(Extract(StoredCabinet(entries)), "");
  ASSERT_TRUE(g_state.extractionSucceeded);
  ASSERT_EQ(g_state.extracted.count, 300u);
  for (ExtractedFile* f : Listed()) ASSERT_NE(f->handle, kNoHandle) << f->path;
  const std::string last = dir + "out\\f299";
  EXPECT_EQ(std::string(Listed().back()->path), last);
  EXPECT_EQ(CreateFileA(last.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE |
                        FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_FALSE(MoveFileA(last.c_str(), (dir + "moved").c_str()));
  EXPECT_FALSE(DeleteFileA(last.c_str()));
  EXPECT_EQ(ReadFile(last), "x");  // readers, as the installer, still can
  DeleteExtractedFiles(nullptr);
  EXPECT_TRUE(wintest::ListFiles(dir + "out\\").empty());
}

// A name the cabinet flags as UTF-8 is created from its UTF-8, any other
// from Windows-1252; two names equal but for case would be one file, and the
// second is refused.
TEST_F(ExtractWin, NamesAreCreatedFromTheirEncodingAndCaseTwinsAreRefused) {
  ASSERT_EQ(Extract(StoredCabinet({{"caf\xC3\xA9.txt", "utf", 0x5821, 0, 0xA0},
                                   {"\xE9t\xE9.txt", "ansi", 0x5821, 0, 0x20}})),
            "");
  ASSERT_TRUE(g_state.extractionSucceeded);
  EXPECT_EQ(ReadFile(dir + "out\\caf\xC3\xA9.txt"), "utf");
  EXPECT_EQ(ReadFile(dir + "out\\\xC3\xA9t\xC3\xA9.txt"), "ansi");
  DeleteExtractedFiles(nullptr);
  g_state.packageHandle = (g_io->close(g_state.packageHandle), kNoHandle);

  EXPECT_EQ(Extract(StoredCabinet({{"setup.inf", "1", 0x5821, 0, 0x20},
                                   {"SETUP.INF", "2", 0x5821, 0, 0x20}})),
            std::string(kMsgUnsafeName) + "SETUP.INF");
  EXPECT_FALSE(g_state.extractionSucceeded);
  EXPECT_EQ(ReadFile(dir + "out\\setup.inf"), "1");
}

// A disk that refuses a write, or takes fewer bytes than it reports, whatever
// the cabinet library then says: an extraction error, and after the clean-up
// nothing is left.
TEST_F(ExtractWin, AWriteTheDiskDoesNotTakeIsAnExtractionError) {
  static int mode;
  static SetupIo faulty;
  faulty = kWin32Io;
  faulty.write = [](intptr_t h, const void* buffer, uint32_t count) -> uint32_t {
    const uint32_t kept = count > 1000 ? count - 1000 : count;
    const uint32_t n = kWin32Io.write(h, buffer, mode == 0 ? count : kept);
    return mode == 0 ? kIoError : (n == kept ? count : n);  // refused, or dropped in silence
  };
  for (mode = 0; mode < 2; ++mode) {
    SCOPED_TRACE(mode);
    g_io = &faulty;
    EXPECT_EQ(Extract(StoredCabinet({{"small.txt", "s", 0x5821, 0, 0x20},
                                     {"big.bin", std::string(150000, 'b'), 0x5821, 0, 0x20}})),
              "Error writing target");
    EXPECT_FALSE(g_state.extractionSucceeded);
    g_io = &kWin32Io;
    DeleteExtractedFiles(nullptr);
    EXPECT_TRUE(wintest::ListFiles(dir + "out\\").empty());
    g_state.packageHandle = (g_io->close(g_state.packageHandle), kNoHandle);
  }
}

}  // namespace
}  // namespace marrowby::setup
