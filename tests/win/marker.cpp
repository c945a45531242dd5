// Test helper started by the tests under Wine: appends one line to the file
// named by its first argument, after sleeping the milliseconds of the second,
// and exits with the code of the third (all optional but the file).
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  if (argc > 2) Sleep(static_cast<DWORD>(std::atoi(argv[2])));
  FILE* f = std::fopen(argv[1], "a");
  if (!f) return 3;
  std::fprintf(f, "started %lu\n", GetCurrentProcessId());
  std::fclose(f);
  return argc > 3 ? std::atoi(argv[3]) : 0;
}
