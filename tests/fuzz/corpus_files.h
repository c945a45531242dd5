// Runs every input kept in a fuzz corpus folder through its target once more
// (the corpus as a regression test).
#pragma once

#include <gtest/gtest.h>

#include <dirent.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace marrowby::fuzz {

inline std::vector<std::string> CorpusFiles(const std::string& dir) {
  std::vector<std::string> out;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      if (e->d_name[0] != '.') out.push_back(dir + "/" + e->d_name);
    }
    closedir(d);
  }
  return out;
}

inline std::string ReadCorpusFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// name: the corpus folder under MARROWBY_FUZZ_CORPUS.
inline void RunCorpus(const std::string& name, bool (*target)(const uint8_t*, size_t)) {
  const std::vector<std::string> files = CorpusFiles(std::string(MARROWBY_FUZZ_CORPUS) + "/" + name);
  ASSERT_FALSE(files.empty()) << name;
  for (const std::string& f : files) {
    const std::string data = ReadCorpusFile(f);
    EXPECT_TRUE(target(reinterpret_cast<const uint8_t*>(data.data()), data.size())) << f;
  }
}

}  // namespace marrowby::fuzz
