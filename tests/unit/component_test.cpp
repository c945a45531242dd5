#include "core/component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errors.h"
#include "core/strings.h"
#include "scheduler/launcher.h"
#include "tests/support/fake_platform.h"

namespace marrowby {
namespace {

std::vector<std::string>* g_log = nullptr;

class Probe : public TComponent {
 public:
  Probe(TComponent* owner, std::string name) : TComponent(owner) { SetName(std::move(name)); }
  ~Probe() override {
    if (g_log) g_log->push_back("free " + Name());
  }
  std::vector<std::string> heard;

 protected:
  void BeforeDestruction() override {
    if (g_log) g_log->push_back((Destroying() ? "before " : "before, not marked, ") + Name());
  }
  void Loaded() override {
    if (g_log) g_log->push_back("loaded " + Name());
  }
  void Notification(TComponent* c, Operation op) override {
    TComponent::Notification(c, op);
    heard.push_back((op == Operation::Insert ? "+" : "-") + c->Name());
  }
};

TEST(Component, OwnerFreesWhatItOwnsLastFirstAndKeepsIndexes) {
  std::vector<std::string> log;
  g_log = &log;
  {
    Probe root(nullptr, "root");
    auto* a = new Probe(&root, "A");
    auto* b = new Probe(&root, "B");
    auto* c = new Probe(&root, "C");
    EXPECT_EQ(root.ComponentCount(), 3);
    EXPECT_EQ(a->ComponentIndex(), 0);
    EXPECT_EQ(c->ComponentIndex(), 2);
    EXPECT_EQ(root.FindComponent("b"), b);
    EXPECT_EQ(root.FindComponent(""), nullptr);
    delete b;  // leaves its owner; later components move up
    EXPECT_EQ(c->ComponentIndex(), 1);
    EXPECT_EQ(a->heard.back(), "-B");
    EXPECT_EQ(root.heard.back(), "-B");
    root.BeginLoading();
    EXPECT_TRUE(a->Loading());
    root.EndLoading();
    EXPECT_FALSE(a->Loading());
  }
  g_log = nullptr;
  EXPECT_EQ(log, (std::vector<std::string>{"free B", "loaded A", "loaded C", "loaded root",
                                           "free root", "before C", "free C", "before A",
                                           "free A"}));
}

TEST(Component, FreeRunsTheStepBeforeDestructionOnceForEveryComponentItFrees) {
  std::vector<std::string> log;
  g_log = &log;
  {
    ComponentPtr<Probe> root = MakeComponent<Probe>(nullptr, "root");
    auto* a = new Probe(root.get(), "A");
    new Probe(a, "A1");
    Free(new Probe(root.get(), "B"));
    EXPECT_EQ(log, (std::vector<std::string>{"before B", "free B"}));
    log.clear();
  }
  Free(nullptr);
  g_log = nullptr;
  EXPECT_EQ(log, (std::vector<std::string>{"before root", "free root", "before A", "free A",
                                           "before A1", "free A1"}));
}

TEST(Component, FreeNotificationReachesComponentsOfOtherOwners) {
  Probe x(nullptr, "x");
  auto* y = new Probe(nullptr, "y");
  x.FreeNotification(y);
  delete y;
  EXPECT_EQ(x.heard, (std::vector<std::string>{"-y"}));
}

TEST(PropertyTable, SlotPropertiesAreListedByNameKindAndOrder) {
  testing::FakePlatform platform;
  TLauncher slot(nullptr);
  std::vector<std::string> names;
  for (const PropInfo* p : GetPropList(slot.GetClassInfo())) names.push_back(p->name);
  EXPECT_EQ(names, (std::vector<std::string>{"Name", "Tag", "Checks", "CommandLine", "Date",
                                             "Enabled", "Interval", "MonthDay", "Time", "Wait",
                                             "WeekDay", "BeforeLaunch", "AfterLaunch",
                                             "BeforeWait", "OnTimer"}));
  const PropInfo* checks = FindPropInfo(slot.GetClassInfo(), "cHeCkS");
  ASSERT_NE(checks, nullptr);
  EXPECT_EQ(checks->type->kind, TypeKind::Set);
  ASSERT_EQ(checks->type->compType->nameCount, 4);
  EXPECT_STREQ(checks->type->compType->names[3], "lcMonthDay");
  EXPECT_EQ(checks->defaultValue, 2);  // [lcTime]

  const PropInfo* weekday = FindPropInfo(slot.GetClassInfo(), "WeekDay");
  EXPECT_EQ(weekday->type->kind, TypeKind::Enumeration);
  EXPECT_STREQ(weekday->type->names[6], "ldSaturday");
  EXPECT_EQ(FindPropInfo(slot.GetClassInfo(), "Enabled")->type, &kBooleanType);
  EXPECT_EQ(FindPropInfo(slot.GetClassInfo(), "BeforeLaunch")->type->kind, TypeKind::Method);
  EXPECT_EQ(FindPropInfo(slot.GetClassInfo(), "Missing"), nullptr);

  const PropInfo* date = FindPropInfo(slot.GetClassInfo(), "Date");
  ASSERT_EQ(date->type->kind, TypeKind::Class);
  TObject* dateObj = GetObjectProp(slot, date);
  EXPECT_EQ(dateObj, slot.Date());
  std::vector<std::string> fields;
  for (const PropInfo* p : GetPropList(dateObj->GetClassInfo())) fields.push_back(p->name);
  EXPECT_EQ(fields, (std::vector<std::string>{"Day", "Month", "Year", "OnChange"}));
  const PropInfo* year = FindPropInfo(dateObj->GetClassInfo(), "Year");
  EXPECT_EQ(year->type->minValue, 1);
  EXPECT_EQ(year->type->maxValue, 2050);
}

TEST(PropertyTable, GenericAccessWritesThroughSettersAtTheStoredWidth) {
  testing::FakePlatform platform;
  TLauncher slot(nullptr);
  const ClassInfo* cls = slot.GetClassInfo();
  SetOrdProp(slot, FindPropInfo(cls, "Checks"), (1 << lcDate) | (1 << lcMonthDay));
  EXPECT_TRUE(slot.Checks() == (TApplyChecks{lcDate, lcMonthDay}));
  SetOrdProp(slot, FindPropInfo(cls, "MonthDay"), 300);  // one byte: 300 - 256
  EXPECT_EQ(slot.MonthDay(), 44);
  SetOrdProp(slot, FindPropInfo(cls, "Tag"), -7);
  EXPECT_EQ(slot.Tag(), -7);
  SetStrProp(slot, FindPropInfo(cls, "CommandLine"), "C:\\x.exe");
  EXPECT_EQ(GetStrProp(slot, FindPropInfo(cls, "CommandLine")), "C:\\x.exe");
  SetOrdProp(slot, FindPropInfo(cls, "Enabled"), 0);
  EXPECT_FALSE(slot.Enabled());
  EXPECT_FALSE(slot.Timer()->Running());
  SetOrdProp(*slot.Time(), FindPropInfo(slot.Time()->GetClassInfo(), "MSec"), 999);
  EXPECT_EQ(slot.Time()->MSec(), 999);
}

TEST(Persistent, AssignBetweenDifferentClassesIsRefusedByName) {
  TDateNum d;
  TTimeNum t;
  TStringList list;
  try {
    d.Assign(&t);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TTimeNum to a TDateNum");
  }
  try {
    list.Assign(nullptr);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a nil to a TStringList");
  }
  TStringList other;
  other.Add("a");
  list.Assign(&other);
  EXPECT_EQ(list.Count(), 1);
}

}  // namespace
}  // namespace marrowby
