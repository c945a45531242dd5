// Test helper that stands in for the web browser: appends its command line
// (its arguments) as one line to the file named by MARROWBY_ARGS_LOG.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  const char* file = std::getenv("MARROWBY_ARGS_LOG");
  if (!file) return 2;
  FILE* f = std::fopen(file, "ab");
  if (!f) return 3;
  for (int i = 1; i < argc; ++i) std::fprintf(f, i > 1 ? " %s" : "%s", argv[i]);
  std::fprintf(f, "\n");
  std::fclose(f);
  return 0;
}
