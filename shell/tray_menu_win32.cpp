#include <windows.h>

#include "core/errors.h"
#include "core/typeinfo.h"
#include "shell/menu_draw_win32.h"
#include "shell/tray_menu.h"

namespace marrowby {

namespace {

const char kWindowClass[] = "TTrayPopupMenuWindow";

const char* const kMenuStyleNames[] = {"msStandard", "msOwnerDraw", "msBtnLowered",
                                       "msBtnRaised"};
const TypeInfo kMarginType = OrdinalTypeInfo("Cardinal", OrdType::SLong, 0, INT32_MAX);
const TypeInfo kGetItemParamsType = SimpleTypeInfo(TypeKind::Method, "TGetItemParamsEvent");
const TypeInfo kDrawMarginType = SimpleTypeInfo(TypeKind::Method, "TDrawMarginEvent");
const TypeInfo kDrawItemType = SimpleTypeInfo(TypeKind::Method, "TDrawMenuItemEvent");
const TypeInfo kMeasureItemType = SimpleTypeInfo(TypeKind::Method, "TMeasureMenuItemEvent");

using M = TTrayPopupMenu;
const PropInfo kTrayMenuProps[] = {
    OrdProp<M, &M::AutoPopup, &M::SetAutoPopup>("AutoPopup", &kBooleanType, true, 1),
    OrdProp<M, &M::Style, &M::SetStyle>("Style", &kMenuStyleType, true, msStandard),
    OrdProp<M, &M::LeftMargin, &M::SetLeftMargin>("LeftMargin", &kMarginType, true, 0),
    OrdProp<M, &M::MinTextOffset, &M::SetMinTextOffset>("MinTextOffset", &kMarginType, true, 0),
    OrdProp<M, &M::ShowCheckMarks, &M::SetShowCheckMarks>("ShowCheckMarks", &kBooleanType, true,
                                                          1),
    EventProp("OnDrawItem", &kDrawItemType),
    EventProp("OnDrawMargin", &kDrawMarginType),
    EventProp("OnGetItemParams", &kGetItemParamsType),
    EventProp("OnMeasureItem", &kMeasureItemType),
    EventProp("OnPopup"),
};

// Colours of a margin strip painted without a handler.
const TColor kDefaultMarginStart = clActiveCaption;
const TColor kDefaultMarginEnd = clBtnFace;

SIZE TextSize(HDC dc, const std::string& s) {
  SIZE size = {0, 0};
  GetTextExtentPoint32A(dc, s.c_str(), static_cast<int>(s.size()), &size);
  return size;
}

TFontDesc ItemFont(const TMenuItem* item) {
  TFontDesc font = TTrayPopupMenu::MenuFont();
  if (item->Default()) font.Style.Include(fsBold);
  return font;
}

}  // namespace

const TypeInfo kMenuStyleType = EnumTypeInfo("TMenuStyle", kMenuStyleNames);

const ClassInfo TTrayPopupMenu::kClassInfo = {"TTrayPopupMenu", &TComponent::kClassInfo,
                                              kTrayMenuProps, std::size(kTrayMenuProps)};

TTrayPopupMenu::TTrayPopupMenu(TComponent* owner) : TComponent(owner) {
  items_ = new TMenuItem(this);
}

TTrayPopupMenu::~TTrayPopupMenu() {
  Free(items_);  // frees the items of the menu as well
  items_ = nullptr;
  DestroyOwnWindow();
}

void TTrayPopupMenu::SetPopupComponent(TComponent* c) {
  if (c == popupComponent_) return;
  if (popupComponent_) popupComponent_->RemoveFreeNotification(this);
  popupComponent_ = c;
  if (c) c->FreeNotification(this);
}

void TTrayPopupMenu::Notification(TComponent* component, Operation op) {
  TComponent::Notification(component, op);
  if (op == Operation::Remove && component == popupComponent_) popupComponent_ = nullptr;
}

MenuMetrics TTrayPopupMenu::Metrics() {
  return MakeMenuMetrics(GetSystemMetrics(SM_CXMENUCHECK), GetSystemMetrics(SM_CYMENU),
                         LOBYTE(LOWORD(GetVersion())));
}

TFontDesc TTrayPopupMenu::MenuFont() {
  const bool newStyle = NewStyleSystem();
  return DescFromLogFont(SystemMenuLogFont(newStyle), clMenuText);
}

HWND TTrayPopupMenu::MenuWindow() {
  WindowSetup setup;
  setup.className = kWindowClass;
  setup.style = WS_POPUP;
  setup.exStyle = WS_EX_TOOLWINDOW;
  CreateOwnWindow(setup);
  return OwnWindow();
}

intptr_t TTrayPopupMenu::OnMessage(HWND, const WindowMessage& message, MessageChain& next) {
  intptr_t result = 0;
  if (HandleOwnerMessage(message.id, message.lParam, &result)) return result;
  return next.PassOn();
}

// ---- Showing ------------------------------------------------------------------

HMENU TTrayPopupMenu::BuildMenu(TMenuItem* parent) {
  HMENU menu = CreatePopupMenu();
  if (!menu) return nullptr;
  UINT position = 0;
  for (int i = 0; i < parent->Count(); ++i) {
    TMenuItem* item = parent->Items(i);
    if (!item->Visible()) continue;
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA;
    mii.wID = item->Command();
    mii.dwItemData = item->Command();
    mii.fState = (item->Enabled() ? MFS_ENABLED : MFS_GRAYED) |
                 (item->Checked() ? MFS_CHECKED : 0) | (item->Default() ? MFS_DEFAULT : 0);
    std::string text = item->Caption();
    const std::string shortCut = ShortCutToText(item->ShortCut());
    if (!shortCut.empty()) text += "\t" + shortCut;
    if (item->IsLine()) {
      mii.fType = MFT_SEPARATOR;
    } else if (!IsOwnerDrawn()) {
      mii.fType = MFT_STRING;
      mii.fMask |= MIIM_STRING;
      mii.dwTypeData = const_cast<char*>(text.c_str());
    }
    if (IsOwnerDrawn()) mii.fType |= MFT_OWNERDRAW;
    if (item->Count() > 0) {
      mii.fMask |= MIIM_SUBMENU;
      mii.hSubMenu = BuildMenu(item);
    }
    InsertMenuItemA(menu, position++, TRUE, &mii);
  }
  return menu;
}

bool TTrayPopupMenu::Track(HWND ownerWindow, int x, int y, uint32_t* command) {
  if (command) *command = 0;
  if (tracking_ || !items_) return false;  // one showing at a time
  CallGuarded([&] {
    if (OnPopup) OnPopup(this);
  });
  ScopedMenu menu(BuildMenu(items_));
  if (!menu) return false;
  HWND owner = ownerWindow ? ownerWindow : MenuWindow();
  tracking_ = true;
  AddMessageListener(owner, this);
  // The command comes back as the result rather than as a posted message, so
  // it is clicked only after the menu has gone, whoever owns the menu.
  const UINT flags = TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD;
  const BOOL chosen = TrackPopupMenu(menu.Get(), flags, x, y, 0, owner, nullptr);
  RemoveMessageListener(owner, this);
  tracking_ = false;
  if (command && chosen > 0) *command = static_cast<uint32_t>(chosen);
  return true;
}

bool TTrayPopupMenu::ClickCommand(uint32_t command) {
  TMenuItem* item = items_ ? items_->FindCommand(command) : nullptr;
  if (!item || item == items_) return false;
  CallGuarded([&] { item->Click(); });
  return true;
}

bool TTrayPopupMenu::Popup(int x, int y) {
  HWND owner = MenuWindow();
  // A menu whose owner is not in the foreground stays open when the user
  // clicks elsewhere; the empty message afterwards lets the next one close.
  if (owner) SetForegroundWindow(owner);
  uint32_t command = 0;
  const bool shown = Track(owner, x, y, &command);
  if (owner) PostMessageA(owner, WM_NULL, 0, 0);
  if (command) ClickCommand(command);
  return shown;
}

bool TTrayPopupMenu::HandleOwnerMessage(unsigned message, intptr_t lParam, intptr_t* result) {
  // Only this menu's items, and only while it is shown: the owner window may
  // draw other things of its own.
  if (!tracking_) return false;
  if (message == WM_MEASUREITEM) {
    auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    if (!mis || mis->CtlType != ODT_MENU || !items_) return false;
    TMenuItem* item = items_->FindCommand(static_cast<uint32_t>(mis->itemData));
    if (!item) return false;
    CallGuarded([&] {
      const ItemSize size = MeasureItem(item);
      mis->itemWidth = static_cast<UINT>(size.Width);
      mis->itemHeight = static_cast<UINT>(size.Height);
    });
    *result = TRUE;
    return true;
  }
  if (message == WM_DRAWITEM) {
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    if (!dis || dis->CtlType != ODT_MENU || !items_) return false;
    TMenuItem* item = items_->FindCommand(static_cast<uint32_t>(dis->itemData));
    if (!item) return false;
    const TOwnerDrawState state = TOwnerDrawState::FromBits(dis->itemState & 0x1FFF);
    CallGuarded([&] {
      DrawItem(item, dis->hDC, FromRECT(dis->rcItem), state,
               (dis->itemAction & ODA_DRAWENTIRE) != 0);
    });
    *result = TRUE;
    return true;
  }
  return false;
}

// ---- Measuring ------------------------------------------------------------------

void TTrayPopupMenu::AskItemParams(TMenuItem* item, TOwnerDrawState state, TFontDesc& font,
                                   TColor& background, TMenuGraphic& graphic, int& glyphs) {
  if (OnGetItemParams) OnGetItemParams(this, item, state, font, background, graphic, glyphs);
  if (glyphs < 1) glyphs = 1;
  // A separator never shows a picture.
  if (item->IsLine()) graphic = TMenuGraphic();
}

ItemSize TTrayPopupMenu::MeasureItem(TMenuItem* item) {
  const MenuMetrics m = Metrics();
  TFontDesc font = ItemFont(item);
  TColor background = clMenu;
  TMenuGraphic graphic;
  int glyphs = 1;
  AskItemParams(item, TOwnerDrawState(), font, background, graphic, glyphs);

  ScopedMemoryDC memory(CreateCompatibleDC(ScopedWindowDC(nullptr).Get()));
  HDC dc = memory.Get();
  ItemMeasure in;
  {
    ScopedFont itemFont(CreateFontFromDesc(SystemMenuLogFont(m.NewStyle), font));
    ScopedSelect select(dc, itemFont.Get());
    in.IsLine = item->IsLine();
    in.TextWidth = TextSize(dc, StripHotkey(item->Caption()) + "\t\t").cx;
    in.ShortCutWidth = TextSize(dc, ShortCutToText(item->ShortCut()) + " ").cx;
    const std::string probe = item->IsLine() ? "-" : StripHotkey(item->Caption());
    in.TextHeight = TextSize(dc, probe.empty() ? " " : probe).cy;
  }
  in.TopLevel = item->Parent() == items_;
  in.LeftMargin = leftMargin_;
  in.MinTextOffset = minTextOffset_;
  in.CheckColumn = showCheckMarks_ ? GetSystemMetrics(SM_CXMENUCHECK) : 0;
  in.HasGraphic = !graphic.Empty();
  in.GraphicWidth = graphic.Width;
  in.GraphicHeight = graphic.Height;
  in.Glyphs = glyphs;
  ItemSize size = marrowby::MeasureItem(m, in);
  if (OnMeasureItem) OnMeasureItem(this, item, size.Width, size.Height);
  return size;
}

// ---- Drawing ---------------------------------------------------------------------

void TTrayPopupMenu::PaintMarginGradient(const TRect& rect, TColor start, TColor end) {
  if (canvas_) PaintGradientStrip(canvas_, rect, start, end, NewStyleSystem());
}

void TTrayPopupMenu::DrawItem(TMenuItem* item, HDC dc, const TRect& rect, TOwnerDrawState state,
                              bool wholeItem) {
  const int saved = SaveDC(dc);
  canvas_ = dc;
  try {
    const bool topLevel = item->Parent() == items_;
    if (topLevel && leftMargin_ > 0 && wholeItem) {
      RECT clip;
      GetClipBox(dc, &clip);
      const TRect margin = MarginRect(FromRECT(clip), leftMargin_);
      const int inner = SaveDC(dc);  // the handler's font and colours stay its own
      if (OnDrawMargin) {
        OnDrawMargin(this, margin);
      } else {
        PaintMarginGradient(margin, kDefaultMarginStart, kDefaultMarginEnd);
      }
      RestoreDC(dc, inner);
    }
    DrawContent(item, rect, state);
  } catch (...) {
    canvas_ = nullptr;
    RestoreDC(dc, saved);
    throw;
  }
  canvas_ = nullptr;
  RestoreDC(dc, saved);
}

namespace {

// What drawing an item's content knows: where, in which state and style,
// with which picture and colour.
struct ItemPaint {
  HDC dc;
  MenuMetrics metrics;
  TRect rect;
  TRect content;
  ItemPlace place;
  TOwnerDrawState state;
  TMenuStyle style;
  TMenuGraphic graphic;
  int glyphs;
  TColor textColor;
};

void DrawSeparator(const ItemPaint& p) {
  const int mid = LayoutItem(p.metrics, p.rect, p.place).LineY;
  const TRect& c = p.content;
  if (p.metrics.NewStyle) {
    FillSolid(p.dc, RECT{c.Left, mid - 1, c.Right, mid}, GetSysColor(COLOR_BTNSHADOW));
    FillSolid(p.dc, RECT{c.Left, mid, c.Right, mid + 1}, GetSysColor(COLOR_BTNHIGHLIGHT));
  } else {
    FillSolid(p.dc, RECT{c.Left, mid - 1, c.Right, mid + 1}, ResolveColor(clMenuText));
  }
}

// The caption, and the shortcut at the right, offset by dx in both directions.
void DrawItemText(const ItemPaint& p, const ItemLayout& layout, const TMenuItem& item, int dx,
                  COLORREF color) {
  const UINT format = DT_SINGLELINE | DT_EXPANDTABS | DT_LEFT | DT_TOP |
                      (p.state.Contains(odNoAccel) ? DT_HIDEPREFIX : 0);
  SetTextColor(p.dc, color);
  RECT r = {layout.TextLeft + dx, layout.TextTop + dx, p.content.Right + dx, p.content.Bottom + dx};
  DrawTextA(p.dc, item.Caption().c_str(), -1, &r, format);
  const std::string shortCut = ShortCutToText(item.ShortCut());
  if (!shortCut.empty()) {
    r.right -= 2 * p.metrics.G;
    DrawTextA(p.dc, shortCut.c_str(), -1, &r, DT_SINGLELINE | DT_RIGHT | DT_TOP | DT_NOPREFIX);
  }
}

// A text item: its check mark, its picture, its caption and shortcut, and
// the edge of a selected button-style item.
void DrawTextItem(const ItemPaint& p, const TMenuItem& item) {
  const bool selected = p.state.Contains(odSelected);
  const bool grayed = p.state.Contains(odGrayed) || p.state.Contains(odDisabled) || !item.Enabled();
  const ItemLayout layout = LayoutItem(p.metrics, p.rect, p.place);
  if (p.place.CheckColumn > 0 && item.Checked()) {
    RECT box = ToRECT(layout.CheckBox);
    DrawFrameControl(p.dc, &box, DFC_MENU, DFCS_MENUCHECK | (selected ? DFCS_CHECKED : 0));
  }
  if (p.place.HasGraphic) {
    DrawMenuGraphic(p.dc, p.graphic, p.glyphs, layout.GraphicLeft, layout.GraphicTop, grayed);
  }
  SetBkMode(p.dc, TRANSPARENT);
  if (grayed) {
    // Embossed on the menu colour; a selected item shows plain grey text on
    // the highlight instead.
    if (p.metrics.NewStyle && !selected) DrawItemText(p, layout, item, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawItemText(p, layout, item, 0, GetSysColor(selected ? COLOR_GRAYTEXT : COLOR_BTNSHADOW));
  } else {
    DrawItemText(p, layout, item, 0, ResolveColor(p.textColor));
  }
  if (selected && (p.style == msBtnLowered || p.style == msBtnRaised)) {
    RECT edge = ToRECT(p.content);
    DrawEdge(p.dc, &edge, p.style == msBtnLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
  }
}

}  // namespace

void TTrayPopupMenu::DrawContent(TMenuItem* item, const TRect& rect, TOwnerDrawState state) {
  const bool highlight = state.Contains(odSelected) && style_ == msOwnerDraw;
  ItemPaint p{canvas_, Metrics(), rect, {}, {}, state, style_, {}, 1,
              highlight ? clHighlightText : clMenuText};
  TFontDesc font = ItemFont(item);
  TColor background = highlight ? clHighlight : clMenu;
  font.Color = p.textColor;
  p.place.TopLevel = item->Parent() == items_;
  p.place.LeftMargin = leftMargin_;
  p.content = LayoutItem(p.metrics, rect, p.place).Content;
  IntersectClipRect(p.dc, p.content.Left, p.content.Top, p.content.Right, p.content.Bottom);

  AskItemParams(item, state, font, background, p.graphic, p.glyphs);
  p.textColor = font.Color;
  if (background != clNone) FillSolid(p.dc, ToRECT(p.content), ResolveColor(background));
  ScopedFont itemFont(CreateFontFromDesc(SystemMenuLogFont(p.metrics.NewStyle), font));
  ScopedSelect select(p.dc, itemFont.Get());

  if (OnDrawItem) {
    OnDrawItem(this, item, p.content, state);
  } else if (item->IsLine()) {
    DrawSeparator(p);
  } else {
    p.place.HasGraphic = !p.graphic.Empty();
    p.place.GraphicWidth = p.graphic.Width;
    p.place.GraphicHeight = p.graphic.Height;
    p.place.Glyphs = p.glyphs;
    p.place.MinTextOffset = minTextOffset_;
    p.place.CheckColumn = showCheckMarks_ ? GetSystemMetrics(SM_CXMENUCHECK) : 0;
    p.place.LineHeight = TextSize(p.dc, "Ay").cy;
    DrawTextItem(p, *item);
  }
}

}  // namespace marrowby
