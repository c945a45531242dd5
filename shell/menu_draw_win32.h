// GDI helpers of the tray menu: colours, fonts and a font scope, pictures with a transparent
// colour or in the disabled look, and the margin strip.
#pragma once

#include <windows.h>

#include "core/scoped_win32.h"
#include "shell/graphics.h"
#include "shell/menu_layout.h"

namespace marrowby {

// The colour to draw with: system colours looked up, special values black.
COLORREF ResolveColor(TColor color);
RECT ToRECT(const TRect& r);
TRect FromRECT(const RECT& r);
void FillSolid(HDC dc, const RECT& r, COLORREF color);

// The system's menu font: from the non-client metrics on new-style systems,
// "MS Sans Serif" at 8 points otherwise.
LOGFONTA SystemMenuLogFont(bool newStyle);
TFontDesc DescFromLogFont(const LOGFONTA& lf, TColor color);
// A font made from base with what desc says (name, height, style, angle).
HFONT CreateFontFromDesc(const LOGFONTA& base, const TFontDesc& desc);

// True on systems of major version 4 and later.
bool NewStyleSystem();

// Draws the first glyph of a picture at (x, y), leaving out its transparent
// colour; in the disabled look: its shape embossed in the button highlight
// and shadow colours.
void DrawMenuGraphic(HDC dc, const TMenuGraphic& g, int glyphs, int x, int y, bool disabled);

// The margin strip: gradient bands and, on new-style systems, the edge lines.
void PaintGradientStrip(HDC dc, const TRect& rect, TColor start, TColor end, bool newStyle);

class TTrayPopupMenu;
// The program's margin, for OnDrawMargin: a gradient from lime to a dark
// green a quarter as bright, with the word in white bold Courier New of 20
// points running upward from 5 pixels above the strip's bottom.
void PaintWordMargin(TTrayPopupMenu& menu, const TRect& rect, const char* word);

}  // namespace marrowby
