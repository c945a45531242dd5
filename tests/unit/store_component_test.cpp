// The store components: their property tables and defaults, resolving the
// stored-property list, Active stores following their window, placement as
// Options asks, the registry variant, and the encodings of the kinds the
// schedule slots do not use.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "store/form_storage.h"
#include "store/prop_codec.h"
#include "tests/support/error_log.h"
#include "tests/support/fake_placement_port.h"
#include "tests/support/fake_platform.h"
#include "tests/support/fake_store_platform.h"
#include "tests/support/store_test_form.h"

namespace marrowby {
namespace {

using testing::FakePlatform;
using testing::FakePlacementPort;
using testing::FakeStorePlatform;
using testing::TTestMainForm;

const char kFile[] = "C:\\WINDOWS\\schedmgr.INI";

std::vector<std::string> Lines(const TStrings* s) { return s->Lines(); }

class StoreComponents : public ::testing::Test {
 protected:
  StoreComponents() {
    form.window = window;
    windows.windows[window].placement.normalPosition = {10, 20, 410, 320};
    windows.windows[listWindow];
    form.DateList->window = listWindow;
  }
  TFormStorage* NewStore(const std::vector<std::string>& props, bool active = false) {
    auto* s = new TFormStorage(&form);
    s->SetActive(active);
    TStringList list;
    list.SetLines(props);
    s->SetStoredProps(&list);
    return s;
  }
  std::string& File() { return store.fs.files[kFile]; }
  FakePlacementPort::Window& Window() { return windows.windows[window]; }

  FakePlatform platform;
  FakeStorePlatform store;
  FakePlacementPort windows;
  int windowTag = 0, listTag = 0;
  const NativeWindow window = FakePlacementPort::HandleOf(&windowTag);
  const NativeWindow listWindow = FakePlacementPort::HandleOf(&listTag);
  TTestMainForm form{false};
};

TEST_F(StoreComponents, PublishedPropertiesAndDefaults) {
  TFormStorage s(&form);
  std::vector<std::string> names;
  for (const PropInfo* p : GetPropList(s.GetClassInfo())) names.push_back(p->name);
  EXPECT_EQ(names, (std::vector<std::string>{"Name", "Tag", "Active", "IniFileName", "IniSection",
                                             "MinMaxInfo", "Options", "PreventResize", "UseRegistry",
                                             "OnRestorePlacement", "OnSavePlacement", "StoredProps"}));
  EXPECT_TRUE(s.Active());
  EXPECT_EQ(s.Options(), (TPlacementOptions{fpState, fpPosition}));
  EXPECT_FALSE(s.UseRegistry());
  EXPECT_FALSE(s.PreventResize());
  EXPECT_TRUE(s.MinMaxInfo()->Limits().Empty());
  EXPECT_EQ(s.StoreFileName(), "schedmgr.INI");
  EXPECT_EQ(s.StoreSection(), "TMainForm");
  EXPECT_EQ(EncodeProperty(s, FindPropInfo(s.GetClassInfo(), "options")), "[fpState,fpPosition]");
}

TEST_F(StoreComponents, DefaultNamesFollowTheExecutable) {
  EXPECT_EQ(DefaultIniFileName("schedmgr.exe"), "schedmgr.INI");
  EXPECT_EQ(DefaultIniFileName("C:\\Apps\\My.App.EXE"), "My.App.INI");
  EXPECT_EQ(DefaultIniFileName("noext"), "noext.INI");
  EXPECT_EQ(DefaultRegistryKey("C:\\Apps\\schedmgr.exe"), "Software\\schedmgr");
  TFormStorage* s = NewStore({"Launcher1.Tag"});
  s->SetIniFileName("D:\\cfg\\mine.ini");
  s->SetIniSection("Mine");
  s->SaveStoredProps();
  EXPECT_NE(store.fs.files["D:\\cfg\\mine.ini"].find("[Mine]\r\nFlags="), std::string::npos);
  s->SetUseRegistry(true);
  s->SetIniFileName("");
  EXPECT_EQ(s->StoreFileName(), "Software\\schedmgr");
}

TEST_F(StoreComponents, ResolvingDropsWhatNamesNoComponentWhenTheWindowIsLoaded) {
  form.BeginLoading();
  TFormStorage* s = NewStore({"Launcher1.Tag", "NoDot", "Missing.Tag", ".Tag", "Launcher2.",
                              " launcher3 . checks ", "Launcher4.Bogus", "StatusBar1.Tag"});
  form.EndLoading();
  EXPECT_EQ(Lines(s->StoredProps()), (std::vector<std::string>{"Launcher1.Tag", " launcher3 . checks ",
                                                               "Launcher4.Bogus", "StatusBar1.Tag"}));
  form.Launcher(1)->SetTag(11);
  s->SaveStoredProps();
  // Names as the components and tables spell them; the unknown property is skipped.
  EXPECT_EQ(Lines(s->StoredProps()), (std::vector<std::string>{"Launcher1.Tag", "Launcher3.checks",
                                                               "Launcher4.Bogus", "StatusBar1.Tag"}));
  EXPECT_NE(File().find("Visible=0\r\nLauncher1_Tag=11\r\nLauncher3_Checks=[lcTime]\r\nStatusBar1_Tag=0\r\n"),
            std::string::npos);
  EXPECT_EQ(File().find("Bogus"), std::string::npos);
}

TEST_F(StoreComponents, EntriesFollowRenamedComponentsAndGoWithDestroyedOnes) {
  TFormStorage* s = NewStore({"Launcher1.Tag", "Launcher2.Tag", "Launcher2.MonthDay", "Launcher3.Tag"});
  s->SaveStoredProps();  // resolves
  form.Launcher(1)->SetName("First");
  delete form.Launcher(2);
  EXPECT_EQ(Lines(s->StoredProps()), (std::vector<std::string>{"Launcher1.Tag", "Launcher3.Tag"}));
  File().clear();
  s->SaveStoredProps();
  EXPECT_EQ(Lines(s->StoredProps()), (std::vector<std::string>{"First.Tag", "Launcher3.Tag"}));
  EXPECT_NE(File().find("First_Tag=0\r\nLauncher3_Tag=0\r\n"), std::string::npos);
  // A list set from outside is resolved afresh.
  TStringList list;
  list.SetLines({"Launcher4.Tag", "Launcher2.Tag"});
  s->SetStoredProps(&list);
  s->RestoreStoredProps();
  EXPECT_EQ(Lines(s->StoredProps()), std::vector<std::string>{"Launcher4.Tag"});
}

TEST_F(StoreComponents, AnActiveStoreFollowsItsWindow) {
  TFormStorage* s = NewStore({"Launcher1.Tag"}, true);
  form.Launcher(1)->SetTag(5);
  s->SaveStoredProps();
  EXPECT_TRUE(store.fs.files.empty()) << "an Active store saves nothing before it has restored";
  File() = "[TMainForm]\r\nLauncher1_Tag=9\r\nNormPos=1,2,301,402\r\n";
  form.Shown();
  EXPECT_TRUE(s->Restored());
  EXPECT_EQ(form.Launcher(1)->Tag(), 9);
  EXPECT_EQ(Window().placement.normalPosition.right, 301);
  form.Launcher(1)->SetTag(10);
  form.Closing();
  EXPECT_TRUE(s->Saved());
  EXPECT_EQ(File(), "[TMainForm]\r\nLauncher1_Tag=10\r\nNormPos=1,2,301,402\r\nFlags=0\r\nShowCmd=0\r\n"
                    "PixelsPerInch=96\r\nMinMaxPos(1024x768)=0,0,0,0\r\nMinMaxPos=0,0,0,0\r\n"
                    "NormPos(1024x768)=1,2,301,402\r\nVisible=0\r\n")
      << "existing keys keep their place, new ones follow";
  const int writes = store.fs.replaces;
  form.Destroying();
  EXPECT_EQ(store.fs.replaces, writes) << "already saved at close";

  TFormStorage* t = NewStore({"Launcher1.Tag"}, true);
  form.Shown();
  bool flagDuringSave = false;
  t->OnSavePlacement = [&](TObject*) { flagDuringSave = t->SavingOnDestroy(); };
  form.Destroying();
  EXPECT_TRUE(flagDuringSave);
  EXPECT_FALSE(t->SavingOnDestroy());
  EXPECT_NE(File().find("Visible=1\r\n"), std::string::npos);
}

TEST_F(StoreComponents, AWriteErrorOfAnActiveStoreGoesToTheApplicationHandler) {
  NewStore({"Launcher1.Tag"}, true);
  form.Shown();
  store.fs.readOnly.insert(kFile);
  testing::ErrorLog errors;
  form.Closing();
  EXPECT_EQ(errors.messages, (std::vector<std::string>{"Unable to write to schedmgr.INI"}));
}

TEST_F(StoreComponents, PlacementKeysOnEverySaveAppliedOnlyAsOptionsAsk) {
  TFormStorage* s = NewStore({});
  Window().placement = {2, 1, {-1, -1}, {-8, -8}, {100, 50, 500, 450}};
  windows.minimizedMain = window;
  s->SaveStoredProps();
  EXPECT_EQ(File(), "[TMainForm]\r\nFlags=2\r\nShowCmd=2\r\nPixelsPerInch=96\r\n"
                    "MinMaxPos(1024x768)=-1,-1,-8,-8\r\nMinMaxPos=-1,-1,-8,-8\r\n"
                    "NormPos(1024x768)=100,50,500,450\r\nNormPos=100,50,500,450\r\nVisible=0\r\n");

  File() = "[TMainForm]\r\nFlags=0\r\nShowCmd=3\r\nPixelsPerInch=96\r\nNormPos(1024x768)=1,2,3,4\r\n"
           "NormPos=5,6,7,8\r\n";
  s->SetOptions({});
  s->RestoreStoredProps();
  EXPECT_EQ(Window().placed, 0);
  EXPECT_EQ(Window().state, TWindowState::Normal);

  s->SetOptions({fpPosition});
  s->RestoreStoredProps();
  EXPECT_EQ(Window().placed, 1);
  EXPECT_EQ(Window().placement.normalPosition.left, 1) << "the key for this screen size first";
  EXPECT_EQ(Window().placement.flags, 0u);
  EXPECT_EQ(Window().state, TWindowState::Normal);

  File() = "[TMainForm]\r\nNormPos=5,6,7,8\r\n";
  s->RestoreStoredProps();
  EXPECT_EQ(Window().placement.normalPosition.left, 5) << "then the plain key";
  File() = "[TMainForm]\r\nNormPos=15,16,17,18\r\nPixelsPerInch=120\r\n";
  s->RestoreStoredProps();
  EXPECT_EQ(Window().placement.normalPosition.left, 5) << "not at another resolution";
  File() = "[TMainForm]\r\nNormPos=300,300,100,100\r\n";
  s->RestoreStoredProps();
  EXPECT_EQ(Window().placed, 2) << "an inverted rectangle is no position";

  s->SetOptions({fpState});
  File() = "[TMainForm]\r\nShowCmd=3\r\nNormPos=9,9,19,19\r\n";
  s->RestoreStoredProps();
  EXPECT_EQ(Window().state, TWindowState::Maximized);
  EXPECT_EQ(Window().placed, 2);
  File() = "[TMainForm]\r\nShowCmd=7\r\n";
  s->RestoreStoredProps();
  EXPECT_EQ(Window().state, TWindowState::Minimized);
  File() = "[TMainForm]\r\nShowCmd=0\r\n";
  s->RestoreStoredProps();
  EXPECT_EQ(Window().state, TWindowState::Minimized);
}

TEST_F(StoreComponents, ActiveControlByName) {
  TFormStorage* s = NewStore({});
  s->SetOptions({fpActiveControl});
  windows.focused = listWindow;
  s->SaveStoredProps();
  EXPECT_NE(File().find("NormPos=10,20,410,320\r\nActiveControl=DateList\r\nVisible=0\r\n"), std::string::npos);
  windows.focused = nullptr;
  bool restoredFirst = false;
  s->OnRestorePlacement = [&](TObject*) { restoredFirst = windows.focused == nullptr; };
  s->RestoreStoredProps();
  EXPECT_TRUE(restoredFirst);
  EXPECT_EQ(windows.focused, listWindow);
  File() = "[TMainForm]\r\nActiveControl=Launcher1\r\n";
  windows.focused = nullptr;
  s->RestoreStoredProps();
  EXPECT_EQ(windows.focused, nullptr) << "a slot has no window to focus";
}

TEST_F(StoreComponents, TheRegistryVariantStoresPlainStrings) {
  TFormStorage* s = NewStore({"Launcher1.CommandLine", "ListBox1.Items"});
  s->SetUseRegistry(true);
  form.Launcher(1)->SetCommandLine("\"C:\\a b\\x.exe\"");
  form.ListBox1->Items()->SetLines({"one", "two"});
  s->SaveStoredProps();
  auto& key = TMemoryIniFile::All()["SOFTWARE\\SCHEDMGR"];
  EXPECT_EQ(key["TMAINFORM"]["LAUNCHER1_COMMANDLINE"], "\"C:\\a b\\x.exe\"") << "no quote rule";
  EXPECT_EQ(key["TMAINFORM"]["FLAGS"], "0");
  EXPECT_EQ(key["TMAINFORM.LISTBOX1_ITEMS"]["COUNT"], "2");
  EXPECT_TRUE(store.fs.files.empty());
  form.Launcher(1)->SetCommandLine("");
  form.ListBox1->Items()->Clear();
  s->RestoreStoredProps();
  EXPECT_EQ(form.Launcher(1)->CommandLine(), "\"C:\\a b\\x.exe\"");
  EXPECT_EQ(Lines(form.ListBox1->Items()), (std::vector<std::string>{"one", "two"}));
  form.ListBox1->Items()->Clear();
  s->SaveStoredProps();
  EXPECT_EQ(key.count("TMAINFORM.LISTBOX1_ITEMS"), 0u) << "the empty list's subkey is deleted";
}

TEST_F(StoreComponents, SizeLimitsReachTheWindow) {
  TFormStorage* s = NewStore({});
  s->MinMaxInfo()->SetMinTrackWidth(300);
  EXPECT_EQ(Window().limits.minTrackWidth, 300);
  s->SetPreventResize(true);
  EXPECT_TRUE(Window().preventResize);
  s->SetPreventResize(false);
  s->MinMaxInfo()->SetMinTrackWidth(0);
  EXPECT_TRUE(Window().limits.Empty());
  EXPECT_FALSE(Window().preventResize);
}

// ---- Kinds the schedule slots do not use ------------------------------------

class TInner : public TPersistent {
 public:
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }
  int32_t B() const { return b_; }
  void SetB(int32_t v) { b_ = v; }
  const std::string& A() const { return a_; }
  void SetA(const std::string& v) { a_ = v; }

 private:
  int32_t b_ = 0;
  std::string a_;
};

class TProbe : public TComponent {
 public:
  explicit TProbe(TComponent* owner) : TComponent(owner) { SetName("Probe1"); }
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }
  uint8_t Ch() const { return ch; }
  void SetCh(uint8_t v) { ch = v; }
  uint16_t Wide() const { return wide; }
  void SetWide(uint16_t v) { wide = v; }
  float Single() const { return single; }
  void SetSingle(float v) { single = v; }
  double Dbl() const { return dbl; }
  void SetDbl(double v) { dbl = v; }
  const std::string& Var() const { return var; }
  void SetVar(const std::string& v) { var = v; }
  uint32_t Big() const { return big; }
  void SetBig(uint32_t v) { big = v; }
  TInner* Inner() const { return &inner; }
  TComponent* Buddy() const { return buddy; }

  uint8_t ch = 0;
  uint16_t wide = 0;
  float single = 0;
  double dbl = 0;
  std::string var;
  uint32_t big = 0;
  mutable TInner inner;
  TComponent* buddy = nullptr;
};

const TypeInfo kWCharType = {TypeKind::WChar, "WideChar", OrdType::UWord, 0, 65535, nullptr, 0,
                             nullptr, FloatType::Double, nullptr};
const TypeInfo kSingleType = FloatTypeInfo("Single", FloatType::Single);
const TypeInfo kCardinalType = OrdinalTypeInfo("Cardinal", OrdType::ULong, 0, 4294967295LL);
const TypeInfo kInnerType = ClassTypeInfo("TInner", &TInner::kClassInfo);
const TypeInfo kComponentType = ClassTypeInfo("TComponent", &TComponent::kClassInfo);
const PropInfo kInnerProps[] = {
    OrdProp<TInner, &TInner::B, &TInner::SetB>("B", &kIntegerType),
    StrProp<TInner, &TInner::A, &TInner::SetA>("a"),
};
const PropInfo kProbeProps[] = {
    OrdProp<TProbe, &TProbe::Ch, &TProbe::SetCh>("Ch", &kCharType),
    OrdProp<TProbe, &TProbe::Wide, &TProbe::SetWide>("Wide", &kWCharType),
    FloatProp<TProbe, &TProbe::Single, &TProbe::SetSingle>("Single", &kSingleType),
    FloatProp<TProbe, &TProbe::Dbl, &TProbe::SetDbl>("Dbl"),
    StrProp<TProbe, &TProbe::Var, &TProbe::SetVar>("Var", &kVariantType),
    OrdProp<TProbe, &TProbe::Big, &TProbe::SetBig>("Big", &kCardinalType),
    ObjectProp<TProbe, &TProbe::Inner>("Inner", &kInnerType),
    ObjectProp<TProbe, &TProbe::Buddy>("Buddy", &kComponentType),
};
const ClassInfo TInner::kClassInfo = {"TInner", &TPersistent::kClassInfo, kInnerProps, 2};
const ClassInfo TProbe::kClassInfo = {"TProbe", &TComponent::kClassInfo, kProbeProps,
                                      std::size(kProbeProps)};

TEST_F(StoreComponents, CharactersFloatsVariantsAndNestedObjects) {
  auto* probe = new TProbe(&form);
  probe->buddy = form.Launcher(1);
  probe->ch = 'x';
  probe->wide = 0x20AC;
  probe->single = 0.1f;
  probe->dbl = 1e20;
  probe->var = " as is ";
  probe->big = 4000000000u;
  probe->inner.SetB(-3);
  probe->inner.SetA("text");
  TFormStorage* s = NewStore({"Probe1.Ch", "Probe1.Wide", "Probe1.Single", "Probe1.Dbl", "Probe1.Var",
                              "Probe1.Big", "Probe1.Inner", "Probe1.Buddy"});
  s->SaveStoredProps();
  EXPECT_NE(File().find("Probe1_Ch=x\r\nProbe1_Wide=\x80\r\nProbe1_Single=0.1\r\nProbe1_Dbl=1E20\r\n"
                        "Probe1_Var=as is\r\nProbe1_Big=4000000000\r\nProbe1_Innera=text\r\nProbe1_InnerB=-3\r\n"),
            std::string::npos)
      << File();
  EXPECT_EQ(File().find("Buddy"), std::string::npos) << "components are not stored";

  TProbe copy(nullptr);
  File() = "[TMainForm]\r\nProbe1_Ch=yes\r\nProbe1_Wide=\x80\r\nProbe1_Single=0.1\r\nProbe1_Dbl=-2.5E-7\r\n"
           "Probe1_Var=v\r\nProbe1_Big=4000000000\r\nProbe1_Innera=text\r\nProbe1_InnerB=-3\r\n";
  probe->ch = 'a';
  probe->dbl = 0;
  s->RestoreStoredProps();
  EXPECT_EQ(probe->ch, 'y');
  EXPECT_EQ(probe->wide, 0x20AC);
  EXPECT_FLOAT_EQ(probe->single, 0.1f);
  EXPECT_DOUBLE_EQ(probe->dbl, -2.5e-7);
  EXPECT_EQ(probe->var, "v");
  EXPECT_EQ(probe->big, 4000000000u);
  File() = "[TMainForm]\r\nProbe1_Dbl=1,5\r\nProbe1_Ch=\r\n";
  s->RestoreStoredProps();
  EXPECT_DOUBLE_EQ(probe->dbl, -2.5e-7) << "a float that does not convert leaves it as it was";
  EXPECT_EQ(probe->ch, 'y');
}

TEST(FloatFormat, GeneralFormatLikeTheOriginalRuntime) {
  EXPECT_EQ(FormatFloatGeneral(1.5, 15), "1.5");
  EXPECT_EQ(FormatFloatGeneral(-2.5, 15), "-2.5");
  EXPECT_EQ(FormatFloatGeneral(100, 15), "100");
  EXPECT_EQ(FormatFloatGeneral(0, 15), "0");
  EXPECT_EQ(FormatFloatGeneral(0.1, 15), "0.1");
  EXPECT_EQ(FormatFloatGeneral(0.00001, 15), "0.00001");
  EXPECT_EQ(FormatFloatGeneral(0.000001, 15), "1E-6");
  EXPECT_EQ(FormatFloatGeneral(999999999999999.0, 15), "999999999999999");
  EXPECT_EQ(FormatFloatGeneral(1e15, 15), "1E15");
  EXPECT_EQ(FormatFloatGeneral(123456789012345678.0, 15), "1.23456789012346E17");
  EXPECT_EQ(FormatFloatGeneral(static_cast<double>(0.1f), 7), "0.1");
  EXPECT_EQ(FormatFloatGeneral(1.0 / 3, 18), "0.333333333333333315");
  EXPECT_EQ(FormatFloatGeneral(HUGE_VAL, 15), "INF");
  double v;
  EXPECT_TRUE(ParseFloat(" 1.25E3 ", &v));
  EXPECT_DOUBLE_EQ(v, 1250);
  EXPECT_FALSE(ParseFloat("0x10", &v));
  EXPECT_FALSE(ParseFloat("1.5abc", &v));
  EXPECT_FALSE(ParseFloat("", &v));
}

}  // namespace
}  // namespace marrowby
