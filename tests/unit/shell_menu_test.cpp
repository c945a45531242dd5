#include <gtest/gtest.h>

#include <set>

#include "core/typeinfo.h"
#include "shell/menu_item.h"
#include "shell/menu_layout.h"

namespace marrowby {
namespace {

TEST(MenuMetrics, GapIsThreeTenthsOfTheCheckMarkRoundedHalfToEven) {
  EXPECT_EQ(MakeMenuMetrics(11, 19, 6).G, 3);  // 3.3
  EXPECT_EQ(MakeMenuMetrics(13, 19, 6).G, 4);  // 3.9
  EXPECT_EQ(MakeMenuMetrics(15, 19, 6).G, 4);  // 4.5: to the even 4
  EXPECT_EQ(MakeMenuMetrics(25, 19, 6).G, 8);  // 7.5: to the even 8
  EXPECT_EQ(MakeMenuMetrics(17, 19, 6).G, 5);  // 5.1
  EXPECT_EQ(MakeMenuMetrics(19, 19, 6).H, 17);  // new style: menu bar less 2
  EXPECT_TRUE(MakeMenuMetrics(19, 19, 4).NewStyle);
  EXPECT_EQ(MakeMenuMetrics(13, 18, 3).H, 18);
  EXPECT_FALSE(MakeMenuMetrics(13, 18, 3).NewStyle);
}

TEST(MenuMeasure, MarginSeparatorAndPictureRules) {
  const MenuMetrics m = MakeMenuMetrics(13, 20, 6);  // G 4, H 18
  ItemMeasure in;
  in.TextWidth = 80;
  in.ShortCutWidth = 3;
  in.TextHeight = 13;
  in.LeftMargin = 30;
  EXPECT_EQ(MeasureItem(m, in).Width, 2 * 4 + 80 + 3);
  EXPECT_EQ(MeasureItem(m, in).Height, 18);  // at least H
  in.TopLevel = true;
  EXPECT_EQ(MeasureItem(m, in).Width, 2 * 4 + 80 + 3 + 31);  // LeftMargin + 1 wider
  in.HasGraphic = true;
  in.GraphicWidth = in.GraphicHeight = 16;
  EXPECT_EQ(MeasureItem(m, in).Width, 2 * 4 + 80 + 3 + 31 + 18);
  EXPECT_EQ(MeasureItem(m, in).Height, 20);  // picture height + 4
  in.MinTextOffset = 30;  // a wider picture column when asked
  EXPECT_EQ(MeasureItem(m, in).Width, 2 * 4 + 80 + 3 + 31 + 30);
  in.MinTextOffset = 0;
  in.GraphicWidth = 64;
  in.Glyphs = 4;  // a strip of 2 to 5 glyphs counts one glyph
  EXPECT_EQ(MeasureItem(m, in).Width, 2 * 4 + 80 + 3 + 31 + 18);
  in.Glyphs = 6;
  EXPECT_EQ(MeasureItem(m, in).Width, 2 * 4 + 80 + 3 + 31 + 66);
  in.TextHeight = 25;
  in.GraphicHeight = 10;
  EXPECT_EQ(MeasureItem(m, in).Height, 25);  // or the text's height

  ItemMeasure line = in;  // a separator ignores the picture it was given
  line.IsLine = true;
  line.TextWidth = 10;
  line.TextHeight = 13;
  line.GraphicHeight = 40;
  EXPECT_EQ(MeasureItem(m, line).Height, 9);
  EXPECT_EQ(MeasureItem(m, line).Width, 2 * 4 + 10 + 3 + 31);
  line.TextHeight = 30;
  EXPECT_EQ(MeasureItem(m, line).Height, 15);  // half the height of "-"

  // At twice the density the picture's room and a separator's least height
  // are twice as large.
  MenuMetrics at192 = m;
  at192.Dpi = 192;
  line.TextHeight = 13;
  EXPECT_EQ(MeasureItem(at192, line).Height, 18);
  in.TextHeight = 13;
  in.GraphicHeight = 32;
  EXPECT_EQ(MeasureItem(at192, in).Height, 32 + 8);
}

TEST(MenuLayout, ContentStartsRightOfTheMarginAndThePictureIsCentred) {
  const MenuMetrics m = MakeMenuMetrics(13, 20, 6);  // G 4
  ItemPlace p;
  p.TopLevel = true;
  p.LeftMargin = 30;
  p.LineHeight = 14;
  const TRect rect{0, 40, 150, 60};
  ItemLayout l = LayoutItem(m, rect, p);
  EXPECT_EQ(l.Content.Left, 31);
  EXPECT_EQ(l.TextLeft, 31 + 2 * 4 + 2);
  EXPECT_EQ(l.TextTop, 43);
  EXPECT_EQ(l.LineY, 50);

  p.HasGraphic = true;
  p.GraphicWidth = p.GraphicHeight = 16;
  l = LayoutItem(m, rect, p);
  EXPECT_EQ(l.GraphicLeft, 31 + 4 + 1);  // centred in an 18-pixel column
  EXPECT_EQ(l.GraphicTop, 42);
  EXPECT_EQ(l.TextLeft, 31 + 4 + 18 + 4);

  p.TopLevel = false;  // items of sub-menus have no margin
  l = LayoutItem(m, rect, p);
  EXPECT_EQ(l.Content.Left, 0);
  EXPECT_EQ(l.TextLeft, 4 + 18 + 4);

  p.CheckColumn = 13;  // check marks come first
  l = LayoutItem(m, rect, p);
  EXPECT_EQ(l.CheckBox.Right, 13);
  EXPECT_EQ(l.TextLeft, 13 + 4 + 18 + 4);
  EXPECT_EQ(MarginRect({5, 3, 150, 200}, 30), (TRect{0, 3, 30, 200}));
}

TEST(MarginGradient, BandsCoverTheStripFromStartToEndColour) {
  const TColor lime = RGBColor(0, 255, 0), dark = RGBColor(0, 63, 0);
  auto check = [&](int height, size_t count) {
    const TRect r{0, 10, 27, 10 + height};
    const auto bands = GradientBands(r, lime, dark);
    ASSERT_EQ(bands.size(), count) << height;
    EXPECT_EQ(bands.front().Color, lime);
    EXPECT_EQ(bands.back().Color, dark);
    int y = r.Top;
    for (size_t i = 0; i < bands.size(); ++i) {
      EXPECT_EQ(bands[i].Rect.Top, y);  // no gap, no overlap
      EXPECT_EQ(bands[i].Rect.Left, 0);
      EXPECT_EQ(bands[i].Rect.Right, 27);
      if (i > 0) {
        EXPECT_LE(GreenOf(bands[i].Color), GreenOf(bands[i - 1].Color));
      }
      y = bands[i].Rect.Bottom;
    }
    EXPECT_EQ(y, r.Bottom);
  };
  check(200, 32);
  check(32, 32);
  check(20, 20);
  check(1, 2);
  EXPECT_TRUE(GradientBands({0, 0, 10, 0}, lime, dark).empty());
  EXPECT_TRUE(GradientBands({0, 0, 0, 10}, lime, dark).empty());
  // Halfway down a 3-band strip: halfway between the colours.
  const auto three = GradientBands({0, 0, 5, 3}, RGBColor(0, 0, 0), RGBColor(200, 100, 50));
  EXPECT_EQ(three[1].Color, RGBColor(100, 50, 25));

  const MarginShape s = MarginShapeFor({0, 0, 30, 100}, true);
  EXPECT_EQ(s.Fill.Right, 27);
  EXPECT_EQ(s.ShadowX, 28);
  EXPECT_EQ(s.HighlightX, 29);
  EXPECT_FALSE(MarginShapeFor({0, 0, 30, 100}, false).EdgeLines);
  EXPECT_EQ(MarginShapeFor({0, 0, 30, 100}, false).Fill.Right, 30);
}

TEST(MenuItem, HoldsSubItemsInOrderAndFreesThem) {
  TComponent form(nullptr);
  auto* root = new TMenuItem(&form);
  auto* a = new TMenuItem(&form);
  auto* b = new TMenuItem(&form);
  auto* sub = new TMenuItem(&form);
  root->Add(a);
  root->Insert(0, b);
  a->Add(sub);
  EXPECT_EQ(root->Count(), 2);
  EXPECT_EQ(root->Items(0), b);
  EXPECT_EQ(a->Parent(), root);
  EXPECT_EQ(root->FindCommand(sub->Command()), sub);
  EXPECT_EQ(root->FindCommand(0), nullptr);
  sub->Add(root);  // no cycles
  EXPECT_EQ(root->Parent(), nullptr);
  b->Add(sub);  // moving an item leaves its old parent
  EXPECT_EQ(a->Count(), 0);
  EXPECT_EQ(sub->Parent(), b);
  delete b;  // frees its sub-item and leaves the root
  EXPECT_EQ(root->Count(), 1);
  EXPECT_EQ(form.ComponentCount(), 2);
  delete a;
  EXPECT_EQ(root->Count(), 0);

  // Command numbers are unique among living items.
  std::set<uint32_t> seen;
  std::vector<std::unique_ptr<TMenuItem>> items;
  for (int i = 0; i < 300; ++i) {
    items.push_back(std::make_unique<TMenuItem>(nullptr));
    EXPECT_TRUE(seen.insert(items.back()->Command()).second);
  }
  EXPECT_EQ(seen.count(0), 0u);
}

TEST(MenuItem, ClickRunsOnlyWhenEnabledAndTheTableIsPublished) {
  TMenuItem item(nullptr);
  int clicks = 0;
  TObject* sender = nullptr;
  item.OnClick = [&](TObject* s) {
    ++clicks;
    sender = s;
  };
  item.Click();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(sender, &item);
  item.SetEnabled(false);
  item.Click();
  EXPECT_EQ(clicks, 1);
  item.SetCaption("-");
  EXPECT_TRUE(item.IsLine());

  const PropInfo* def = FindPropInfo(item.GetClassInfo(), "Default");
  ASSERT_NE(def, nullptr);
  SetOrdProp(item, def, 1);
  EXPECT_TRUE(item.Default());
  EXPECT_EQ(GetOrdProp(item, FindPropInfo(item.GetClassInfo(), "Enabled")), 0);
  EXPECT_NE(FindPropInfo(item.GetClassInfo(), "Tag"), nullptr);  // inherited
  EXPECT_NE(FindPropInfo(item.GetClassInfo(), "OnClick"), nullptr);
}

}  // namespace
}  // namespace marrowby
