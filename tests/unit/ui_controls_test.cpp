// Control and form state without windows: the toolkit's event rules.
#include <gtest/gtest.h>

#include "core/errors.h"
#include "ui/controls.h"
#include "ui/date_format.h"
#include "ui/form.h"

namespace marrowby {
namespace {

TEST(Controls, EventsFollowRealChangesOnly) {
  TComponent owner(nullptr);
  auto* edit = new TEdit(&owner);
  auto* check = new TCheckBox(&owner);
  int changes = 0, clicks = 0;
  edit->OnChange = [&](TObject* s) {
    EXPECT_EQ(s, edit);
    ++changes;
  };
  check->OnClick = [&](TObject*) { ++clicks; };
  edit->SetText("a");
  edit->SetText("a");
  check->SetChecked(true);
  check->SetChecked(true);
  check->Click();  // a user's click toggles and raises OnClick
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(clicks, 2);
  EXPECT_FALSE(check->Checked());
  // A label's caption is no edit: no event.
  auto* label = new TLabel(&owner);
  label->OnChange = [&](TObject*) { ++changes; };
  label->SetCaption("x");
  EXPECT_EQ(changes, 1);
}

// Counts what a bound view is asked to show again.
struct CountingView : ControlView {
  int texts = 0;
  void Refresh(ControlAspect aspect) override { texts += aspect == ControlAspect::Text; }
};

TEST(Controls, SpinEditHoldsOnlyWhatItShows) {
  TComponent owner(nullptr);
  auto* hours = new TSpinEdit(&owner);
  hours->MaxValue = 23;
  hours->SetValue(10);
  CountingView view;
  hours->AttachView(&view);
  struct Case {
    const char* typed;
    const char* holds;
    int value;
  };
  // Typed in this order, in one edit begun at 10; each row starts from the
  // row above. Emptied, it holds the value the edit began with.
  const Case cases[] = {
      {"2", "2", 2},       {"25", "23", 23},     {"", "", 10},  // emptied to type anew
      {"2", "2", 2},       {"20", "20", 20},     {"05", "05", 5},
      {"abc", "5", 5},     {"-3", "0", 0},       {" 7 ", "7", 7},
      {"99999999999", "23", 23},
  };
  for (const Case& c : cases) {
    hours->SetText(c.typed);
    EXPECT_EQ(hours->Text(), c.holds) << c.typed;
    EXPECT_EQ(hours->Value(), c.value) << c.typed;
  }
  // Typing beyond the range when it already holds the end: the view showed
  // what was typed and must show the end again.
  const int before = view.texts;
  hours->SetText("29");
  EXPECT_EQ(hours->Text(), "23");
  EXPECT_GT(view.texts, before);
  // Left empty, it shows the number the edit began with; leaving begins a
  // new edit. Deleting "23" digit by digit passes through "2", which an
  // emptied edit does not keep.
  hours->SetText("");
  hours->EditingDone();
  EXPECT_EQ(hours->Text(), "10");
  hours->SetText("23");
  hours->EditingDone();
  for (const char* typed : {"2", ""}) hours->SetText(typed);
  EXPECT_EQ(hours->Value(), 23);
  hours->EditingDone();
  EXPECT_EQ(hours->Text(), "23");
  hours->AttachView(nullptr);

  auto* monthDay = new TSpinEdit(&owner);
  monthDay->MinValue = 1;
  monthDay->MaxValue = 31;
  EXPECT_EQ(monthDay->Value(), 1);  // nothing typed yet
  monthDay->SetValue(0);
  EXPECT_EQ(monthDay->Text(), "1");
  monthDay->SetValue(45);
  EXPECT_EQ(monthDay->Text(), "31");
}

// The date format of a test, put back afterwards.
struct UserDateFormat {
  explicit UserDateFormat(const char* picture) { SetUserShortDateFormat(picture); }
  ~UserDateFormat() { SetUserShortDateFormat("dd/MM/yyyy"); }
};

TEST(DateFormat, LocalePicturesShowAndReadFourDigitYears) {
  const TDateTime dec8 = EncodeDate(2026, 12, 8);
  struct Case {
    const char* picture;
    const char* shown;
    const char* usedPicture;
  };
  const Case cases[] = {
      {"M/d/yyyy", "12/8/2026", "M/d/yyyy"},     {"dd/MM/yyyy", "08/12/2026", "dd/MM/yyyy"},
      {"d.M.yy", "8.12.2026", "d.M.yyyy"},       {"yyyy-MM-dd", "2026-12-08", "yyyy-MM-dd"},
      {"dd'/'MM'/'yyyy", "08/12/2026", "dd'/'MM'/'yyyy"},
      // Names of months or days, or a missing field: the fallback.
      {"d MMM yyyy", "08/12/2026", "dd/MM/yyyy"}, {"dddd d/M/yyyy", "08/12/2026", "dd/MM/yyyy"},
      {"M/yyyy", "08/12/2026", "dd/MM/yyyy"},    {"", "08/12/2026", "dd/MM/yyyy"},
  };
  for (const Case& c : cases) {
    const ShortDateFormat format(c.picture);
    EXPECT_EQ(format.Picture(), c.usedPicture) << c.picture;
    EXPECT_EQ(format.Format(dec8), c.shown) << c.picture;
    TDateTime back = 0;
    EXPECT_TRUE(format.TryParse(c.shown, &back)) << c.picture;
    EXPECT_EQ(back, dec8) << c.picture;
  }
  const ShortDateFormat us("M/d/yyyy");
  TDateTime d = 0;
  EXPECT_TRUE(us.TryParse("2-29-24", &d));  // any separator; two-digit year
  EXPECT_EQ(d, EncodeDate(2024, 2, 29));
  for (const char* bad : {"2/29/2023", "13/1/2024", "1/2", "1/2/3/4", "Jan/2/2024", "1/2/20245",
                          ""}) {
    EXPECT_FALSE(us.TryParse(bad, &d)) << bad;
  }
}

TEST(DateFormat, EditorTextFailsWithTheFixedMessage) {
  UserDateFormat us("M/d/yyyy");
  EXPECT_EQ(StrToDateTime("12/8/2026 7:05:09"),
            EncodeDate(2026, 12, 8) + EncodeTime(7, 5, 9, 0));
  // Each number as scanf's "%d" reads it: blanks and a sign before the digits.
  EXPECT_EQ(StrToDateTime("12/8/2026 +7:\t05:009"),
            EncodeDate(2026, 12, 8) + EncodeTime(7, 5, 9, 0));
  for (const char* bad : {"12/8/2026 25:30:15", "13/8/2026 10:00:00", "12/8/2026 :30:15",
                          "12/8/2026", "12/8/2026 1:2:3x", "12/8/2026 1:2:3\t", "12/8/2026 1\t:2:3",
                          "12/8/2026 4294967303:00:00"}) {
    try {
      StrToDateTime(bad);
      ADD_FAILURE() << bad;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "'" + std::string(bad) + "' is not a valid date and time");
    }
  }
}

TEST(DateFormat, WeekendsOfAMonth) {
  // February 2026 begins on a Sunday.
  const uint32_t feb = (1u << 0) | (1u << 6) | (1u << 7) | (1u << 13) | (1u << 14) | (1u << 20) |
                       (1u << 21) | (1u << 27);
  EXPECT_EQ(WeekendDayBits(2026, 2), feb);
  EXPECT_EQ(WeekendDayBits(2024, 2) >> 28, 0u);  // 29 February 2024 is a Thursday
  EXPECT_EQ(WeekendDayBits(2024, 13), 0u);
}

TEST(Controls, DateEditShowsTheDatePartAndFollowsTypedDates) {
  UserDateFormat us("M/d/yyyy");
  TComponent owner(nullptr);
  auto* date = new TDateEdit(&owner);
  int changes = 0;
  date->OnChange = [&](TObject*) { ++changes; };
  date->SetDate(EncodeDate(2024, 2, 29) + 0.75);
  EXPECT_EQ(date->Text(), "2/29/2024");
  EXPECT_EQ(date->Date(), EncodeDate(2024, 2, 29));
  date->SetDate(EncodeDate(2024, 2, 29) + 0.25);  // same day: no change
  EXPECT_EQ(changes, 1);
  date->SetText("3/1/2024");
  EXPECT_EQ(date->Date(), EncodeDate(2024, 3, 1));
  date->SetText("2/31/2024");  // no such day: the date stays
  EXPECT_EQ(date->Date(), EncodeDate(2024, 3, 1));
}

TEST(Controls, ListBoxSelectionFollowsItsLines) {
  TComponent owner(nullptr);
  auto* list = new TListBox(&owner);
  list->Items()->SetLines({"a", "b"});
  list->SetItemIndex(1);
  EXPECT_EQ(list->ItemIndex(), 1);
  list->SetItemIndex(5);
  EXPECT_EQ(list->ItemIndex(), -1);
  list->SetItemIndex(1);
  list->Items()->Delete(1);  // the selected line went
  EXPECT_EQ(list->ItemIndex(), -1);
  const PropInfo* items = FindPropInfo(list->GetClassInfo(), "Items");
  ASSERT_NE(items, nullptr);
  EXPECT_EQ(GetObjectProp(*list, items), list->Items());
}

// What a form asks of its window.
struct RecordingFormView : FormView {
  int hides = 0, releases = 0;
  NativeWindow Handle() override { return nullptr; }
  void Show() override {}
  void Hide() override { ++hides; }
  int ShowModal() override { return mrCancel; }
  void EndModal() override {}
  void Refresh() override {}
  void Release() override { ++releases; }
};

struct Closings : FormEvents {
  int count = 0;
  void FormClosing() override { ++count; }
};

class ClosingForm : public TForm {
 public:
  ClosingForm(int* destroys) : TForm(nullptr), destroys_(destroys) {}
  TCloseAction next = TCloseAction::caHide;
  int closes = 0;

 protected:
  void FormClose(TCloseAction& action) override {
    ++closes;
    action = next;
  }
  void FormDestroy() override { ++*destroys_; }

 private:
  int* destroys_;
};

TEST(Form, CloseActionDecidesAndDestroyRunsOnce) {
  RecordingFormView view;
  Closings listener;
  int destroys = 0;
  {
    ClosingForm form(&destroys);
    form.AttachView(&view);
    form.AddFormEvents(&listener);
    form.DoShow();
    form.next = TCloseAction::caNone;  // refused: nothing happens
    form.Close();
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(view.hides, 0);
    EXPECT_EQ(listener.count, 0) << "the stores hear of no close";
    form.next = TCloseAction::caHide;
    form.Close();
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(view.hides, 1);
    EXPECT_EQ(view.releases, 0) << "hidden, the window stays";
    form.DoShow();
    form.next = TCloseAction::caFree;
    form.Close();
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(view.hides, 2);
    EXPECT_EQ(view.releases, 1) << "freed, the window goes";
    EXPECT_EQ(form.closes, 3);
    EXPECT_EQ(listener.count, 2);
    EXPECT_EQ(destroys, 0) << "closing is not destroying";
    form.DoDestroy();
    EXPECT_EQ(destroys, 1);
    form.DoDestroy();
    EXPECT_EQ(destroys, 1);
  }
  EXPECT_EQ(destroys, 1) << "the destructor does not run it again";
}

}  // namespace
}  // namespace marrowby
