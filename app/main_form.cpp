// The main window's components: the editor and navigation controls at their
// places, the hidden lists, the 100 slots, the timers and the stores.
#include "app/main_form.h"

#include "app/slot_moment.h"
#include "core/errors.h"
#include "core/text.h"

namespace marrowby {

namespace {
const PropInfo kMainFormProps[] = {EventProp("OnCreate")};

void Hint(TControl* c, const std::string& shortHint, const std::string& longHint, int help) {
  c->SetHint(JoinHint(shortHint, longHint));
  c->SetHelpContext(help);
}

// One control of a table: made in its parent (a field that an earlier row or
// statement has set) and kept in its field; with a caption, hints ("short|long")
// and a help context when given.
struct ControlRow {
  template <class T>
  ControlRow(T** f, TPanel** p, const char* n, TBounds b, const char* c = nullptr,
             const char* sh = nullptr, const char* lh = nullptr, int h = 0)
      : field(f), parent(p), name(n), bounds(b), caption(c), shortHint(sh), longHint(lh),
        help(h), make(&Make<T>) {}

  template <class T>
  static TControl* Make(TComponent* owner, void* out, TControl* in, const char* n,
                        const TBounds& b) {
    T* c = NewControl<T>(owner, in, n, b.Left, b.Top, b.Width, b.Height);
    *static_cast<T**>(out) = c;
    return c;
  }

  void* field;
  TPanel** parent;
  const char* name;
  TBounds bounds;
  const char* caption;
  const char* shortHint;
  const char* longHint;
  int help;
  TControl* (*make)(TComponent*, void*, TControl*, const char*, const TBounds&);
};

// Makes the controls of a table in its order (their order in the form).
void MakeControls(TComponent* owner, std::initializer_list<ControlRow> rows) {
  for (const ControlRow& r : rows) {
    TControl* c = r.make(owner, r.field, *r.parent, r.name, r.bounds);
    if (r.caption) c->SetCaption(r.caption);
    if (r.shortHint) c->SetHint(JoinHint(r.shortHint, r.longHint));
    if (r.help) c->SetHelpContext(r.help);
  }
}

// A column of controls of one kind and size in a group, step pixels apart
// from the first one's place, each with a caption and hints.
template <class T>
struct ColumnRow {
  T** field;
  const char* name;
  const char* caption;
  const char* shortHint;
  const char* longHint;
  int help;
};

template <class T>
void MakeColumn(TComponent* owner, TPanel* group, TBounds first, int step,
                std::initializer_list<ColumnRow<T>> rows) {
  TBounds b = first;
  for (const ColumnRow<T>& r : rows) {
    *r.field = NewControl<T>(owner, group, r.name, b.Left, b.Top, b.Width, b.Height);
    (*r.field)->SetCaption(r.caption);
    Hint(*r.field, r.shortHint, r.longHint, r.help);
    b.Top += step;
  }
}
}  // namespace

const ClassInfo TMainForm::kClassInfo = {"TMainForm", &TForm::kClassInfo, kMainFormProps,
                                         std::size(kMainFormProps)};

TMainForm::TMainForm(TComponent* owner, MainFormHost* host) : TForm(owner), host_(host) {
  SetName("MainForm");
  SetCaption("Marrowby Schedule Manager");
  SetClientSize(518, 326);
  BorderStyle = TBorderStyle::bsSingle;
  BuildComponents();
}

TMainForm::~TMainForm() {
  // Save while the components still exist (the base class would be too late).
  DoDestroy();
}

void TMainForm::BuildComponents() {
  Panel2 = NewControl<TPanel>(this, nullptr, "Panel2", 0, 0, 518, 273);
  Panel1 = NewControl<TPanel>(this, nullptr, "Panel1", 0, 273, 518, 33);
  StatusBar1 = NewControl<TStatusBar>(this, nullptr, "StatusBar1", 0, 306, 518, 20);
  StatusBar1->PanelWidth = 400;
  BuildNavigation();
  BuildEditor();

  HideBtn = NewControl<TButton>(this, Panel1, "HideBtn", 10, 4, 75, 24);
  HideBtn->SetCaption("&Hide");
  Hint(HideBtn, "Hide", "Hide the manager in the notification area", 0);
  HelpBtn = NewControl<TButton>(this, Panel1, "HelpBtn", 221, 4, 75, 24);
  HelpBtn->SetCaption("H&elp");
  Hint(HelpBtn, "Help", "Show the help contents", 0);
  CloseBtn = NewControl<TButton>(this, Panel1, "CloseBtn", 433, 4, 75, 24);
  CloseBtn->SetCaption("&Close");
  Hint(CloseBtn, "Close", "Close the Schedule Manager", 0);
  HideBtn->OnClick = [this](TObject*) { HideBtnClick(); };
  HelpBtn->OnClick = [this](TObject*) { HelpBtnClick(); };
  CloseBtn->OnClick = [this](TObject*) { CloseBtnClick(); };

  // The description panel, held above the client area until "Get".
  DescPanel = NewControl<TPanel>(this, nullptr, "DescPanel", 3, -267, 513, 267);
  ListBox1 = NewControl<TListBox>(this, DescPanel, "ListBox1", 0, 0, 513, 230);
  DescBar = NewControl<TPanel>(this, DescPanel, "DescBar", 0, 230, 513, 37);
  DescOKBtn = NewControl<TButton>(this, DescBar, "DescOKBtn", 90, 6, 69, 27);
  DescOKBtn->SetCaption("&OK");
  DescOKBtn->SetEnabled(false);
  CancelBtn = NewControl<TButton>(this, DescBar, "CancelBtn", 356, 6, 69, 27);
  CancelBtn->SetCaption("&Cancel");
  ListBox1->OnClick = [this](TObject*) { ListBox1Click(); };
  DescOKBtn->OnClick = [this](TObject*) { DescOKBtnClick(); };
  CancelBtn->OnClick = [this](TObject*) { CancelBtnClick(); };

  // The hidden lists holding the slot table and the launch states.
  LaunchList = NewControl<TListBox>(this, Panel2, "LaunchList", 0, 0, 0, 0);
  LaunchList->SetVisible(false);
  DateList = NewControl<TListBox>(this, Panel2, "DateList", 0, 0, 0, 0);
  DateList->SetVisible(false);
  schedules_ = std::make_unique<ScheduleTable>(LaunchList->Items(), ListBox1->Items(),
                                               DateList->Items());

  BuildSlots();

  Timer1 = NewTimer(this, "Timer1", 1000, false, [this](TObject*) { Timer1Timer(); });
  Timer2 = NewTimer(this, "Timer2", 300000, false, [this](TObject*) { Timer2Timer(); });
  Timer3 = NewTimer(this, "Timer3", 3600000, true, [this](TObject*) { Timer3Timer(); });
  DayTimer = NewTimer(this, "DayTimer", 1000, false, [this](TObject*) { DayTimerTimer(); });

  BuildStores();

  // Made last, so that the other components keep their places in the
  // window's component list.
  HistoryBtn = NewControl<TButton>(this, Panel1, "HistoryBtn", 327, 4, 75, 24);
  HistoryBtn->SetCaption("H&istory");
  Hint(HistoryBtn, "History", "Show the history of launches", 0);
  HistoryBtn->OnClick = [this](TObject*) { HistoryMiClick(); };
}

void TMainForm::BuildNavigation() {
  Label1 = NewControl<TLabel>(this, Panel2, "Label1", 24, 17, 159, 22);
  Label1->SetCaption("Scheduled Task :");
  SchedNum = NewControl<TLabel>(this, Panel2, "SchedNum", 183, 17, 55, 22);
  SchedNum->SetCaption("0");
  CurrentSpin = NewControl<TSpinButton>(this, Panel2, "CurrentSpin", 245, 15, 28, 28);
  Hint(CurrentSpin, "Navigate", "Navigate the list of available schedules", 0);
  Label2 = NewControl<TLabel>(this, Panel2, "Label2", 329, 17, 136, 22);
  Label2->SetCaption("Set Schedules :");
  TotalNum = NewControl<TLabel>(this, Panel2, "TotalNum", 465, 17, 45, 22);
  TotalNum->SetCaption("0");
  for (TLabel* l : {Label1, SchedNum, Label2, TotalNum}) l->SetFontHeight(19);
  CurrentSpin->OnTopClick = [this](TObject*) { CurrentSpinTopClick(); };
  CurrentSpin->OnBottomClick = [this](TObject*) { CurrentSpinBottomClick(); };

  GroupBox5 = NewControl<TPanel>(this, Panel2, "GroupBox5", 413, 135, 93, 133);
  GroupBox5->GroupFrame = true;
  GroupBox5->SetCaption("  Schedule  ");
  MakeColumn<TButton>(this, GroupBox5, {10, 16, 73, 22}, 22, {
      {&NewBtn, "NewBtn", "&New", "New", "Initialise a new schedule", 29},
      {&RemoveBtn, "RemoveBtn", "&Remove", "Remove", "Delete the current schedule that is displayed",
       30},
      {&FirstBtn, "FirstBtn", "&First", "First", "Display the first schedule that is set", 31},
      {&LastBtn, "LastBtn", "&Last", "Last", "Display the last schedule that is set", 32},
      {&GetBtn, "GetBtn", "&Get", "Get",
       "Select a schedule from those available via a list of the task descriptions", 33},
  });
  NewBtn->OnClick = [this](TObject*) { NewBtnClick(); };
  RemoveBtn->OnClick = [this](TObject*) { RemoveBtnClick(); };
  FirstBtn->OnClick = [this](TObject*) { FirstBtnClick(); };
  LastBtn->OnClick = [this](TObject*) { LastBtnClick(); };
  GetBtn->OnClick = [this](TObject*) { GetBtnClick(); };
}

void TMainForm::BuildEditor() {
  MakeControls(this, {
      {&GroupBox1, &Panel2, "GroupBox1", {12, 46, 494, 46},
       "  Task Description  ( shown in the announcement dialog )  "},
      {&DescEdit, &GroupBox1, "DescEdit", {9, 17, 475, 21}, nullptr, "Description",
       "Description of task to perform (this is shown in the announcement dialog)", 13},
      {&GroupBox6, &Panel2, "GroupBox6", {11, 93, 495, 40}, "  Item To Launch  "},
      {&CommandEdit, &GroupBox6, "CommandEdit", {9, 13, 477, 21}, nullptr, "Item to launch",
       "The item to launch, which can be any associated file", 14},
      {&GroupBox2, &Panel2, "GroupBox2", {12, 135, 262, 133}, "  Schedule Task For :  "},
  });
  MakeColumn<TCheckBox>(this, GroupBox2, {16, 20, 120, 17}, 28, {
      {&DateCb, "DateCb", "Specific &Date", "Date", "Launch task on this specific date", 15},
      {&TimeCb, "TimeCb", "Specific &Time", "Time", "Launch task at this time", 16},
      {&WDCb, "WDCb", "Day of the &Week", "Week days", "Launch task on these days", 17},
      {&MDCb, "MDCb", "Day of the &Month", "Month day", "Launch task on this day of the month", 18},
  });
  MakeControls(this, {
      {&DateEdit1, &GroupBox2, "DateEdit1", {145, 21, 106, 21}, nullptr, "Date",
       "This is the specific date to be used ", 19},
      {&Hours, &GroupBox2, "Hours", {144, 48, 38, 21}, nullptr, "Hour",
       "The hour of the time to use when checking for launch ability", 20},
      {&Minutes, &GroupBox2, "Minutes", {179, 48, 38, 21}, nullptr, "Minutes",
       "The minutes to be used when checking for launch ability ", 21},
      {&Seconds, &GroupBox2, "Seconds", {214, 48, 38, 21}, nullptr, "Seconds",
       "The seconds to use when checking for launch ability", 22},
      {&DaysBtn, &GroupBox2, "DaysBtn", {145, 74, 107, 22}, "&Select Days", "Select days",
       "Set the days of the week to lauch this schedule on", 23},
      {&MDEdit, &GroupBox2, "MDEdit", {145, 101, 49, 24}, nullptr, "Day of month",
       "The day of the month to launch this schedule on", 24},
      {&DayPanel, &GroupBox2, "DayPanel", {144, -125, 108, 125}},
      {&Days[0], &DayPanel, "Sunday", {8, 3, 95, 14}, "Sunday", nullptr, nullptr, 38},
      {&Days[1], &DayPanel, "Monday", {8, 17, 95, 14}, "Monday", nullptr, nullptr, 39},
      {&Days[2], &DayPanel, "Tuesday", {8, 31, 95, 14}, "Tuesday", nullptr, nullptr, 40},
      {&Days[3], &DayPanel, "Wednesday", {8, 45, 95, 14}, "Wednesday", nullptr, nullptr, 41},
      {&Days[4], &DayPanel, "Thursday", {8, 59, 95, 14}, "Thursday", nullptr, nullptr, 42},
      {&Days[5], &DayPanel, "Friday", {8, 73, 95, 14}, "Friday", nullptr, nullptr, 43},
      {&Days[6], &DayPanel, "Saturday", {8, 87, 95, 14}, "Saturday", nullptr, nullptr, 44},
      {&OKBtn, &DayPanel, "OKBtn", {27, 101, 55, 21}, "OK"},
      {&GroupBox4, &Panel2, "GroupBox4", {276, 135, 135, 133}, "  Action :  "},
  });
  MakeColumn<TCheckBox>(this, GroupBox4, {15, 20, 112, 17}, 28, {
      {&EnableCb, "EnableCb", "Enable &Schedule", "Enable", "Enable this schedule", 25},
      {&AnnounceCb, "AnnounceCb", "Announce La&unch", "Announce",
       "Announce that this scheduled task is about to be launched", 26},
      {&OnceCb, "OnceCb", "Launch &Once", "Once", "Launch this task once, then erase", 27},
      {&DelayCb, "DelayCb", "&Allow Cancel", "Allow cancel",
       "Provide the ability to cancel this scheduled task when launched (ten second delay)", 28},
  });
  for (TPanel* g : {GroupBox1, GroupBox6, GroupBox2, GroupBox4}) g->GroupFrame = true;
  CommandEdit->DialogTitle = "Browse For Item To Launch";
  Hours->MaxValue = 23;
  Minutes->MaxValue = 59;
  Seconds->MaxValue = 59;
  MDEdit->MinValue = 1;
  MDEdit->MaxValue = 31;
  BindEditor();
}

void TMainForm::BindEditor() {
  // Initial values, before the change handlers are bound.
  TimeCb->SetChecked(true);
  Hours->SetValue(10);
  MDEdit->SetValue(1);
  DateEdit1->SetDate(DateOf(Now()));
  DisableGUI();
  CurrentSpin->SetEnabled(true);  // answers even with no schedule

  auto edited = [this](EditKind kind) { return [this, kind](TObject*) { EditorChanged(kind); }; };
  // The description, date and item enable "New" again, whoever changes them.
  auto descChange = [this](EditKind kind) {
    return [this, kind](TObject*) {
      NewBtn->SetEnabled(true);
      EditorChanged(kind);
    };
  };
  DescEdit->OnChange = descChange(EditKind::Plain);
  DateEdit1->OnChange = descChange(EditKind::Criteria);
  CommandEdit->OnChange = descChange(EditKind::Plain);
  for (TCheckBox* c : {DateCb, TimeCb, MDCb}) c->OnClick = edited(EditKind::Criteria);
  WDCb->OnClick = edited(EditKind::Days);
  EnableCb->OnClick = edited(EditKind::Enable);
  for (TCheckBox* c : {OnceCb, DelayCb}) c->OnClick = edited(EditKind::Plain);
  for (TSpinEdit* s : {Hours, Minutes, Seconds, MDEdit}) s->OnChange = edited(EditKind::Criteria);
  for (TCheckBox* d : Days) d->OnClick = edited(EditKind::Days);
  AnnounceCb->OnClick = [this](TObject*) {
    DelayCb->SetEnabled(AnnounceCb->Checked());
    EditorChanged(EditKind::Plain);
  };
  DaysBtn->OnClick = [this](TObject*) { DaysBtnClick(); };
  OKBtn->OnClick = [this](TObject*) { OKBtnClick(); };
}

void TMainForm::BuildSlots() {
  for (int i = 0; i < kSlotCount; ++i) {
    auto* slot = new TLauncher(this);
    slot->SetName(SlotName(i + 1));
    // The window's definition of every slot: disarmed, not waiting, Sunday,
    // a fixed date and time (so that unused slots read the same in the
    // settings file at every run), the shared launch handler.
    slot->SetEnabled(false);
    slot->SetWait(false);
    slot->SetWeekDay(ldSunday);
    SetFixedSlotMoment(slot);
    slot->BeforeLaunch = [this](TObject* sender, bool& cancel) {
      Launcher1BeforeLaunch(sender, cancel);
    };
    Launchers[i] = slot;
  }
}

TLauncher* TMainForm::SlotAt(int position) const { return schedules_->Slot(position); }

int TMainForm::PositionOf(const TLauncher* slot) const { return schedules_->PositionOf(slot); }

}  // namespace marrowby
