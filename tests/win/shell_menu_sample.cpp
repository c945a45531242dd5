// Shows the tray menu as the program has it (seven items, two separators,
// pictures, the painted margin) at a screen point for a while, so that it can
// be looked at or photographed:
//   shell_menu_sample [x y [show-ms [items-down]]]
// items-down moves the selection down that many items once the menu is up.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "core/component.h"
#include "shell/tray_menu.h"
#include "tests/win/shell_pictures.h"

using namespace marrowby;

namespace {

int g_down = 0;
DWORD g_showMs = 4000;
DWORD g_start = 0;

HWND MenuWindow() { return FindWindowA("#32768", nullptr); }

void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
  HWND menu = MenuWindow();
  if (menu && g_down > 0) {
    PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    --g_down;
  }
  if (GetTickCount() - g_start > g_showMs) {
    KillTimer(nullptr, id);
    EndMenu();
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int x = argc > 2 ? std::atoi(argv[1]) : 120;
  const int y = argc > 2 ? std::atoi(argv[2]) : 80;
  if (argc > 3) g_showMs = static_cast<DWORD>(std::atoi(argv[3]));
  if (argc > 4) g_down = std::atoi(argv[4]);

  TComponent form(nullptr);
  auto* menu = new TTrayPopupMenu(&form);
  menu->SetStyle(msOwnerDraw);
  menu->SetLeftMargin(30);
  menu->SetShowCheckMarks(false);
  struct Entry {
    const char* caption;
    int tag;
  };
  // "Nº" in the ANSI code page.
  const Entry entries[] = {{"Show Manager", 1}, {"Hide Manager", 2}, {"N\xBA of Schedules", 3},
                           {"About", 4},        {"Help", 5},         {"-", 0},
                           {"Marrowby Website", 6}, {"-", 0},        {"Exit", 7}};
  for (const Entry& e : entries) {
    auto* item = new TMenuItem(&form);
    item->SetCaption(e.caption);
    item->SetTag(e.tag);
    menu->Items()->Add(item);
  }
  TMenuItem* show = menu->Items()->Items(0);
  show->SetDefault(true);
  show->SetEnabled(false);  // the manager's window is shown

  HBITMAP strip = wintest::MakePictureStrip();
  menu->OnGetItemParams = wintest::PictureParams(strip);
  menu->OnDrawMargin = wintest::PaintMarrowbyMargin;
  for (int i = 0; i < menu->Items()->Count(); ++i) {
    TMenuItem* item = menu->Items()->Items(i);
    item->OnClick = [](TObject* sender) {
      std::printf("clicked %s\n", static_cast<TMenuItem*>(sender)->Caption().c_str());
    };
  }

  g_start = GetTickCount();
  SetTimer(nullptr, 0, 250, Tick);
  const bool shown = menu->Popup(x, y);
  std::printf("shown %d\n", shown ? 1 : 0);
  DeleteObject(strip);
  return shown ? 0 : 1;
}
