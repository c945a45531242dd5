// The main window's fuzz corpus as a regression test: damaged settings files
// and the steps that once broke the window run again.
#include "tests/fuzz/corpus_files.h"
#include "tests/fuzz/fuzz_targets.h"

namespace marrowby {
namespace {

TEST(MainFormFuzzCorpus, RestoredAndWorkedFromArbitraryText) {
  fuzz::RunCorpus("main_form", &fuzz::FuzzMainForm);
}

}  // namespace
}  // namespace marrowby
