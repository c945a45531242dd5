#include "app/flag_digits.h"

namespace marrowby {

FlagDigits FlagDigits::FromTag(int32_t tag) {
  FlagDigits f;
  if (tag < 0) {
    f.mask_ = static_cast<uint32_t>(-(static_cast<int64_t>(tag) + 1)) & 0x3FFu;
    return f;
  }
  for (char c : std::to_string(tag)) f.mask_ |= 1u << (c - '0');
  return f;
}

FlagDigits FlagDigits::FromDigits(const std::string& digits) {
  FlagDigits f;
  for (char c : digits) {
    if (c >= '0' && c <= '9') f.mask_ |= 1u << (c - '0');
  }
  return f;
}

void FlagDigits::Set(int digit, bool on) {
  if (on) {
    mask_ |= 1u << digit;
  } else {
    mask_ &= ~(1u << digit);
  }
}

std::string FlagDigits::Digits() const {
  std::string s;
  for (int d = 0; d <= 9; ++d) {
    if (Has(d)) s += static_cast<char>('0' + d);
  }
  return s;
}

int32_t FlagDigits::ToTag() const {
  const std::string digits = Digits();
  // The plain number keeps every digit unless a "0" would lead others.
  if (!digits.empty() && (digits[0] != '0' || digits.size() == 1)) return std::stoi(digits);
  return -static_cast<int32_t>(mask_) - 1;
}

}  // namespace marrowby
