// The fuzz corpus of the settings store as a regression test: every input
// kept in tests/fuzz/corpus runs through its target once more.
#include "tests/fuzz/corpus_files.h"
#include "tests/fuzz/fuzz_targets.h"

namespace marrowby {
namespace {

TEST(StoreFuzzCorpus, ProfileParserAndWriter) { fuzz::RunCorpus("profile", &fuzz::FuzzProfile); }

TEST(StoreFuzzCorpus, RestoringFromArbitraryText) {
  fuzz::RunCorpus("restore", &fuzz::FuzzRestore);
}

}  // namespace
}  // namespace marrowby
