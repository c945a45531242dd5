#include "tests/model/schedule_oracle.h"

#include <algorithm>

namespace marrowby::model {

namespace {

constexpr int64_t kUnixDay = 25569;  // 1 January 1970 as a day number
constexpr int kAnnounce = 7, kOnce = 8;
// How late a start may come: after it is due; after its arming (the first
// tick of a timer comes by 1.5 s); after a jump of the clock that nobody
// was told about.
constexpr int64_t kLateMs = 1000, kFirstTickMs = 1500, kUnreportedLateMs = 60000;
constexpr int64_t kSlackMs = 5;

const char* const kCheckNames[] = {"lcDate", "lcTime", "lcWeekDay", "lcMonthDay"};
const char* const kDayNames[] = {"ldSunday",   "ldMonday", "ldTuesday", "ldWednesday",
                                 "ldThursday", "ldFriday", "ldSaturday"};

// 31 stands for the last day of every month.
bool MonthDayRule(int m, const Ymd& t) { return t.d == m || (m == 31 && t.d == MonthLength(t.y, t.m)); }

int NextWeekDayAfter(uint32_t choices, int today) {
  for (int k = 1; k <= 7; ++k) {
    const int d = (today + k) % 7;
    if (choices & (1u << d)) return d;
  }
  return -1;
}

int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

}  // namespace

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

Ymd CivilFromDay(int64_t day) {
  // Days since 1 March of year 0 of the proleptic Gregorian calendar.
  const int64_t z = day - kUnixDay + 719468;
  const int64_t era = FloorDiv(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {static_cast<int>(yoe + era * 400 + (m <= 2)), m, d};
}

int64_t DayFromCivil(int y, int m, int d) {
  const int64_t yy = y - (m <= 2);
  const int64_t era = FloorDiv(yy, 400);
  const int64_t yoe = yy - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + kUnixDay;
}

int MonthLength(int y, int m) {
  static const int kLengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m < 1 || m > 12) return 0;
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kLengths[m - 1];
}

bool DateExists(int y, int m, int d) {
  return y >= 1 && y <= 9999 && d >= 1 && d <= MonthLength(y, m);
}

int WeekDayOfDay(int64_t day) { return static_cast<int>((day % 7 + 7 + 6) % 7); }

const char* StateName(State s) {
  switch (s) {
    case State::No: return "NO";
    case State::Yes: return "YES";
    case State::Done: return "DONE";
  }
  return "?";
}

uint32_t ChoicesOfTag(int32_t tag) {
  if (tag < 0) return static_cast<uint32_t>(-(static_cast<int64_t>(tag) + 1)) & 0x3FFu;
  uint32_t mask = 0;
  for (char c : std::to_string(tag)) mask |= 1u << (c - '0');
  return mask;
}

int32_t TagOfChoices(uint32_t choices) {
  std::string digits;
  for (int d = 0; d <= 9; ++d) {
    if (choices & (1u << d)) digits += static_cast<char>('0' + d);
  }
  if (!digits.empty() && (digits[0] != '0' || digits.size() == 1)) return std::stoi(digits);
  return -static_cast<int32_t>(choices) - 1;
}

bool DueAt(const Schedule& s, int64_t clockMs, bool* valid) {
  *valid = true;
  const int64_t day = FloorDiv(clockMs, kDayMs);
  int64_t target = clockMs;
  if (s.checks & kDate) {
    if (!DateExists(s.year, s.month, s.day)) {
      *valid = false;
      return false;
    }
    target = DayFromCivil(s.year, s.month, s.day) * kDayMs + (target - day * kDayMs);
  }
  if (s.checks & kTime) {
    if (s.hour > 23 || s.min > 59 || s.sec > 59 || s.msec > 999) {
      *valid = false;
      return false;
    }
    target = FloorDiv(target, kDayMs) * kDayMs +
             ((s.hour * 60LL + s.min) * 60 + s.sec) * 1000 + s.msec;
  }
  bool due = true;
  if (s.checks & (kDate | kTime)) due = clockMs >= target;
  if (s.checks & kWeekDay) due = due && WeekDayOfDay(day) == s.weekDay;
  if (s.checks & kMonthDay) due = due && MonthDayRule(s.monthDay, CivilFromDay(day));
  return due;
}

// ---- Life and clock -----------------------------------------------------------

void ScheduleOracle::Start(std::vector<Schedule> schedules, int64_t stampDay, int64_t mono,
                           int64_t clockMs) {
  list_ = std::move(schedules);
  for (Schedule& s : list_) s.id = nextId_++;
  stampDay_ = stampDay;
  mono0_ = mono;
  clock0_ = clockMs;
  Restart(mono);
}

void ScheduleOracle::Restart(int64_t mono) {
  now_ = mono;
  today_ = FloorDiv(Clock(mono), kDayMs);
  launches_.clear();
  ed_ = Editor{};
  hidden_ = false;
  for (Schedule& s : list_) {
    s.launching = 0;
    s.dueSince = -1;
    if (s.armed) Arm(s, mono);
  }
  if (today_ != stampDay_) DayChange(mono);
}

int64_t ScheduleOracle::Today() const { return today_; }

bool ScheduleOracle::ShownArmed(const Schedule& s) const {
  bool valid;
  DueAt(s, Clock(now_), &valid);
  return s.armed && valid;
}

void ScheduleOracle::TickFailed(bool dateError) {
  // The first of them to tick: armed first, then by position (the order in
  // which their timers started).
  Schedule* failed = nullptr;
  for (Schedule& s : list_) {
    bool valid;
    DueAt(s, Clock(now_), &valid);
    if (s.restsBy < 0 || valid) continue;
    const bool dateFails = (s.checks & kDate) && !DateExists(s.year, s.month, s.day);
    if (dateFails != dateError) continue;
    if (!failed || s.armedAt < failed->armedAt) failed = &s;
  }
  if (!failed) return;
  failed->armed = false;
  failed->restsBy = -1;
}

void ScheduleOracle::At(int64_t mono) {
  now_ = mono;
  for (Schedule& s : list_) {
    if (s.restsBy < 0 || mono < s.restsBy) continue;
    // Its first tick has come: it fails, unless a store has made it sound.
    bool valid;
    DueAt(s, Clock(mono), &valid);
    if (!valid) s.armed = false;
    s.restsBy = -1;
  }
  const int64_t day = FloorDiv(Clock(mono), kDayMs);
  if (day != today_) {
    today_ = day;
    if (today_ != stampDay_) DayChange(mono);
  }
  CheckDeadlines(mono);
}

void ScheduleOracle::Jump(int64_t mono, int64_t clockMs, bool reported) {
  At(mono);
  mono0_ = mono;
  clock0_ = clockMs;
  if (!reported) unreportedJump_ = mono;
  for (Schedule& s : list_) s.dueSince = -1;
  At(mono);
}

void ScheduleOracle::DayChange(int64_t mono) {
  stampDay_ = today_;
  for (size_t i = 0; i < list_.size(); ++i) {
    Schedule& s = list_[i];
    if (s.state == State::No) {
      s.armed = false;
    } else if (!s.armed) {
      Arm(s, mono);
    }
    if (ed_.position == static_cast<int>(i) + 1 && !ed_.enableTouched) ed_.enable = ShownArmed(s);
  }
}

void ScheduleOracle::Arm(Schedule& s, int64_t mono) {
  bool valid;
  DueAt(s, Clock(mono), &valid);
  s.armed = true;
  s.armedAt = mono;
  s.dueSince = -1;
  s.restsBy = valid ? -1 : mono + kFirstTickMs;
}

// Every armed schedule that has been due long enough must have started.
void ScheduleOracle::CheckDeadlines(int64_t mono) {
  const int64_t clock = Clock(mono);
  const int64_t dayStart = mono0_ + (FloorDiv(clock, kDayMs) * kDayMs - clock0_);
  for (Schedule& s : list_) {
    bool valid;
    if (!s.armed || !DueAt(s, clock, &valid)) {
      s.dueSince = -1;
      continue;
    }
    if (s.dueSince < 0) {
      // Within one day of one stretch of the clock, on the same criteria,
      // the due test only turns from false to true: find where it turned.
      int64_t lo = std::max({mono0_, s.armedAt, dayStart, s.changedAt}), hi = mono;
      while (lo < hi) {
        const int64_t mid = lo + (hi - lo) / 2;
        if (DueAt(s, Clock(mid), &valid)) {
          hi = mid;
        } else {
          lo = mid + 1;
        }
      }
      s.dueSince = lo;
    }
    const bool unreported = unreportedJump_ >= 0 && s.dueSince >= unreportedJump_ &&
                            s.dueSince <= unreportedJump_ + kUnreportedLateMs;
    const int64_t deadline =
        std::max(s.dueSince + (unreported ? kUnreportedLateMs : kLateMs), s.armedAt + kFirstTickMs) +
        kSlackMs;
    if (mono > deadline) {
      Fail(Name(s) + " is armed and due since " + std::to_string(s.dueSince) +
           " ms (armed at " + std::to_string(s.armedAt) + ") but has not started by " +
           std::to_string(mono));
      s.dueSince = mono;  // said once
    }
  }
}

// ---- The editor -----------------------------------------------------------------

void ScheduleOracle::Load(int position) {
  const Schedule& s = list_[static_cast<size_t>(position) - 1];
  Editor e;
  e.position = position;
  e.description = s.description;
  e.item = s.item;
  e.checks = s.checks;
  e.date = DateExists(s.year, s.month, s.day) ? DayFromCivil(s.year, s.month, s.day) : today_;
  e.hour = Clamp(s.hour, 0, 23);
  e.min = Clamp(s.min, 0, 59);
  e.sec = Clamp(s.sec, 0, 59);
  e.monthDay = Clamp(s.monthDay, 1, 31);
  e.enable = ShownArmed(s);
  e.choices = ChoicesOfTag(s.tag);
  ed_ = e;
}

void ScheduleOracle::ShowPosition(int position) {
  if (position >= 1 && position <= static_cast<int>(list_.size())) Load(position);
}

void ScheduleOracle::Activated() {
  if (ed_.position == 0 && !list_.empty()) Load(1);
}

void ScheduleOracle::Edit(Field field, const Editor& v) {
  switch (field) {
    case Field::Description: ed_.description = v.description; break;
    case Field::Item: ed_.item = v.item; break;
    case Field::Checks:
      if ((ed_.checks ^ v.checks) & kWeekDay) ed_.days = true;
      ed_.checks = v.checks;
      ed_.criteria = true;
      break;
    case Field::Date:
      ed_.date = v.date;
      ed_.criteria = true;
      break;
    case Field::Time:
      ed_.hour = v.hour;
      ed_.min = v.min;
      ed_.sec = v.sec;
      ed_.criteria = true;
      break;
    case Field::MonthDay:
      ed_.monthDay = v.monthDay;
      ed_.criteria = true;
      break;
    case Field::Days:
      ed_.choices = (ed_.choices & ~0x7Fu) | (v.choices & 0x7Fu);
      ed_.criteria = ed_.days = true;
      break;
    case Field::Enable:
      ed_.enable = v.enable;
      ed_.enableTouched = true;
      break;
    case Field::Actions: ed_.choices = (ed_.choices & 0x7Fu) | (v.choices & 0x380u); break;
  }
  ed_.edited = true;
}

bool ScheduleOracle::LaunchedSinceArmed(const Schedule& s) const {
  return s.launching > 0 || (s.state == State::Done && !s.armed);
}

void ScheduleOracle::Store() {
  if (!ed_.edited || ed_.position == 0) return;
  Schedule& s = list_[static_cast<size_t>(ed_.position) - 1];
  const bool launchedToday = LaunchedSinceArmed(s);
  const Schedule before = s;
  s.item = ed_.item;
  s.checks = ed_.checks;
  const Ymd d = CivilFromDay(ed_.date);
  s.year = d.y;
  s.month = d.m;
  s.day = d.d;
  s.hour = ed_.hour;
  s.min = ed_.min;
  s.sec = ed_.sec;
  s.msec = 0;
  s.monthDay = ed_.monthDay;
  if (ed_.enableTouched) {
    if (ed_.enable) {
      if (!s.armed || ed_.criteria) Arm(s, now_);
      s.state = State::Yes;
    } else {
      s.armed = false;
      s.state = State::No;
    }
  } else if (ed_.criteria && ed_.enable) {
    Arm(s, now_);  // armed afresh on the new criteria
    s.state = State::Yes;
  }
  if (ed_.days) {
    const int t = WeekDayOfDay(today_) + (launchedToday ? 1 : 0);
    for (int k = 0; k < 7; ++k) {
      const int wd = (t + k) % 7;
      if (ed_.choices & (1u << wd)) {
        s.weekDay = wd;
        break;
      }
    }
  }
  s.tag = TagOfChoices(ed_.choices);
  s.description = ed_.description.empty() ? "Not Defined" : ed_.description;
  // A store writes back what the editor shows, which may differ from what
  // was read even when the user touched no criterion (a month day of 0
  // shows as 1): the schedule may be due from this moment.
  if (s.checks != before.checks || s.year != before.year || s.month != before.month ||
      s.day != before.day || s.hour != before.hour || s.min != before.min || s.sec != before.sec ||
      s.msec != before.msec || s.monthDay != before.monthDay || s.weekDay != before.weekDay) {
    s.changedAt = now_;
    s.dueSince = -1;
  }
  ed_.edited = ed_.criteria = ed_.days = ed_.enableTouched = false;
}

// ---- Navigation and management --------------------------------------------------

void ScheduleOracle::Previous(bool* box) {
  *box = list_.empty() || ed_.position < 2;
  if (*box) return;
  Store();
  ShowPosition(ed_.position - 1);
}

void ScheduleOracle::Next(bool* box) {
  const int n = static_cast<int>(list_.size());
  *box = n == 0 || ed_.position >= n;
  if (*box) return;
  Store();
  ShowPosition(ed_.position + 1);
}

void ScheduleOracle::First(bool* box) {
  *box = !list_.empty() && ed_.position == 1;
  if (!list_.empty() && !*box) ShowPosition(1);
}

void ScheduleOracle::Last(bool* box) {
  const int n = static_cast<int>(list_.size());
  *box = n > 0 && ed_.position == n;
  if (n > 0 && !*box) ShowPosition(n);
}

void ScheduleOracle::ShowLine(int line) { ShowPosition(line + 1); }

void ScheduleOracle::New(bool* box) {
  const int n = static_cast<int>(list_.size());
  *box = n >= 100 || (ed_.position > 0 && ed_.item.size() < 6);
  if (*box) return;
  Store();
  const int64_t clock = Clock(now_);
  const int64_t day = FloorDiv(clock, kDayMs);
  const int64_t ms = clock - day * kDayMs;
  Schedule s;
  s.id = nextId_++;
  const Ymd d = CivilFromDay(day);
  s.year = d.y;
  s.month = d.m;
  s.day = d.d;
  s.hour = static_cast<int>(ms / 3600000);
  s.min = static_cast<int>(ms / 60000 % 60);
  s.sec = static_cast<int>(ms / 1000 % 60);
  s.msec = static_cast<int>(ms % 1000);
  s.tag = TagOfChoices(0);
  s.description = "New Schedule";
  list_.push_back(s);
  Load(n + 1);
}

void ScheduleOracle::RemoveAt(int p) {
  const int n = static_cast<int>(list_.size());
  list_.erase(list_.begin() + (p - 1));
  // The later ones move into other slots: armed, they tick afresh.
  for (int q = p; q < n; ++q) {
    Schedule& s = list_[static_cast<size_t>(q) - 1];
    if (s.armed) Arm(s, now_);
  }
  if (n - 1 == 0) {
    ed_ = Editor{};
  } else if (p > n - 1) {
    ShowPosition(n - 1);
  } else {
    ShowPosition(p);
  }
  ed_.edited = ed_.criteria = ed_.days = ed_.enableTouched = false;
}

void ScheduleOracle::Remove() {
  const int p = ed_.position;
  if (p < 1 || p > static_cast<int>(list_.size())) return;
  RemoveAt(p);
}

void ScheduleOracle::Drop(const std::vector<std::string>& files) {
  for (const std::string& file : files) {
    bool refused;
    New(&refused);
    if (refused) return;
    Editor v;
    v.item = file;
    Edit(Field::Item, v);
  }
  Store();
}

// ---- Launches -------------------------------------------------------------------

Schedule* ScheduleOracle::Find(int id) {
  for (Schedule& s : list_) {
    if (s.id == id) return &s;
  }
  return nullptr;
}

int ScheduleOracle::PositionOf(int id) const {
  for (size_t i = 0; i < list_.size(); ++i) {
    if (list_[i].id == id) return static_cast<int>(i) + 1;
  }
  return 0;
}

std::string ScheduleOracle::Name(const Schedule& s) const {
  return "schedule " + std::to_string(PositionOf(s.id)) + " (\"" + s.description + "\", " +
         (s.item.empty() ? "no item" : s.item) + ")";
}

void ScheduleOracle::Fail(const std::string& what) { failures_.push_back(what); }

void ScheduleOracle::LaunchBegins(int position, const std::string& item, int64_t mono) {
  At(mono);
  if (position < 1 || position > static_cast<int>(list_.size())) {
    Fail("a launch at position " + std::to_string(position) + ", which holds no schedule");
    launches_.push_back({0, 0, item});
    return;
  }
  Schedule& s = list_[static_cast<size_t>(position) - 1];
  if (s.item != item) {
    Fail("the launch at position " + std::to_string(position) + " is of " + item + ", not of " +
         Name(s));
  }
  bool valid;
  const bool due = DueAt(s, Clock(mono), &valid);
  if (!s.armed) {
    Fail(Name(s) + " started while not armed (a second start of one arming)");
  } else if (!due) {
    Fail(Name(s) + " started before it was due");
  }
  s.armed = false;
  s.dueSince = -1;
  ++s.launching;
  launches_.push_back({s.id, ChoicesOfTag(s.tag), item});
}

void ScheduleOracle::AnnouncementAnswered(bool cancelled) {
  if (launches_.empty()) {
    Fail("an announcement outside any launch");
    return;
  }
  Launch& l = launches_.back();
  if (!(l.choices & (1u << kAnnounce))) Fail("an announcement for a schedule without Announce");
  l.cancelled = cancelled;
}

void ScheduleOracle::ItemOpened(const std::string& item, int64_t mono) {
  At(mono);
  if (launches_.empty()) {
    Fail(item + " was opened outside any launch");
    return;
  }
  Launch& l = launches_.back();
  if (l.cancelled) Fail(item + " was opened after its announcement was cancelled");
  if (l.opened) Fail(item + " was opened twice in one launch");
  if (item != l.item) Fail(item + " was opened by the launch of " + l.item);
  l.opened = true;
}

void ScheduleOracle::LaunchEnds(int64_t mono) {
  At(mono);
  if (launches_.empty()) return;
  const Launch l = launches_.back();
  launches_.pop_back();
  if (!l.cancelled && !l.opened) Fail("the launch of " + l.item + " opened nothing");
  Schedule* s = Find(l.id);
  if (!s) return;
  --s->launching;
  if (l.choices & (1u << kOnce)) {
    Store();
    ed_.position = PositionOf(l.id);
    Load(ed_.position);
    RemoveAt(ed_.position);
    return;
  }
  if (s->checks & kWeekDay) {
    const int next = NextWeekDayAfter(l.choices, WeekDayOfDay(today_));
    if (next >= 0) s->weekDay = next;
  }
  if (s->state != State::No && !s->armed) s->state = State::Done;
  if (ed_.position == PositionOf(l.id) && !ed_.enableTouched) ed_.enable = s->armed;
}

// ---- The settings file ------------------------------------------------------------

std::map<std::string, std::string> ScheduleOracle::ExpectedSettings() const {
  std::map<std::string, std::string> out;
  const std::string list = "TMainForm.ListBox1_Items/", states = "TMainForm.DateList_Items/";
  const int n = static_cast<int>(list_.size());
  if (n > 0) {
    out[list + "Count"] = std::to_string(n);
    out[states + "Count"] = std::to_string(n);
  }
  for (int p = 1; p <= n; ++p) {
    const Schedule& s = list_[static_cast<size_t>(p) - 1];
    const std::string k = "TMainForm/Launcher" + std::to_string(p) + "_";
    std::string checks = "[";
    for (int b = 0; b < 4; ++b) {
      if (!(s.checks & (1u << b))) continue;
      if (checks.size() > 1) checks += ",";
      checks += kCheckNames[b];
    }
    out[k + "Checks"] = checks + "]";
    out[k + "CommandLine"] = s.item;
    out[k + "DateDay"] = std::to_string(s.day);
    out[k + "DateMonth"] = std::to_string(s.month);
    out[k + "DateYear"] = std::to_string(s.year);
    out[k + "Enabled"] = s.armed ? "True" : "False";
    out[k + "MonthDay"] = std::to_string(s.monthDay);
    out[k + "Tag"] = std::to_string(s.tag);
    out[k + "TimeHour"] = std::to_string(s.hour);
    out[k + "TimeMin"] = std::to_string(s.min);
    out[k + "TimeMSec"] = std::to_string(s.msec);
    out[k + "TimeSec"] = std::to_string(s.sec);
    out[k + "WeekDay"] = kDayNames[s.weekDay];
    out[list + "Item" + std::to_string(p - 1)] = s.description;
    out[states + "Item" + std::to_string(p - 1)] = StateName(s.state);
  }
  if (stampDay_ >= 0) {
    const Ymd t = CivilFromDay(stampDay_);
    out["TMainForm/StatusBar1_Tag"] = std::to_string(t.d * 10000 + t.m * 100 + t.y % 100);
  }
  return out;
}

}  // namespace marrowby::model
