#include "shell/menu_draw_win32.h"

#include <cstring>

#include "shell/tray_menu.h"

namespace marrowby {

COLORREF ResolveColor(TColor color) {
  if (color == clNone || color == clDefault) return RGB(0, 0, 0);
  if (IsSystemColor(color)) return GetSysColor(SystemColorIndex(color));
  return color & 0xFFFFFF;
}

RECT ToRECT(const TRect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; }
TRect FromRECT(const RECT& r) { return TRect{r.left, r.top, r.right, r.bottom}; }

void FillSolid(HDC dc, const RECT& r, COLORREF color) {
  ScopedBrush brush(CreateSolidBrush(color));
  FillRect(dc, &r, brush.Get());
}

bool NewStyleSystem() { return LOBYTE(LOWORD(GetVersion())) >= 4; }

LOGFONTA SystemMenuLogFont(bool newStyle) {
  if (newStyle) {
    NONCLIENTMETRICSA ncm = {};
    ncm.cbSize = sizeof(ncm);
    // The record as Windows XP knows it, which later systems accept too.
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0)) return ncm.lfMenuFont;
  }
  LOGFONTA lf = {};
  lf.lfHeight = -MulDiv(8, GetDeviceCaps(ScopedWindowDC(nullptr).Get(), LOGPIXELSY), 72);
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  std::strcpy(lf.lfFaceName, "MS Sans Serif");
  return lf;
}

TFontDesc DescFromLogFont(const LOGFONTA& lf, TColor color) {
  TFontDesc s;
  s.Name = lf.lfFaceName;
  s.Height = lf.lfHeight;
  if (lf.lfWeight >= FW_BOLD) s.Style.Include(fsBold);
  if (lf.lfItalic) s.Style.Include(fsItalic);
  if (lf.lfUnderline) s.Style.Include(fsUnderline);
  if (lf.lfStrikeOut) s.Style.Include(fsStrikeOut);
  s.Color = color;
  s.Orientation = lf.lfEscapement;
  return s;
}

HFONT CreateFontFromDesc(const LOGFONTA& base, const TFontDesc& desc) {
  LOGFONTA lf = base;
  lstrcpynA(lf.lfFaceName, desc.Name.c_str(), LF_FACESIZE);
  lf.lfHeight = desc.Height;
  lf.lfWidth = 0;
  lf.lfWeight = desc.Style.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = desc.Style.Contains(fsItalic);
  lf.lfUnderline = desc.Style.Contains(fsUnderline);
  lf.lfStrikeOut = desc.Style.Contains(fsStrikeOut);
  lf.lfEscapement = lf.lfOrientation = desc.Orientation;
  return CreateFontIndirectA(&lf);
}

namespace {

// A monochrome mask of the glyph: 1 where the picture is transparent.
HBITMAP MakeMask(HDC src, const TMenuGraphic& g, int w, COLORREF transparent) {
  HBITMAP mask = CreateBitmap(w, g.Height, 1, 1, nullptr);
  ScopedMemoryDC maskDc(CreateCompatibleDC(src));
  ScopedSelect select(maskDc.Get(), mask);
  if (g.Transparent) {
    const COLORREF oldBk = SetBkColor(src, transparent);
    BitBlt(maskDc.Get(), 0, 0, w, g.Height, src, g.Left, g.Top, SRCCOPY);
    SetBkColor(src, oldBk);
  } else {
    PatBlt(maskDc.Get(), 0, 0, w, g.Height, BLACKNESS);  // every pixel shown
  }
  return mask;
}

// Paints colour through the mask's 0 pixels (the picture's shape).
void PaintShape(HDC dc, HDC maskDc, int x, int y, int w, int h, COLORREF color) {
  ScopedBrush brush(CreateSolidBrush(color));
  ScopedSelect select(dc, brush.Get());
  const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
  const COLORREF oldBk = SetBkColor(dc, RGB(255, 255, 255));
  BitBlt(dc, x, y, w, h, maskDc, 0, 0, 0x00B8074A);  // PSDPxax: brush where the mask is 0
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldBk);
}

}  // namespace

void DrawMenuGraphic(HDC dc, const TMenuGraphic& g, int glyphs, int x, int y, bool disabled) {
  if (g.Empty()) return;
  const int w = GlyphWidth(g.Width, glyphs);
  ScopedMemoryDC src(CreateCompatibleDC(dc));
  ScopedSelect selectSource(src.Get(), g.Bitmap);
  const COLORREF transparent = g.TransparentColor == clDefault
                                   ? GetPixel(src.Get(), g.Left, g.Top + g.Height - 1)
                                   : ResolveColor(g.TransparentColor);
  ScopedBitmap mask(MakeMask(src.Get(), g, w, transparent));
  ScopedMemoryDC maskDc(CreateCompatibleDC(dc));
  ScopedSelect selectMask(maskDc.Get(), mask.Get());
  if (disabled) {
    PaintShape(dc, maskDc.Get(), x + 1, y + 1, w, g.Height, GetSysColor(COLOR_BTNHIGHLIGHT));
    PaintShape(dc, maskDc.Get(), x, y, w, g.Height, GetSysColor(COLOR_BTNSHADOW));
    return;
  }
  // XOR the picture in, clear its shape with the mask, XOR it in again: the
  // shape shows the picture, the rest the background (no msimg32, which the
  // oldest systems lack).
  const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
  const COLORREF oldBk = SetBkColor(dc, RGB(255, 255, 255));
  BitBlt(dc, x, y, w, g.Height, src.Get(), g.Left, g.Top, SRCINVERT);
  BitBlt(dc, x, y, w, g.Height, maskDc.Get(), 0, 0, SRCAND);
  BitBlt(dc, x, y, w, g.Height, src.Get(), g.Left, g.Top, SRCINVERT);
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldBk);
}

void PaintGradientStrip(HDC dc, const TRect& rect, TColor start, TColor end, bool newStyle) {
  const MarginShape shape = MarginShapeFor(rect, newStyle);
  for (const GradientBand& band :
       GradientBands(shape.Fill, ResolveColor(start), ResolveColor(end))) {
    FillSolid(dc, ToRECT(band.Rect), band.Color);
  }
  if (shape.EdgeLines) {
    FillSolid(dc, RECT{shape.ShadowX, rect.Top, shape.ShadowX + 1, rect.Bottom},
              GetSysColor(COLOR_BTNSHADOW));
    FillSolid(dc, RECT{shape.HighlightX, rect.Top, shape.HighlightX + 1, rect.Bottom},
              GetSysColor(COLOR_BTNHIGHLIGHT));
  }
}

void PaintWordMargin(TTrayPopupMenu& menu, const TRect& rect, const char* word) {
  menu.PaintMarginGradient(rect, RGBColor(0, 255, 0), RGBColor(0, 63, 0));
  HDC dc = menu.CanvasHandle();
  LOGFONTA lf = {};
  lf.lfHeight = -MulDiv(20, GetDeviceCaps(dc, LOGPIXELSY), 72);
  lf.lfWeight = FW_BOLD;
  lf.lfEscapement = lf.lfOrientation = 900;
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpyA(lf.lfFaceName, "Courier New");
  ScopedFont font(CreateFontIndirectA(&lf));
  ScopedSelect select(dc, font.Get());
  SetTextColor(dc, RGB(255, 255, 255));
  SetBkMode(dc, TRANSPARENT);
  RECT clip = {rect.Left, rect.Top, rect.Right, rect.Bottom};
  ExtTextOutA(dc, rect.Left, rect.Bottom - 5, ETO_CLIPPED, &clip, word,
              static_cast<UINT>(std::strlen(word)), nullptr);
}

}  // namespace marrowby
