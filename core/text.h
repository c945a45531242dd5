// Small text helpers shared by the portable code.
#pragma once

#include <cstdint>
#include <string>

namespace marrowby {

// Case-insensitive comparison of ASCII letters (identifiers, key names).
bool SameText(const std::string& a, const std::string& b);
int CompareText(const std::string& a, const std::string& b);
std::string UpperCase(std::string s);

// Removes leading and trailing blanks and control characters (bytes up to 32).
std::string Trim(const std::string& s);

// Parses a 32-bit integer: optional sign, decimal digits, or "$" followed by
// hexadecimal digits (also "0x"); surrounding text is not allowed.
bool TryStrToInt(const std::string& s, int32_t* out);

// The decimal digits of value, with zeros in front to make at least width
// characters, the minus sign included (printf's "%0*d").
std::string ZeroPadded(int value, int width);

// A control's hint holds a short part, shown in a balloon at the control, and
// a long part, shown in the status bar, separated by "|". Without a "|" both
// parts are the whole hint.
std::string ShortHint(const std::string& hint);
std::string LongHint(const std::string& hint);
std::string JoinHint(const std::string& shortPart, const std::string& longPart);

}  // namespace marrowby
