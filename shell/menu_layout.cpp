#include "shell/menu_layout.h"

#include <algorithm>
#include <cmath>

#include "core/dpi.h"

namespace marrowby {

MenuMetrics MakeMenuMetrics(int checkMarkWidth, int menuBarHeight, int majorVersion) {
  MenuMetrics m;
  // checkMarkWidth x 0.3 in tenths, rounded half to even, so that no binary
  // fraction decides the ties.
  const int tenths = checkMarkWidth * 3;
  int g = tenths / 10;
  const int rest = tenths % 10;
  if (rest > 5 || (rest == 5 && g % 2 != 0)) ++g;
  m.G = g;
  m.NewStyle = majorVersion >= 4;
  m.H = m.NewStyle ? menuBarHeight - 2 : menuBarHeight;
  return m;
}

int GlyphWidth(int graphicWidth, int glyphs) {
  return glyphs >= 2 && glyphs <= 5 ? graphicWidth / glyphs : graphicWidth;
}

int GraphicColumn(int graphicWidth, int glyphs, int minTextOffset) {
  return std::max(GlyphWidth(graphicWidth, glyphs) + 2, minTextOffset);
}

ItemSize MeasureItem(const MenuMetrics& m, const ItemMeasure& in) {
  ItemSize s;
  s.Width = 2 * m.G + in.TextWidth + in.ShortCutWidth + in.CheckColumn;
  if (in.IsLine) {
    s.Height = std::max(in.TextHeight / 2, ScaleToDpi(9, m.Dpi));
  } else {
    s.Height = std::max(m.H, in.TextHeight);
    if (in.HasGraphic) {
      s.Width += GraphicColumn(in.GraphicWidth, in.Glyphs, in.MinTextOffset);
      s.Height = std::max(s.Height, in.GraphicHeight + ScaleToDpi(4, m.Dpi));
    }
  }
  if (in.TopLevel) s.Width += in.LeftMargin + 1;
  return s;
}

ItemLayout LayoutItem(const MenuMetrics& m, const TRect& rect, const ItemPlace& in) {
  ItemLayout out;
  out.Content = rect;
  if (in.TopLevel) out.Content.Left += in.LeftMargin + 1;
  const TRect& c = out.Content;
  out.CheckBox = {c.Left, c.Top, c.Left + in.CheckColumn, c.Bottom};
  const int left = c.Left + in.CheckColumn;
  if (in.HasGraphic) {
    const int column = GraphicColumn(in.GraphicWidth, in.Glyphs, in.MinTextOffset);
    const int columnLeft = left + m.G;
    out.GraphicLeft = columnLeft + (column - GlyphWidth(in.GraphicWidth, in.Glyphs)) / 2;
    out.GraphicTop = c.Top + (c.Height() - in.GraphicHeight) / 2;
    out.TextLeft = columnLeft + column + m.G;
  } else {
    out.TextLeft = left + 2 * m.G + ScaleToDpi(2, m.Dpi);
  }
  out.TextTop = c.Top + (c.Height() - in.LineHeight) / 2;
  out.LineY = c.Top + c.Height() / 2;
  return out;
}

TRect MarginRect(const TRect& clipBox, int leftMargin) {
  TRect r = clipBox;
  r.Left = 0;
  r.Right = leftMargin;
  return r;
}

std::vector<GradientBand> GradientBands(const TRect& rect, TColor from, TColor to) {
  std::vector<GradientBand> bands;
  const int h = rect.Height();
  if (h <= 0 || rect.Width() <= 0) return bands;
  const int n = std::clamp(h, 2, 32);
  auto mix = [n](int a, int b, int i) {
    return a + static_cast<int>(std::lround(static_cast<double>(b - a) * i / (n - 1)));
  };
  for (int i = 0; i < n; ++i) {
    GradientBand band;
    band.Rect = {rect.Left, rect.Top + i * h / n, rect.Right, rect.Top + (i + 1) * h / n};
    band.Color = RGBColor(mix(RedOf(from), RedOf(to), i), mix(GreenOf(from), GreenOf(to), i),
                          mix(BlueOf(from), BlueOf(to), i));
    bands.push_back(band);
  }
  return bands;
}

MarginShape MarginShapeFor(const TRect& rect, bool newStyle) {
  MarginShape s;
  s.Fill = rect;
  if (newStyle) {
    s.Fill.Right -= 3;
    s.EdgeLines = true;
    s.ShadowX = rect.Right - 2;
    s.HighlightX = rect.Right - 1;
  }
  return s;
}

}  // namespace marrowby
