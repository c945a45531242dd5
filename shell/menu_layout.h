// The arithmetic of the owner-drawn tray menu: the metrics it starts from,
// the size of an item, where an item's picture and text go, and the bands and
// lines of the painted margin strip. The platform side measures texts and
// draws; everything it places comes from here.
#pragma once

#include <vector>

#include "shell/graphics.h"

namespace marrowby {

struct MenuMetrics {
  int G = 0;              // the basic gap: check-mark width x 0.3, rounded
  int H = 0;              // least height of a text item
  bool NewStyle = false;  // systems of major version 4 and later
  int Dpi = 96;           // the density the menu is drawn at (the system's)
};

// checkMarkWidth and menuBarHeight are the system's; majorVersion that of the
// running system. Ties round to the even number (a check mark 15 wide gives
// a gap of 4).
MenuMetrics MakeMenuMetrics(int checkMarkWidth, int menuBarHeight, int majorVersion);

// The measured texts and the picture of one item.
struct ItemMeasure {
  bool IsLine = false;
  bool TopLevel = false;
  int TextWidth = 0;      // the caption without "&", followed by two tabs
  int ShortCutWidth = 0;  // the shortcut text followed by a blank
  int TextHeight = 0;     // of the caption; of "-" for a separator
  bool HasGraphic = false;
  int GraphicWidth = 0;
  int GraphicHeight = 0;
  int Glyphs = 1;
  int LeftMargin = 0;
  int MinTextOffset = 0;
  int CheckColumn = 0;  // width kept for check marks when they are shown
};

struct ItemSize {
  int Width = 0;
  int Height = 0;
};

// A picture of 2 to 5 glyphs side by side shows its first glyph only.
int GlyphWidth(int graphicWidth, int glyphs);
// The column the picture is centred in: max(glyph width + 2, MinTextOffset).
int GraphicColumn(int graphicWidth, int glyphs, int minTextOffset);

ItemSize MeasureItem(const MenuMetrics& m, const ItemMeasure& in);

// Where the parts of an item go, for an item drawn in rect.
struct ItemPlace {
  bool TopLevel = false;
  int LeftMargin = 0;
  bool HasGraphic = false;
  int GraphicWidth = 0;
  int GraphicHeight = 0;
  int Glyphs = 1;
  int MinTextOffset = 0;
  int CheckColumn = 0;
  int LineHeight = 0;  // the height of the text "Ay"
};

struct ItemLayout {
  TRect Content;       // the item's rectangle right of the margin strip
  TRect CheckBox;      // the check-mark column (empty without one)
  int GraphicLeft = 0;  // top-left corner of the picture's glyph
  int GraphicTop = 0;
  int TextLeft = 0;
  int TextTop = 0;
  int LineY = 0;       // the middle of a separator
};

ItemLayout LayoutItem(const MenuMetrics& m, const TRect& rect, const ItemPlace& in);

// The margin strip of a top-level item: the clip box of the item's drawing,
// from x 0 to LeftMargin.
TRect MarginRect(const TRect& clipBox, int leftMargin);

struct GradientBand {
  TRect Rect;
  TColor Color = 0;
};
// The gradient fill of a margin strip: from top to bottom, from one plain
// colour to another, in at most 32 bands (one per pixel row for a lower
// strip, never fewer than 2). The first band has the start colour, the last
// the end colour.
std::vector<GradientBand> GradientBands(const TRect& rect, TColor from, TColor to);

// A margin strip on new-style systems loses 3 pixels on its right for two
// edge lines: button shadow 2 pixels and button highlight 1 pixel left of the
// original right edge.
struct MarginShape {
  TRect Fill;
  bool EdgeLines = false;
  int ShadowX = 0;
  int HighlightX = 0;
};
MarginShape MarginShapeFor(const TRect& rect, bool newStyle);

}  // namespace marrowby
