// Screen density. Every length of the program's layouts (control places and
// sizes, font heights in pixels, margins, picture sizes) is written for a
// screen of 96 dots per inch, the system's 100 %; a window shown at another
// density shows each of them scaled by its dots per inch over 96. These are
// the program's one conversion between the two.
#pragma once

namespace marrowby {

inline constexpr int kLayoutDpi = 96;

// A length of the layout in pixels at dpi: rounded to the nearest pixel,
// halves away from zero (as the system's MulDiv rounds).
int ScaleToDpi(int length, int dpi);
// Pixels at dpi as a length of the layout, rounded the same way.
int ScaleFromDpi(int pixels, int dpi);

}  // namespace marrowby
