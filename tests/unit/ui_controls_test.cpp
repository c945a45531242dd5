// Control and form state without windows: the toolkit's event rules.
#include <gtest/gtest.h>

#include "ui/controls.h"
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

TEST(Controls, SpinEditKeepsItsValueInRange) {
  TComponent owner(nullptr);
  auto* spin = new TSpinEdit(&owner);
  spin->MinValue = 1;
  spin->MaxValue = 31;
  spin->SetValue(0);
  EXPECT_EQ(spin->Text(), "1");
  spin->SetValue(45);
  EXPECT_EQ(spin->Value(), 31);
  spin->SetText("abc");  // typed text that is no number
  EXPECT_EQ(spin->Value(), 1);
  spin->SetText(" 7 ");
  EXPECT_EQ(spin->Value(), 7);
}

TEST(Controls, DateEditShowsTheDatePartAndFollowsTypedDates) {
  TComponent owner(nullptr);
  auto* date = new TDateEdit(&owner);
  int changes = 0;
  date->OnChange = [&](TObject*) { ++changes; };
  date->SetDate(EncodeDate(2024, 2, 29) + 0.75);
  EXPECT_EQ(date->Text(), "29/02/2024");
  EXPECT_EQ(date->Date(), EncodeDate(2024, 2, 29));
  date->SetDate(EncodeDate(2024, 2, 29) + 0.25);  // same day: no change
  EXPECT_EQ(changes, 1);
  date->SetText("01/03/2024");
  EXPECT_EQ(date->Date(), EncodeDate(2024, 3, 1));
  date->SetText("31/02/2024");  // no such day: the date stays
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

class ClosingForm : public TForm {
 public:
  using TForm::TForm;
  TCloseAction next = TCloseAction::caHide;
  int closes = 0;

 protected:
  void FormClose(TCloseAction& action) override {
    ++closes;
    action = next;
  }
};

TEST(Form, CloseActionDecidesAndDestroyRunsOnce) {
  ClosingForm form(nullptr);
  form.next = TCloseAction::caNone;
  form.Close();
  EXPECT_EQ(form.closes, 1);
  form.DoDestroy();
  form.DoDestroy();  // the destructor calls it again; it runs once
}

}  // namespace
}  // namespace marrowby
