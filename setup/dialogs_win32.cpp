// The main dialog and the licence dialog, and the program's entry point.
#include "setup/cstr.h"
#include "setup/messages.h"
#include "setup/resource_ids.h"
#include "setup/setup_win32.h"
#include "setup/switches.h"

namespace marrowby::setup {

namespace {

// Set while extraction and installation run inside the Install handler. The
// buttons are disabled then, but Escape and the close box still send their
// commands; they must not delete files the installer is working on.
bool g_busy;
// Set while the licence question or the information box is open over the
// dialog: a command then (the owner's disabling is all that would stop it)
// is ignored, so that neither opens twice.
bool g_asking;

void CentreWindow(HWND w) {
  RECT r;
  GetWindowRect(w, &r);
  const int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
  SetWindowPos(w, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// Ends a modal dialog. The dialog's loop looks at the end only after a
// message it has retrieved; when the end comes from a message handled while
// the loop waits (Wine hands a key sent to the window with XSendEvent over
// that way), nothing follows it and the loop would wait on, with the dialog
// hidden and its owner still disabled. A posted empty message wakes it up.
void EndModal(HWND dialog, INT_PTR result) {
  EndDialog(dialog, result);
  PostMessageA(dialog, WM_NULL, 0, 0);
}

void ClickButton(HWND dialog, int id) {
  SetForegroundWindow(dialog);
  SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void Progress(const char* name) {
  char text[kPathBytes + 32];
  TextJoin(text, sizeof(text), {kStatusExtracting, name});
  SetStatusTextUtf8(static_cast<HWND>(g_state.dialog), text);
  PumpOneMessage();
}

// Owned by the dialog, so that only one can be open at a time.
void ShowInformation(HWND dialog) {
  char text[kNoticePrefixSize + kMaxShortText + 2];
  TextJoin(text, sizeof(text), {g_state.noticePrefix, g_state.notice ? g_state.notice : ""});
  g_asking = true;
  MessageBoxText(1252, dialog, text, kCaptionInfo, MB_OK | MB_ICONINFORMATION);
  g_asking = false;
}

// Posted by the licence dialog to itself, to run once it has been shown.
constexpr UINT kLicenceShown = WM_APP + 1;

// Focus on the declining default button, so that Enter declines (the
// multi-line edit would otherwise take the Enter key for itself), and the
// licence at its first line with nothing selected. Done once the dialog is
// active: on activation the dialog manager gives the focus to its first
// control, the edit, which then selects its whole text and scrolls to its end.
void ShowLicenceFromTheTop(HWND dialog) {
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDCANCEL)), TRUE);
  const HWND text = GetDlgItem(dialog, SETUP_ID_LICENCE_TEXT);
  SendMessageA(text, EM_SETSEL, 0, 0);
  SendMessageA(text, WM_VSCROLL, SB_TOP, 0);
  SendMessageA(text, WM_HSCROLL, SB_LEFT, 0);
}

INT_PTR CALLBACK LicenceProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_INITDIALOG) {
    SetDlgItemTextA(dialog, SETUP_ID_LICENCE_TEXT, g_state.licence);
    SetWindowTextA(dialog, kCaptionLicence);
    SetDlgItemTextA(dialog, SETUP_ID_LICENCE_PROMPT, kLicencePrompt);
    SetDlgItemTextA(dialog, IDCANCEL, "&Cancel");
    CentreWindow(dialog);
    SendMessageA(dialog, DM_SETDEFID, IDCANCEL, 0);
    ShowLicenceFromTheTop(dialog);
    PostMessageA(dialog, kLicenceShown, 0, 0);
    return FALSE;
  }
  if (msg == kLicenceShown) {
    ShowLicenceFromTheTop(dialog);
    return TRUE;
  }
  if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndModal(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

// Shows the licence; true when the user agrees. The licence dialog is owned
// by the main dialog, which it disables while the question is open; however
// the question ends (a button, Enter, Escape, the close box, a failure to
// show it), the main dialog is enabled again and keeps the focus on Install,
// so that Install can always be pressed again.
bool AskLicence(HWND dialog) {
  g_asking = true;
  const INT_PTR answer =
      DialogBoxParamA(GetModuleHandleA(nullptr), "DLG_LIC", dialog, LicenceProc, 0);
  g_asking = false;
  EnableWindow(dialog, TRUE);
  if (answer == IDOK) return true;
  SetForegroundWindow(dialog);
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDOK)), TRUE);
  return false;
}

// The finished state: "&Ok" closes, "&Info" (unless hidden) shows the notice.
void WaitForTheUser(HWND dialog, const char* status) {
  SetDlgItemTextA(dialog, IDCANCEL, "&Ok");
  SetStatusText(dialog, status);
  const HWND info = GetDlgItem(dialog, IDOK);
  if (info) SetWindowTextA(info, "&Info");
  if (info) EnableWindow(info, TRUE);
  EnableWindow(GetDlgItem(dialog, IDCANCEL), TRUE);
  // The focus was on Install, which is disabled or gone: Enter now closes.
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDCANCEL)), TRUE);
}

void Install(HWND dialog) {
  SetupState& s = State();
  if (s.header.licenceLength > 0 && !AskLicence(dialog)) return;
  s.installStarted = true;
  g_busy = true;
  EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
  EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
  if (s.header.noticeHidden) DestroyWindow(GetDlgItem(dialog, IDOK));
  ExtractCabinet(dialog, Progress);
  if (!s.extractionSucceeded) {
    // What was extracted before the failure goes, as on Close; the exit
    // clean-up then removes the folder.
    DeleteExtractedFiles(dialog);
    g_busy = false;
    s.exitCode = kExitFailed;
    EndModal(dialog, 1);
    return;
  }
  SetStatusText(dialog, kStatusUpdating);
  const InstallOutcome outcome = InstallInf(dialog);
  s.exitCode = outcome.SetupExitCode();
  g_busy = false;
  if (!outcome.Succeeded()) {
    // Never the completion text; and an unattended package stays open too,
    // so that the failure is seen.
    char text[160];
    InstallFailureText(outcome, text, sizeof(text));
    WaitForTheUser(dialog, text);
  } else if (s.header.attended) {
    WaitForTheUser(dialog, kStatusCompleted);
  } else {
    const HWND info = GetDlgItem(dialog, IDOK);
    if (info) EnableWindow(info, TRUE);
    EnableWindow(GetDlgItem(dialog, IDCANCEL), TRUE);
    ClickButton(dialog, IDCANCEL);
  }
}

void OnButton1(HWND dialog) {
  SetupState& s = State();
  if (s.installStarted && !s.header.noticeHidden) {
    ShowInformation(dialog);
  } else if (s.installStarted) {
    ClickButton(dialog, IDCANCEL);
  } else {
    Install(dialog);
  }
}

void InitMainDialog(HWND dialog) {
  SetupState& s = State();
  SetClassLongPtrA(dialog, GCLP_HICON,
                   reinterpret_cast<LONG_PTR>(LoadIconA(GetModuleHandleA(nullptr), "MNICON")));
  if (s.hasTitle) SetWindowTextA(dialog, s.title);
  SetStatusText(dialog, s.welcome);
  CentreWindow(dialog);
  s.dialog = dialog;
  if (s.header.welcomeLength == 0 && !s.header.attended) {
    // Nothing to read: install at once. The dialog is shown first, so the
    // user sees the progress texts.
    ShowWindow(dialog, SW_SHOW);
    ClickButton(dialog, IDOK);
  }
}

INT_PTR CALLBACK MainProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_INITDIALOG) {
    InitMainDialog(dialog);
    return TRUE;
  }
  if (msg != WM_COMMAND) return FALSE;
  if (g_busy || g_asking) return TRUE;
  if (LOWORD(wParam) == IDOK) {
    OnButton1(dialog);
    return TRUE;
  }
  if (LOWORD(wParam) == IDCANCEL) {
    DeleteExtractedFiles(dialog);
    EndModal(dialog, IDCANCEL);
    return TRUE;
  }
  return FALSE;
}

// A run without the dialog. /X: extracts the files into its folder and
// leaves them there, installing nothing; /Q installs as Install does, the
// licence taken as accepted by whoever runs the package so. What a failed
// extraction extracted goes again.
void RunWithoutDialog() {
  SetupState& s = State();
  const bool extractOnly = s.switches.extractTo != nullptr;
  if (extractOnly && !PrepareExtractFolder(s.switches.extractTo)) {
    // A path longer than the system takes names no folder at all: saying
    // that it holds something would send the user looking for files.
    ErrorBox(Wide(s.switches.extractTo).text[0] ? kMsgExtractFolder : kMsgPathTooLong);
    return;
  }
  ExtractCabinet(nullptr, nullptr);
  if (s.extractionSucceeded) {
    s.exitCode = extractOnly ? kExitInstalled : InstallInf(nullptr).SetupExitCode();
    if (extractOnly) return;
  }
  DeleteExtractedFiles(nullptr);
}

// The whole run; its exit code.
uint32_t Run() {
  SetupState& s = State();
  s.exitCode = kExitFailed;
  // Longer than any command line the switches make (a path has at most 259
  // characters): such a line is refused.
  static char commandLine[4 * kPathBytes];
  if (Utf8(GetCommandLineW(), commandLine, sizeof(commandLine))) {
    ParseSwitches(commandLine, &s.switches);
  } else {
    s.switches.invalid = true;
  }
  if (s.switches.invalid || s.switches.help) {
    MessageBoxText(1252, nullptr, kSwitchesText, kCaptionSwitches, MB_OK | MB_ICONINFORMATION);
    return s.switches.invalid ? kExitBadCommandLine : kExitInstalled;
  }
  if (StartUp()) {
    if (s.switches.extractTo || s.switches.quiet) {
      RunWithoutDialog();
    } else {
      // Closed before it installed, unless Install says otherwise.
      s.exitCode = kExitCancelled;
      if (DialogBoxParamA(GetModuleHandleA(nullptr), "DLG_MAIN", nullptr, MainProc, 0) == -1) {
        s.exitCode = kExitFailed;
      }
    }
  }
  ExitCleanUp();
  return s.exitCode;
}

}  // namespace

}  // namespace marrowby::setup

// The process starts here: no C runtime; the switches come from the command
// line as Windows keeps it.
extern "C" [[noreturn]] void SetupMain() {
  marrowby::setup::RestrictLibrarySearch();
  ExitProcess(marrowby::setup::Run());
}
