#include "app/history_window_win32.h"

#include <windows.h>
#include <commctrl.h>

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "app/launch_history.h"
#include "core/message_window.h"

namespace marrowby {

namespace {

const char kClass[] = "THistoryForm";
const char kCaption[] = "Launch History";
enum : int { kListId = 100, kPathId = 101, kRefreshId = 102 };
constexpr int kBarHeight = 36;

struct Column {
  const char* title;
  int width;
};
const Column kColumns[] = {{"Date and time", 130}, {"No.", 36},          {"Description", 130},
                           {"Item", 200},          {"Outcome", 190},     {"Started by", 130}};

// "YYYY-MM-DD HH:MM:SS" in the user's short date and time formats.
std::string LocalTimeText(const std::string& stamp) {
  SYSTEMTIME st = {};
  st.wYear = static_cast<WORD>(std::stoi(stamp.substr(0, 4)));
  st.wMonth = static_cast<WORD>(std::stoi(stamp.substr(5, 2)));
  st.wDay = static_cast<WORD>(std::stoi(stamp.substr(8, 2)));
  st.wHour = static_cast<WORD>(std::stoi(stamp.substr(11, 2)));
  st.wMinute = static_cast<WORD>(std::stoi(stamp.substr(14, 2)));
  st.wSecond = static_cast<WORD>(std::stoi(stamp.substr(17, 2)));
  char date[64], time[64];
  if (!GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, sizeof(date)) ||
      !GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, sizeof(time))) {
    return stamp;
  }
  return std::string(date) + " " + time;
}

class HistoryWindow : public MessageWindow {
 public:
  static std::unique_ptr<HistoryWindow>& Instance() {
    static std::unique_ptr<HistoryWindow> instance;
    return instance;
  }

  ~HistoryWindow() override {
    DestroyOwnWindow();
    if (font_) DeleteObject(font_);
  }

  // Makes the window when it is not there (first opening, or closed since).
  bool Open() {
    if (!OwnWindow()) {
      WindowSetup setup;
      setup.className = kClass;
      setup.text = kCaption;
      setup.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
      // A window of its own on the taskbar, so that it stays reachable while
      // the manager hides in the notification area.
      setup.exStyle = WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
      setup.x = setup.y = CW_USEDEFAULT;
      setup.width = 840;
      setup.height = 400;
      setup.classIcon = LoadIconA(GetModuleHandleA(nullptr), "MAINICON");
      setup.classCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
      setup.classBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
      if (!CreateOwnWindow(setup)) return false;
    }
    Reload();
    HWND hwnd = Hwnd();
    if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    return true;
  }

  bool IsOpen() const { return OwnWindow() != nullptr; }

  void Reload() {
    std::vector<HistoryEntry> entries;
    std::string path;
    try {
      LaunchHistory history = ProgramLaunchHistory();
      path = history.Path();
      entries = history.ReadAll();
    } catch (const std::exception& e) {
      path = e.what();
    }
    SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list_);
    ListView_SetItemCount(list_, static_cast<int>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) AddRow(static_cast<int>(i), entries[i]);
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
    const std::string note = entries.empty() ? "No launches recorded yet in " + path
                                             : std::to_string(entries.size()) +
                                                   (entries.size() == 1 ? " launch" : " launches") +
                                                   " recorded in " + path;
    SetWindowTextA(pathLabel_, note.c_str());
  }

 protected:
  intptr_t HandleMessage(unsigned msg, uintptr_t wp, intptr_t lp) override {
    switch (msg) {
      case WM_CREATE:
        OnCreate();
        return 0;
      case WM_SIZE:
        Layout(LOWORD(lp), HIWORD(lp));
        return 0;
      case WM_COMMAND:
        OnCommand(LOWORD(wp));
        return 0;
      case WM_CLOSE:
        DestroyOwnWindow();  // made again at the next opening
        return 0;
      default:
        return DefaultHandling(msg, wp, lp);
    }
  }

 private:
  HWND Hwnd() const { return static_cast<HWND>(OwnWindow()); }

  void OnCreate() {
    NONCLIENTMETRICSA ncm = {};
    ncm.cbSize = sizeof(ncm);
    if (!font_ && SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0)) {
      font_ = CreateFontIndirectA(&ncm.lfMessageFont);
    }
    HWND parent = Hwnd();
    HINSTANCE inst = GetModuleHandleA(nullptr);
    list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS,
                            0, 0, 0, 0, parent, reinterpret_cast<HMENU>(kListId), inst, nullptr);
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
      LVCOLUMNA col = {};
      col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
      col.pszText = const_cast<char*>(kColumns[i].title);
      col.cx = kColumns[i].width;
      col.iSubItem = i;
      SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&col));
    }
    pathLabel_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP |
                                 SS_PATHELLIPSIS, 0, 0, 0, 0, parent,
                                 reinterpret_cast<HMENU>(kPathId), inst, nullptr);
    refresh_ = CreateWindowExA(0, "BUTTON", "&Refresh", WS_CHILD | WS_VISIBLE | WS_TABSTOP |
                               BS_PUSHBUTTON, 0, 0, 0, 0, parent,
                               reinterpret_cast<HMENU>(kRefreshId), inst, nullptr);
    close_ = CreateWindowExA(0, "BUTTON", "&Close", WS_CHILD | WS_VISIBLE | WS_TABSTOP |
                             BS_DEFPUSHBUTTON, 0, 0, 0, 0, parent,
                             reinterpret_cast<HMENU>(IDCANCEL), inst, nullptr);
    for (HWND h : {list_, pathLabel_, refresh_, close_}) {
      if (font_) SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    }
  }

  void Layout(int width, int height) {
    const int barTop = height - kBarHeight;
    MoveWindow(list_, 0, 0, width, barTop, TRUE);
    MoveWindow(pathLabel_, 8, barTop + 11, width - 8 - 2 * 83 - 8, 16, TRUE);
    MoveWindow(refresh_, width - 2 * 83, barTop + 6, 75, 24, TRUE);
    MoveWindow(close_, width - 83, barTop + 6, 75, 24, TRUE);
  }

  // Escape and Enter reach here as IDCANCEL through the dialog keys of the
  // application's message loop.
  void OnCommand(int id) {
    if (id == IDCANCEL || id == IDOK) DestroyOwnWindow();
    if (id == kRefreshId) Reload();
  }

  void AddRow(int row, const HistoryEntry& e) {
    const std::string cells[] = {LocalTimeText(e.time), std::to_string(e.position), e.description,
                                 e.item, OutcomeText(e), WayText(e.way)};
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(cells[0].c_str());
    SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    for (int i = 1; i < static_cast<int>(std::size(cells)); ++i) {
      item.iSubItem = i;
      item.pszText = const_cast<char*>(cells[i].c_str());
      SendMessageA(list_, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    }
  }

  HWND list_ = nullptr;
  HWND pathLabel_ = nullptr;
  HWND refresh_ = nullptr;
  HWND close_ = nullptr;
  HFONT font_ = nullptr;
};

}  // namespace

void ShowHistoryWindow() {
  auto& window = HistoryWindow::Instance();
  if (!window) window = std::make_unique<HistoryWindow>();
  window->Open();
}

void RefreshHistoryWindow() {
  auto& window = HistoryWindow::Instance();
  if (window && window->IsOpen()) window->Reload();
}

void CloseHistoryWindow() { HistoryWindow::Instance().reset(); }

}  // namespace marrowby
