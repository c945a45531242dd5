// The program on screens of 144 and 192 dots per inch (150 % and 200 %):
// every window and every control of it where it is at 96, scaled by 1.5 and
// by 2. Wine takes the screen's density from the user's LogPixels setting
// when a program starts.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "tests/e2e/schedmgr_fixture.h"
#include "tests/win/win_test_util.h"

namespace marrowby::e2e {
namespace {

std::string ControlName(HWND hwnd) {
  const auto atom =
      static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropA(hwnd, "MarrowbyControlName")));
  char buf[256];
  const UINT n = atom ? GlobalGetAtomNameA(atom, buf, sizeof(buf)) : 0;
  return std::string(buf, n);
}

// What a window shows where: its client size and each named control's
// rectangle in its parent's client area, keyed "window" and
// "window/control"; the list view's column widths as "window/list/column".
using Layout = std::map<std::string, RECT>;

struct Walk {
  Layout* layout;
  std::string window;
};

BOOL CALLBACK AddControl(HWND hwnd, LPARAM lp) {
  auto* walk = reinterpret_cast<Walk*>(lp);
  const std::string name = ControlName(hwnd);
  if (name.empty()) return TRUE;
  RECT r;
  GetWindowRect(hwnd, &r);
  MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
  const std::string key = walk->window + "/" + name;
  (*walk->layout)[key] = r;
  char cls[64] = "";
  GetClassNameA(hwnd, cls, sizeof(cls));
  if (std::string(cls) == WC_LISTVIEWA) {
    for (int i = 0;; ++i) {
      const int width = static_cast<int>(SendMessageA(hwnd, LVM_GETCOLUMNWIDTH, i, 0));
      if (width <= 0) break;
      (*walk->layout)[key + "/column" + std::to_string(i)] = RECT{0, 0, width, 0};
    }
  }
  return TRUE;
}

void AddWindow(Layout& layout, HWND window, const std::string& name) {
  ASSERT_NE(window, nullptr) << name;
  RECT client;
  GetClientRect(window, &client);
  layout[name] = client;
  Walk walk{&layout, name};
  EnumChildWindows(window, AddControl, reinterpret_cast<LPARAM>(&walk));
}

// The width of the tray menu's painted margin: the columns of its green
// strip near the menu's top (above the word that runs up from its bottom),
// the 3 columns of its edge lines at its right, and the 3 at its left that
// the menu's own frame covers (Wine's menus keep their items 3 pixels in,
// at every density).
long MarginWidth(HWND menu) {
  RECT r;
  GetWindowRect(menu, &r);
  HDC screen = GetDC(nullptr);
  const int y = r.top + (r.bottom - r.top) / 8;
  long green = 0;
  for (int x = r.left; x < r.left + (r.right - r.left) / 2; ++x) {
    const COLORREF c = GetPixel(screen, x, y);
    green += GetRValue(c) == 0 && GetBValue(c) == 0 && GetGValue(c) > 0;
  }
  ReleaseDC(nullptr, screen);
  return green + 6;
}

// The tray menu's rows, from its pixels (the menu is the system's window,
// whose items another program cannot ask for): the height inside its frame
// as "TrayPop(height)", the line of each separator below the frame's top as
// "TrayPop(separatorN)", the width inside its frame as "TrayPop(width)".
// Wine's menu frame is 3 pixels at every density; a separator is the one
// row of the shadow's colour across the menu's right part, where no text
// reaches.
void AddMenuRows(Layout& layout, HWND menu) {
  RECT r;
  GetWindowRect(menu, &r);
  const int w = r.right - r.left;
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  HDC screen = GetDC(nullptr);
  int separators = 0;
  for (int y = r.top + 3; y < r.bottom - 3; ++y) {
    bool line = true;
    for (int x : {w * 6 / 10, w * 8 / 10, w * 95 / 100}) {
      line = line && GetPixel(screen, r.left + x, y) == shadow;
    }
    if (line) {
      layout["TrayPop(separator" + std::to_string(separators++) + ")"] =
          RECT{0, y - (r.top + 3), 0, 0};
    }
  }
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(separators, 2);
  layout["TrayPop(height)"] = RECT{0, 0, 0, r.bottom - r.top - 6};
  layout["TrayPop(width)"] = RECT{0, 0, w - 6, 0};
}

class Density : public SchedmgrFixture {
 protected:
  HWND Top(const char* cls) { return WaitTopWindow(program_->Pid(), cls, "", 20000); }

  // Saves a picture of the window as <name>.bmp in MARROWBY_SHOTS, when set.
  static void Picture(HWND window, const std::string& name) {
    char dir[MAX_PATH];
    if (!GetEnvironmentVariableA("MARROWBY_SHOTS", dir, MAX_PATH)) return;
    Wait(300);
    RECT r;
    GetWindowRect(window, &r);
    SaveScreenPicture(r, std::string(dir) + "\\" + name + ".bmp");
  }

  // Every window of the program at the density set: the main window, the
  // about box and the picture window, History, both announcements.
  Layout TakeLayout(int dpi) {
    Layout layout;
    const std::string at = "_" + std::to_string(dpi);
    StartReady();
    AddWindow(layout, form_, "TMainForm");
    Picture(form_, "main" + at);

    Click(C("HistoryBtn"));
    HWND history = WaitTopWindow(program_->Pid(), "THistoryForm", "Launch History", 10000);
    AddWindow(layout, history, "THistoryForm");
    RECT outer;
    GetWindowRect(history, &outer);
    layout["THistoryForm(window)"] = RECT{0, 0, outer.right - outer.left, outer.bottom - outer.top};
    Picture(history, "history" + at);
    SendMessageA(history, WM_CLOSE, 0, 0);

    HWND menu = OpenTrayMenu();
    EXPECT_TRUE(WaitFor([&] { return MarginWidth(menu) > 6; }, 5000));
    layout["TrayPop(margin)"] = RECT{0, 0, MarginWidth(menu), 0};
    AddMenuRows(layout, menu);
    Picture(menu, "menu" + at);
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    Wait(300);

    ChooseTrayItem(4);  // About
    HWND about = Top("TAboutForm");
    AddWindow(layout, about, "TAboutForm");
    Picture(about, "about" + at);
    HWND icon = FindControl(about, "Image1");
    PostMessageA(GetParent(icon), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(icon), STN_DBLCLK),
                 reinterpret_cast<LPARAM>(icon));
    HWND picture = Top("TCopyRightForm");
    AddWindow(layout, picture, "TCopyRightForm");
    Picture(picture, "picture" + at);
    HWND image = FindControl(picture, "Image1");
    PostMessageA(GetParent(image), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(image), STN_CLICKED),
                 reinterpret_cast<LPARAM>(image));
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(picture); }, 5000));
    Click(FindControl(about, "OKBtn"));
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(about); }, 5000));

    AddDueSchedule("With buttons", MarkerExe(), 4, {.announce = true, .allowCancel = true});
    Click(C("HideBtn"));
    HWND announce = Top("TAnnounceForm");
    AddWindow(layout, announce, "TAnnounceForm");
    Picture(announce, "announce" + at);
    Click(FindControl(announce, "CancelBtn"));
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(announce); }, 5000));

    ShowWindowAgain();
    AddDueSchedule("Without buttons", MarkerExe(), 4, {.announce = true});
    Click(C("HideBtn"));
    announce = nullptr;
    EXPECT_TRUE(WaitFor([&] {
      for (HWND w : AllTopWindows(program_->Pid(), "TAnnounceForm")) {
        if (Text(FindControl(w, "DescLbl")) == "Without buttons") announce = w;
      }
      return announce != nullptr;
    }, 20000));
    RECT client;
    GetClientRect(announce, &client);
    layout["TAnnounceForm(without buttons)"] = client;

    program_->Kill();
    program_->WaitExit(10000);
    return layout;
  }
};

// Where an edge at dpi should be: the edge at 96 scaled; an edge in the
// right or lower half of its window follows that side of the client area,
// which in a window the user can size (History) takes what its frame does
// not (the frame does not scale with the density as the client area does).
long ExpectedEdge(long at96, long client96, long clientNow, double factor) {
  const long scaled = std::lround(at96 * factor);
  return 2 * at96 > client96 ? scaled + (clientNow - std::lround(client96 * factor)) : scaled;
}

// 1.5 and 2 times every rectangle at 96 dots per inch, each edge within the
// pixel that rounding may give or take.
TEST_F(Density, EveryWindowAndControlScalesWithTheScreen) {
  ScreenDensity density;
  density.Set(96);
  const Layout base = TakeLayout(96);
  ASSERT_GT(base.size(), 60u);
  // The announcement without its buttons is lower by its button bar, even
  // after one with buttons left its place in the settings.
  EXPECT_EQ(base.at("TAnnounceForm(without buttons)").bottom, 93 - 29);
  for (int dpi : {144, 192}) {
    TearDown();
    SetUp();
    density.Set(dpi);
    const Layout scaled = TakeLayout(dpi);
    const double factor = dpi / 96.0;
    for (const auto& [key, r] : base) {
      const auto found = scaled.find(key);
      ASSERT_NE(found, scaled.end()) << key << " at " << dpi;
      const RECT& s = found->second;
      if (key.rfind("TrayPop(separator", 0) == 0) {
        // The line, one pixel at every density, sits in the middle of its
        // row, whose half is taken after scaling: within 2.
        EXPECT_LE(std::labs(s.top - std::lround(r.top * factor)), 2)
            << key << " at " << dpi << ": " << s.top << " against " << r.top;
        continue;
      }
      if (key == "TrayPop(width)") {
        // The items are as wide as their texts, measured in fonts of whole
        // pixels: within a twentieth.
        EXPECT_LE(std::labs(s.right - std::lround(r.right * factor)), r.right * factor / 20)
            << "the tray menu at " << dpi << ": " << s.right << " wide against " << r.right;
        continue;
      }
      const std::string window = key.substr(0, key.find('/'));
      if (key == "THistoryForm") continue;  // its size is the user's: its frame's is checked
      const RECT& c96 = base.at(window);
      const RECT& cNow = scaled.at(window);
      const bool control = key.find('/') != std::string::npos;
      const auto within = [&](long actual, long at96, long client96, long clientNow) {
        const long expected = control ? ExpectedEdge(at96, client96, clientNow, factor)
                                      : std::lround(at96 * factor);
        return std::labs(actual - expected) <= 1;
      };
      EXPECT_TRUE(within(s.left, r.left, c96.right, cNow.right) &&
                  within(s.top, r.top, c96.bottom, cNow.bottom) &&
                  within(s.right, r.right, c96.right, cNow.right) &&
                  within(s.bottom, r.bottom, c96.bottom, cNow.bottom))
          << key << " at " << dpi << ": " << s.left << "," << s.top << "," << s.right << ","
          << s.bottom << " against " << r.left << "," << r.top << "," << r.right << ","
          << r.bottom;
    }
  }
}

}  // namespace
}  // namespace marrowby::e2e
