#include "ui/date_format.h"

#include <algorithm>
#include <cctype>

#include "core/errors.h"
#include "core/text.h"

namespace marrowby {

namespace {

const char kFallback[] = "dd/MM/yyyy";

bool IsLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A number as scanf's "%d" reads one: blanks, an optional sign, digits. A
// number too large for any time is kept at a bound that no time accepts.
bool ReadNumber(const char*& p, int* out) {
  while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (!IsDigit(*p)) return false;
  int value = 0;
  for (; IsDigit(*p); ++p) value = std::min(value * 10 + (*p - '0'), 1000000);
  *out = negative ? -value : value;
  return true;
}

// "h:m:s", each number as ReadNumber reads it, and nothing after.
bool ParseTime(const char* p, int* h, int* mi, int* s) {
  return ReadNumber(p, h) && *p++ == ':' && ReadNumber(p, mi) && *p++ == ':' &&
         ReadNumber(p, s) && *p == '\0';
}

}  // namespace

ShortDateFormat::ShortDateFormat(const std::string& picture) {
  if (!Build(picture)) Build(kFallback);
}

bool ShortDateFormat::Build(const std::string& picture) {
  parts_.clear();
  picture_.clear();
  int days = 0, months = 0, years = 0;
  size_t i = 0;
  while (i < picture.size()) {
    const char c = picture[i];
    if (c == '\'') {
      // Quoted literal text; '' inside stands for one quote.
      const size_t end = picture.find('\'', i + 1);
      const std::string text = picture.substr(i + 1, end == std::string::npos ? std::string::npos
                                                                              : end - i - 1);
      parts_.push_back({0, 0, text.empty() ? "'" : text});
      picture_ += picture.substr(i, end == std::string::npos ? std::string::npos : end - i + 1);
      i = end == std::string::npos ? picture.size() : end + 1;
      continue;
    }
    if (!IsLetter(c)) {
      if (parts_.empty() || parts_.back().field) parts_.push_back({});
      parts_.back().text += c;
      picture_ += c;
      ++i;
      continue;
    }
    size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == c) ++run;
    i += run;
    if (c == 'd' && run <= 2) {
      ++days;
    } else if (c == 'M' && run <= 2) {
      ++months;
    } else if (c == 'y' && run <= 5) {
      ++years;
      run = 4;
    } else {
      return false;  // names of days or months, eras, times
    }
    parts_.push_back({c, static_cast<int>(run), {}});
    picture_ += std::string(run, c);
  }
  return days == 1 && months == 1 && years == 1;
}

std::string ShortDateFormat::Format(TDateTime date) const {
  int y, m, d;
  DecodeDate(date, &y, &m, &d);
  std::string out;
  for (const Part& p : parts_) {
    if (!p.field) {
      out += p.text;
      continue;
    }
    const int value = p.field == 'd' ? d : p.field == 'M' ? m : y;
    out += ZeroPadded(value, p.width);
  }
  return out;
}

bool ShortDateFormat::TryParse(const std::string& text, TDateTime* date) const {
  std::vector<std::string> numbers;
  bool inNumber = false;
  for (char c : text) {
    if (IsLetter(c)) return false;
    if (IsDigit(c)) {
      if (!inNumber) numbers.emplace_back();
      numbers.back() += c;
      if (numbers.back().size() > 4) return false;
    }
    inNumber = IsDigit(c);
  }
  if (numbers.size() != 3) return false;
  int d = 0, m = 0, y = 0;
  size_t next = 0;
  for (const Part& p : parts_) {
    if (!p.field) continue;
    const std::string& digits = numbers[next++];
    const int value = std::stoi(digits);
    if (p.field == 'd') {
      d = value;
    } else if (p.field == 'M') {
      m = value;
    } else {
      y = digits.size() <= 2 ? 2000 + value : value;
    }
  }
  return TryEncodeDate(y, m, d, date);
}

namespace {
ShortDateFormat& CurrentFormat() {
  static ShortDateFormat format;
  return format;
}
}  // namespace

const ShortDateFormat& UserShortDateFormat() { return CurrentFormat(); }

void SetUserShortDateFormat(const std::string& picture) {
  CurrentFormat() = ShortDateFormat(picture);
}

uint32_t WeekendDayBits(int year, int month) {
  TDateTime first;
  if (!TryEncodeDate(year, month, 1, &first)) return 0;
  const int firstWeekDay = WeekDayOf(first);
  uint32_t bits = 0;
  for (int d = 1; d <= DaysInMonth(year, month); ++d) {
    const int weekDay = (firstWeekDay + d - 1) % 7;
    if (weekDay == 0 || weekDay == 6) bits |= 1u << (d - 1);
  }
  return bits;
}

TDateTime StrToDateTime(const std::string& text) {
  // The time is the last word; the date is everything before it.
  const size_t blank = text.find_last_of(' ');
  TDateTime date, time;
  int h, mi, s;
  if (blank == std::string::npos ||
      !UserShortDateFormat().TryParse(text.substr(0, blank), &date) ||
      !ParseTime(text.c_str() + blank + 1, &h, &mi, &s) ||
      !TryEncodeTime(h, mi, s, 0, &time)) {
    throw EConvertError("'" + text + "' is not a valid date and time");
  }
  return date + time;
}

}  // namespace marrowby
