// The fuzz corpus of the settings store as a regression test: every input
// kept in tests/fuzz/corpus runs through its target once more.
#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_targets.h"

namespace marrowby {
namespace {

std::vector<std::string> Files(const std::string& dir) {
  std::vector<std::string> out;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      if (e->d_name[0] != '.') out.push_back(dir + "/" + e->d_name);
    }
    closedir(d);
  }
  return out;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void RunCorpus(const std::string& name, bool (*target)(const uint8_t*, size_t)) {
  const std::vector<std::string> files = Files(std::string(MARROWBY_FUZZ_CORPUS) + "/" + name);
  ASSERT_FALSE(files.empty()) << name;
  for (const std::string& f : files) {
    const std::string data = Read(f);
    EXPECT_TRUE(target(reinterpret_cast<const uint8_t*>(data.data()), data.size())) << f;
  }
}

TEST(StoreFuzzCorpus, ProfileParserAndWriter) { RunCorpus("profile", &fuzz::FuzzProfile); }

TEST(StoreFuzzCorpus, RestoringFromArbitraryText) { RunCorpus("restore", &fuzz::FuzzRestore); }

}  // namespace
}  // namespace marrowby
