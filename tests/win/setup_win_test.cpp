// The setup program's Win32 layer in-process under Wine: existence tests,
// directory creation, the file table, the rights test, placing and loading
// the cabinet library, and extraction with Wine's own cabinet library.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "setup/cstr.h"
#include "setup/package_format.h"
#include "setup/package_load.h"
#include "setup/setup_win32.h"
#include "tests/win/win_test_util.h"

namespace marrowby::setup {
namespace {

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

TEST_F(SetupWin, WineIsTheNtFamilyAndTheTestUserAnAdministrator) {
  EXPECT_TRUE(IsNtFamily());
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

// A stored cabinet, written here so that extraction is tested against
// cabinets the builder did not make.
struct Entry {
  std::string name;
  std::string data;
  uint16_t date, time, attribs;
};

void Put(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s += static_cast<char>(v >> (8 * i));
}

std::string StoredCabinet(const std::vector<Entry>& entries) {
  std::string files, data;
  for (const Entry& e : entries) {
    Put(files, static_cast<uint32_t>(e.data.size()), 4);
    Put(files, static_cast<uint32_t>(data.size()), 4);
    Put(files, 0, 2);
    Put(files, e.date, 2);
    Put(files, e.time, 2);
    Put(files, e.attribs, 2);
    files += e.name;
    files += '\0';
    data += e.data;
  }
  std::string blocks;
  int count = 0;
  for (size_t at = 0; at < data.size(); at += 32768, ++count) {
    const std::string chunk = data.substr(at, 32768);
    Put(blocks, 0, 4);
    Put(blocks, static_cast<uint32_t>(chunk.size()), 2);
    Put(blocks, static_cast<uint32_t>(chunk.size()), 2);
    blocks += chunk;
  }
  const uint32_t dataAt = static_cast<uint32_t>(36 + 8 + files.size());
  std::string cab = "MSCF";
  Put(cab, 0, 4);
  Put(cab, static_cast<uint32_t>(dataAt + blocks.size()), 4);
  Put(cab, 0, 4);
  Put(cab, 44, 4);
  Put(cab, 0, 4);
  cab += '\x03';
  cab += '\x01';
  Put(cab, 1, 2);
  Put(cab, static_cast<uint32_t>(entries.size()), 2);
  Put(cab, 0, 2);
  Put(cab, 7, 2);
  Put(cab, 0, 2);
  Put(cab, dataAt, 4);
  Put(cab, static_cast<uint32_t>(count), 2);
  Put(cab, 0, 2);
  return cab + files + blocks;
}

std::vector<std::string> g_progress;
void Progress(const char* name) { g_progress.push_back(name); }

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
    FreeCabinetLibrary();
    SetupWin::TearDown();
  }
  // Puts the cabinet behind a prefix, as in a package, and extracts it.
  void Extract(const std::string& cabinet) {
    g_state.header.packageSize = static_cast<uint32_t>(5000 + cabinet.size());
    WriteFile(dir + "pkg.exe", std::string(5000, 'P') + cabinet);
    TextCopy(g_state.packagePath, sizeof(g_state.packagePath), (dir + "pkg.exe").c_str());
    g_state.cabinetOffset = 5000;
    ExtractCabinet(nullptr, Progress);
  }
};

TEST_F(ExtractWin, FilesWithTimesAttributesAndTheProgressRoutine) {
  // 2021-06-15 10:20:30 local time.
  const uint16_t date = (2021 - 1980) << 9 | 6 << 5 | 15;
  const uint16_t time = 10 << 11 | 20 << 5 | 15;
  Extract(StoredCabinet({{"a.txt", "alpha", date, time, 0x20},
                         {"ro.txt", "read only", date, time, 0x21},
                         {"big.bin", std::string(70000, 'b'), date, time, 0x20}}));
  ASSERT_TRUE(g_state.extractionSucceeded);
  EXPECT_EQ(g_progress, (std::vector<std::string>{"a.txt", "ro.txt", "big.bin"}));
  EXPECT_EQ(ReadFile(dir + "out\\a.txt"), "alpha");
  EXPECT_EQ(ReadFile(dir + "out\\big.bin"), std::string(70000, 'b'));
  EXPECT_TRUE(GetFileAttributesA((dir + "out\\ro.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(GetFileAttributesA((dir + "out\\a.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
  ASSERT_EQ(g_state.extracted.count, 3);
  EXPECT_EQ(std::string(g_state.extracted.paths[1]), dir + "out\\ro.txt");
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
  SetFileAttributesA((dir + "out\\ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ExtractWin, OnlyTheFirst255FilesAreListedButAllAreExtracted) {
  std::vector<Entry> entries;
  for (int i = 0; i < 260; ++i) entries.push_back({"f" + std::to_string(i), "x", 0x5821, 0, 0x20});
  Extract(StoredCabinet(entries));
  ASSERT_TRUE(g_state.extractionSucceeded);
  EXPECT_EQ(g_state.extracted.count, 255);
  EXPECT_EQ(std::string(g_state.extracted.paths[254]), dir + "out\\f254");
  EXPECT_TRUE(FileExists(dir + "out\\f259"));
}

}  // namespace
}  // namespace marrowby::setup
