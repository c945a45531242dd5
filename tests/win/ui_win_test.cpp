// The Win32 views of forms and controls in-process under Wine: what typing
// does to a spin edit, the order of a form's show and activate events, the
// end of a secondary window, the owner of message boxes, error boxes that do
// not stack, a window that moves to a screen of another density.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/errors.h"
#include "tests/win/win_test_util.h"
#include "ui/application_win32.h"
#include "ui/form_win32.h"

namespace marrowby {
namespace {

class TestForm : public TForm {
 public:
  TestForm() : TForm(nullptr) {
    SetName("TestForm");
    SetClientSize(200, 100);
    Hours = NewControl<TSpinEdit>({this, nullptr, "Hours", {10, 10, 38, 21}});
    Hours->MaxValue = 23;
    Hours->SetValue(10);
  }
  TSpinEdit* Hours;
  std::vector<std::string> events;

 protected:
  void FormShow() override { events.push_back("show"); }
  void FormActivate() override { events.push_back("activate"); }
};

class Views : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&icc);
  }
  static std::string TextOf(HWND hwnd) {
    char buf[64] = {};
    GetWindowTextA(hwnd, buf, sizeof(buf));
    return buf;
  }
  // Keys as the edit gets them from the keyboard.
  static void Type(HWND edit, const std::string& keys) {
    for (char c : keys) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
  }
  static void SelectAll(HWND edit) { SendMessageA(edit, EM_SETSEL, 0, -1); }
};

TEST_F(Views, SpinEditTypedOverShowsWhatItHolds) {
  TestForm form;
  Win32FormView view(form);
  HWND edit = view.ControlWindow(form.Hours);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(TextOf(edit), "10");
  // Cleared with Backspace it stays empty: typing 20 gives 20.
  SelectAll(edit);
  Type(edit, "\b");
  EXPECT_EQ(TextOf(edit), "");
  Type(edit, "20");
  EXPECT_EQ(TextOf(edit), "20");
  EXPECT_EQ(form.Hours->Text(), "20");
  // 25 is beyond the hours: the edit and the component both hold 23.
  SelectAll(edit);
  Type(edit, "25");
  EXPECT_EQ(TextOf(edit), "23");
  EXPECT_EQ(form.Hours->Text(), "23");
  Type(edit, "9");  // no third digit
  EXPECT_EQ(TextOf(edit), "23");
  // The arrow keys step from what is shown.
  SendMessageA(edit, WM_KEYDOWN, VK_DOWN, 1);
  SendMessageA(edit, WM_KEYUP, VK_DOWN, 1);
  EXPECT_EQ(TextOf(edit), "22");
  EXPECT_EQ(form.Hours->Value(), 22);
  // Left, then emptied and left, it shows its number again.
  SendMessageA(edit, WM_KILLFOCUS, 0, 0);
  SelectAll(edit);
  Type(edit, "\b");
  SendMessageA(edit, WM_KILLFOCUS, 0, 0);
  EXPECT_EQ(TextOf(edit), "22");
  EXPECT_EQ(form.Hours->Text(), "22");
}

TEST_F(Views, FormShowRunsBeforeTheWindowActivates) {
  TestForm form;
  Win32FormView view(form);
  form.Show();
  wintest::PumpFor(200);
  ASSERT_GE(form.events.size(), 2u);
  EXPECT_EQ(form.events[0], "show");
  EXPECT_EQ(form.events[1], "activate");
  EXPECT_EQ(std::count(form.events.begin(), form.events.end(), "show"), 1);
}

TEST_F(Views, AReleasedSecondaryWindowIsGone) {
  TestForm form;
  Win32FormView view(form);
  HWND hwnd = view.Hwnd();
  form.Show();
  view.Release();
  EXPECT_FALSE(IsWindow(hwnd));
  form.AttachView(nullptr);
}

TEST_F(Views, BoxesBelongToTheShownMainWindow) {
  TestForm form;
  Win32FormView view(form);
  TApplication& app = Application();
  app.SetMainWindow(view.Hwnd());
  // A hidden window is active, as the tray icon's is while its menu works.
  HWND tray = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  form.Show();
  SetForegroundWindow(tray);
  SetActiveWindow(tray);
  ASSERT_EQ(GetActiveWindow(), tray);
  EXPECT_EQ(app.DialogOwner(), view.Hwnd());
  ShowWindow(view.Hwnd(), SW_HIDE);
  EXPECT_EQ(app.DialogOwner(), app.Handle());
  app.SetMainWindow(nullptr);
  DestroyWindow(tray);
}

// A sizeable form that lays its controls out at every size, as the History
// window does.
class SizeableForm : public TForm {
 public:
  SizeableForm() : TForm(nullptr) {
    SetName("SizeableForm");
    BorderStyle = TBorderStyle::bsSizeable;
    SetWindowSize(400, 300);
    NewControls(Row(List, {this, nullptr, "List", {}}), Row(Ok, {this, nullptr, "Ok", {}, "OK"}),
                Row(Quit, {this, nullptr, "Quit", {}, "Quit"}));
    List->Columns = {{"One", 60}, {"Two", 80}};
    List->SetRows({{"a", "b"}, {"c", "d"}});
    Quit->Cancel = true;
    Quit->OnClick = [this](TObject*) { ++quits; };
  }
  TListView* List;
  TButton* Ok;
  TButton* Quit;
  int quits = 0;

 protected:
  void FormResize() override {
    List->SetBounds(0, 0, ClientWidth(), ClientHeight() - 30);
    Ok->SetBounds(ClientWidth() - 160, ClientHeight() - 27, 75, 24);
    Quit->SetBounds(ClientWidth() - 80, ClientHeight() - 27, 75, 24);
  }
};

TEST_F(Views, ASizeableFormLaysOutItsControlsAndKeepsTheirTabOrder) {
  SizeableForm form;
  Win32FormView view(form);
  HWND list = view.ControlWindow(form.List);
  RECT client;
  GetClientRect(view.Hwnd(), &client);
  EXPECT_EQ(form.ClientWidth(), client.right);
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 2);
  SetWindowPos(view.Hwnd(), nullptr, 0, 0, 600, 500, SWP_NOMOVE | SWP_NOZORDER);
  GetClientRect(view.Hwnd(), &client);
  RECT r;
  GetWindowRect(view.ControlWindow(form.Quit), &r);
  MapWindowPoints(nullptr, view.Hwnd(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, client.right - 80);
  EXPECT_EQ(r.top, client.bottom - 27);
  // Moved, the controls keep their order among their siblings.
  EXPECT_EQ(GetWindow(view.Hwnd(), GW_CHILD), list);
  EXPECT_EQ(GetWindow(list, GW_HWNDNEXT), view.ControlWindow(form.Ok));
  // Escape reaches the form as IDCANCEL: the cancel button's click.
  SendMessageA(view.Hwnd(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(form.quits, 1);
}

// Moved to a screen of twice the density (Windows tells a per-monitor aware
// window so; Wine never does), the window goes where the system suggests
// and shows its client area, controls and font twice as large; back on the
// first screen, all is as before.
TEST_F(Views, AWindowOnAScreenOfAnotherDensityScalesToIt) {
  TestForm form;
  Win32FormView view(form);
  HWND edit = view.ControlWindow(form.Hours);
  const auto place = [&](int dpi, const RECT& suggested) {
    SendMessageA(view.Hwnd(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    RECT window, client, r;
    GetWindowRect(view.Hwnd(), &window);
    GetClientRect(view.Hwnd(), &client);
    GetWindowRect(edit, &r);
    MapWindowPoints(nullptr, view.Hwnd(), reinterpret_cast<POINT*>(&r), 2);
    LOGFONTA font = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0)), sizeof(font), &font);
    return std::vector<long>{window.left, window.top, client.right, client.bottom,
                             r.left, r.top, r.right, r.bottom, font.lfHeight};
  };
  RECT at96;
  GetWindowRect(view.Hwnd(), &at96);
  // The spin edit is 38 wide with its 13-pixel arrows: 25 of edit.
  EXPECT_EQ(place(192, RECT{100, 120, 100 + 2 * (at96.right - at96.left),
                            120 + 2 * (at96.bottom - at96.top)}),
            (std::vector<long>{100, 120, 400, 200, 20, 20, 70, 62, -21}));
  EXPECT_EQ(place(96, at96),
            (std::vector<long>{at96.left, at96.top, 200, 100, 10, 10, 35, 31, -11}));
}

// Error boxes open on this thread, counted by a timer that runs inside them.
struct BoxWatch {
  int ticks = 0;
  size_t most = 0;
};
BoxWatch g_watch;

BOOL CALLBACK CollectBox(HWND hwnd, LPARAM lp) {
  char cls[16] = {};
  GetClassNameA(hwnd, cls, sizeof(cls));
  if (std::string(cls) == "#32770" && IsWindowVisible(hwnd)) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
  }
  return TRUE;
}

void CALLBACK WatchBoxes(HWND, UINT, UINT_PTR id, DWORD) {
  std::vector<HWND> boxes;
  EnumThreadWindows(GetCurrentThreadId(), CollectBox, reinterpret_cast<LPARAM>(&boxes));
  g_watch.most = std::max(g_watch.most, boxes.size());
  if (++g_watch.ticks <= 3) {
    // The failed step again, while its box is open (a timer, a deactivation).
    HandleException(EConvertError("'1/1/2026 25:30:15' is not a valid date and time"));
    return;
  }
  for (HWND box : boxes) PostMessageA(box, WM_COMMAND, IDOK, 0);
  if (boxes.empty()) KillTimer(nullptr, id);
}

TEST_F(Views, TheSameErrorIsShownOnceWhileItsBoxIsOpen) {
  Application();  // the error display
  g_watch = {};
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, WatchBoxes);
  HandleException(EConvertError("'1/1/2026 25:30:15' is not a valid date and time"));
  KillTimer(nullptr, timer);
  EXPECT_GT(g_watch.ticks, 3);
  EXPECT_EQ(g_watch.most, 1u);
}

// A form with a control of every kind the views make, and texts in them.
class EveryKindForm : public TForm {
 public:
  EveryKindForm() : TForm(nullptr) {
    SetName("EveryKindForm");
    SetClientSize(400, 300);
    SetCaption("Every kind");
    TListView* view;
    TListBox* list;
    TPanel* group;
    NewControls(Row(group, {this, nullptr, "Group", {5, 5, 390, 120}, "A group of controls"}),
                Row(Label, {this, "Group", "Label", {8, 20, 120, 16}, "A label that is long"}),
                Row(Button, {this, "Group", "Button", {8, 40, 75, 24}, "&Button"}),
                Row(Check, {this, "Group", "Check", {90, 40, 90, 20}, "&Check"}),
                Row(Edit, {this, "Group", "Edit", {8, 70, 120, 21}}),
                Row(Spin, {this, "Group", "Spin", {140, 70, 38, 21}}),
                Row(Date, {this, "Group", "Date", {190, 70, 106, 21}}),
                Row(File, {this, "Group", "File", {8, 95, 200, 21}}),
                Row(list, {this, nullptr, "List", {5, 130, 120, 80}}),
                Row(view, {this, nullptr, "View", {130, 130, 200, 80}}),
                Row(Arrows, {this, nullptr, "Arrows", {340, 130, 28, 28}}),
                Row(Status, {this, nullptr, "Status", {0, 280, 400, 20}}));
    group->GroupFrame = true;
    Edit->SetText("An edit's text");
    Spin->MaxValue = 59;
    Spin->SetValue(42);
    File->SetFileName("C:\\windows\\notepad.exe");
    list->Items()->Add("A line");
    view->Columns = {{"One", 60}, {"Two", 80}};
    view->SetRows({{"a", "b"}});
    Status->SetText("A status bar's text");
  }
  TLabel* Label;
  TButton* Button;
  TCheckBox* Check;
  TEdit* Edit;
  TSpinEdit* Spin;
  TDateEdit* Date;
  TFilenameEdit* File;
  TSpinButton* Arrows;
  TStatusBar* Status;
};

// What reading every window of this process found wrong, window by window.
std::vector<std::string> g_textFaults;
int g_readsInBox = 0;

void ReadEveryWindow() {
  for (HWND hwnd : wintest::WindowsOfProcess(GetCurrentProcessId())) {
    const std::string fault = wintest::TextReadFault(hwnd);
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (!fault.empty()) g_textFaults.push_back(std::string(cls) + ": " + fault);
  }
}

// Reads everything from inside a message box's loop, then closes the box.
void CALLBACK ReadInBox(HWND, UINT, UINT_PTR id, DWORD) {
  std::vector<HWND> boxes;
  EnumThreadWindows(GetCurrentThreadId(), CollectBox, reinterpret_cast<LPARAM>(&boxes));
  if (boxes.empty()) return;
  KillTimer(nullptr, id);
  ++g_readsInBox;
  ReadEveryWindow();
  for (HWND box : boxes) PostMessageA(box, WM_COMMAND, IDOK, 0);
}

TEST_F(Views, EveryWindowAnswersItsTextWithinTheBufferItIsGiven) {
  INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_DATE_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  EveryKindForm form;
  Win32FormView view(form);
  form.Show();
  wintest::PumpFor(100);
  g_textFaults.clear();
  g_readsInBox = 0;
  ReadEveryWindow();
  EXPECT_GT(wintest::WindowsOfProcess(GetCurrentProcessId()).size(), 15u);
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, ReadInBox);
  MessageBoxA(view.Hwnd(), "A box", "Box", MB_OK);
  KillTimer(nullptr, timer);
  EXPECT_EQ(g_readsInBox, 1);
  // And after the box, with the form working again.
  form.Spin->SetValue(7);
  ReadEveryWindow();
  EXPECT_EQ(g_textFaults, std::vector<std::string>{});
}

}  // namespace
}  // namespace marrowby
