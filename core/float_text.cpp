#include "core/float_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace marrowby {

namespace {

// A natural number in 32-bit words, least significant first, without zero
// words on top. Only what the two conversions need.
class BigNat {
 public:
  explicit BigNat(uint64_t v = 0) {
    for (; v; v >>= 32) w_.push_back(static_cast<uint32_t>(v));
  }

  bool IsZero() const { return w_.empty(); }

  // *this = *this * m + add.
  void MulAdd(uint32_t m, uint32_t add = 0) {
    uint64_t carry = add;
    for (uint32_t& x : w_) {
      carry += static_cast<uint64_t>(x) * m;
      x = static_cast<uint32_t>(carry);
      carry >>= 32;
    }
    if (carry) w_.push_back(static_cast<uint32_t>(carry));
  }

  void MulPow5(int k) {
    for (; k >= 13; k -= 13) MulAdd(1220703125);  // 5^13, the largest power in a word
    uint32_t p = 1;
    while (k-- > 0) p *= 5;
    MulAdd(p);
  }

  void MulPow10(int k) {
    MulPow5(k);
    ShiftLeft(k);
  }

  void ShiftLeft(int bits) {
    if (IsZero() || bits <= 0) return;
    const int rest = bits % 32;
    if (rest) {
      uint32_t carry = 0;
      for (uint32_t& x : w_) {
        const uint32_t out = x >> (32 - rest);
        x = x << rest | carry;
        carry = out;
      }
      if (carry) w_.push_back(carry);
    }
    w_.insert(w_.begin(), static_cast<size_t>(bits / 32), 0u);
  }

  void ShiftRight1() {
    for (size_t i = 0; i < w_.size(); ++i) {
      w_[i] = w_[i] >> 1 | (i + 1 < w_.size() ? w_[i + 1] << 31 : 0);
    }
    Trim();
  }

  // Divides by d and returns the remainder.
  uint32_t DivSmall(uint32_t d) {
    uint64_t rem = 0;
    for (size_t i = w_.size(); i-- > 0;) {
      const uint64_t cur = rem << 32 | w_[i];
      w_[i] = static_cast<uint32_t>(cur / d);
      rem = cur % d;
    }
    Trim();
    return static_cast<uint32_t>(rem);
  }

  int BitLength() const {
    if (IsZero()) return 0;
    int n = 32 * static_cast<int>(w_.size() - 1);
    for (uint32_t top = w_.back(); top; top >>= 1) ++n;
    return n;
  }

  friend int Compare(const BigNat& a, const BigNat& b) {
    if (a.w_.size() != b.w_.size()) return a.w_.size() < b.w_.size() ? -1 : 1;
    for (size_t i = a.w_.size(); i-- > 0;) {
      if (a.w_[i] != b.w_[i]) return a.w_[i] < b.w_[i] ? -1 : 1;
    }
    return 0;
  }

  // *this -= b; b must not be larger.
  void Subtract(const BigNat& b) {
    uint32_t borrow = 0;
    for (size_t i = 0; i < w_.size(); ++i) {
      const uint64_t sub = static_cast<uint64_t>(i < b.w_.size() ? b.w_[i] : 0) + borrow;
      borrow = w_[i] < sub;
      w_[i] = static_cast<uint32_t>(w_[i] - sub);
    }
    Trim();
  }

  std::string Decimal() const {
    BigNat n = *this;
    std::string reversed;
    do {
      uint32_t chunk = n.DivSmall(1000000000);
      for (int k = 0; k < 9; ++k, chunk /= 10) reversed += static_cast<char>('0' + chunk % 10);
    } while (!n.IsZero());
    while (reversed.size() > 1 && reversed.back() == '0') reversed.pop_back();
    return std::string(reversed.rbegin(), reversed.rend());
  }

 private:
  void Trim() {
    while (!w_.empty() && w_.back() == 0) w_.pop_back();
  }

  std::vector<uint32_t> w_;
};

// A double's exact value has at most 767 significant digits; more digits
// than that only tell whether the number lies above a halfway point, which
// one nonzero digit in their place tells as well.
constexpr size_t kMaxDigits = 780;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The double nearest to digits x 10^exp10 (digits without leading zeros, not
// empty), as its bits without the sign.
uint64_t NearestDouble(const std::string& digits, long exp10) {
  const long lead = static_cast<long>(digits.size()) + exp10;  // 10^(lead-1) <= value < 10^lead
  if (lead > 310) return 0x7FF0000000000000ULL;
  if (lead < -330) return 0;
  BigNat num, den(1);
  for (size_t i = 0; i < digits.size(); i += 9) {
    const size_t len = std::min<size_t>(9, digits.size() - i);
    uint32_t chunk = 0, scale = 1;
    for (size_t k = 0; k < len; ++k) {
      chunk = chunk * 10 + static_cast<uint32_t>(digits[i + k] - '0');
      scale *= 10;
    }
    num.MulAdd(scale, chunk);
  }
  if (exp10 >= 0) {
    num.MulPow10(static_cast<int>(exp10));
  } else {
    den.MulPow10(static_cast<int>(-exp10));
  }
  // Scale so that q = num / den lies in [2^63, 2^64): value = q x 2^-s.
  int s = 64 - (num.BitLength() - den.BitLength());
  if (s >= 0) {
    num.ShiftLeft(s);
  } else {
    den.ShiftLeft(-s);
  }
  BigNat limit = den;
  limit.ShiftLeft(64);
  if (Compare(num, limit) >= 0) {
    den.ShiftLeft(1);
    --s;
  }
  BigNat part = den;
  part.ShiftLeft(63);
  uint64_t q = 0;
  for (int bit = 63; bit >= 0; --bit, part.ShiftRight1()) {
    if (Compare(num, part) >= 0) {
      num.Subtract(part);
      q |= uint64_t{1} << bit;
    }
  }
  const bool sticky = !num.IsZero();
  // Keep 53 bits, fewer below the normal range; round to nearest, halves to even.
  const int e2 = 63 - s;  // value lies in [2^e2, 2^(e2+1))
  const int drop = e2 < -1022 ? 11 + (-1022 - e2) : 11;
  uint64_t kept;
  if (drop > 64) {
    kept = 0;
  } else if (drop == 64) {
    kept = q > (uint64_t{1} << 63) || sticky ? 1 : 0;
  } else {
    kept = q >> drop;
    const uint64_t rem = q & ((uint64_t{1} << drop) - 1);
    const uint64_t half = uint64_t{1} << (drop - 1);
    if (rem > half || (rem == half && (sticky || (kept & 1)))) ++kept;
  }
  // A carry out of the kept bits lands in the exponent field by itself.
  if (e2 < -1022) return kept;
  const uint64_t bits = (static_cast<uint64_t>(e2 + 1022) << 52) + kept;
  return std::min<uint64_t>(bits, 0x7FF0000000000000ULL);
}

}  // namespace

void ScientificDigits(double value, int digits, std::string* mantissa, int* exponent) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof(bits));
  const int biased = static_cast<int>(bits >> 52 & 0x7FF);
  uint64_t m = bits & ((uint64_t{1} << 52) - 1);
  int e = -1074;
  if (biased) {
    m |= uint64_t{1} << 52;
    e = biased - 1075;
  }
  // |value| = m x 2^e = n x 10^point, with n a whole number.
  BigNat n(m);
  int point = 0;
  if (e >= 0) {
    n.ShiftLeft(e);
  } else {
    n.MulPow5(-e);
    point = e;
  }
  const std::string all = n.Decimal();
  *exponent = static_cast<int>(all.size()) - 1 + point;
  const size_t count = static_cast<size_t>(digits);
  std::string out = all.substr(0, count);
  if (all.size() <= count) {
    out.append(count - out.size(), '0');
  } else {
    const char next = all[count];
    const bool beyondHalf = all.find_first_not_of('0', count + 1) != std::string::npos;
    if (next > '5' || (next == '5' && (beyondHalf || (out.back() - '0') % 2 == 1))) {
      size_t i = out.size();
      while (i > 0 && out[i - 1] == '9') out[--i] = '0';
      if (i == 0) {
        out.insert(out.begin(), '1');  // 99.9 became 100: one digit more, drop the last
        out.pop_back();
        ++*exponent;
      } else {
        ++out[i - 1];
      }
    }
  }
  *mantissa = out;
}

bool ParseDecimal(const std::string& text, double* value) {
  size_t i = 0;
  const size_t n = text.size();
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::string digits;  // the significant digits: no leading zeros
  long exp10 = 0;      // value = digits x 10^exp10
  bool anyDigit = false, point = false, droppedNonZero = false;
  for (; i < n; ++i) {
    const char c = text[i];
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (!IsDigit(c)) break;
    anyDigit = true;
    if (point) --exp10;
    if (digits.empty() && c == '0') continue;
    if (digits.size() < kMaxDigits) {
      digits += c;
    } else {
      ++exp10;
      droppedNonZero |= c != '0';
    }
  }
  if (!anyDigit) return false;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negativeExp = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negativeExp = text[i++] == '-';
    if (i == n || !IsDigit(text[i])) return false;
    long e = 0;
    for (; i < n && IsDigit(text[i]); ++i) e = std::min(e * 10 + (text[i] - '0'), 100000L);
    exp10 += negativeExp ? -e : e;
  }
  if (i != n) return false;
  if (droppedNonZero) {
    digits += '1';
    --exp10;
  }
  uint64_t bits = digits.empty() ? 0 : NearestDouble(digits, exp10);
  if (negative) bits |= uint64_t{1} << 63;
  std::memcpy(value, &bits, sizeof(bits));
  return true;
}

}  // namespace marrowby
