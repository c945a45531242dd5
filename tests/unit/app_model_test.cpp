// The schedule model against the real main window: random sequences of a
// user's actions and the clock's moves from fixed seeds, the sequences that
// once broke the promise, and the fuzz corpus. Every launch must be one the
// model expects, when it expects it, and the settings file must end as the
// model says.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>

#include "tests/fuzz/corpus_files.h"
#include "tests/model/model_driver.h"

namespace marrowby::model {
namespace {

// A schedule due at a whole minute near the start (offset in minutes), with
// its criteria, action bits and state.
ScheduleBytes Due(int minutesFromStart, uint8_t actions = 0, uint8_t state = 1) {
  ScheduleBytes s;
  s.checks = 0x10;  // Specific Time
  s.minutes = static_cast<uint8_t>(minutesFromStart + 20);
  s.actions = actions;
  s.state = state;
  return s;
}

// Named sequences: each once made the program break its promise.
std::vector<std::pair<std::string, std::string>> FaultCases() {
  std::vector<std::pair<std::string, std::string>> cases;
  // Due two minutes before the start, announced: the announcement took the
  // focus from the window, whose deactivation stored the editor and armed
  // the schedule again while it was launching.
  cases.push_back({"start-announced-due",
                   CaseBuilder(9, 0).Add(Due(-2, 1)).Answer(0).Do(kWait, {10}).Bytes()});
  // The same with Allow Cancel, cancelled at once.
  cases.push_back({"start-announced-cancelled",
                   CaseBuilder(9, 0).Add(Due(-2, 1 | 4)).Answer(2).Do(kWait, {10}).Bytes()});
  // Not announced, and the item cannot be opened: the failure box took the focus.
  cases.push_back({"start-failing-item",
                   CaseBuilder(9, 0).Add(Due(-2, 8)).Answer(140).Do(kWait, {10}).Bytes()});
  // The manager open on a schedule when it comes due.
  cases.push_back({"open-on-due-schedule", CaseBuilder(9, 0)
                                               .Add(Due(10))
                                               .Add(Due(1, 1))
                                               .Do(kShow)
                                               .Do(kNext)
                                               .Do(kWaitLonger, {40})
                                               .Answer(0)
                                               .Do(kWait, {10})
                                               .Bytes()});
  // Due at 10:20, the clock moved from 10:01 to 10:31 without a word.
  cases.push_back({"unreported-clock-jump", CaseBuilder(10, 1)
                                                .Add(Due(19))
                                                .Do(kWait, {5})
                                                .Do(kClockSlips, {4 * 29, 0})
                                                .Do(kWaitLonger, {40})
                                                .Bytes()});
  // A read-only settings file: told once, with a notice that stays.
  cases.push_back({"read-only-settings", CaseBuilder(9, 0)
                                             .Add(Due(3))
                                             .Add(Due(20))
                                             .Do(kReadOnly)
                                             .Do(kShow)
                                             .Do(kDescription)
                                             .Do(kNext)
                                             .Do(kDescription)
                                             .Do(kHide)
                                             .Do(kWaitLonger, {80})
                                             .Do(kShow)
                                             .Do(kNew)
                                             .Do(kReadOnly)
                                             .Do(kDescription)
                                             .Do(kHide)
                                             .Do(kReadOnly)
                                             .Do(kShow)
                                             .Do(kDescription)
                                             .Do(kHide)
                                             .Bytes()});
  // A stored hour of 24: its first tick fails and disarms it; viewing it
  // and hiding the manager must leave it as it was.
  {
    ScheduleBytes broken = Due(5);
    broken.minutes = 250;
    cases.push_back({"viewed-hour-24", CaseBuilder(9, 0)
                                           .Add(Due(20))
                                           .Add(broken)
                                           .Answer(0)
                                           .Do(kShow)
                                           .Do(kNext)
                                           .Do(kHide)
                                           .Bytes()});
  }
  // Wednesday and Friday, launched this Wednesday, next on Friday: viewing
  // it keeps Friday; editing its days does not give it today again.
  {
    ScheduleBytes weekly = Due(-20, 0, 2);  // DONE, disarmed
    weekly.checks = 2 | 4;  // Specific Time, Day of the Week
    weekly.days = 1 << 3 | 1 << 5;
    weekly.weekMonth = 5;
    cases.push_back({"viewed-weekly", CaseBuilder(9, 0).Add(weekly).Do(kShow).Do(kHide).Bytes()});
    cases.push_back({"edited-weekly-launched-today",
                     CaseBuilder(9, 0).Add(weekly).Do(kShow).Do(kDay, {1}).Do(kHide).Bytes()});
  }
  // An hour of 23 emptied with two Backspaces (through "2"), then the
  // manager hidden: the schedule keeps hour 23.
  {
    ScheduleBytes late = Due(-20, 0, 0);  // 23:10, NO
    cases.push_back({"emptied-hour", CaseBuilder(23, 30)
                                         .Add(late)
                                         .Do(kShow)
                                         .Do(kRetype, {2 * 3, 0})
                                         .Do(kHide)
                                         .Bytes()});
  }
  return cases;
}

TEST(ScheduleModel, SequencesThatOnceBrokeThePromise) {
  for (const auto& [name, bytes] : FaultCases()) {
    std::string report;
    EXPECT_TRUE(RunScheduleModel(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &report))
        << name << "\n" << report;
  }
}

// Random sequences from fixed seeds; MARROWBY_MODEL_SEEDS runs more.
std::string RandomSequence(int seed) {
  std::mt19937 rng(static_cast<uint32_t>(seed));
  std::string bytes(5 + 6 * 8 + 160, '\0');
  for (char& c : bytes) c = static_cast<char>(rng() & 0xFF);
  return bytes;
}

TEST(ScheduleModel, RandomSequencesFromFixedSeeds) {
  const char* more = std::getenv("MARROWBY_MODEL_SEEDS");
  const char* from = std::getenv("MARROWBY_MODEL_FIRST_SEED");
  const int seeds = more ? std::atoi(more) : 100;
  const int first = from ? std::atoi(from) : 1;
  int launches = 0;
  for (int seed = first; seed < first + seeds; ++seed) {
    const std::string bytes = RandomSequence(seed);
    ModelRun run(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    const bool ok = run.Run();
    launches += run.Launches();
    ASSERT_TRUE(ok) << "seed " << seed << "\n" << run.Report();
  }
  EXPECT_GT(launches, seeds / 2);
}

TEST(ScheduleModel, FuzzCorpus) {
  fuzz::RunCorpus("schedule_model", [](const uint8_t* data, size_t size) {
    return RunScheduleModel(data, size);
  });
}

// MARROWBY_WRITE_MODEL_CORPUS=<folder> writes the named sequences there, and
// a few random ones of full length, for the fuzzer's corpus.
TEST(ScheduleModel, WriteNamedSequencesToTheCorpus) {
  const char* dir = std::getenv("MARROWBY_WRITE_MODEL_CORPUS");
  if (!dir) GTEST_SKIP();
  for (const auto& [name, bytes] : FaultCases()) {
    std::ofstream(std::string(dir) + "/" + name, std::ios::binary) << bytes;
  }
  for (int seed = 1; seed <= 6; ++seed) {
    std::ofstream(std::string(dir) + "/seed-" + std::to_string(seed), std::ios::binary) << RandomSequence(seed);
  }
}

}  // namespace
}  // namespace marrowby::model
