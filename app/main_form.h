// The main window of the schedule manager: the 100 schedule slots and the
// lists that hold the application's state, the schedule editor, navigation
// and management of schedules, the launch of due schedules, tray residence
// and the settings stores. Portable: the window and the platform come in
// through a FormView and the MainFormHost.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/flag_digits.h"
#include "app/history_form.h"
#include "app/launch_history.h"
#include "app/main_form_host.h"
#include "app/schedule_table.h"
#include "app/settings_schema.h"
#include "core/timer.h"
#include "scheduler/launcher.h"
#include "ui/form.h"

namespace marrowby {

class TFormStorage;
class TCopyRightForm;

class TMainForm : public TForm {
 public:
  // Builds the window's components; FormCreate runs when the view calls
  // DoCreate (or Create() in tests).
  TMainForm(TComponent* owner, MainFormHost* host);
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  // ---- Components (names as in the settings file) -------------------------
  TPanel* Panel1;
  TPanel* Panel2;
  TLabel* Label1;
  TLabel* SchedNum;
  TSpinButton* CurrentSpin;
  TLabel* Label2;
  TLabel* TotalNum;
  TPanel* GroupBox1;
  TEdit* DescEdit;
  TPanel* GroupBox6;
  TFilenameEdit* CommandEdit;
  TPanel* GroupBox2;
  TCheckBox* DateCb;
  TCheckBox* TimeCb;
  TCheckBox* WDCb;
  TCheckBox* MDCb;
  TDateEdit* DateEdit1;
  TSpinEdit* Hours;
  TSpinEdit* Minutes;
  TSpinEdit* Seconds;
  TButton* DaysBtn;
  TSpinEdit* MDEdit;
  TPanel* DayPanel;
  std::array<TCheckBox*, 7> Days;  // Sunday .. Saturday
  TButton* OKBtn;
  TPanel* GroupBox4;
  TCheckBox* EnableCb;
  TCheckBox* AnnounceCb;
  TCheckBox* OnceCb;
  TCheckBox* DelayCb;
  TPanel* GroupBox5;
  TButton* NewBtn;
  TButton* RemoveBtn;
  TButton* FirstBtn;
  TButton* LastBtn;
  TButton* GetBtn;
  TButton* HideBtn;
  TButton* HelpBtn;
  TButton* CloseBtn;
  TButton* HistoryBtn;
  TStatusBar* StatusBar1;
  TPanel* DescPanel;
  TListBox* ListBox1;
  TPanel* DescBar;
  TButton* DescOKBtn;
  TButton* CancelBtn;
  TListBox* LaunchList;
  TListBox* DateList;
  std::array<TLauncher*, kSlotCount> Launchers;
  TTimer* Timer1;
  TTimer* Timer2;
  TTimer* Timer3;
  // Fires just after midnight, so that a daily schedule is re-armed at once
  // rather than at the next hourly check.
  TTimer* DayTimer;
  std::array<TFormStorage*, kStoreCount> Stores;

  // ---- State ---------------------------------------------------------------
  // The slot table, descriptions and launch states, typed.
  ScheduleTable& Schedules() const { return *schedules_; }
  // N: the number of set schedules (lines of the description list).
  int Count() const { return schedules_->Count(); }
  // The current position, 0 when no schedule is shown.
  int Position() const { return CurrentSpin->Tag(); }
  // Set by the user's edits of the shown schedule since it was loaded; a
  // store writes nothing without it.
  bool EditFlag() const { return edited_; }
  bool Removing() const { return removing_; }
  bool AskOnClose() const { return askOnClose_; }
  // Hidden exactly while the tray menu's "Show Manager" is enabled.
  bool ManagerHidden() const { return hidden_; }
  TLauncher* SlotAt(int position) const;
  // The position (1-based) of a slot in the slot table, 0 if it has none.
  int PositionOf(const TLauncher* slot) const;

  // ---- Handlers --------------------------------------------------------------
  void HideBtnClick();
  void CloseBtnClick();
  void ShowMiClick();
  void ExitMiClick();
  void HelpBtnClick();
  void AppEvents1Minimize();
  void AppEvents1Restore();
  void AppEvents1Hint(const std::string& hint);
  void Timer1Timer();
  void Timer2Timer();
  void Timer3Timer();
  // Just after midnight, and at least every 30 s on a host whose timers
  // sleep: the change of day.
  void DayTimerTimer();
  // The change-of-day check; true when the day had changed.
  bool SetEnables();
  // The system time changed or the machine resumed from sleep: the day may
  // have changed.
  void TimeChanged();

  void GetSchedValues(int componentIndex);
  void SetSchedValues();
  void EnableGUI();
  void DisableGUI();
  void DaysBtnClick();
  void OKBtnClick();

  void CurrentSpinTopClick();
  void CurrentSpinBottomClick();
  void FirstBtnClick();
  void LastBtnClick();
  void NewBtnClick();
  void RemoveBtnClick();
  void GetBtnClick();
  void ListBox1Click();
  void DescOKBtnClick();
  void CancelBtnClick();
  void FileDrag1Drop(const std::vector<std::string>& files);

  // The handler of every slot's BeforeLaunch.
  void Launcher1BeforeLaunch(TObject* Sender, bool& Cancel);
  void NumSchedsMiClick();
  // "History" in the tray menu and the main window's button: opens the
  // History window, or brings it to the front, reloaded.
  void HistoryMiClick();
  // The History window while it is open, or null.
  THistoryForm* HistoryWindow() const;
  // The launch history beside the settings file.
  LaunchHistory History() const;
  void AboutMiClick();
  void WebsiteMiClick() { MarrowbyWebSite(); }
  void MarrowbyWebSite();
  // The picture window, made once at start by the program entry.
  TCopyRightForm* CopyRightForm = nullptr;
  // The summary sentence of NumSchedsMiClick.
  std::string SummaryText() const;
  // When the schedule at a position launches next: "Next launch: " and the
  // date and time, "Due now", "Not armed" (or the due test's failure).
  std::string NextLaunchText(int position) const;
  // The tray tooltip: the title, then the first schedule to launch and when.
  std::string TrayHintText() const;
  // Shows both anew: after a store, a launch, a re-arming, a change of day
  // and whenever another schedule comes into the editor.
  void ShowNextLaunch();
  // What the status bar shows while no hint is shown.
  const std::string& NextLaunchStatus() const { return nextLaunchText_; }
  static std::string StripDate(const std::string& text);
  // Today's day stamp: "ddmmyy" as an integer.
  static int32_t DayStamp(TDateTime today);

  // The session ends (log-off, shutdown): store the editor and save now, no
  // questions; returns true (the session may end).
  bool QueryEndSession() override;
  void EndSession(bool ending) override;
  void SystemTimeChanged() override { TimeChanged(); }

  // A second copy of the program saves nothing when it goes.
  void SetSaveOnDestroy(bool save) { saveOnDestroy_ = save; }

  // Reads and writes the settings file through the four stores.
  void RestoreStores();
  // Runs a write of the settings file. A file that cannot be written is told
  // once, with a notice in the status bar that stays until a write goes
  // through; meanwhile every write is tried again without a word. False when
  // the write failed.
  bool WriteSettings(const std::function<void()>& write);
  bool SettingsWriteFailing() const { return !writeNotice_.empty(); }
  // A line for the status bar when the settings file is there but holds
  // nothing this program wrote; empty otherwise.
  std::string UnreadableSettingsReport();
  void SaveStores();

 protected:
  void FormCreate() override;
  void FormShow() override;
  void FormActivate() override;
  void FormDeactivate() override;
  void FormClose(TCloseAction& action) override;
  void FormDestroy() override;

 private:
  void BuildComponents();
  void BuildEditor();
  void BuildTimeControls();
  void BuildActions();
  void BuildButtonsAndLists();
  // The editor's initial values and change handlers.
  void BindEditor();
  void BuildNavigation();
  void BuildSlots();
  void BuildStores();
  // EnableGUI and DisableGUI: the editor's controls in their order.
  void SetEditorEnabled(bool enabled);
  void ShowPosition(int position);
  void HideManager();
  void ShowManager();
  void SaveStoresNow();
  void ScheduleDayCheck();
  // Moves the schedule in slot `from` to slot `to`, property by property.
  void MoveSchedule(TLauncher* from, TLauncher* to);
  void ClearSlot(TLauncher* slot);
  // New: false when refused.
  bool NewSchedule();
  // The user changed the editor (not a load): what kind of value.
  enum class EditKind { Plain, Criteria, Days, Enable };
  void EditorChanged(EditKind kind);
  // Armed, and its due test can be made: a schedule whose date or time
  // cannot exist rests after its first tick, and the Enable box shows so at
  // once.
  static bool ArmedToRun(const TLauncher& slot);
  // Launching now, or launched and not armed again since.
  bool LaunchedSinceArmed(int position) const;
  // The status bar's words for the shown schedule: what a store will do, why
  // the Enable box is unticked, or when it launches next.
  std::string EditorStatus();
  // Whether the editor's criteria hold now (as they would once stored).
  bool EditorDueNow() const;
  // The weekday a store gives the shown schedule from its ticked days: the
  // first from today (from tomorrow when it launched today); -1 for none.
  int EditorWeekDay(int position) const;
  // The next selected weekday after today (tomorrow .. Saturday, then from
  // Sunday); -1 when no day is selected.
  static int NextWeekDayAfter(const FlagDigits& flags, int today);
  // Shows the announcement of a launch; true when the user cancelled it.
  bool Announce(const std::string& commandLine, const std::string& description,
                const FlagDigits& flags);
  struct StartResult {
    LaunchOutcome outcome;
    StartWay way;
    std::string error;
  };
  // Starts the item through the one starter; a failure is reported by
  // ReportLaunchFailure once the history holds it.
  StartResult StartItem(const std::string& commandLine);
  void ReportLaunchFailure(int position, const std::string& commandLine);
  // Appends the launch, attempted at `at`, to the history; a failure to write
  // it is shown once in the status bar and never stops the launch.
  void RecordLaunch(int position, const std::string& description, const std::string& commandLine,
                    const StartResult& result, TDateTime at);
  void AfterLaunch(int position, const FlagDigits& flags);

  struct NextLaunch {
    enum Kind { kNotArmed, kDueNow, kAt, kNever } kind = kNotArmed;
    TDateTime at = 0;
  };
  NextLaunch NextLaunchOf(int position, TDateTime now) const;

  MainFormHost* host_;
  std::string nextLaunchText_;
  // Shown in the status bar while the settings file cannot be written.
  std::string writeNotice_;
  // Non-empty when the settings file was there but could not be read at the
  // start (another program held it locked, or its permissions forbade it):
  // the schedules in it were never restored, so a save would put an empty
  // table in their place. Saves are refused for the rest of the run.
  std::string unreadNotice_;
  // The last launch of the schedule at each position (index position - 1),
  // for the status bar.
  struct LastLaunch {
    TDateTime at = 0;  // 0: none known
    LaunchOutcome outcome = LaunchOutcome::Started;
    bool looked = false;  // the history has been asked
  };
  std::vector<LastLaunch> lastLaunch_;
  LastLaunch& LastLaunchAt(int position);
  bool hintShown_ = false;
  std::unique_ptr<ScheduleTable> schedules_;
  // Positions of the schedules whose launch is being handled (an
  // announcement may be open); a removal moves them with their schedules,
  // and sets 0 for a removed one.
  std::vector<int*> launchesInProgress_;
  int animations_ = 0;
  bool edited_ = false;
  // What the user's edits since the load touched.
  bool criteriaEdited_ = false, daysEdited_ = false, enableTouched_ = false;
  // Set while the program itself fills the editor: its change events are
  // not the user's edits.
  bool loading_ = false;
  struct Loading {
    explicit Loading(TMainForm* f) : form(f), was(f->loading_) { f->loading_ = true; }
    ~Loading() { form->loading_ = was; }
    TMainForm* form;
    bool was;
  };
  void ClearEdits() { edited_ = criteriaEdited_ = daysEdited_ = enableTouched_ = false; }
  bool saveOnDestroy_ = true;
  bool removing_ = false;
  bool askOnClose_ = false;
  bool hidden_ = false;
  bool historyFailed_ = false;
  ComponentPtr<THistoryForm> history_;
};

}  // namespace marrowby
