// Test helper started by the tests under Wine: appends one line to the file
// named by its first argument, after sleeping the milliseconds of the second,
// and exits with the code of the third. Without arguments (started through
// the shell as a schedule's item) the file is named by the environment
// variable MARROWBY_MARKER.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  const char* file = argc > 1 ? argv[1] : std::getenv("MARROWBY_MARKER");
  if (!file) return 2;
  if (argc > 2) Sleep(static_cast<DWORD>(std::atoi(argv[2])));
  FILE* f = std::fopen(file, "a");
  if (!f) return 3;
  // The start time in milliseconds since 1601, for measuring start delays.
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const unsigned long long ms =
      (static_cast<unsigned long long>(now.dwHighDateTime) << 32 | now.dwLowDateTime) / 10000;
  std::fprintf(f, "started %lu %llu\n", GetCurrentProcessId(), ms);
  std::fclose(f);
  return argc > 3 ? std::atoi(argv[3]) : 0;
}
