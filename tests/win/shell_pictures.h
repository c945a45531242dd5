// Pictures for the tray menu in tests and in the sample program: a strip of
// eight 16x16 cells (4 columns, 2 rows) on a magenta background that is left
// out when drawn, one small drawing per menu item, and the program's margin.
#pragma once

#include <windows.h>

#include "shell/menu_draw_win32.h"
#include "shell/tray_menu.h"

namespace marrowby::wintest {

inline constexpr COLORREF kPictureBackground = RGB(255, 0, 255);
inline constexpr int kCell = 16;

inline void FillCell(HDC dc, int x0, int y0, int x1, int y1, COLORREF c) {
  RECT r = {x0, y0, x1, y1};
  ScopedBrush brush(CreateSolidBrush(c));
  FillRect(dc, &r, brush.Get());
}

inline POINT CellAt(int i) { return POINT{(i % 4) * kCell, (i / 4) * kCell}; }

// Show, Hide and the number of schedules: windows and a calendar page.
inline void DrawWindowCells(HDC dc) {
  POINT p = CellAt(0);  // Show: a window with a blue title bar
  FillCell(dc, p.x + 1, p.y + 2, p.x + 15, p.y + 14, RGB(0, 0, 0));
  FillCell(dc, p.x + 2, p.y + 3, p.x + 14, p.y + 13, RGB(255, 255, 255));
  FillCell(dc, p.x + 2, p.y + 3, p.x + 14, p.y + 6, RGB(0, 0, 160));
  p = CellAt(1);  // Hide: a window folded to its title bar
  FillCell(dc, p.x + 1, p.y + 9, p.x + 15, p.y + 14, RGB(0, 0, 0));
  FillCell(dc, p.x + 2, p.y + 10, p.x + 14, p.y + 13, RGB(0, 0, 160));
  p = CellAt(2);  // Number of schedules: a calendar page
  FillCell(dc, p.x + 2, p.y + 1, p.x + 14, p.y + 15, RGB(128, 0, 0));
  FillCell(dc, p.x + 3, p.y + 4, p.x + 13, p.y + 14, RGB(255, 255, 255));
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      FillCell(dc, p.x + 4 + 3 * c, p.y + 5 + 3 * r, p.x + 6 + 3 * c, p.y + 7 + 3 * r,
               RGB(0, 0, 0));
    }
  }
}

// About, Help and the web site: discs; Exit: a red cross.
inline void DrawDiscCells(HDC dc) {
  ScopedBrush blue(CreateSolidBrush(RGB(0, 64, 200)));
  ScopedBrush yellow(CreateSolidBrush(RGB(255, 210, 0)));
  ScopedBrush sea(CreateSolidBrush(RGB(0, 150, 220)));
  ScopedSelect pen(dc, GetStockObject(NULL_PEN));
  POINT p = CellAt(3);  // About: an "i" in a blue disc
  {
    ScopedSelect brush(dc, blue.Get());
    Ellipse(dc, p.x + 1, p.y + 1, p.x + 16, p.y + 16);
  }
  FillCell(dc, p.x + 7, p.y + 4, p.x + 9, p.y + 6, RGB(255, 255, 255));
  FillCell(dc, p.x + 7, p.y + 7, p.x + 9, p.y + 13, RGB(255, 255, 255));
  p = CellAt(4);  // Help: a yellow disc with a question mark
  {
    ScopedSelect brush(dc, yellow.Get());
    Ellipse(dc, p.x + 1, p.y + 1, p.x + 16, p.y + 16);
  }
  FillCell(dc, p.x + 5, p.y + 3, p.x + 11, p.y + 5, RGB(0, 0, 0));
  FillCell(dc, p.x + 9, p.y + 5, p.x + 11, p.y + 8, RGB(0, 0, 0));
  FillCell(dc, p.x + 7, p.y + 8, p.x + 9, p.y + 10, RGB(0, 0, 0));
  FillCell(dc, p.x + 7, p.y + 11, p.x + 9, p.y + 13, RGB(0, 0, 0));
  p = CellAt(5);  // Website: a globe
  {
    ScopedSelect brush(dc, sea.Get());
    Ellipse(dc, p.x + 1, p.y + 1, p.x + 16, p.y + 16);
  }
  FillCell(dc, p.x + 4, p.y + 4, p.x + 8, p.y + 8, RGB(0, 160, 0));
  FillCell(dc, p.x + 9, p.y + 9, p.x + 13, p.y + 12, RGB(0, 160, 0));
  FillCell(dc, p.x + 1, p.y + 8, p.x + 16, p.y + 9, RGB(255, 255, 255));
  p = CellAt(6);  // Exit: a red cross
  for (int i = 0; i < 12; ++i) {
    FillCell(dc, p.x + 2 + i, p.y + 2 + i, p.x + 4 + i, p.y + 4 + i, RGB(200, 0, 0));
    FillCell(dc, p.x + 12 - i, p.y + 2 + i, p.x + 14 - i, p.y + 4 + i, RGB(200, 0, 0));
  }
}

// A 64x32 bitmap of eight cells; cell t-1 belongs to the item with Tag t.
inline HBITMAP MakePictureStrip() {
  HBITMAP bmp = CreateCompatibleBitmap(ScopedWindowDC(nullptr).Get(), 4 * kCell, 2 * kCell);
  ScopedMemoryDC dc(CreateCompatibleDC(ScopedWindowDC(nullptr).Get()));
  ScopedSelect select(dc.Get(), bmp);
  FillCell(dc.Get(), 0, 0, 4 * kCell, 2 * kCell, kPictureBackground);
  DrawWindowCells(dc.Get());
  DrawDiscCells(dc.Get());
  return bmp;
}

// Hands cell Tag-1 of the strip to the items with Tag 1 to 7.
inline TGetItemParamsEvent PictureParams(HBITMAP strip) {
  return [strip](TTrayPopupMenu*, TMenuItem* item, TOwnerDrawState, TFontDesc&, TColor&,
                 TMenuGraphic& graphic, int&) {
    const int tag = item->Tag();
    if (tag < 1 || tag > 7) return;
    graphic.Bitmap = strip;
    graphic.Left = ((tag - 1) % 4) * kCell;
    graphic.Top = ((tag - 1) / 4) * kCell;
    graphic.Width = graphic.Height = kCell;
    graphic.TransparentColor = kPictureBackground;
  };
}

// The program's margin, as its tray menu paints it.
inline void PaintMarrowbyMargin(TTrayPopupMenu* menu, const TRect& rect) {
  PaintWordMargin(*menu, rect, "Marrowby");
}

}  // namespace marrowby::wintest
