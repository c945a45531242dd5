// The launch history: its line format and a reader that survives damage,
// where the file lives and when it rotates, and what the main window writes
// for each launch, including an item started as a program with arguments.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/announce_form.h"
#include "app/launch_history.h"
#include "app/main_form.h"
#include "tests/support/fake_store_platform.h"
#include "tests/unit/app_fakes.h"

namespace marrowby {
namespace {

using testing::At;
using testing::FakeFileSystem;
using testing::FakeHost;
using testing::FakePlatform;
using testing::MakeShownForm;

HistoryEntry Entry(const std::string& time, int pos, const std::string& desc,
                   const std::string& item, LaunchOutcome outcome, StartWay way,
                   const std::string& error = "") {
  HistoryEntry e;
  e.time = time;
  e.position = pos;
  e.description = desc;
  e.item = item;
  e.outcome = outcome;
  e.way = way;
  e.error = error;
  return e;
}

void ExpectSame(const HistoryEntry& a, const HistoryEntry& b) {
  EXPECT_EQ(a.time, b.time);
  EXPECT_EQ(a.position, b.position);
  EXPECT_EQ(a.description, b.description);
  EXPECT_EQ(a.item, b.item);
  EXPECT_EQ(a.outcome, b.outcome);
  EXPECT_EQ(a.error, b.error);
  EXPECT_EQ(a.way, b.way);
}

TEST(HistoryLine, EveryOutcomeRoundTripsAndControlCharactersBecomeBlanks) {
  const HistoryEntry entries[] = {
      Entry("2024-03-04 09:05:00", 1, "Backup", "C:\\tools\\backup.exe", LaunchOutcome::Started,
            StartWay::Shell),
      Entry("2024-03-04 09:05:01", 12, "", "C:\\t\\r.exe C:\\in.txt", LaunchOutcome::Started,
            StartWay::Program),
      Entry("2024-12-31 23:59:59", 100, "Report", "C:\\x.doc", LaunchOutcome::Failed,
            StartWay::Shell, "The system cannot find the file specified."),
      Entry("2024-03-04 09:05:02", 3, "Later", "C:\\y.exe", LaunchOutcome::Cancelled,
            StartWay::None),
      Entry("2024-03-04 09:05:03", 0, "Gone", "", LaunchOutcome::Vetoed, StartWay::None),
  };
  for (const HistoryEntry& e : entries) {
    const std::string line = FormatHistoryLine(e);
    ASSERT_EQ(line.substr(line.size() - 2), "\r\n");
    HistoryEntry back;
    ASSERT_TRUE(ParseHistoryLine(line, &back)) << line;
    ExpectSame(back, e);
  }
  EXPECT_EQ(FormatHistoryLine(entries[2]),
            "2024-12-31 23:59:59\t100\tReport\tC:\\x.doc\tfailed: The system cannot find the file "
            "specified.\tshell\r\n");

  HistoryEntry odd = Entry("2024-03-04 09:05:00", 2, "a\tb\r\nc", "x\ty", LaunchOutcome::Failed,
                           StartWay::Shell, "line one\r\nline two");
  const std::string line = FormatHistoryLine(odd);
  EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 5);
  EXPECT_EQ(line.find('\n'), line.size() - 1);
  HistoryEntry back;
  ASSERT_TRUE(ParseHistoryLine(line, &back));
  EXPECT_EQ(back.description, "a b  c");
  EXPECT_EQ(back.item, "x y");
  EXPECT_EQ(back.error, "line one  line two");
}

TEST(HistoryLine, ADamagedFileShowsWhatIsStillReadableNewestFirst) {
  const std::string first = "2024-03-04 09:00:00\t1\tOne\tC:\\a.exe\tstarted\tshell\r\n";
  const std::string second = "2024-03-04 10:00:00\t2\tTwo\tC:\\b.exe\tcancelled\t-";
  const std::string text = first +
                           std::string("\x00\xff\x01garbage\r\n", 12) +
                           "too\tfew\r\n"
                           "2024-3-04 09:00:00\t1\tBad date\tx\tstarted\tshell\r\n"
                           "2024-03-04 09:00:00\t1\tUnknown\tx\texploded\tshell\r\n"
                           "2024-03-04 09:00:00\tone\tNo position\tx\tstarted\tshell\r\n"
                           // A record cut short by a crash, then the next one.
                           "2024-03-04 09:30:00\t1\tCut sh"
                           "2024-03-04 09:31:00\t4\tWhole\tC:\\c.exe\tvetoed\t-\n"
                           // A later version's extra field is ignored.
                           "2024-03-04 09:45:00\t5\tNewer\tC:\\d.exe\tstarted\tprogram\textra\n" +
                           second;
  const std::vector<HistoryEntry> got = ParseHistory(text);
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[0].description, "Two");
  EXPECT_EQ(got[0].outcome, LaunchOutcome::Cancelled);
  EXPECT_EQ(got[1].description, "Newer");
  EXPECT_EQ(got[1].way, StartWay::Program);
  EXPECT_EQ(got[2].description, "Whole");
  EXPECT_EQ(got[2].time, "2024-03-04 09:31:00");
  EXPECT_EQ(got[3].description, "One");
  EXPECT_TRUE(ParseHistory("").empty());
  EXPECT_TRUE(ParseHistory("\r\n\n\t\t\t\t\t\n").empty());
}

class HistoryFile : public ::testing::Test {
 protected:
  std::string Win(const std::string& name) { return fs.windowsDir + name; }
  std::string UserDir() { return fs.userDataDir + "\\Marrowby"; }
  std::string User(const std::string& name) { return UserDir() + "\\" + name; }
  HistoryEntry Some(const std::string& desc) {
    return Entry("2024-03-04 09:00:00", 1, desc, "C:\\a.exe", LaunchOutcome::Started,
                 StartWay::Shell);
  }
  FakeFileSystem fs;
  LaunchHistory history{fs, "schedmgr.INI", "Marrowby"};
};

TEST_F(HistoryFile, LivesBesideTheSettingsWhereverTheyAre) {
  ASSERT_TRUE(history.Record(Some("a")));
  EXPECT_EQ(history.Path(), Win("schedmgr.log"));
  EXPECT_EQ(fs.files[Win("schedmgr.log")], FormatHistoryLine(Some("a")));

  // Settings kept in the per-user folder: the history follows them.
  fs.files[User("schedmgr.INI")] = "[TMainForm]\r\n";
  ASSERT_TRUE(history.Record(Some("b")));
  EXPECT_EQ(fs.files[User("schedmgr.log")], FormatHistoryLine(Some("b")));
  EXPECT_EQ(history.ReadAll().size(), 1u);
}

TEST_F(HistoryFile, AWindowsDirectoryThatRefusesSendsItToThePerUserFolder) {
  fs.deniedDirs.insert(fs.windowsDir);
  ASSERT_TRUE(history.Record(Some("a")));
  EXPECT_TRUE(fs.madeDirs.count(UserDir()));
  EXPECT_FALSE(fs.files.count(Win("schedmgr.log")));
  ASSERT_TRUE(history.Record(Some("b")));
  EXPECT_EQ(history.Path(), User("schedmgr.log"));
  const std::vector<HistoryEntry> all = history.ReadAll();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].description, "b");
}

TEST_F(HistoryFile, RotatesToOneOlderGenerationAtOneMebibyte) {
  const std::string line = FormatHistoryLine(Some("new"));
  const std::string path = Win("schedmgr.log");
  // Still fits exactly: no rotation.
  fs.files[path] = std::string(LaunchHistory::kRotateSize - line.size(), 'x');
  fs.files[path + ".1"] = "oldest";
  ASSERT_TRUE(history.Record(Some("new")));
  EXPECT_EQ(fs.files[path].size(), LaunchHistory::kRotateSize);
  EXPECT_EQ(fs.files[path + ".1"], "oldest");
  // One more line would pass it: the file becomes the older generation.
  ASSERT_TRUE(history.Record(Some("newer")));
  EXPECT_EQ(fs.files[path], FormatHistoryLine(Some("newer")));
  EXPECT_EQ(fs.files[path + ".1"].size(), LaunchHistory::kRotateSize);
  const std::vector<HistoryEntry> all = history.ReadAll();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].description, "newer");
  EXPECT_EQ(all[1].description, "new");
}

TEST_F(HistoryFile, ALockedFileFailsTheRecordOnly) {
  fs.locked.insert(Win("schedmgr.log"));
  EXPECT_FALSE(history.Record(Some("a")));
  fs.unreadable.insert(Win("schedmgr.log"));
  EXPECT_TRUE(history.ReadAll().empty());
}

// ---- What the main window writes ------------------------------------------------

class LaunchRecords : public ::testing::Test {
 protected:
  void SetUp() override {
    p.clock.Set(At(2024, 3, 4, 9, 0));
    form = MakeShownForm(host);
    p.timers.AdvanceMs(1000);
  }
  void Add(const std::string& desc, const std::string& item, int minute, bool allowCancel = false) {
    form->NewBtnClick();
    form->DescEdit->SetText(desc);
    form->CommandEdit->SetFileName(item);
    form->EnableCb->SetChecked(true);
    form->Hours->SetValue(9);
    form->Minutes->SetValue(minute);
    form->Seconds->SetValue(0);
    form->AnnounceCb->SetChecked(allowCancel);
    form->DelayCb->SetChecked(allowCancel);
    form->SetSchedValues();
  }
  std::vector<HistoryEntry> Lines() {
    return ParseHistory(settings.fs.files[settings.fs.windowsDir + "schedmgr.log"]);
  }

  FakePlatform p;
  testing::FakeStorePlatform settings;
  FakeHost host{p.timers};
  ComponentPtr<TMainForm> form;
};

TEST_F(LaunchRecords, StartedFailedAndCancelledLaunchesEachLeaveTheirLine) {
  p.starter.shellResults = {{"C:\\missing\\letter.doc", 2}, {"C:\\denied\\x.exe", 5}};
  Add("Backup", "C:\\tools\\backup.exe", 1);
  Add("Broken", "C:\\missing\\letter.doc", 2);
  Add("Refused", "C:\\denied\\x.exe", 3);
  Add("Not now", "C:\\tools\\later.exe", 4, true);
  host.whileModal = [&](TForm& f) { static_cast<TAnnounceForm&>(f).CancelBtnClick(); };
  // The user takes 20 seconds to close the first failure box: the history
  // keeps the moment of the attempt. (The clock moves 20 s meanwhile
  // without a word; the later schedules still start at their own times.)
  bool firstBox = true;
  host.onMessage = [&](MessageKind, const std::string&) {
    if (firstBox) p.clock.AdvanceMs(20 * 1000);
    firstBox = false;
  };
  p.timers.AdvanceMs(5 * 60 * 1000);
  const std::vector<HistoryEntry> lines = Lines();
  ASSERT_EQ(lines.size(), 4u);
  ExpectSame(lines[3], Entry("2024-03-04 09:01:00", 1, "Backup", "C:\\tools\\backup.exe",
                             LaunchOutcome::Started, StartWay::Shell));
  ExpectSame(lines[2], Entry("2024-03-04 09:02:00", 2, "Broken", "C:\\missing\\letter.doc",
                             LaunchOutcome::Failed, StartWay::Shell, "system text 2"));
  ExpectSame(lines[1], Entry("2024-03-04 09:03:00", 3, "Refused", "C:\\denied\\x.exe",
                             LaunchOutcome::Failed, StartWay::Shell, "system text 5"));
  ExpectSame(lines[0], Entry("2024-03-04 09:04:00", 4, "Not now", "C:\\tools\\later.exe",
                             LaunchOutcome::Cancelled, StartWay::None));
  EXPECT_EQ(form->StatusBar1->PanelText().find("could not be written"), std::string::npos);
}

TEST_F(LaunchRecords, AProgramWithArgumentsStartsOnlyWhenTheShellCannotFindTheLine) {
  p.starter.programs = {"C:\\missing tools\\report.exe", "C:\\denied\\x.exe"};
  p.starter.shellResults = {{"C:\\missing tools\\report.exe C:\\data\\in.txt", 2},
                            {"C:\\denied\\x.exe arg", 5},
                            {"C:\\missing tools\\report.exe again", 2}};
  Add("Report", "C:\\missing tools\\report.exe C:\\data\\in.txt", 1);
  Add("Refused", "C:\\denied\\x.exe arg", 2);
  Add("Failing", "C:\\missing tools\\report.exe again", 3);
  p.timers.AdvanceMs(120 * 1000 + 500);
  EXPECT_EQ(p.starter.started,
            (std::vector<std::string>{"C:\\missing tools\\report.exe|C:\\data\\in.txt"}));
  // Access denied is no reason to split the line.
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Failure to launch schedule 2:\nC:\\denied\\x.exe arg");
  p.starter.startErrors["C:\\missing tools\\report.exe"] = 193;  // ERROR_BAD_EXE_FORMAT
  p.timers.AdvanceMs(60 * 1000);
  ASSERT_EQ(host.messages.size(), 2u);
  const std::vector<HistoryEntry> lines = Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2].outcome, LaunchOutcome::Started);
  EXPECT_EQ(lines[2].way, StartWay::Program);
  EXPECT_EQ(lines[1].way, StartWay::Shell);
  EXPECT_EQ(lines[0].outcome, LaunchOutcome::Failed);
  EXPECT_EQ(lines[0].way, StartWay::Program);
  EXPECT_EQ(lines[0].error, "system text 193");
}

TEST_F(LaunchRecords, AnUnwritableHistoryNeverStopsALaunchAndIsShownOnce) {
  const std::string log = settings.fs.windowsDir + "schedmgr.log";
  settings.fs.locked.insert(log);
  Add("One", "C:\\tools\\one.exe", 1);
  Add("Two", "C:\\tools\\two.exe", 2);
  p.timers.AdvanceMs(60 * 1000 + 500);
  EXPECT_EQ(p.starter.opened, (std::vector<std::string>{"C:\\tools\\one.exe"}));
  EXPECT_EQ(form->StatusBar1->PanelText(), "The launch history could not be written to " + log);
  EXPECT_TRUE(host.messages.empty());
  form->StatusBar1->SetPanelText("");
  p.timers.AdvanceMs(60 * 1000);
  EXPECT_EQ(p.starter.opened.size(), 2u);
  EXPECT_EQ(form->StatusBar1->PanelText().find("could not be written"), std::string::npos);  // not again
  EXPECT_EQ(form->DateList->Items()->Lines(), (std::vector<std::string>{"DONE", "DONE"}));
}

TEST_F(LaunchRecords, TheHistoryWindowShowsTheLaunchesAndFollowsNewOnes) {
  Add("Backup", "C:\\tools\\backup.exe", 1);
  p.timers.AdvanceMs(60 * 1000);
  form->HistoryBtn->Click();
  THistoryForm* window = form->HistoryWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->Visible());
  EXPECT_EQ(window->List->Rows(),
            (std::vector<TListView::Row>{{"04/03/2024 09:01:00", "1", "Backup",
                                          "C:\\tools\\backup.exe", "Started", "Shell"}}));
  EXPECT_EQ(window->PathLbl->Caption(),
            "1 launch recorded in " + settings.fs.windowsDir + "schedmgr.log");
  // A launch while it is open shows at once, newest first.
  Add("Mail", "C:\\tools\\mail.exe", 2);
  p.timers.AdvanceMs(60 * 1000);
  ASSERT_EQ(window->List->Rows().size(), 2u);
  EXPECT_EQ(window->List->Rows()[0][2], "Mail");
  // Closed, it is made anew at the next opening; the button and the tray
  // menu's item open the one window.
  window->CloseBtn->Click();
  EXPECT_EQ(form->HistoryWindow(), nullptr);
  const size_t views = host.views.size();
  form->HistoryMiClick();
  ASSERT_NE(form->HistoryWindow(), nullptr);
  EXPECT_EQ(host.views.size(), views + 1);
  EXPECT_EQ(form->HistoryWindow()->PathLbl->Caption().substr(0, 10), "2 launches");
}

TEST_F(LaunchRecords, TheHistoryWindowShowsWhatItCannotReadAsItIs) {
  settings.fs.files[settings.fs.windowsDir + "schedmgr.log"] =
      "2024-13-40 25:61:00\t7\tOdd\tC:\\odd.exe\tvetoed\t-\r\n";
  auto window = MakeComponent<THistoryForm>(nullptr, host, [this] { return form->History(); });
  window->Reload();
  ASSERT_EQ(window->List->Rows().size(), 1u);
  EXPECT_EQ(window->List->Rows()[0][0], "2024-13-40 25:61:00");  // no such moment
  EXPECT_EQ(window->List->Rows()[0][4], "Vetoed");
  auto failing =
      MakeComponent<THistoryForm>(nullptr, host, []() -> LaunchHistory { throw Exception("disk gone"); });
  failing->Reload();
  EXPECT_TRUE(failing->List->Rows().empty());
  EXPECT_EQ(failing->PathLbl->Caption(), "No launches recorded yet in disk gone");
}

}  // namespace
}  // namespace marrowby
