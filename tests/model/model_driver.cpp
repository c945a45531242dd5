#include "tests/model/model_driver.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <sstream>

#include "app/announce_form.h"
#include "app/main_form.h"
#include "core/errors.h"
#include "core/file_system.h"
#include "core/platform.h"
#include "tests/model/schedule_oracle.h"
#include "tests/support/fake_platform.h"
#include "tests/support/fake_store_platform.h"
#include "tests/unit/app_fakes.h"

namespace marrowby::model {

namespace {

const char kIniPath[] = "C:\\WINDOWS\\schedmgr.INI";
const char kWriteError[] = "Unable to write to schedmgr.INI";
constexpr int kMaxSteps = 80;

// The fake clock reads 0.3 ms past the model's whole milliseconds, so that
// the program's floating-point moments never sit exactly on a boundary the
// model counts in whole milliseconds.
double ToDateTime(int64_t clockMs) {
  return (static_cast<double>(clockMs) + 0.3) / static_cast<double>(kDayMs);
}

int64_t Mod(int64_t a, int64_t b) { return a - FloorDiv(a, b) * b; }

// The settings file's writes, watched: whether each one went through.
class WatchedFiles : public FileSystem {
 public:
  explicit WatchedFiles(testing::FakeFileSystem& fs) : fs_(fs) {}
  std::function<void(bool)> onWrite;

  FileStatus Read(const std::string& path, std::string* data) override { return fs_.Read(path, data); }
  FileStatus Replace(const std::string& path, const std::string& data) override {
    const FileStatus status = fs_.Replace(path, data);
    if (path == kIniPath && onWrite) onWrite(status == FileStatus::Ok);
    return status;
  }
  FileStatus MakeDirectory(const std::string& dir) override { return fs_.MakeDirectory(dir); }
  FileStatus Append(const std::string& path, const std::string& data) override {
    return fs_.Append(path, data);
  }
  FileStatus Size(const std::string& path, uint64_t* size) override { return fs_.Size(path, size); }
  FileStatus Rename(const std::string& from, const std::string& to) override {
    return fs_.Rename(from, to);
  }
  std::string WindowsDirectory() override { return fs_.WindowsDirectory(); }
  std::string UserDataDirectory() override { return fs_.UserDataDirectory(); }
  std::string FullPath(const std::string& name) override { return fs_.FullPath(name); }
  char Separator() const override { return fs_.Separator(); }

 private:
  testing::FakeFileSystem& fs_;
};

class WatchedStorePlatform : public testing::FakeStorePlatform {
 public:
  WatchedStorePlatform() { SetCurrentFileSystem(&watched); }
  WatchedFiles watched{fs};
};

std::map<std::string, std::string> ParseIni(const std::string& text) {
  std::map<std::string, std::string> out;
  std::string section;
  std::istringstream in(text);
  std::string line;
  auto trim = [](std::string s) {
    const size_t a = s.find_first_not_of(" \t\r");
    const size_t b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
  };
  while (std::getline(in, line)) {
    line = trim(line);
    if (line.empty()) continue;
    if (line[0] == '[') {
      section = line.substr(1, line.find(']') - 1);
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    out[section + "/" + trim(line.substr(0, eq))] = trim(line.substr(eq + 1));
  }
  return out;
}

}  // namespace

// ---- Writing cases --------------------------------------------------------------

CaseBuilder::CaseBuilder(int hour, int minute, int startDay, int stamp) {
  header_ = {0, static_cast<uint8_t>(hour), static_cast<uint8_t>(minute),
             static_cast<uint8_t>(startDay), static_cast<uint8_t>(stamp)};
}

CaseBuilder& CaseBuilder::Add(const ScheduleBytes& s) {
  schedules_.insert(schedules_.end(), {s.checks, s.minutes, s.second, s.date, s.weekMonth, s.days,
                                       s.actions, s.state});
  header_[0] = static_cast<uint8_t>(schedules_.size() / 8 - 1);
  return *this;
}

CaseBuilder& CaseBuilder::Do(Op op, std::initializer_list<uint8_t> params) {
  ops_.push_back(op);
  ops_.insert(ops_.end(), params.begin(), params.end());
  return *this;
}

CaseBuilder& CaseBuilder::Answer(uint8_t byte) {
  ops_.push_back(byte);
  return *this;
}

std::string CaseBuilder::Bytes() const {
  std::string out(header_.begin(), header_.end());
  out.append(schedules_.begin(), schedules_.end());
  out.append(ops_.begin(), ops_.end());
  return out;
}

// ---- The run --------------------------------------------------------------------

struct ModelRun::Impl {
  Impl(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  // The host of the main window: message boxes stay open a while, the shell
  // opens items, the window hides and shows, announcements are answered.
  class Host : public testing::FakeHost {
   public:
    Host(Impl& run, testing::FakeTimerHost& timers) : FakeHost(timers), run_(run) {}
    void Message(MessageKind kind, const std::string& text) override {
      FakeHost::Message(kind, text);
      run_.OnMessage(text);
    }
    void MinimizeApplication() override {
      FakeHost::MinimizeApplication();
      run_.OnHidden();
    }
    void RestoreApplication() override {
      FakeHost::RestoreApplication();
      run_.shown = true;
      run_.oracle.Editing();
    }

   private:
    Impl& run_;
  };

  // The shell: items named "bad..." cannot be opened.
  class Starter : public testing::FakeItemStarter {
   public:
    explicit Starter(Impl& run) : run_(run) { SetCurrentItemStarter(this); }
    ~Starter() override { SetCurrentItemStarter(nullptr); }
    intptr_t ShellOpen(const std::string& item) override {
      opened.push_back(item);
      run_.LaunchSeen();
      run_.oracle.ItemOpened(item, run_.Mono());
      if (!run_.pending.empty()) run_.pending.back().tried = true;
      return item.find("bad") != std::string::npos ? 2 : 42;
    }

   private:
    Impl& run_;
  };

  uint8_t Next() { return pos_ < size_ ? data_[pos_++] : 0; }
  bool More() const { return pos_ < size_; }
  int64_t Mono() const { return static_cast<int64_t>(platform.timers.NowMs()); }
  int64_t Clock() const { return oracle.Clock(Mono()); }
  bool Failed() const { return !oracle.Failures().empty(); }
  void Log(const std::string& step) {
    const int64_t c = Clock();
    const Ymd d = CivilFromDay(FloorDiv(c, kDayMs));
    char when[48];
    std::snprintf(when, sizeof(when), "%02d/%02d %02d:%02d:%02d.%03d ", d.d, d.m,
                  static_cast<int>(Mod(c, kDayMs) / 3600000), static_cast<int>(Mod(c, 3600000) / 60000),
                  static_cast<int>(Mod(c, 60000) / 1000), static_cast<int>(Mod(c, 1000)));
    log.push_back(when + step);
  }

  // Time passes; the model hears of every midnight as it comes.
  void Advance(int64_t ms) {
    const int64_t end = Mono() + ms;
    while (Mono() < end && !Failed()) {
      const int64_t clock = Clock();
      const int64_t toMidnight = (FloorDiv(clock, kDayMs) + 1) * kDayMs - clock;
      const int64_t stop = std::min(end, Mono() + toMidnight);
      platform.timers.AdvanceMs(static_cast<uint64_t>(stop - Mono()));
      oracle.At(Mono());
    }
  }
  int64_t BoxMs() {
    const uint8_t b = Next();
    return b < 128 ? 0 : (b - 128) * 500;
  }

  // The main window loses the focus to a box and gets it back when the last
  // box closes while it is shown.
  void OpenBox() {
    ++boxes;
    oracle.At(Mono());  // the model hears of the moment before what follows
    if (!active) return;
    active = false;
    Deactivate();
    oracle.Deactivated();
  }
  // The window's deactivation stores the editor; a write of the settings
  // file that fails meanwhile is the store's.
  void Deactivate() {
    deactivating = true;
    form->DoDeactivate();
    deactivating = false;
  }
  void CloseBox() {
    --boxes;
    Reactivate();
  }
  void Reactivate() {
    if (boxes > 0 || !shown || active || destroying) return;
    oracle.At(Mono());
    active = true;
    form->DoActivate();
    oracle.Activated();
  }
  void OnMessage(const std::string& text) {
    if (text.rfind("Failure to launch", 0) != 0) ++refusals;
    if (destroying) return;
    Log("box: " + text.substr(0, 40));
    OpenBox();
    Advance(BoxMs());
    CloseBox();
  }
  void OnError(const std::string& text) {
    if (text == kWriteError) {
      ++writeReports;
      // After a launch has tried its item (or was cancelled), the write that
      // fails is that of its bookkeeping, which is done by then, unless the
      // window's deactivation is storing the editor.
      if (!deactivating && !pending.empty() && pending.back().begun && pending.back().tried &&
          !pending.back().ended) {
        pending.back().ended = true;
        oracle.LaunchEnds(Mono());
      }
      OpenBox();  // answered at once: it comes in the middle of a store
      CloseBox();
      return;
    }
    if (text == "Invalid argument to date encode" || text == "Invalid argument to time encode") {
      oracle.At(Mono());
      oracle.TickFailed(text.find("date") != std::string::npos);
    }
    if (destroying) return;
    Log("error box: " + text);
    OpenBox();
    Advance(BoxMs());
    CloseBox();
  }
  void OnHidden() {
    oracle.At(Mono());
    shown = false;
    if (active) {
      active = false;
      Deactivate();
    }
    oracle.Hidden();
  }
  // A launch shows: its announcement or the item opened. (A slot's launch
  // that the program stops before either shows nothing.)
  void LaunchSeen() {
    if (pending.empty() || pending.back().begun) return;
    pending.back().begun = true;
    oracle.LaunchBegins(pending.back().position, pending.back().item, Mono());
  }
  void OnAnnouncement(TForm& f) {
    auto& a = static_cast<TAnnounceForm&>(f);
    LaunchSeen();
    OpenBox();
    const uint8_t b = Next();
    int answer = a.Panel1->Visible() ? b % 3 : 0;  // 0 waits, 1 Launch, 2 Cancel
    const int64_t after = (b / 3) % 12 * 1000;
    Log("announcement " + a.Caption() + (answer == 0 ? " waits" : answer == 1 ? " launched" : " cancelled"));
    for (int64_t waited = 0; a.ModalResult() == mrNone && !Failed() && waited < 60000; waited += 250) {
      if (answer != 0 && waited >= after) {
        if (answer == 1) {
          a.LaunchBtnClick();
        } else {
          a.CancelBtnClick();
        }
        break;
      }
      Advance(250);
    }
    oracle.AnnouncementAnswered(a.Cancelled());
    if (a.Cancelled() && !pending.empty()) pending.back().tried = true;
    CloseBox();
  }

  void MakeForm() {
    form = MakeComponent<TMainForm>(nullptr, host.get());
    host->form = form.get();
    host->AttachView(*form);
    form->BeginLoading();
    form->EndLoading();
    form->DoCreate();
    for (TLauncher* slot : form->Launchers) {
      TBeforeLaunchEvent handler = slot->BeforeLaunch;
      slot->BeforeLaunch = [this, slot, handler](TObject* sender, bool& cancel) {
        ++launches;
        Log("launch of " + slot->CommandLine() + " at " + std::to_string(form->PositionOf(slot)) + ", tag " +
            std::to_string(slot->Tag()));
        pending.push_back({form->PositionOf(slot), slot->CommandLine()});
        struct End {
          Impl* run;
          ~End() {
            run->Log("launch ended");
            if (run->pending.back().begun && !run->pending.back().ended) run->oracle.LaunchEnds(run->Mono());
            run->pending.pop_back();
          }
        } end{this};
        handler(sender, cancel);
      };
    }
    form->Show();
    shown = true;
    active = false;
    boxes = 0;
    Reactivate();
  }

  void ReadCase(std::vector<Schedule>* list, int64_t* stampDay, int64_t* clock) {
    const int count = 1 + Next() % 6;
    const int hour = Next() % 24, minute = Next() % 60;
    const int64_t startDay = DayFromCivil(2024, 2, 25) + Next() % 10;
    const int stamp = Next() % 3;
    *clock = startDay * kDayMs + (hour * 60LL + minute) * 60000;
    *stampDay = stamp == 0 ? -1 : stamp == 1 ? startDay - 1 : startDay;
    for (int k = 1; k <= count; ++k) {
      ScheduleBytes b;
      b.checks = Next();
      b.minutes = Next();
      b.second = Next();
      b.date = Next();
      b.weekMonth = Next();
      b.days = Next();
      b.actions = Next();
      b.state = Next();
      Schedule s;
      s.checks = static_cast<uint8_t>((b.checks & 15) | (b.checks & 16 ? kTime : 0));
      const int64_t tod = Mod(*clock + ((b.minutes % 41) - 20) * 60000LL + (b.second % 60) * 1000, kDayMs);
      s.hour = b.minutes >= 250 ? 24 : static_cast<int>(tod / 3600000);
      s.min = static_cast<int>(tod / 60000 % 60);
      s.sec = static_cast<int>(tod / 1000 % 60);
      Ymd d{2024, 4, 31};
      if (b.date < 250) d = CivilFromDay(startDay + b.date % 5 - 2);
      s.year = d.y;
      s.month = d.m;
      s.day = d.d;
      s.weekDay = b.weekMonth % 7;
      s.monthDay = b.weekMonth / 7 % 32;
      uint32_t choices = b.days & 0x7Fu;
      if (b.actions & 1) choices |= 1u << 7;
      if (b.actions & 2) choices |= 1u << 8;
      if (b.actions & 4) choices |= 1u << 9;
      s.tag = TagOfChoices(choices);
      s.item = std::string("C:\\jobs\\") + (b.actions & 8 ? "bad" : "job") + std::to_string(k) + ".exe";
      s.description = "Task " + std::to_string(k);
      s.state = static_cast<State>(b.state % 3);
      s.armed = (s.state == State::Yes) != ((b.state & 16) != 0);
      list->push_back(s);
    }
  }

  void WriteSettings(const std::map<std::string, std::string>& keys) {
    std::map<std::string, std::string> sections;
    for (const auto& [key, value] : keys) {
      const size_t slash = key.find('/');
      sections[key.substr(0, slash)] += key.substr(slash + 1) + "=" + value + "\r\n";
    }
    std::string text = "[TMainForm]\r\n" + sections["TMainForm"];
    for (const auto& [name, body] : sections) {
      if (name != "TMainForm") text += "\r\n[" + name + "]\r\n" + body;
    }
    store.fs.files[kIniPath] = text;
  }

  void CompareFile(const std::string& when) {
    const std::map<std::string, std::string> actual = ParseIni(store.fs.files[kIniPath]);
    for (const auto& [key, value] : oracle.ExpectedSettings()) {
      auto it = actual.find(key);
      if (it == actual.end() || it->second != value) {
        oracle.Fail(when + ": the settings file holds " + key + "=" +
                    (it == actual.end() ? "(nothing)" : it->second) + ", the model says " + value);
      }
    }
  }

  Editor ShownByProgram() const {
    Editor e;
    e.position = form->Position();
    e.description = form->DescEdit->Text();
    e.item = form->CommandEdit->Text();
    const TCheckBox* boxes4[] = {form->DateCb, form->TimeCb, form->WDCb, form->MDCb};
    e.checks = 0;
    for (int b = 0; b < 4; ++b) {
      if (boxes4[b]->Checked()) e.checks |= static_cast<uint8_t>(1u << b);
    }
    e.date = static_cast<int64_t>(form->DateEdit1->Date());
    e.hour = form->Hours->Value();
    e.min = form->Minutes->Value();
    e.sec = form->Seconds->Value();
    e.monthDay = form->MDEdit->Value();
    e.enable = form->EnableCb->Checked();
    e.choices = 0;
    for (int d = 0; d < 7; ++d) {
      if (form->Days[d]->Checked()) e.choices |= 1u << d;
    }
    if (form->AnnounceCb->Checked()) e.choices |= 1u << 7;
    if (form->OnceCb->Checked()) e.choices |= 1u << 8;
    if (form->DelayCb->Checked()) e.choices |= 1u << 9;
    return e;
  }

  // After every step: the lists, the slots' arming and the editor as the
  // model has them; each failed write of the settings file after one that
  // went through told once, and a notice in the status bar while it fails.
  void CheckStep() {
    if (Failed()) return;
    const auto& list = oracle.Schedules();
    const ScheduleTable& t = form->Schedules();
    if (t.Count() != static_cast<int>(list.size())) {
      oracle.Fail("the program has " + std::to_string(t.Count()) + " schedules, the model " +
                  std::to_string(list.size()));
      return;
    }
    for (int p = 1; p <= t.Count(); ++p) {
      const Schedule& s = list[static_cast<size_t>(p) - 1];
      const std::string at = "at position " + std::to_string(p) + ": ";
      if (t.Description(p) != s.description) {
        oracle.Fail(at + "the program's description is " + t.Description(p) + ", the model's " + s.description);
      }
      if (ScheduleTable::StateText(t.State(p)) != std::string(StateName(s.state))) {
        oracle.Fail(at + "the program's state is " + ScheduleTable::StateText(t.State(p)) +
                    ", the model's " + StateName(s.state));
      }
      // (A slot that cannot make its due test rests after its first tick,
      // which comes some time in its first 1.5 s.)
      if (t.Slot(p)->Enabled() != s.armed && s.restsBy < 0) {
        oracle.Fail(at + "the program's slot is " + (s.armed ? "disarmed" : "armed") + ", the model's not");
      }
      if (t.Slot(p)->CommandLine() != s.item) {
        oracle.Fail(at + "the program's item is " + t.Slot(p)->CommandLine() + ", the model's " + s.item);
      }
      const TLauncher& slot = *t.Slot(p);
      const int64_t when[] = {slot.MonthDay(), slot.Date()->Year(), slot.Date()->Month(), slot.Date()->Day(),
                              slot.Time()->Hour(), slot.Time()->Min(), slot.Time()->Sec()};
      const int64_t said[] = {s.monthDay, s.year, s.month, s.day, s.hour, s.min, s.sec};
      if (!std::equal(std::begin(when), std::end(when), std::begin(said))) {
        oracle.Fail(at + "the program's month day, date and time differ from the model's (" +
                    std::to_string(slot.MonthDay()) + " / " + std::to_string(s.monthDay) + ")");
      }
      if (t.Slot(p)->Tag() != s.tag || t.Slot(p)->WeekDay() != s.weekDay ||
          t.Slot(p)->Checks().Bits() != s.checks) {
        oracle.Fail(at + "the program's choices, weekday and criteria are " + std::to_string(t.Slot(p)->Tag()) +
                    ", " + std::to_string(t.Slot(p)->WeekDay()) + ", " + std::to_string(t.Slot(p)->Checks().Bits()) +
                    "; the model's " + std::to_string(s.tag) + ", " + std::to_string(s.weekDay) + ", " +
                    std::to_string(s.checks));
      }
    }
    const Editor mine = oracle.Editing(), theirs = ShownByProgram();
    if (mine.position != theirs.position) {
      oracle.Fail("the editor shows position " + std::to_string(theirs.position) + ", the model " +
                  std::to_string(mine.position));
    } else if (mine.position > 0) {
      auto differ = [&](const char* what, int64_t a, int64_t b) {
        if (a != b) {
          oracle.Fail(std::string("the editor's ") + what + " is " + std::to_string(b) + ", the model's " +
                      std::to_string(a));
        }
      };
      if (mine.description != theirs.description || mine.item != theirs.item) {
        oracle.Fail("the editor shows " + theirs.description + " / " + theirs.item + ", the model " +
                    mine.description + " / " + mine.item);
      }
      differ("criteria", mine.checks, theirs.checks);
      differ("date", mine.date, theirs.date);
      differ("time", (mine.hour * 60 + mine.min) * 60 + mine.sec, (theirs.hour * 60 + theirs.min) * 60 + theirs.sec);
      differ("month day", mine.monthDay, theirs.monthDay);
      differ("Enable box", mine.enable, theirs.enable);
      differ("choices", mine.choices, theirs.choices);
    }
    if (writeReports != expectedWriteReports) {
      oracle.Fail("the settings file could not be written: told " + std::to_string(writeReports) +
                  " times, where once per failing stretch makes " + std::to_string(expectedWriteReports));
    }
    if (writeFailing && form->StatusBar1->PanelText().find("Unable to write") == std::string::npos) {
      oracle.Fail("the settings file cannot be written and the status bar says \"" +
                  form->StatusBar1->PanelText() + "\"");
    }
  }

  // ---- Steps -----------------------------------------------------------------------

  void SetClock(int64_t clock, bool reported, const std::string& what) {
    Log(what);
    if (reported) {
      platform.clock.Set(ToDateTime(clock));
      // The news reaches every top-level window: the timer host's, whose
      // sleeping timers look again, and the main window.
      platform.timers.ClockChanged();
      form->SystemTimeChanged();
    } else {
      platform.clock.AdvanceMs(clock - Clock());
    }
    oracle.Jump(Mono(), clock, reported);
  }

  int64_t JumpMs(uint8_t b) {
    const int64_t sign = b & 0x80 ? -1 : 1;
    switch (b % 4) {
      case 0: return sign * (1 + b / 4 % 30) * 60000;
      case 1: return sign * (1 + b / 4 % 12) * 3600000;
      case 2: return kDayMs + (b / 4 % 60) * 60000;
      default: return -kDayMs - (b / 4 % 60) * 60000;
    }
  }

  bool EditorOn() const { return shown && form->DescEdit->Enabled(); }

  void Edit(Field field, const Editor& v, const std::string& what) {
    Log("edit " + what);
    oracle.Edit(field, v);
  }

  void Expect(bool box, const std::function<void()>& act) {
    const int before = refusals;
    act();
    if ((refusals - before > 0) != box) {
      oracle.Fail(box ? "the model expects a message box and the program showed none"
                      : "the program showed a message box the model does not expect");
    }
  }

  // The user clicks into a time field, deletes digits from its end, types
  // others and may leave it. What the field holds follows the model's own
  // reading of the keys: a number above the range shows the range's end,
  // and an emptied field holds the value it had when the typing began.
  void Retype() {
    if (!EditorOn()) return;
    TSpinEdit* fields[] = {form->Hours, form->Minutes, form->Seconds};
    const uint8_t b = Next(), typed = Next();
    const int which = b % 3;
    TSpinEdit* field = fields[which];
    for (TSpinEdit* f : fields) f->EditingDone();  // the focus comes from another control
    Editor w = oracle.Editing();
    int& value = which == 0 ? w.hour : which == 1 ? w.min : w.sec;
    const int max = which == 0 ? 23 : 59, began = value;
    // The keys go in after what the field shows ("05" shows 5).
    std::string mine = field->Text();
    if (mine.empty() || std::stoi(mine) != began) {
      oracle.Fail("the field shows \"" + mine + "\", the model's value is " + std::to_string(began));
      return;
    }
    std::string keys;
    for (int k = b / 3 % 3; k > 0 && !mine.empty(); --k) {
      mine.pop_back();
      keys += "<";
    }
    for (int k = 0; k < typed % 3 && mine.size() < 2; ++k) {
      const char digit = static_cast<char>('0' + (k == 0 ? typed / 3 : typed / 30) % 10);
      mine += digit;
      if (std::stoi(mine) > max) mine = std::to_string(max);
      keys += digit;
    }
    if (keys.empty()) return;
    const bool leave = b & 0x80;
    value = mine.empty() ? began : std::stoi(mine);
    Edit(Field::Time, w, "retype field " + std::to_string(which) + " \"" + keys + "\"" + (leave ? ", left" : ""));
    for (const char key : keys) {
      std::string text = field->Text();
      if (key == '<') {
        if (!text.empty()) text.pop_back();
      } else {
        text += key;
      }
      field->SetText(text);
    }
    if (leave) field->EditingDone();
  }

  void Step(uint8_t op) {
    Editor v = ShownByProgram();
    switch (static_cast<Op>(op % kOpCount)) {
      case kWait: Advance(1000 + Next() % 20 * 1000); break;
      case kWaitLonger: Advance(20000 + Next() * 2400LL); break;
      case kWaitToMidnight: {
        const int64_t toMidnight = kDayMs - Mod(Clock(), kDayMs);
        Log("wait to midnight");
        if (toMidnight > 10000) Advance(toMidnight - 10000);
        Advance(12000 + Next() * 1000LL);
        break;
      }
      case kClockSet:
        SetClock(Clock() + JumpMs(Next()), true, "clock set");
        Advance(2000);
        break;
      case kClockSlips: {
        const uint8_t b = Next();
        // Only while nothing is being edited, and where the program has time
        // to see it before the next midnight.
        if (oracle.Editing().edited) break;
        int64_t to = Clock() + JumpMs(b);
        if (kDayMs - Mod(to, kDayMs) < 40000) to -= 60000;
        SetClock(to, false, "clock slips");
        Advance(33000 + Next() % 30 * 1000);
        break;
      }
      case kResume:
        SetClock(Clock() + 60000LL * (1 + Next() % 600), true, "resume");
        Advance(2000);
        break;
      case kPrevious:
        Navigate(form->CurrentSpin, "previous", &ScheduleOracle::Previous, &TMainForm::CurrentSpinTopClick);
        break;
      case kNext:
        Navigate(form->CurrentSpin, "next", &ScheduleOracle::Next, &TMainForm::CurrentSpinBottomClick);
        break;
      case kFirst: Navigate(form->FirstBtn, "first", &ScheduleOracle::First, &TMainForm::FirstBtnClick); break;
      case kLast: Navigate(form->LastBtn, "last", &ScheduleOracle::Last, &TMainForm::LastBtnClick); break;
      case kGet: {
        if (!shown || !form->GetBtn->Enabled()) break;
        Log("get");
        form->GetBtnClick();
        const int line = Next() % (form->Count() + 1) - 1;
        if (form->DescPanel->Top() != 3 || Failed()) break;
        form->ListBox1->SetItemIndex(line);
        form->ListBox1Click();
        Log("ok on line " + std::to_string(line));
        oracle.ShowLine(line);
        form->DescOKBtnClick();
        if (form->DescPanel->Top() == 3) form->CancelBtnClick();
        break;
      }
      case kDescription:
        if (!EditorOn()) break;
        v.description = "Task " + std::to_string(++names_) + "b";
        Edit(Field::Description, v, "description");
        form->DescEdit->SetText(v.description);
        break;
      case kItem: {
        if (!EditorOn()) break;
        const uint8_t b = Next();
        const std::string n = std::to_string(++names_);
        v.item = b % 5 == 0 ? "ab" : b % 5 == 1 ? "C:\\jobs\\bad" + n + ".exe" : "C:\\jobs\\job" + n + ".exe";
        if (v.item == form->CommandEdit->Text()) break;
        Edit(Field::Item, v, "item " + v.item);
        form->CommandEdit->SetFileName(v.item);
        break;
      }
      case kCriterion: {
        if (!EditorOn()) break;
        TCheckBox* boxes4[] = {form->DateCb, form->TimeCb, form->WDCb, form->MDCb};
        const int which = Next() % 4;
        v.checks ^= static_cast<uint8_t>(1u << which);
        Edit(Field::Checks, v, "criterion " + std::to_string(which));
        boxes4[which]->SetChecked(!boxes4[which]->Checked());
        break;
      }
      case kSetTime: {
        if (!EditorOn()) break;
        const uint8_t b1 = Next(), b2 = Next();
        const int64_t tod = Mod(Clock() + (b1 % 9 - 3) * 60000LL, kDayMs);
        Editor w = v;
        w.hour = static_cast<int>(tod / 3600000);
        w.min = static_cast<int>(tod / 60000 % 60);
        w.sec = b2 % 60;
        if (w.hour == v.hour && w.min == v.min && w.sec == v.sec) break;
        Edit(Field::Time, w, "time " + std::to_string(w.hour) + ":" + std::to_string(w.min) + ":" +
                                 std::to_string(w.sec));
        form->Hours->SetValue(w.hour);
        form->Minutes->SetValue(w.min);
        form->Seconds->SetValue(w.sec);
        break;
      }
      case kSetDate: {
        if (!EditorOn()) break;
        const int64_t day = oracle.Today() + Next() % 5 - 2;
        if (day == v.date) break;
        v.date = day;
        Edit(Field::Date, v, "date");
        form->DateEdit1->SetDate(static_cast<double>(day));
        break;
      }
      case kSetMonthDay: {
        if (!EditorOn()) break;
        const uint8_t b = Next();
        const int today = CivilFromDay(oracle.Today()).d;
        const int choices[] = {today, 31, 28, 29, 30, b % 31 + 1};
        const int md = choices[b % 6];
        if (md == v.monthDay) break;
        v.monthDay = md;
        Edit(Field::MonthDay, v, "month day " + std::to_string(md));
        form->MDEdit->SetValue(md);
        break;
      }
      case kDay: {
        if (!EditorOn()) break;
        const int d = Next() % 7;
        v.choices ^= 1u << d;
        Edit(Field::Days, v, "day " + std::to_string(d));
        form->Days[d]->SetChecked(!form->Days[d]->Checked());
        break;
      }
      case kEnable:
        if (!EditorOn()) break;
        v.enable = !v.enable;
        Edit(Field::Enable, v, v.enable ? "tick Enable" : "untick Enable");
        form->EnableCb->SetChecked(v.enable);
        break;
      case kAction: {
        if (!EditorOn()) break;
        TCheckBox* actions[] = {form->AnnounceCb, form->OnceCb, form->DelayCb};
        const int which = Next() % 3;
        if (!actions[which]->Enabled()) break;
        v.choices ^= 1u << (7 + which);
        Edit(Field::Actions, v, "action " + std::to_string(which));
        if (which == 0) {
          form->AnnounceCb->SetChecked(!form->AnnounceCb->Checked());
        } else {
          actions[which]->SetChecked(!actions[which]->Checked());
        }
        break;
      }
      case kHide:
        if (!shown || !form->HideBtn->Enabled()) break;
        Log("hide");
        form->HideBtnClick();
        break;
      case kShow:
        if (shown) break;
        Log("show");
        form->ShowMiClick();
        Reactivate();
        break;
      case kSwitchAway:
        if (!active) break;
        Log("switch away");
        OpenBox();
        Advance(1000 + Next() % 10 * 1000);
        CloseBox();
        break;
      case kNew: Navigate(form->NewBtn, "new", &ScheduleOracle::New, &TMainForm::NewBtnClick); break;
      case kRemove:
        if (!shown || !form->RemoveBtn->Enabled()) break;
        Log("remove");
        oracle.Remove();
        form->RemoveBtnClick();
        break;
      case kDrop: {
        if (!shown) break;
        std::vector<std::string> files;
        for (int i = 0, n = 1 + Next() % 2; i < n; ++i) {
          files.push_back("C:\\dropped\\file" + std::to_string(++names_) + ".doc");
        }
        Log("drop " + std::to_string(files.size()) + " files");
        oracle.Drop(files);
        form->FileDrag1Drop(files);
        break;
      }
      case kRestart:
        if (oracle.Schedules().empty()) break;  // it would end by itself
        Log("restart");
        Restart();
        break;
      case kReadOnly:
        if (store.fs.readOnly.erase(kIniPath) == 0) store.fs.readOnly.insert(kIniPath);
        Log(store.fs.readOnly.empty() ? "settings file writable" : "settings file read-only");
        break;
      case kRetype: Retype(); break;
      case kOpCount: break;
    }
  }

  // A button of the window: the model says whether it answers with a box.
  void Navigate(TControl* button, const char* name, void (ScheduleOracle::*model)(bool*),
                void (TMainForm::*click)()) {
    if (!shown || !button->Enabled()) return;
    Log(name);
    bool box = false;
    (oracle.*model)(&box);
    Expect(box, [&] { (form.get()->*click)(); });
  }

  void End() {
    destroying = true;
    form.reset();
    destroying = false;
  }

  void Restart() {
    store.fs.readOnly.erase(kIniPath);
    End();
    CompareFile("at the restart");
    oracle.Restart(Mono());
    MakeForm();
    Advance(2000);
  }

  bool Run() {
    std::vector<Schedule> list;
    int64_t stampDay, clock;
    ReadCase(&list, &stampDay, &clock);
    store.watched.onWrite = [this](bool ok) {
      if (ok) {
        writeFailing = false;
      } else if (!writeFailing) {
        writeFailing = true;
        ++expectedWriteReports;
      }
    };
    platform.clock.Set(ToDateTime(clock));
    // The file is written from the model's own rendering of the schedules.
    WriteSettings(StartSettings(list, stampDay));
    oracle.Start(list, stampDay, Mono(), clock);
    SetExceptionHandler([this](const std::exception& e) { OnError(e.what()); });
    host = std::make_unique<Host>(*this, platform.timers);
    host->whileModal = [this](TForm& f) { OnAnnouncement(f); };
    MakeForm();
    Advance(2000);
    CheckStep();
    while (More() && steps < kMaxSteps && !Failed()) {
      Step(Next());
      ++steps;
      CheckStep();
    }
    if (!Failed()) {
      Advance(3000);
      CheckStep();
    }
    {
      const DateTimeParts n = DecodeDateTime(Now());
      const Ymd d = CivilFromDay(FloorDiv(Clock(), kDayMs));
      char line[160];
      std::snprintf(line, sizeof(line), "  program clock %04d-%02d-%02d %02d:%02d:%02d.%03d, model %04d-%02d-%02d +%lld ms\n",
                    n.year, n.month, n.day, n.hour, n.min, n.sec, n.msec, d.y, d.m, d.d,
                    static_cast<long long>(Mod(Clock(), kDayMs)));
      editorNote += line;
    }
    for (int p = 1; p <= form->Count(); ++p) {
      TLauncher* slot = form->SlotAt(p);
      editorNote += "  program " + std::to_string(p) + " weekday " + std::to_string(slot->WeekDay()) +
                    " monthday " + std::to_string(slot->MonthDay()) + " checks " +
                    std::to_string(slot->Checks().Bits()) + " date " + std::to_string(slot->Date()->Day()) + "/" +
                    std::to_string(slot->Date()->Month()) + "/" + std::to_string(slot->Date()->Year()) + " time " +
                    std::to_string(slot->Time()->Hour()) + ":" + std::to_string(slot->Time()->Min()) + ":" +
                    std::to_string(slot->Time()->Sec()) + "." + std::to_string(slot->Time()->MSec()) + "\n";
      bool due = false;
      try {
        due = slot->IsDue();
      } catch (const std::exception&) {
      }
      editorNote += "  program " + std::to_string(p) + ": " + (slot->Enabled() ? "armed" : "disarmed") +
                    (due ? " due" : "") + " timer " + (slot->Timer()->Running() ? "running" : "stopped") + "\n";
    }
    const Editor m = oracle.Editing(), t = ShownByProgram();
    editorNote += "  editor: model at " + std::to_string(m.position) + (m.enable ? " ticked" : " unticked") +
                 (m.enableTouched ? " touched" : "") + (m.edited ? " edited" : "") + "; program at " +
                 std::to_string(t.position) + (t.enable ? " ticked" : " unticked") + "\n";
    store.fs.readOnly.erase(kIniPath);
    End();
    if (!Failed()) CompareFile("at the end");
    SetExceptionHandler(nullptr);
    return !Failed();
  }

  // The settings as the file holds them before the program starts.
  std::map<std::string, std::string> StartSettings(const std::vector<Schedule>& list, int64_t stampDay) {
    ScheduleOracle as;
    as.Start(list, stampDay, 0, 0);
    // Start re-arms on a new day; the file holds the arming as given.
    std::map<std::string, std::string> keys = as.ExpectedSettings();
    for (size_t i = 0; i < list.size(); ++i) {
      keys["TMainForm/Launcher" + std::to_string(i + 1) + "_Enabled"] = list[i].armed ? "True" : "False";
    }
    if (stampDay < 0) {
      keys.erase("TMainForm/StatusBar1_Tag");
    } else {
      const Ymd t = CivilFromDay(stampDay);
      keys["TMainForm/StatusBar1_Tag"] = std::to_string(t.d * 10000 + t.m * 100 + t.y % 100);
    }
    return keys;
  }

  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  int names_ = 0;

  testing::FakePlatform platform;
  Starter starter{*this};
  WatchedStorePlatform store;
  std::unique_ptr<Host> host;
  ComponentPtr<TMainForm> form;
  ScheduleOracle oracle;
  std::vector<std::string> log;
  struct PendingLaunch {
    int position;
    std::string item;
    bool begun = false;  // announced or its item tried
    bool tried = false;  // its item tried, or the announcement cancelled
    bool ended = false;  // its bookkeeping done
  };
  std::vector<PendingLaunch> pending;
  std::string editorNote;
  bool shown = true, active = false, destroying = false, deactivating = false;
  int boxes = 0, refusals = 0;
  int writeReports = 0, expectedWriteReports = 0;
  bool writeFailing = false;
  int launches = 0, steps = 0;
};

ModelRun::ModelRun(const uint8_t* data, size_t size) : impl_(new Impl(data, size)) {}
ModelRun::~ModelRun() { delete impl_; }
bool ModelRun::Run() { return impl_->Run(); }
int ModelRun::Launches() const { return impl_->launches; }
int ModelRun::Steps() const { return impl_->steps; }

std::string ModelRun::Report() const {
  std::string out;
  for (const std::string& f : impl_->oracle.Failures()) out += "FAILED: " + f + "\n";
  int p = 0;
  for (const Schedule& s : impl_->oracle.Schedules()) {
    char line[200];
    std::snprintf(line, sizeof(line),
                  "  model %d: %s checks %d %04d-%02d-%02d %02d:%02d:%02d.%03d wd %d md %d tag %d %s%s\n", ++p,
                  s.description.c_str(), s.checks, s.year, s.month, s.day, s.hour, s.min, s.sec, s.msec,
                  s.weekDay, s.monthDay, s.tag, StateName(s.state), s.armed ? " armed" : "");
    out += line;
  }
  out += impl_->editorNote;
  const size_t from = impl_->log.size() > 40 && !std::getenv("MARROWBY_MODEL_VERBOSE") ? impl_->log.size() - 40 : 0;
  for (size_t i = from; i < impl_->log.size(); ++i) out += "  " + impl_->log[i] + "\n";
  return out;
}

bool RunScheduleModel(const uint8_t* data, size_t size, std::string* report) {
  ModelRun run(data, size);
  const bool ok = run.Run();
  if (report) *report = run.Report();
  return ok;
}

}  // namespace marrowby::model
