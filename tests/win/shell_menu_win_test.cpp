// The tray menu's measuring and drawing on real device contexts under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include "shell/tray_menu.h"
#include "tests/win/shell_pictures.h"

namespace marrowby {
namespace {

using namespace wintest;

const COLORREF kSentinel = RGB(1, 2, 3);

// A memory bitmap to draw items on, read back pixel by pixel.
class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h) {
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    bmp_ = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(nullptr, screen);
    old_ = SelectObject(dc_, bmp_);
    Clear();
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bmp_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  void Clear() {
    RECT r = {0, 0, w_, h_};
    HBRUSH b = CreateSolidBrush(kSentinel);
    FillRect(dc_, &r, b);
    DeleteObject(b);
  }
  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y) & 0xFFFFFF; }
  // How many pixels of the area have this colour.
  int Count(const RECT& r, COLORREF c) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) n += At(x, y) == c;
    }
    return n;
  }
  // The first column from x0 on with a pixel other than c in rows y0..y1.
  int FirstColumnNot(int x0, int y0, int y1, COLORREF c) const {
    for (int x = x0; x < w_; ++x) {
      for (int y = y0; y < y1; ++y) {
        if (At(x, y) != c) return x;
      }
    }
    return -1;
  }

 private:
  int w_, h_;
  HDC dc_;
  HBITMAP bmp_;
  HGDIOBJ old_;
};

COLORREF Sys(int index) { return GetSysColor(index) & 0xFFFFFF; }

class TrayMenuTest : public ::testing::Test {
 protected:
  TrayMenuTest() {
    menu = new TTrayPopupMenu(&form);
    menu->SetStyle(msOwnerDraw);
    menu->SetLeftMargin(30);
    menu->SetShowCheckMarks(false);
  }
  ~TrayMenuTest() override {
    delete &form;  // the menu and its items first
    DeleteObject(strip);
  }
  TMenuItem* Add(const std::string& caption, int tag, TMenuItem* parent = nullptr) {
    auto* item = new TMenuItem(&form);
    item->SetCaption(caption);
    item->SetTag(tag);
    (parent ? parent : menu->Items())->Add(item);
    return item;
  }
  void Draw(TMenuItem* item, Canvas& c, const RECT& r, TOwnerDrawState state = {},
            bool whole = true) {
    menu->DrawItem(item, c.dc(), TRect{r.left, r.top, r.right, r.bottom}, state, whole);
  }
  TComponent& form = *new TComponent(nullptr);
  TTrayPopupMenu* menu;
  HBITMAP strip = MakePictureStrip();
};

TEST_F(TrayMenuTest, MeasuringGivesTheMarginSeparatorAndPictureSizes) {
  TMenuItem* top = Add("Hide Manager", 2);
  TMenuItem* parent = Add("More", 0);
  TMenuItem* sub = Add("Hide Manager", 2, parent);
  TMenuItem* line = Add("-", 0);
  // A picture for every item, a big one for the separator.
  menu->OnGetItemParams = [&](TTrayPopupMenu*, TMenuItem* item, TOwnerDrawState, TFontDesc&,
                              TColor&, TMenuGraphic& g, int&) {
    g.Bitmap = strip;
    g.Width = g.Height = item->IsLine() ? 40 : 16;
  };
  const ItemSize t = menu->MeasureItem(top), s = menu->MeasureItem(sub);
  EXPECT_EQ(t.Width - s.Width, 31);
  EXPECT_EQ(t.Height, s.Height);
  EXPECT_GE(t.Height, 20);
  const ItemSize l = menu->MeasureItem(line);
  EXPECT_GE(l.Height, 9);
  EXPECT_LT(l.Height, 40);  // the separator's picture counts for nothing

  menu->OnGetItemParams = nullptr;
  const ItemSize plain = menu->MeasureItem(top);
  EXPECT_EQ(t.Width - plain.Width, 18);  // the 16-pixel picture's column
  const MenuMetrics m = TTrayPopupMenu::Metrics();
  EXPECT_EQ(plain.Height, std::max(m.H, plain.Height));
  top->SetDefault(true);  // measured in bold
  EXPECT_GT(menu->MeasureItem(top).Width, plain.Width);
  top->SetDefault(false);
  menu->SetLeftMargin(0);  // still one pixel between strip and content
  EXPECT_EQ(menu->MeasureItem(top).Width - menu->MeasureItem(sub).Width, 1);
}

TEST_F(TrayMenuTest, MarginIsPaintedOverTheClipBoxOnlyWhenTheWholeItemIsDrawn) {
  TMenuItem* item = Add("Exit", 7);
  Canvas c(200, 120);
  Draw(item, c, {0, 40, 200, 60});  // the default strip, no handler
  EXPECT_EQ(c.At(3, 0), Sys(COLOR_ACTIVECAPTION));  // the whole height, not the item's
  EXPECT_EQ(c.At(3, 119), Sys(COLOR_BTNFACE));
  EXPECT_EQ(c.At(28, 70), Sys(COLOR_BTNSHADOW));  // edge lines on new-style systems
  EXPECT_EQ(c.At(29, 70), Sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(c.At(30, 50), kSentinel);  // the pixel between strip and content

  c.Clear();
  Draw(item, c, {0, 40, 200, 60}, {odSelected}, false);  // only the selection changed
  EXPECT_EQ(c.At(3, 50), kSentinel);
  EXPECT_EQ(c.At(150, 45), Sys(COLOR_HIGHLIGHT));

  TRect seen;
  int calls = 0;
  menu->OnDrawMargin = [&](TTrayPopupMenu* m, const TRect& r) {
    ++calls;
    seen = r;
    PaintMarrowbyMargin(m, r);
  };
  c.Clear();
  Draw(item, c, {0, 40, 200, 60});
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(seen, (TRect{0, 0, 30, 120}));
  EXPECT_EQ(c.At(1, 0), RGB(0, 255, 0));
  EXPECT_EQ(c.At(1, 119), RGB(0, 63, 0));
  EXPECT_GT(c.Count({0, 0, 27, 120}, RGB(255, 255, 255)), 20);  // the word

  TMenuItem* parent = Add("More", 0);
  TMenuItem* sub = Add("Deeper", 0, parent);
  c.Clear();
  Draw(sub, c, {0, 0, 200, 20});  // no margin in sub-menus
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(c.At(5, 10), Sys(COLOR_MENU));
}

TEST_F(TrayMenuTest, ContentStartsPastTheMarginWithTextOrPicture) {
  const MenuMetrics m = TTrayPopupMenu::Metrics();
  TMenuItem* item = Add("Exit", 7);
  Canvas c(200, 20);
  Draw(item, c, {0, 0, 200, 20}, {}, false);
  EXPECT_EQ(c.At(30, 10), kSentinel);
  EXPECT_EQ(c.At(31, 1), Sys(COLOR_MENU));
  const int text = c.FirstColumnNot(31, 0, 20, Sys(COLOR_MENU));
  EXPECT_GE(text, 31 + 2 * m.G + 2);
  EXPECT_LE(text, 31 + 2 * m.G + 2 + 3);

  menu->OnGetItemParams = PictureParams(strip);
  c.Clear();
  Draw(item, c, {0, 0, 200, 20}, {}, false);
  const int left = 31 + m.G + 1;  // centred in an 18-pixel column
  EXPECT_EQ(c.At(left + 2, 2 + 2), RGB(200, 0, 0));      // the cross
  EXPECT_EQ(c.At(left + 1, 2 + 8), Sys(COLOR_MENU));      // magenta left out
  EXPECT_EQ(c.Count({0, 0, 200, 20}, RGB(255, 0, 255)), 0);
  const int textAfterPicture = c.FirstColumnNot(left + 18, 0, 20, Sys(COLOR_MENU));
  EXPECT_GE(textAfterPicture, 31 + m.G + 18 + m.G);

  item->SetEnabled(false);  // the picture in the disabled look
  c.Clear();
  Draw(item, c, {0, 0, 200, 20}, {odGrayed}, false);
  const RECT pic = {left, 2, left + 17, 19};
  EXPECT_EQ(c.Count(pic, RGB(200, 0, 0)), 0);
  EXPECT_GT(c.Count(pic, Sys(COLOR_BTNSHADOW)), 10);
}

TEST_F(TrayMenuTest, SeparatorDefaultGrayedAndBackgroundRules) {
  TMenuItem* line = Add("-", 0);
  Canvas c(200, 20);
  Draw(line, c, {0, 0, 200, 20}, {}, false);
  EXPECT_EQ(c.At(100, 9), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(c.At(100, 10), Sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(c.At(100, 5), Sys(COLOR_MENU));
  EXPECT_EQ(c.At(30, 9), kSentinel);

  // The default item in bold: more ink for the same caption.
  TMenuItem* show = Add("Show Manager", 1);
  auto ink = [&](TOwnerDrawState state) {
    c.Clear();
    Draw(show, c, {0, 0, 200, 20}, state, false);
    return 200 * 20 - c.Count({0, 0, 200, 20}, Sys(COLOR_MENU)) -
           c.Count({0, 0, 200, 20}, kSentinel);
  };
  const int normal = ink({});
  show->SetDefault(true);
  EXPECT_GT(ink({}), normal);

  // Grayed: shadow-coloured text, with the highlight copy beneath it unless
  // selected (then grey text on the highlight).
  show->SetEnabled(false);
  ink({odGrayed});
  EXPECT_GT(c.Count({31, 0, 200, 20}, Sys(COLOR_BTNSHADOW)), 0);
  if (Sys(COLOR_BTNHIGHLIGHT) != Sys(COLOR_MENU)) {
    EXPECT_GT(c.Count({31, 0, 200, 20}, Sys(COLOR_BTNHIGHLIGHT)), 0);
  }
  ink({odGrayed, odSelected});
  EXPECT_GT(c.Count({31, 0, 200, 20}, Sys(COLOR_GRAYTEXT)), 0);
  EXPECT_EQ(c.At(150, 2), Sys(COLOR_HIGHLIGHT));

  // A handler that asks for no background leaves what was there.
  menu->OnGetItemParams = [](TTrayPopupMenu*, TMenuItem*, TOwnerDrawState, TFontDesc&,
                             TColor& bk, TMenuGraphic&, int&) { bk = clNone; };
  c.Clear();
  Draw(show, c, {0, 0, 200, 20}, {}, false);
  EXPECT_EQ(c.At(150, 2), kSentinel);

  // Outside drawing the gradient has no canvas and does nothing.
  menu->PaintMarginGradient({0, 0, 30, 100}, clLime, clWhite);
}

}  // namespace
}  // namespace marrowby
