// The choices of a schedule that a slot has no property for, kept in the
// slot's Tag: days of the week (digits "0" Sunday .. "6" Saturday), "7"
// Announce, "8" Launch Once, "9" Allow Cancel.
//
// The plain form is the decimal number the chosen digits spell in order
// ("1379" is Monday, Wednesday, Announce, Allow Cancel), and a choice is on
// when its digit occurs in the decimal text of Tag. That form loses a leading
// "0" (Sunday with other choices) and has no number for no choice at all, so
// those two cases are written as a negative number instead: -(1 + mask), bit
// d of mask standing for digit d (-1 is no choice). Settings written by
// earlier versions hold only the plain form and read as before.
#pragma once

#include <cstdint>
#include <string>

namespace marrowby {

class FlagDigits {
 public:
  FlagDigits() = default;
  static FlagDigits FromTag(int32_t tag);
  // The choices made of a digit text ("0179").
  static FlagDigits FromDigits(const std::string& digits);

  bool Has(int digit) const { return (mask_ >> digit) & 1u; }
  void Set(int digit, bool on);
  bool Empty() const { return mask_ == 0; }
  // The chosen digits in order "0" to "9".
  std::string Digits() const;
  int32_t ToTag() const;

  bool Day(int weekday) const { return Has(weekday); }  // 0 Sunday .. 6 Saturday
  bool Announce() const { return Has(7); }
  bool LaunchOnce() const { return Has(8); }
  bool AllowCancel() const { return Has(9); }

 private:
  uint32_t mask_ = 0;
};

}  // namespace marrowby
