// A form's end: FormDestroy and the form's listeners run once, before the
// derived form's members and its controls go, however the form is freed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/form.h"

namespace marrowby {
namespace {

using Log = std::vector<std::string>;

class MemberForm : public TForm {
 public:
  MemberForm(TComponent* owner, Log* log) : TForm(owner), log_(log) {
    Title = NewControl<TLabel>(this, nullptr, "Title", 0, 0, 10, 10);
    Title->SetCaption("title");
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

}  // namespace
}  // namespace marrowby
