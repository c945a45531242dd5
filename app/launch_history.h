// The launch history: one line per launch in a text file beside the settings
// file ("schedmgr.log" beside "schedmgr.INI"), kept to about 1 MiB with one
// older generation ("schedmgr.log.1"). Each line holds tab-separated fields:
//
//   time          "YYYY-MM-DD HH:MM:SS", local time
//   position      the schedule's position, 1-based (0: none)
//   description   the schedule's description
//   item          the item line as the schedule holds it
//   outcome       "started", "failed: " + the system's error text,
//                 "cancelled" (by the user, at the announcement) or "vetoed"
//   way           "shell" (the whole line through the shell), "program"
//                 (the line split into a program and its parameters), or
//                 "-" when nothing was started
//
// Tabs, line breaks and other control characters in a field are written as
// blanks. Reading skips lines it cannot make sense of, so a damaged file
// shows what is still readable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/datetime.h"
#include "core/file_system.h"
#include "scheduler/item_starter.h"
#include "store/profile_location.h"

namespace marrowby {

enum class LaunchOutcome { Started, Failed, Cancelled, Vetoed };

struct HistoryEntry {
  std::string time;
  int position = 0;
  std::string description;
  std::string item;
  LaunchOutcome outcome = LaunchOutcome::Started;
  std::string error;  // the system's error text of a failure
  StartWay way = StartWay::None;
};

// "YYYY-MM-DD HH:MM:SS".
std::string HistoryTime(TDateTime value);
// The field with every control character made a blank.
std::string HistoryField(const std::string& text);
// The line of an entry, ending in CR LF.
std::string FormatHistoryLine(const HistoryEntry& entry);
// One line without its line break. A line whose beginning was damaged (a
// record cut short by a crash, then continued by the next) yields the last
// whole record in it.
bool ParseHistoryLine(const std::string& line, HistoryEntry* entry);
// Every readable entry of a file's text, newest (last) first.
std::vector<HistoryEntry> ParseHistory(const std::string& text);

// The texts the History window shows for an entry.
std::string OutcomeText(const HistoryEntry& entry);
std::string WayText(StartWay way);

class LaunchHistory {
 public:
  // settingsName: the settings file's name as the stores hold it
  // ("schedmgr.INI"); userFolder: their folder under the user's data folder
  // (profile_location.h).
  LaunchHistory(FileSystem& fs, std::string settingsName, std::string userFolder);

  static constexpr uint64_t kRotateSize = 1u << 20;

  // Appends the entry's line in one write, first moving a file that would
  // grow past kRotateSize to "<name>.1". False when the line could not be
  // written; the launch itself is not affected.
  bool Record(const HistoryEntry& entry);
  // Both generations, newest first.
  std::vector<HistoryEntry> ReadAll();
  // Where the history is written now: beside the settings file, in the
  // per-user folder when the settings live there or the Windows directory
  // refuses the history.
  std::string Path();

 private:
  FileStatus AppendTo(const std::string& path, const std::string& line);
  ProfileLocation Settings() const;

  FileSystem& fs_;
  std::string name_;
  std::string settingsName_;
  std::string userFolder_;
};

// The program's history: beside the main window's settings file, through the
// current file system.
LaunchHistory ProgramLaunchHistory();

}  // namespace marrowby
