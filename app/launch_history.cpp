#include "app/launch_history.h"

#include "app/settings_schema.h"
#include "core/text.h"
#include "store/form_placement.h"
#include "store/store_platform.h"

namespace marrowby {

namespace {

constexpr size_t kTimeLength = 19;  // "YYYY-MM-DD HH:MM:SS"
constexpr size_t kFields = 6;

bool IsTime(const std::string& s, size_t at) {
  static const char kPattern[] = "dddd-dd-dd dd:dd:dd";
  if (at + kTimeLength > s.size()) return false;
  for (size_t i = 0; i < kTimeLength; ++i) {
    const char c = s[at + i];
    if (kPattern[i] == 'd' ? (c < '0' || c > '9') : c != kPattern[i]) return false;
  }
  return true;
}

std::vector<std::string> SplitTabs(const std::string& s) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    const size_t tab = s.find('\t', start);
    out.push_back(s.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return out;
    start = tab + 1;
  }
}

bool ParseRecord(const std::string& record, HistoryEntry* e) {
  const std::vector<std::string> f = SplitTabs(record);
  // Later versions may add fields at the end; they are ignored.
  if (f.size() < kFields || f[0].size() != kTimeLength || !IsTime(f[0], 0)) return false;
  if (f[1].empty() || f[1].size() > 3 || f[1].find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  HistoryEntry out;
  out.time = f[0];
  out.position = std::stoi(f[1]);
  out.description = f[2];
  out.item = f[3];
  static const char kFailed[] = "failed: ";
  if (f[4] == "started") {
    out.outcome = LaunchOutcome::Started;
  } else if (f[4] == "cancelled") {
    out.outcome = LaunchOutcome::Cancelled;
  } else if (f[4] == "vetoed") {
    out.outcome = LaunchOutcome::Vetoed;
  } else if (f[4].compare(0, sizeof(kFailed) - 1, kFailed) == 0) {
    out.outcome = LaunchOutcome::Failed;
    out.error = f[4].substr(sizeof(kFailed) - 1);
  } else {
    return false;
  }
  if (f[5] == "shell") {
    out.way = StartWay::Shell;
  } else if (f[5] == "program") {
    out.way = StartWay::Program;
  } else if (f[5] == "-") {
    out.way = StartWay::None;
  } else {
    return false;
  }
  *e = std::move(out);
  return true;
}

std::string DirOf(const std::string& path) {
  const size_t sep = path.find_last_of("\\/");
  return sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
}

// "schedmgr.INI" -> "schedmgr.log".
std::string LogNameFor(const std::string& settingsName) {
  std::string name = settingsName.substr(settingsName.find_last_of("\\/:") + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  return name + ".log";
}

bool Exists(FileSystem& fs, const std::string& path) {
  uint64_t size = 0;
  return !path.empty() && fs.Size(path, &size) == FileStatus::Ok;
}

}  // namespace

std::string HistoryTime(TDateTime value) {
  const DateTimeParts t = DecodeDateTime(value);
  return ZeroPadded(t.year, 4) + '-' + ZeroPadded(t.month, 2) + '-' + ZeroPadded(t.day, 2) + ' ' +
         ZeroPadded(t.hour, 2) + ':' + ZeroPadded(t.min, 2) + ':' + ZeroPadded(t.sec, 2);
}

std::string HistoryField(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  return out;
}

std::string FormatHistoryLine(const HistoryEntry& e) {
  std::string outcome;
  switch (e.outcome) {
    case LaunchOutcome::Started: outcome = "started"; break;
    case LaunchOutcome::Failed: outcome = "failed: " + e.error; break;
    case LaunchOutcome::Cancelled: outcome = "cancelled"; break;
    case LaunchOutcome::Vetoed: outcome = "vetoed"; break;
  }
  const char* way = e.way == StartWay::Shell ? "shell" : e.way == StartWay::Program ? "program" : "-";
  return HistoryField(e.time) + '\t' + std::to_string(e.position) + '\t' +
         HistoryField(e.description) + '\t' + HistoryField(e.item) + '\t' +
         HistoryField(outcome) + '\t' + way + "\r\n";
}

bool ParseHistoryLine(const std::string& raw, HistoryEntry* entry) {
  std::string line = raw;
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  if (ParseRecord(line, entry)) return true;
  // A record that a crash cut short runs into the next one: look for the
  // last time stamp that begins a whole record.
  for (size_t at = line.size() > kTimeLength ? line.size() - kTimeLength - 1 : 0; at > 0; --at) {
    if ((line[at + kTimeLength] == '\t') && IsTime(line, at) &&
        ParseRecord(line.substr(at), entry)) {
      return true;
    }
  }
  return false;
}

std::vector<HistoryEntry> ParseHistory(const std::string& text) {
  std::vector<HistoryEntry> out;
  size_t end = text.size();
  while (end > 0) {
    const size_t start = text.rfind('\n', end - 1);
    const size_t from = start == std::string::npos ? 0 : start + 1;
    HistoryEntry e;
    if (from < end && ParseHistoryLine(text.substr(from, end - from), &e)) {
      out.push_back(std::move(e));
    }
    if (start == std::string::npos) break;
    end = start;
  }
  return out;
}

std::string OutcomeText(const HistoryEntry& e) {
  switch (e.outcome) {
    case LaunchOutcome::Started: return "Started";
    case LaunchOutcome::Failed: return "Failed: " + e.error;
    case LaunchOutcome::Cancelled: return "Cancelled by the user";
    case LaunchOutcome::Vetoed: return "Vetoed";
  }
  return {};
}

std::string WayText(StartWay way) {
  switch (way) {
    case StartWay::Shell: return "Shell";
    case StartWay::Program: return "Program and parameters";
    case StartWay::None: break;
  }
  return "";
}

// ---- LaunchHistory ------------------------------------------------------------

LaunchHistory::LaunchHistory(FileSystem& fs, std::string settingsName, std::string userFolder)
    : fs_(fs),
      name_(LogNameFor(settingsName)),
      settingsName_(std::move(settingsName)),
      userFolder_(std::move(userFolder)) {}

LaunchHistory ProgramLaunchHistory() {
  return LaunchHistory(CurrentFileSystem(), DefaultIniFileName(CurrentStorePlatform().ExeName()),
                       kUserSettingsFolder);
}

ProfileLocation LaunchHistory::Settings() const {
  return LocateProfile(fs_, settingsName_, userFolder_);
}

std::string LaunchHistory::Path() {
  const ProfileLocation loc = Settings();
  if (!loc.fallback.empty()) {
    const std::string userLog = DirOf(loc.fallback) + name_;
    if (Exists(fs_, loc.fallback) || Exists(fs_, userLog)) return userLog;
  }
  return DirOf(loc.primary) + name_;
}

FileStatus LaunchHistory::AppendTo(const std::string& path, const std::string& line) {
  uint64_t size = 0;
  if (fs_.Size(path, &size) == FileStatus::Ok && size > 0 && size + line.size() > kRotateSize) {
    // Should the move fail (the old generation is in use), the line still
    // goes to the current file.
    fs_.Rename(path, path + ".1");
  }
  return fs_.Append(path, line);
}

bool LaunchHistory::Record(const HistoryEntry& entry) {
  const std::string line = FormatHistoryLine(entry);
  const std::string path = Path();
  FileStatus status = AppendTo(path, line);
  if (status == FileStatus::AccessDenied || status == FileStatus::ReadOnly) {
    // The Windows directory refuses this user, as it refuses the settings.
    const ProfileLocation loc = Settings();
    const std::string userLog = loc.fallback.empty() ? "" : DirOf(loc.fallback) + name_;
    if (!userLog.empty() && userLog != path) {
      fs_.MakeDirectory(loc.fallbackDir);
      status = AppendTo(userLog, line);
    }
  }
  return status == FileStatus::Ok;
}

std::vector<HistoryEntry> LaunchHistory::ReadAll() {
  const std::string path = Path();
  std::vector<HistoryEntry> out;
  for (const std::string& p : {path, path + ".1"}) {
    std::string text;
    if (fs_.Read(p, &text) != FileStatus::Ok) continue;
    std::vector<HistoryEntry> part = ParseHistory(text);
    out.insert(out.end(), std::make_move_iterator(part.begin()),
               std::make_move_iterator(part.end()));
  }
  return out;
}

}  // namespace marrowby
