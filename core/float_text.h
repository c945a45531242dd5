// Exact conversions between doubles and decimal text: the significant digits
// of a double rounded to a given count (what printf's "%.*e" prints) and the
// double nearest to a decimal number (what strtod returns). They work on big
// integers, so every result is correctly rounded (halves to even), and they
// keep the C library's formatted input and output out of the program.
#pragma once

#include <string>

namespace marrowby {

// The first `digits` (1 to 40) significant decimal digits of |value|, rounded
// to nearest with halves to even, and the decimal exponent of the first one:
// |value| is about d1.d2d3... x 10^exponent. value must be finite and not 0.
void ScientificDigits(double value, int digits, std::string* mantissa, int* exponent);

// Parses a whole decimal number: an optional sign, digits with an optional
// decimal point (at least one digit), and an optional exponent ("e" or "E",
// an optional sign, digits); nothing else, not even blanks. Beyond the range
// of a double the value is an infinity or a zero of the number's sign.
bool ParseDecimal(const std::string& text, double* value);

}  // namespace marrowby
