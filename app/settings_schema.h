// What the main window keeps in the settings file, written down once: the
// 100 slots "Launcher1" to "Launcher100" with eight stored properties each,
// spread over four stores of 25 slots, the first store also keeping the
// launch-state list's Tag, the description and date lists and the day stamp;
// and the folder under the user's own data folder that takes the file when
// the Windows directory refuses it. The main window builds its stores and
// checks a settings file from it; the store tests' stand-in window builds the
// same stores. Header only.
#pragma once

#include <iterator>
#include <string>
#include <vector>

namespace marrowby {

inline constexpr int kSlotCount = 100;
inline constexpr int kStoreCount = 4;
inline constexpr int kSlotsPerStore = kSlotCount / kStoreCount;

// Every slot's stored properties, in the stores' order.
inline constexpr const char* kSlotProperties[] = {"Checks",   "CommandLine", "Date", "Enabled",
                                                  "MonthDay", "Tag",         "Time", "WeekDay"};
// The entries the first store keeps after its slots.
inline constexpr const char* kFirstStoreExtras[] = {"LaunchList.Tag", "ListBox1.Items",
                                                    "DateList.Items", "StatusBar1.Tag"};

// The program's folder under the user's data folder (%LOCALAPPDATA%\Marrowby),
// for the settings file and the launch history beside it.
inline constexpr char kUserSettingsFolder[] = "Marrowby";

// The name of slot n (1..kSlotCount).
inline std::string SlotName(int n) { return "Launcher" + std::to_string(n); }

// The stored-property list of store s (1..kStoreCount): "Launcher1.Checks", ...
inline std::vector<std::string> StoredPropsOfStore(int s) {
  std::vector<std::string> lines;
  for (int n = (s - 1) * kSlotsPerStore + 1; n <= s * kSlotsPerStore; ++n) {
    for (const char* prop : kSlotProperties) lines.push_back(SlotName(n) + "." + prop);
  }
  if (s == 1) lines.insert(lines.end(), std::begin(kFirstStoreExtras), std::end(kFirstStoreExtras));
  return lines;
}

}  // namespace marrowby
