// An in-memory file system behind the setup program's I/O table, with the
// faults the tests need: a file that delivers fewer bytes than its size, a
// write that fails, a disk that drops bytes it reports written, a file that
// cannot be opened or created, a change by someone else after a close.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "setup/setup_io.h"

namespace marrowby::setup::testing {

class FakeFiles {
 public:
  FakeFiles();   // installs itself as the I/O table
  ~FakeFiles();  // restores the previous one

  std::map<std::string, std::vector<uint8_t>> files;
  std::set<std::string> unopenable;         // open fails
  std::map<std::string, size_t> readLimit;  // reads stop after this many bytes
  std::set<std::string> failWrites;         // writes fail
  std::map<std::string, size_t> storeLimit;  // writes report all, the file keeps this many
  bool noSha256 = false;                     // hashBegin fails
  // Called after a handle to the path is closed.
  void (*afterClose)(FakeFiles& files, const std::string& path) = nullptr;
  int openCount = 0;
  int openHandles() const { return static_cast<int>(handles_.size()); }
  std::vector<OpenParams> opens;            // parameters of every open, in order
  int allocations = 0;

  bool Exists(const std::string& path) const { return files.count(path) != 0; }

  static FakeFiles* current;

  struct Handle {
    std::string path;
    size_t pos = 0;
    size_t delivered = 0;
  };
  std::map<intptr_t, Handle> handles_;
  intptr_t next_ = 100;

 private:
  const SetupIo* previous_;
};

bool FakeExists(const char* path);

}  // namespace marrowby::setup::testing
