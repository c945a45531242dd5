// Dates as the user writes them: the short date format of the user's locale
// ("M/d/yyyy" in the United States, "dd/MM/yyyy" in Britain, "dd.MM.yyyy",
// "yyyy-MM-dd"), used by the date edit to show a date and by the schedule
// editor to read one back. Dates always show four-digit years, whatever the
// locale's year field.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/datetime.h"

namespace marrowby {

class ShortDateFormat {
 public:
  // A picture in the platform's notation: d, dd, M, MM, y, yy, yyyy, other
  // characters (or 'quoted' text) standing for themselves. A picture that
  // does not hold exactly one numeric day, month and year field (names of
  // days or months, eras) is replaced by "dd/MM/yyyy".
  explicit ShortDateFormat(const std::string& picture = "dd/MM/yyyy");

  // The picture with its year field widened to four digits.
  const std::string& Picture() const { return picture_; }
  std::string Format(TDateTime date) const;
  // Reads three numbers in the picture's order, separated by anything but
  // letters; a year of one or two digits is one of 2000 to 2099. False for
  // anything else or a day that does not exist.
  bool TryParse(const std::string& text, TDateTime* date) const;

 private:
  bool Build(const std::string& picture);

  struct Part {
    char field = 0;  // 'd', 'M', 'y', or 0 for literal text
    int width = 0;   // digits shown (1: as many as needed)
    std::string text;
  };
  std::vector<Part> parts_;
  std::string picture_;
};

// The format the date edits use; "dd/MM/yyyy" until the program sets the
// user's (UseUserShortDateFormat on Windows).
const ShortDateFormat& UserShortDateFormat();
void SetUserShortDateFormat(const std::string& picture);
// Windows: reads the user's short date picture from the locale settings.
void UseUserShortDateFormat();

// The Saturdays and Sundays of a month: bit d-1 set for each such day d, as
// a month calendar's day states mark days (0 for a month that cannot exist).
uint32_t WeekendDayBits(int year, int month);

// The editor's date and time text: a date in the user's short format, a
// blank, then hours:minutes:seconds. Text that is no valid date and time
// fails with EConvertError "'<text>' is not a valid date and time".
TDateTime StrToDateTime(const std::string& text);

}  // namespace marrowby
