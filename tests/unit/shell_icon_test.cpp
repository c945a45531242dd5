#include <gtest/gtest.h>

#include "shell/icon.h"
#include "tests/support/icon_images.h"

namespace marrowby {
namespace {

using testing::IconImage;
using testing::IconImage32;
using testing::PutLE;

std::string U32(uint32_t v) {
  std::string s;
  PutLE(s, v, 4);
  return s;
}

TEST(IconImage, ParsesTheDirectoryAndRejectsWhatIsNoIcon) {
  const std::string img = IconImage32(0xFF0000);
  EXPECT_EQ(img.size(), 766u);  // the 32x32 16-colour kind
  std::vector<IconEntry> e;
  ASSERT_TRUE(ParseIconImage(img, &e));
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].Width, 32);
  EXPECT_EQ(e[0].BitCount, 4);
  EXPECT_EQ(e[0].Offset, 22u);
  EXPECT_EQ(e[0].Size, 744u);

  EXPECT_FALSE(ParseIconImage("", &e));
  EXPECT_FALSE(ParseIconImage(img.substr(0, 5), &e));
  EXPECT_FALSE(ParseIconImage(img.substr(0, 21), &e));  // directory cut short
  EXPECT_FALSE(ParseIconImage(img.substr(0, 700), &e));  // picture cut short
  EXPECT_TRUE(e.empty());
  std::string cursor = img;
  cursor[2] = 2;  // a cursor file
  EXPECT_FALSE(ParseIconImage(cursor, &e));
  std::string none = img;
  none[4] = 0;  // no picture
  EXPECT_FALSE(ParseIconImage(none, &e));
  std::string wild = img;
  wild.replace(18, 4, U32(0xFFFFFFF0));  // offset far past the end
  EXPECT_FALSE(ParseIconImage(wild, &e));
  std::string huge = img;
  huge.replace(14, 4, U32(0xFFFFFFFF));  // size that wraps with the offset
  EXPECT_FALSE(ParseIconImage(huge, &e));
  std::string inside = img;
  inside.replace(18, 4, U32(2));  // picture overlapping the directory
  EXPECT_FALSE(ParseIconImage(inside, &e));
}

TEST(IconImage, ChoosesTheBestPictureForASize) {
  std::vector<IconEntry> e;
  ASSERT_TRUE(ParseIconImage(IconImage({{48, 1, 1}, {16, 2, 2}, {32, 3, 3}}), &e));
  EXPECT_EQ(ChooseIconEntry(e, 16), 1);
  EXPECT_EQ(ChooseIconEntry(e, 24), 2);  // the smallest larger
  EXPECT_EQ(ChooseIconEntry(e, 64), 0);  // else the largest
  e[1].BitCount = 1;
  e.push_back(e[1]);
  e.back().BitCount = 8;
  EXPECT_EQ(ChooseIconEntry(e, 16), 3);  // the most colours among exact sizes
  EXPECT_EQ(ChooseIconEntry({}, 16), -1);
}

TEST(Icon, LoadsValidImagesOnlyAndTellsOfChanges) {
  TIcon icon;
  int changes = 0;
  icon.OnChange = [&](TObject*) { ++changes; };
  EXPECT_TRUE(icon.Empty());
  const std::string red = IconImage32(0xFF0000);
  icon.LoadFromImage(red);
  EXPECT_FALSE(icon.Empty());
  EXPECT_EQ(changes, 1);
  icon.LoadFromImage(red);  // the same picture again: no change
  EXPECT_EQ(changes, 1);
  EXPECT_THROW(icon.LoadFromImage("not an icon"), EInvalidGraphic);
  EXPECT_EQ(icon.Image(), red);  // kept
  EXPECT_EQ(changes, 1);
  try {
    icon.LoadFromImage("x");
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Icon image is not valid");
  }
  icon.LoadFromImage("");
  EXPECT_TRUE(icon.Empty());
  EXPECT_EQ(changes, 2);
  icon.Clear();  // already empty
  EXPECT_EQ(changes, 2);

  TIcon copy;
  icon.LoadFromImage(red);
  copy.Assign(&icon);
  EXPECT_EQ(copy.Image(), red);
}

class IconListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list.OnChange = [this](TObject*) { ++changes; };
  }
  TIconList list;
  int changes = 0;
  const std::string a = IconImage32(0xFF0000, 1);
  const std::string b = IconImage32(0x00FF00, 2);
};

TEST_F(IconListTest, StoredFormRoundTripsWithEmptySlots) {
  list.AddImage(a);
  list.AddImage("");
  list.AddImage(b);
  const std::string data = list.WriteData();
  EXPECT_EQ(data, U32(3) + U32(766) + a + U32(0) + U32(766) + b);

  TIconList back;
  back.ReadData(data);
  ASSERT_EQ(back.Count(), 3);
  EXPECT_EQ(back.Items(0)->Image(), a);
  EXPECT_TRUE(back.Items(1)->Empty());
  EXPECT_EQ(back.Items(2)->Image(), b);

  // A negative length also stands for an empty slot.
  back.ReadData(U32(2) + U32(0xFFFFFFFF) + U32(766) + a);
  ASSERT_EQ(back.Count(), 2);
  EXPECT_TRUE(back.Items(0)->Empty());
  EXPECT_EQ(back.Items(1)->Image(), a);

  back.ReadData(U32(0));
  EXPECT_EQ(back.Count(), 0);
}

TEST_F(IconListTest, BadDataRaisesAndLeavesTheListAsItWas) {
  list.AddImage(a);
  const int before = changes;
  const std::string good = U32(2) + U32(766) + a + U32(766) + b;
  const std::vector<std::string> bad = {
      "",                                        // no count
      U32(1).substr(0, 3),                       // count cut short
      U32(0xFFFFFFFF),                           // negative count
      U32(0x7FFFFFFF) + U32(0),                  // count far beyond the data
      U32(1),                                    // frame missing
      U32(1) + U32(766) + a.substr(0, 100),      // frame cut short
      U32(1) + U32(0x7FFFFFFF) + a,              // length beyond the data
      good.substr(0, good.size() - 1),           // last byte missing
      good + "x",                                // bytes after the last frame
  };
  for (const std::string& data : bad) {
    EXPECT_THROW(list.ReadData(data), EReadError) << data.size();
  }
  // A frame that is not an icon file image.
  EXPECT_THROW(list.ReadData(U32(2) + U32(766) + a + U32(4) + "abcd"), EInvalidGraphic);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0)->Image(), a);
  EXPECT_EQ(changes, before);
  try {
    list.ReadData(U32(5));
  } catch (const EReadError& e) {
    EXPECT_STREQ(e.what(), "Stream read error");
  }
}

TEST_F(IconListTest, EditsAndChangesOfItsIconsAreChanges) {
  list.AddImage(a);
  list.Add(nullptr);
  EXPECT_EQ(changes, 2);
  EXPECT_THROW(list.AddImage("junk"), EInvalidGraphic);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(changes, 2);
  list.Items(1)->LoadFromImage(b);  // a change of a frame is a change of the list
  EXPECT_EQ(changes, 3);
  TIconList copy;
  copy.Assign(&list);
  EXPECT_EQ(copy.WriteData(), list.WriteData());
  list.Delete(5);  // out of range: nothing
  EXPECT_EQ(changes, 3);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0)->Image(), b);
  list.Clear();
  list.Clear();
  EXPECT_EQ(changes, 5);
  EXPECT_THROW(list.Items(0), std::out_of_range);
}

}  // namespace
}  // namespace marrowby
