// What the setup program's in-process tests share: an answerer for the
// message boxes the program shows, and stored cabinets written here, apart
// from the package builder.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace marrowby::setup::testing {

// Answers the next message box of this process with OK and keeps its text.
// It looks until it is stopped (text() or its end), however long the box
// takes to come: a box shown after the answerer gave up would wait forever.
class BoxAnswerer {
 public:
  BoxAnswerer();
  ~BoxAnswerer();
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;
  // Stops looking and gives the text of the box answered, if any.
  std::string text();

 private:
  void Run();
  std::atomic<bool> stop_{false};
  std::string text_;
  std::thread thread_;
};

struct Entry {
  std::string name;  // the bytes stored
  std::string data;
  uint16_t date, time, attribs;
};

// A single-folder cabinet of stored (uncompressed) entries.
std::string StoredCabinet(const std::vector<Entry>& entries);

}  // namespace marrowby::setup::testing
