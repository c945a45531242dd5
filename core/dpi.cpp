#include "core/dpi.h"

#include <cstdint>

namespace marrowby {

namespace {

int MulDivRounded(int value, int numerator, int denominator) {
  if (denominator <= 0) return value;
  const int64_t product = static_cast<int64_t>(value) * numerator;
  const int64_t half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                       : -((-product + half) / denominator));
}

}  // namespace

int ScaleToDpi(int length, int dpi) { return MulDivRounded(length, dpi, kLayoutDpi); }

int ScaleFromDpi(int pixels, int dpi) { return MulDivRounded(pixels, kLayoutDpi, dpi); }

}  // namespace marrowby
