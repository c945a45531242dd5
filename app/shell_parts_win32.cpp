#include "app/shell_parts_win32.h"

#include <windows.h>

#include <string>

#include "core/dpi_win32.h"
#include "core/errors.h"
#include "shell/menu_draw_win32.h"

namespace marrowby {

namespace {

// The bytes of an RCDATA resource of the program (an icon file image).
std::string ResourceData(const char* name) {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  HRSRC res = FindResourceA(inst, name, MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (!res) return {};
  HGLOBAL data = LoadResource(inst, res);
  const DWORD size = SizeofResource(inst, res);
  const char* bytes = static_cast<const char*>(LockResource(data));
  return bytes ? std::string(bytes, size) : std::string();
}

TMenuItem* Item(TMainForm& form, TTrayPopupMenu* menu, const char* name, const char* caption,
                int tag) {
  auto* item = new TMenuItem(&form);
  item->SetName(name);
  item->SetCaption(caption);
  item->SetTag(tag);
  menu->Items()->Add(item);
  return item;
}

void Separator(TMainForm& form, TTrayPopupMenu* menu, const char* name) {
  Item(form, menu, name, "-", 0);
}

// PopupImg: the menu pictures, a grid of 4 x 2 cells of 16 pixels at 96
// dots per inch, scaled to the menu's density; the item with Tag t (1 to 8)
// shows cell t-1. The silver background is left out when drawn.
HBITMAP PopupImg() {
  static HBITMAP bitmap = BitmapAtDpi(
      static_cast<HBITMAP>(
          LoadImageA(GetModuleHandleA(nullptr), "POPUPIMG", IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)),
      SystemDpi());
  return bitmap;
}

void TrayPopGetItemParams(TTrayPopupMenu*, TMenuItem* item, TOwnerDrawState, TFontDesc&, TColor&,
                          TMenuGraphic& graphic, int&) {
  const int tag = item->Tag();
  if (tag < 1 || tag > 8 || !PopupImg()) return;
  const int cell = ScaleToDpi(16, SystemDpi());
  graphic.Bitmap = PopupImg();
  graphic.Left = (tag - 1) % 4 * cell;
  graphic.Top = (tag - 1) / 4 * cell;
  graphic.Width = graphic.Height = cell;
  graphic.TransparentColor = RGBColor(192, 192, 192);
}

// The tray menu and its items, bound to the form's handlers.
void MakeTrayMenu(TMainForm& form, MainShellParts& p) {
  TMainForm* f = &form;
  p.TrayPop = new TTrayPopupMenu(&form);
  p.TrayPop->SetName("TrayPop");
  p.TrayPop->SetStyle(msOwnerDraw);
  p.TrayPop->SetLeftMargin(30);
  p.TrayPop->SetShowCheckMarks(false);
  p.TrayPop->OnGetItemParams = TrayPopGetItemParams;
  p.TrayPop->OnDrawMargin = [](TTrayPopupMenu* menu, const TRect& rect) {
    PaintWordMargin(*menu, rect, "Marrowby");
  };
  p.ShowMi = Item(form, p.TrayPop, "ShowMi", "Show Manager", 1);
  p.ShowMi->SetDefault(true);
  p.ShowMi->SetEnabled(false);
  p.HideMi = Item(form, p.TrayPop, "HideMi", "Hide Manager", 2);
  p.NumSchedsMi = Item(form, p.TrayPop, "NumSchedsMi", "N\xBA of Schedules", 3);  // "Nº"
  // The grid's last cell is the history's picture.
  p.HistoryMi = Item(form, p.TrayPop, "HistoryMi", "History", 8);
  p.AboutMi = Item(form, p.TrayPop, "AboutMi", "About", 4);
  p.HelpMi = Item(form, p.TrayPop, "HelpMi", "Help", 5);
  Separator(form, p.TrayPop, "N2");
  p.WebsiteMi = Item(form, p.TrayPop, "WebsiteMi", "Marrowby Website", 6);
  Separator(form, p.TrayPop, "N1");
  p.ExitMi = Item(form, p.TrayPop, "ExitMi", "Exit", 7);
  p.ShowMi->OnClick = [f](TObject*) { f->ShowMiClick(); };
  p.HideMi->OnClick = [f](TObject*) { f->HideBtnClick(); };
  p.NumSchedsMi->OnClick = [f](TObject*) { f->NumSchedsMiClick(); };
  p.HistoryMi->OnClick = [f](TObject*) { f->HistoryMiClick(); };
  p.AboutMi->OnClick = [f](TObject*) { f->AboutMiClick(); };
  // Help in the tray menu opens the help as the window's Help button does.
  p.HelpMi->OnClick = [f](TObject*) { f->HelpBtnClick(); };
  p.WebsiteMi->OnClick = [f](TObject*) { f->WebsiteMiClick(); };
  p.ExitMi->OnClick = [f](TObject*) { f->ExitMiClick(); };
}

}  // namespace

MainShellParts MakeShellParts(TMainForm& form) {
  MainShellParts p;
  TMainForm* f = &form;

  p.SingleInstance1 = new TSingleInstance(&form);
  p.SingleInstance1->SetName("SingleInstance1");
  p.SingleInstance1->SetStopMsg("Schedule Manager is already running");
  MakeTrayMenu(form, p);

  p.TrayIcon1 = new TTrayIcon(&form);
  p.TrayIcon1->SetName("TrayIcon1");
  // A second copy only warns and ends: an icon of its own would stand beside
  // the running copy's while it warns, and taking it away again makes the
  // notification area move the running copy's icon, which some desktops
  // then leave blank.
  if (!p.SingleInstance1->IsFirst()) p.TrayIcon1->SetActive(false);
  TIcon icon;
  icon.LoadFromImage(ResourceData("MAINICON_FILE"));
  p.TrayIcon1->SetIcon(&icon);
  for (int i = 0; i < 15; ++i) {
    char name[32];
    wsprintfA(name, "FRAME%02d_FILE", i);
    p.TrayIcon1->Icons()->AddImage(ResourceData(name));
  }
  p.TrayIcon1->SetInterval(150);
  p.TrayIcon1->SetPopupMenu(p.TrayPop);
  p.TrayIcon1->OnDblClick = [f](TObject*) { f->ShowMiClick(); };

  p.FileDrag1 = new TFileDrag(&form);
  p.FileDrag1->SetName("FileDrag1");
  p.FileDrag1->SetEnableDrop(false);
  TFileDrag* drag = p.FileDrag1;
  p.FileDrag1->OnDrop = [f, drag](TObject*) { f->FileDrag1Drop(drag->NameWithPath()->Lines()); };
  return p;
}

}  // namespace marrowby
