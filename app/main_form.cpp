// The main window's components: the editor and navigation controls at their
// places, the hidden lists, the 100 slots, the timers and the stores.
#include "app/main_form.h"

#include "app/slot_moment.h"
#include "core/errors.h"
#include "core/text.h"

namespace marrowby {

namespace {
const PropInfo kMainFormProps[] = {EventProp("OnCreate")};
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

void TMainForm::BuildComponents() {
  NewControls(Row(Panel2, {this, nullptr, "Panel2", {0, 0, 518, 273}}),
              Row(Panel1, {this, nullptr, "Panel1", {0, 273, 518, 33}}),
              Row(StatusBar1, {this, nullptr, "StatusBar1", {0, 306, 518, 20}}));
  // The whole bar: the longer hints and the notices about the settings file
  // are wider than the 400 pixels of the panel the bar once had.
  StatusBar1->PanelWidth = -1;
  BuildNavigation();
  BuildEditor();
  BuildButtonsAndLists();
  BuildSlots();

  Timer1 = NewTimer(this, "Timer1", 1000, false, [this](TObject*) { Timer1Timer(); });
  Timer2 = NewTimer(this, "Timer2", 300000, false, [this](TObject*) { Timer2Timer(); });
  Timer3 = NewTimer(this, "Timer3", 3600000, true, [this](TObject*) { Timer3Timer(); });
  DayTimer = NewTimer(this, "DayTimer", 1000, false, [this](TObject*) { DayTimerTimer(); });

  BuildStores();

  // Made last, so that the other components keep their places in the
  // window's component list.
  HistoryBtn = NewControl<TButton>({this, "Panel1", "HistoryBtn", {327, 4, 75, 24}, "H&istory",
                                    {"History", "Show the history of launches"}});
  HistoryBtn->OnClick = [this](TObject*) { HistoryMiClick(); };

  // Tab follows what a reader sees: the description and the item, each
  // criterion's row from left to right (the day panel's boxes after the
  // button that opens it), the actions, the schedule buttons, the list of
  // descriptions while it is shown, then the bottom row. Whatever a panel
  // hides or covers is passed over.
  TabOrder = {DescEdit, CommandEdit, DateCb, DateEdit1, TimeCb, Hours, Minutes, Seconds, WDCb,
              DaysBtn};
  TabOrder.insert(TabOrder.end(), Days.begin(), Days.end());
  TabOrder.insert(TabOrder.end(),
                  {OKBtn, MDCb, MDEdit, EnableCb, AnnounceCb, OnceCb, DelayCb, NewBtn, RemoveBtn,
                   FirstBtn, LastBtn, GetBtn, ListBox1, DescOKBtn, CancelBtn, HideBtn, HelpBtn,
                   HistoryBtn, CloseBtn});
}

void TMainForm::BuildNavigation() {
  NewControls(
      Row(Label1, {this, "Panel2", "Label1", {24, 17, 159, 22}, "Scheduled Task :"}),
      Row(SchedNum, {this, "Panel2", "SchedNum", {183, 17, 55, 22}, "0"}),
      Row(CurrentSpin, {this, "Panel2", "CurrentSpin", {245, 15, 28, 28}, nullptr,
                        {"Navigate", "Navigate the list of available schedules"}}),
      Row(Label2, {this, "Panel2", "Label2", {329, 17, 136, 22}, "Set Schedules :"}),
      Row(TotalNum, {this, "Panel2", "TotalNum", {465, 17, 45, 22}, "0"}),
      Row(GroupBox5, {this, "Panel2", "GroupBox5", {413, 135, 93, 133}, "  Schedule  "}),
      Row(NewBtn, {this, "GroupBox5", "NewBtn", {10, 16, 73, 22}, "&New",
                   {"New", "Initialise a new schedule"}, 29}),
      Row(RemoveBtn, {this, "GroupBox5", "RemoveBtn", {10, 38, 73, 22}, "&Remove",
                      {"Remove", "Delete the current schedule that is displayed"}, 30}),
      Row(FirstBtn, {this, "GroupBox5", "FirstBtn", {10, 60, 73, 22}, "&First",
                     {"First", "Display the first schedule that is set"}, 31}),
      Row(LastBtn, {this, "GroupBox5", "LastBtn", {10, 82, 73, 22}, "&Last",
                    {"Last", "Display the last schedule that is set"}, 32}),
      Row(GetBtn, {this, "GroupBox5", "GetBtn", {10, 104, 73, 22}, "&Get",
                   {"Get", "Select a schedule from those available via a list of the task "
                   "descriptions"},
                   33}));
  for (TLabel* l : {Label1, SchedNum, Label2, TotalNum}) l->SetFontHeight(19);
  GroupBox5->GroupFrame = true;
  CurrentSpin->OnTopClick = [this](TObject*) { CurrentSpinTopClick(); };
  CurrentSpin->OnBottomClick = [this](TObject*) { CurrentSpinBottomClick(); };
  NewBtn->OnClick = [this](TObject*) { NewBtnClick(); };
  RemoveBtn->OnClick = [this](TObject*) { RemoveBtnClick(); };
  FirstBtn->OnClick = [this](TObject*) { FirstBtnClick(); };
  LastBtn->OnClick = [this](TObject*) { LastBtnClick(); };
  GetBtn->OnClick = [this](TObject*) { GetBtnClick(); };
}

void TMainForm::BuildEditor() {
  NewControls(
      Row(GroupBox1, {this, "Panel2", "GroupBox1", {12, 46, 494, 46},
                      "  Task Description  ( shown in the announcement dialog )  "}),
      Row(DescEdit, {this, "GroupBox1", "DescEdit", {9, 17, 475, 21}, nullptr,
                     {"Description", "Description of task to perform (this is shown in the "
                     "announcement dialog)"},
                     13}),
      Row(GroupBox6, {this, "Panel2", "GroupBox6", {11, 93, 495, 40}, "  Item To Launch  "}),
      Row(CommandEdit, {this, "GroupBox6", "CommandEdit", {9, 13, 477, 21}, nullptr,
                        {"Item to launch", "The item to launch, which can be any associated file"},
                        14}),
      Row(GroupBox2, {this, "Panel2", "GroupBox2", {12, 135, 262, 133},
                      "  Schedule Task For :  "}),
      Row(DateCb, {this, "GroupBox2", "DateCb", {16, 20, 120, 17}, "Specific &Date",
                   {"Date", "Launch task on this specific date"}, 15}),
      Row(TimeCb, {this, "GroupBox2", "TimeCb", {16, 48, 120, 17}, "Specific &Time",
                   {"Time", "Launch task at this time"}, 16}),
      Row(WDCb, {this, "GroupBox2", "WDCb", {16, 76, 120, 17}, "Day of the &Week",
                 {"Week days", "Launch task on these days"}, 17}),
      Row(MDCb, {this, "GroupBox2", "MDCb", {16, 104, 120, 17}, "Day of the &Month",
                 {"Month day", "Launch task on this day of the month"}, 18}));
  BuildTimeControls();
  BuildActions();
  for (TPanel* g : {GroupBox1, GroupBox6, GroupBox2, GroupBox4}) g->GroupFrame = true;
  CommandEdit->DialogTitle = "Browse For Item To Launch";
  Hours->MaxValue = 23;
  Minutes->MaxValue = 59;
  Seconds->MaxValue = 59;
  MDEdit->MinValue = 1;
  MDEdit->MaxValue = 31;
  BindEditor();
}

void TMainForm::BuildTimeControls() {
  NewControls(
      Row(DateEdit1, {this, "GroupBox2", "DateEdit1", {145, 21, 106, 21}, nullptr,
                      {"Date", "This is the specific date to be used "}, 19}),
      Row(Hours, {this, "GroupBox2", "Hours", {144, 48, 38, 21}, nullptr,
                  {"Hour", "The hour of the time to use when checking for launch ability"}, 20}),
      Row(Minutes, {this, "GroupBox2", "Minutes", {179, 48, 38, 21}, nullptr,
                    {"Minutes", "The minutes to be used when checking for launch ability "}, 21}),
      Row(Seconds, {this, "GroupBox2", "Seconds", {214, 48, 38, 21}, nullptr,
                    {"Seconds", "The seconds to use when checking for launch ability"}, 22}),
      Row(DaysBtn, {this, "GroupBox2", "DaysBtn", {145, 74, 107, 22}, "&Select Days",
                    {"Select days", "Set the days of the week to lauch this schedule on"}, 23}),
      Row(MDEdit, {this, "GroupBox2", "MDEdit", {145, 101, 49, 24}, nullptr,
                   {"Day of month", "The day of the month to launch this schedule on"}, 24}),
      Row(DayPanel, {this, "GroupBox2", "DayPanel", {144, -125, 108, 125}}),
      Row(Days[0], {this, "DayPanel", "Sunday", {8, 3, 95, 14}, "Sunday", {}, 38}),
      Row(Days[1], {this, "DayPanel", "Monday", {8, 17, 95, 14}, "Monday", {}, 39}),
      Row(Days[2], {this, "DayPanel", "Tuesday", {8, 31, 95, 14}, "Tuesday", {}, 40}),
      Row(Days[3], {this, "DayPanel", "Wednesday", {8, 45, 95, 14}, "Wednesday", {}, 41}),
      Row(Days[4], {this, "DayPanel", "Thursday", {8, 59, 95, 14}, "Thursday", {}, 42}),
      Row(Days[5], {this, "DayPanel", "Friday", {8, 73, 95, 14}, "Friday", {}, 43}),
      Row(Days[6], {this, "DayPanel", "Saturday", {8, 87, 95, 14}, "Saturday", {}, 44}),
      Row(OKBtn, {this, "DayPanel", "OKBtn", {27, 101, 55, 21}, "OK"}));
}

void TMainForm::BuildActions() {
  NewControls(
      Row(GroupBox4, {this, "Panel2", "GroupBox4", {276, 135, 135, 133}, "  Action :  "}),
      Row(EnableCb, {this, "GroupBox4", "EnableCb", {15, 20, 112, 17}, "Enable &Schedule",
                     {"Enable", "Enable this schedule"}, 25}),
      Row(AnnounceCb, {this, "GroupBox4", "AnnounceCb", {15, 48, 112, 17}, "Announce La&unch",
                       {"Announce", "Announce that this scheduled task is about to be launched"},
                       26}),
      Row(OnceCb, {this, "GroupBox4", "OnceCb", {15, 76, 112, 17}, "Launch &Once",
                   {"Once", "Launch this task once, then erase"}, 27}),
      Row(DelayCb, {this, "GroupBox4", "DelayCb", {15, 104, 112, 17}, "&Allow Cancel",
                    {"Allow cancel", "Provide the ability to cancel this scheduled task when "
                    "launched (ten second delay)"},
                    28}));
}

void TMainForm::BuildButtonsAndLists() {
  NewControls(
      Row(HideBtn, {this, "Panel1", "HideBtn", {10, 4, 75, 24}, "&Hide",
                    {"Hide", "Hide the manager in the notification area"}}),
      Row(HelpBtn, {this, "Panel1", "HelpBtn", {221, 4, 75, 24}, "H&elp",
                    {"Help", "Show the help contents"}}),
      Row(CloseBtn, {this, "Panel1", "CloseBtn", {433, 4, 75, 24}, "&Close",
                     {"Close", "Close the Schedule Manager"}}),
      // The description panel, held above the client area until "Get".
      Row(DescPanel, {this, nullptr, "DescPanel", {3, -267, 513, 267}}),
      Row(ListBox1, {this, "DescPanel", "ListBox1", {0, 0, 513, 230}}),
      Row(DescBar, {this, "DescPanel", "DescBar", {0, 230, 513, 37}}),
      Row(DescOKBtn, {this, "DescBar", "DescOKBtn", {90, 6, 69, 27}, "&OK"}),
      Row(CancelBtn, {this, "DescBar", "CancelBtn", {356, 6, 69, 27}, "&Cancel"}),
      // The hidden lists holding the slot table and the launch states.
      Row(LaunchList, {this, "Panel2", "LaunchList", {0, 0, 0, 0}}),
      Row(DateList, {this, "Panel2", "DateList", {0, 0, 0, 0}}));
  HideBtn->OnClick = [this](TObject*) { HideBtnClick(); };
  HelpBtn->OnClick = [this](TObject*) { HelpBtnClick(); };
  CloseBtn->OnClick = [this](TObject*) { CloseBtnClick(); };
  DescOKBtn->SetEnabled(false);
  ListBox1->OnClick = [this](TObject*) { ListBox1Click(); };
  DescOKBtn->OnClick = [this](TObject*) { DescOKBtnClick(); };
  CancelBtn->OnClick = [this](TObject*) { CancelBtnClick(); };
  LaunchList->SetVisible(false);
  DateList->SetVisible(false);
  schedules_ = std::make_unique<ScheduleTable>(LaunchList->Items(), ListBox1->Items(),
                                               DateList->Items());
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
