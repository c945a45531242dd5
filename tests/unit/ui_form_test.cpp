// A form's end: FormDestroy and the form's listeners run once, before the
// derived form's members and its controls go, however the form is freed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errors.h"
#include "core/text.h"
#include "ui/form.h"

namespace marrowby {
namespace {

using Log = std::vector<std::string>;

class MemberForm : public TForm {
 public:
  MemberForm(TComponent* owner, Log* log) : TForm(owner), log_(log) {
    Title = NewControl<TLabel>({this, nullptr, "Title", {0, 0, 10, 10}, "title"});
  }
  TLabel* Title;
  std::string kept = "member";

 protected:
  void FormDestroy() override { log_->push_back("destroy " + kept + " " + Title->Caption()); }

 private:
  Log* log_;
};

class Listener : public FormEvents {
 public:
  explicit Listener(Log* log) : log_(log) {}
  void FormDestroying() override { log_->push_back("listener"); }

 private:
  Log* log_;
};

TEST(Form, FormDestroyRunsOnceWhileTheFormIsWholeHoweverItIsFreed) {
  Log log;
  Listener listener(&log);
  {
    TComponent owner(nullptr);
    auto* owned = new MemberForm(&owner, &log);
    owned->AddFormEvents(&listener);
  }
  EXPECT_EQ(log, (Log{"listener", "destroy member title"}));

  log.clear();
  {
    ComponentPtr<MemberForm> alone = MakeComponent<MemberForm>(nullptr, &log);
    alone->AddFormEvents(&listener);
    alone->DoDestroy();  // ahead of time: not again when it goes
  }
  EXPECT_EQ(log, (Log{"listener", "destroy member title"}));
}

TEST(Form, ControlsAreDescribedInTheirParentsByName) {
  Log log;
  ComponentPtr<MemberForm> form = MakeComponent<MemberForm>(nullptr, &log);
  TPanel* group = nullptr;
  TEdit* edit = nullptr;
  NewControls(Row(group, {form.get(), nullptr, "Group", {1, 2, 30, 40}, "caption"}),
              Row(edit, {form.get(), "Group", "Edit", {3, 4, 5, 6}, nullptr, {"short", "long"}, 7}));
  EXPECT_EQ(edit->Parent(), group);
  EXPECT_EQ(edit->Owner(), form.get());
  EXPECT_EQ(edit->Name(), "Edit");
  EXPECT_EQ(edit->Top(), 4);
  EXPECT_EQ(ShortHint(edit->Hint()), "short");
  EXPECT_EQ(LongHint(edit->Hint()), "long");
  EXPECT_EQ(group->Hint(), "");
  EXPECT_EQ(edit->HelpContext(), 7);
  EXPECT_EQ(group->Caption(), "caption");
  EXPECT_EQ(form->ComponentCount(), 3);  // in the table's order, after Title
  EXPECT_EQ(form->Components(2), edit);
  EXPECT_THROW(NewControl<TLabel>({form.get(), "Nowhere", "Lost", {0, 0, 1, 1}}), Exception);
}

}  // namespace
}  // namespace marrowby
