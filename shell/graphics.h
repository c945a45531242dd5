// Portable drawing values shared by the menu and its handlers: rectangles,
// colours (with the system colours and the no-colour value), font
// descriptions and the picture handed out for a menu item.
#pragma once

#include <cstdint>
#include <string>

#include "core/handles.h"
#include "core/set.h"

namespace marrowby {

struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  friend bool operator==(const TRect& a, const TRect& b) {
    return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
  }
};

// A colour: 0x00BBGGRR, or a system colour (high bit set, low byte the
// system's colour index), or one of the special values below.
using TColor = uint32_t;

inline constexpr TColor clNone = 0x1FFFFFFF;     // no colour: leave the background alone
inline constexpr TColor clDefault = 0x20000000;  // the owner's choice
inline constexpr TColor kSystemColorFlag = 0x80000000;

constexpr TColor SystemColor(int index) { return kSystemColorFlag | static_cast<uint32_t>(index); }
constexpr bool IsSystemColor(TColor c) { return (c & kSystemColorFlag) != 0; }
constexpr int SystemColorIndex(TColor c) { return static_cast<int>(c & 0xFF); }

// The system colour indexes used here (the values of the platform's COLOR_*).
inline constexpr TColor clActiveCaption = SystemColor(2);
inline constexpr TColor clMenu = SystemColor(4);
inline constexpr TColor clMenuText = SystemColor(7);
inline constexpr TColor clHighlight = SystemColor(13);
inline constexpr TColor clHighlightText = SystemColor(14);
inline constexpr TColor clBtnFace = SystemColor(15);
inline constexpr TColor clBtnShadow = SystemColor(16);
inline constexpr TColor clGrayText = SystemColor(17);
inline constexpr TColor clBtnHighlight = SystemColor(20);
inline constexpr TColor clGradientActiveCaption = SystemColor(27);

constexpr TColor RGBColor(int r, int g, int b) {
  return static_cast<TColor>((r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16);
}
constexpr int RedOf(TColor c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(TColor c) { return static_cast<int>(c >> 8 & 0xFF); }
constexpr int BlueOf(TColor c) { return static_cast<int>(c >> 16 & 0xFF); }

inline constexpr TColor clWhite = RGBColor(255, 255, 255);
inline constexpr TColor clLime = RGBColor(0, 255, 0);

enum TFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = Set<TFontStyle>;

// A font as the menu's handlers see it. Height follows the platform's
// convention: negative for the character height in pixels, positive for the
// cell height. Orientation is in tenths of a degree, counter-clockwise.
struct TFontDesc {
  std::string Name;
  int Height = 0;
  TFontStyles Style;
  TColor Color = clMenuText;
  int Orientation = 0;

  friend bool operator==(const TFontDesc& a, const TFontDesc& b) {
    return a.Name == b.Name && a.Height == b.Height && a.Style == b.Style && a.Color == b.Color &&
           a.Orientation == b.Orientation;
  }
  friend bool operator!=(const TFontDesc& a, const TFontDesc& b) { return !(a == b); }
};

// The picture of a menu item: a cell of a bitmap the caller keeps alive
// (the menu never frees it). With TransparentColor clDefault the colour of the
// cell's bottom-left pixel is left out.
struct TMenuGraphic {
  NativeBitmap Bitmap = nullptr;
  int Left = 0, Top = 0;   // the cell within the bitmap
  int Width = 0, Height = 0;
  bool Transparent = true;
  TColor TransparentColor = clDefault;

  bool Empty() const { return Bitmap == nullptr || Width <= 0 || Height <= 0; }
};

}  // namespace marrowby
