// The exact decimal conversions against the host C library, whose printf and
// strtod round correctly (halves to even): random doubles of every range,
// the halfway points between neighbours, and the grammar's edges.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "core/float_text.h"

namespace marrowby {
namespace {

double FromBits(uint64_t bits) {
  double d;
  std::memcpy(&d, &bits, sizeof(d));
  return d;
}

// A finite, nonzero double with any exponent, subnormals included.
double RandomDouble(std::mt19937_64& rng) {
  for (;;) {
    const double d = FromBits(rng() & ~(uint64_t{1} << 63));
    if (std::isfinite(d) && d != 0) return d;
  }
}

// What "%.*e" prints, split as ScientificDigits returns it.
void Oracle(double value, int digits, std::string* mantissa, int* exponent) {
  char buf[128];
  std::snprintf(buf, sizeof(buf), "%.*e", digits - 1, value);
  const char* e = std::strchr(buf, 'e');
  mantissa->clear();
  for (const char* p = buf; p < e; ++p) {
    if (*p != '.') *mantissa += *p;
  }
  *exponent = std::atoi(e + 1);
}

TEST(FloatText, DigitsMatchPrintfForEveryRangeAndCount) {
  std::mt19937_64 rng(20260321);
  std::vector<double> values = {DBL_MAX, DBL_MIN, FromBits(1), 0.1, 1.0 / 3,
                                100000000000000.5,  // a tie at the 16th digit
                                0.5, 2.5, 9.5, 999999999999999.9};
  for (int i = 0; i < 3000; ++i) values.push_back(RandomDouble(rng));
  // Whole numbers and short fractions, where the digits run out early or tie.
  for (int i = 0; i < 1000; ++i) {
    values.push_back(static_cast<double>(rng() % 100000000) / (1 << (rng() % 12)));
  }
  for (double v : values) {
    if (v == 0) continue;
    for (int digits : {1, 2, 7, 15, 17, 18, 19}) {
      std::string want, got;
      int wantExp, gotExp;
      Oracle(v, digits, &want, &wantExp);
      ScientificDigits(v, digits, &got, &gotExp);
      ASSERT_EQ(got, want) << v << " to " << digits << " digits";
      ASSERT_EQ(gotExp, wantExp) << v << " to " << digits << " digits";
    }
  }
}

void ExpectParsedAsStrtod(const std::string& text) {
  double got = -1;
  ASSERT_TRUE(ParseDecimal(text, &got)) << text;
  const double want = std::strtod(text.c_str(), nullptr);
  uint64_t a, b;
  std::memcpy(&a, &got, 8);
  std::memcpy(&b, &want, 8);
  ASSERT_EQ(a, b) << text;
}

TEST(FloatText, ParsingMatchesStrtodIncludingHalfwayPoints) {
  std::mt19937_64 rng(7);
  char buf[1024];
  for (int i = 0; i < 1500; ++i) {
    const double v = RandomDouble(rng);
    // What the settings file holds, and longer forms.
    for (int digits : {15, 17, 25}) {
      std::snprintf(buf, sizeof(buf), "%.*e", digits - 1, v);
      ExpectParsedAsStrtod(buf);
    }
    // The exact point halfway to the next double up, and a hair either side:
    // long double holds it exactly, and printing all its digits is exact.
    const double next = std::nextafter(v, HUGE_VAL);
    if (!std::isfinite(next)) continue;
    const long double mid = (static_cast<long double>(v) + next) / 2;
    std::snprintf(buf, sizeof(buf), "%.780Le", mid);
    const std::string exact = buf;
    const size_t e = exact.find('e');
    std::string mantissa = exact.substr(0, e);
    const std::string exponent = exact.substr(e);
    while (mantissa.back() == '0') mantissa.pop_back();
    if (mantissa.back() == '.') mantissa.pop_back();
    ExpectParsedAsStrtod(mantissa + exponent);
    const std::string fraction = mantissa.find('.') == std::string::npos ? "." : "";
    ExpectParsedAsStrtod(mantissa + fraction + "000000000000001" + exponent);
    if (fraction.empty()) {
      std::string below = mantissa;
      --below.back();  // the last digit is not 0: trailing zeros are gone
      ExpectParsedAsStrtod(below + "9999" + exponent);
    }
  }
  // Plain forms, signs, zeros, and beyond the range.
  for (const char* text : {"0", "-0", "+0.000", "1", "-1.", ".5", "-.5e-3", "1e5", "1E+5", "7e-1",
                           "46000.75", "0.1", "123456789012345678901234567890",
                           "2.4703282292062327e-324", "2.4703282292062328e-324", "4.9e-324",
                           "1e-400", "-1e-400", "1.7976931348623157e308", "1.7976931348623159e308",
                           "1e400", "-1e400", "1e99999999999", "0e99999999999"}) {
    ExpectParsedAsStrtod(text);
  }
}

TEST(FloatText, OnlyAWholeDecimalNumberParses) {
  double v = 42;
  for (const char* text : {"", "+", "-", ".", "e5", ".e5", "1e", "1e+", "1.5abc", " 1", "1 ",
                           "1..5", "--1", "0x10", "inf", "nan", "1e5.5"}) {
    EXPECT_FALSE(ParseDecimal(text, &v)) << text;
  }
  EXPECT_EQ(v, 42);  // untouched by a failed parse
}

}  // namespace
}  // namespace marrowby
