// The main dialog and the licence dialog, and the program's entry point.
#include "setup/cstr.h"
#include "setup/messages.h"
#include "setup/resource_ids.h"
#include "setup/setup_win32.h"

namespace marrowby::setup {

namespace {

// Set while extraction and installation run inside the Install handler. The
// buttons are disabled then, but Escape and the close box still send their
// commands; they must not delete files the installer is working on.
bool g_busy;

void CentreWindow(HWND w) {
  RECT r;
  GetWindowRect(w, &r);
  const int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
  SetWindowPos(w, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void ClickButton(HWND dialog, int id) {
  SetForegroundWindow(dialog);
  SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void Progress(const char* name) {
  char text[kPathSize + 32];
  TextCopy(text, sizeof(text), kStatusExtracting);
  TextAppend(text, sizeof(text), name);
  SetStatusText(static_cast<HWND>(g_state.dialog), text);
  PumpOneMessage();
}

void ShowInformation() {
  char text[kNoticePrefixSize + kMaxShortText + 2];
  TextCopy(text, sizeof(text), g_state.noticePrefix);
  TextAppend(text, sizeof(text), g_state.notice ? g_state.notice : "");
  MessageBoxA(nullptr, text, kCaptionInfo, MB_OK | MB_ICONINFORMATION);
}

INT_PTR CALLBACK LicenceProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_INITDIALOG) {
    SetDlgItemTextA(dialog, SETUP_ID_LICENCE_TEXT, g_state.licence);
    SetWindowTextA(dialog, kCaptionLicence);
    SetDlgItemTextA(dialog, SETUP_ID_LICENCE_PROMPT, kLicencePrompt);
    SetDlgItemTextA(dialog, IDOK, "I agree");
    SetDlgItemTextA(dialog, IDCANCEL, "&Cancel");
    CentreWindow(dialog);
    // Enter declines: the focus starts on the declining default button (the
    // multi-line edit would otherwise take the Enter key for itself).
    SendMessageA(dialog, DM_SETDEFID, IDCANCEL, 0);
    SetFocus(GetDlgItem(dialog, IDCANCEL));
    return FALSE;
  }
  if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

void Install(HWND dialog) {
  SetupState& s = g_state;
  // The licence dialog is owned by the main dialog, so that Install cannot be
  // pressed a second time while the question is open.
  if (s.header.licenceLength > 0 &&
      DialogBoxParamA(GetModuleHandleA(nullptr), "DLG_LIC", dialog, LicenceProc, 0) != IDOK) {
    return;
  }
  s.installStarted = true;
  g_busy = true;
  EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
  EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
  if (s.header.noticeHidden) DestroyWindow(GetDlgItem(dialog, IDOK));
  ExtractCabinet(dialog, Progress);
  if (!s.extractionSucceeded) {
    g_busy = false;
    EndDialog(dialog, 1);
    return;
  }
  SetStatusText(dialog, kStatusUpdating);
  InstallInf(dialog);
  g_busy = false;
  const HWND info = GetDlgItem(dialog, IDOK);
  if (s.header.attended) {
    SetDlgItemTextA(dialog, IDCANCEL, "&Ok");
    SetStatusText(dialog, kStatusCompleted);
    if (info) SetWindowTextA(info, "&Info");
    if (info) EnableWindow(info, TRUE);
    EnableWindow(GetDlgItem(dialog, IDCANCEL), TRUE);
  } else {
    if (info) EnableWindow(info, TRUE);
    EnableWindow(GetDlgItem(dialog, IDCANCEL), TRUE);
    ClickButton(dialog, IDCANCEL);
  }
}

void OnButton1(HWND dialog) {
  SetupState& s = g_state;
  if (s.installStarted && !s.header.noticeHidden) {
    ShowInformation();
  } else if (s.installStarted) {
    ClickButton(dialog, IDCANCEL);
  } else {
    Install(dialog);
  }
}

void InitMainDialog(HWND dialog) {
  SetupState& s = g_state;
  SetClassLongPtrA(dialog, GCLP_HICON,
                   reinterpret_cast<LONG_PTR>(LoadIconA(GetModuleHandleA(nullptr), "MNICON")));
  if (s.hasTitle) SetWindowTextA(dialog, s.title);
  SetDlgItemTextA(dialog, IDOK, "&Install");
  SetDlgItemTextA(dialog, IDCANCEL, "&Close");
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
  if (g_busy) return TRUE;
  if (LOWORD(wParam) == IDOK) {
    OnButton1(dialog);
    return TRUE;
  }
  if (LOWORD(wParam) == IDCANCEL) {
    DeleteExtractedFiles(dialog);
    EndDialog(dialog, IDCANCEL);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

}  // namespace marrowby::setup

// The process starts here: no C runtime, no command line, no arguments.
extern "C" [[noreturn]] void SetupMain() {
  using namespace marrowby::setup;
  if (StartUp()) DialogBoxParamA(GetModuleHandleA(nullptr), "DLG_MAIN", nullptr, MainProc, 0);
  ExitCleanUp();
  ExitProcess(0);
}
