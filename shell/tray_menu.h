// The tray menu: a popup menu whose items are drawn by the program, with a
// painted strip along the left edge of its top level, pictures handed out per
// item by OnGetItemParams, and the default item in bold. It pops up at a
// screen point, owned by a window of the caller's choice (the tray icon's
// hidden window), and clicks the chosen item once it has closed.
#pragma once

#include <cstdint>
#include <functional>

#include "core/component.h"
#include "core/window_base.h"
#include "core/set.h"
#include "shell/graphics.h"
#include "shell/menu_item.h"
#include "shell/menu_layout.h"

namespace marrowby {

enum TMenuStyle : uint8_t { msStandard, msOwnerDraw, msBtnLowered, msBtnRaised };
extern const TypeInfo kMenuStyleType;

// The states of an owner-drawn item, in the bit order of the platform's
// drawing states (selected is bit 0, grayed bit 1, ...).
enum TOwnerDrawStateItem : uint8_t {
  odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault, odHotLight, odInactive,
  odNoAccel, odNoFocusRect, odReserved1, odReserved2, odComboBoxEdit
};
using TOwnerDrawState = Set<TOwnerDrawStateItem>;

class TTrayPopupMenu;
// Asked before an item is measured (with an empty state) and drawn: the
// handler may change the font and the background colour (clNone: leave the
// background as it is) and hand out a picture, with the number of glyphs
// side by side in it.
using TGetItemParamsEvent =
    std::function<void(TTrayPopupMenu* Sender, TMenuItem* Item, TOwnerDrawState State,
                       TFontDesc& Font, TColor& Background, TMenuGraphic& Graphic,
                       int& NumGlyphs)>;
// Paints the margin strip of a top-level item (on Sender->CanvasHandle()).
using TDrawMarginEvent = std::function<void(TTrayPopupMenu* Sender, const TRect& Rect)>;
// Replaces the drawing of an item's content.
using TDrawMenuItemEvent = std::function<void(TTrayPopupMenu* Sender, TMenuItem* Item,
                                              const TRect& Rect, TOwnerDrawState State)>;
// Adjusts an item's measured size.
using TMeasureMenuItemEvent =
    std::function<void(TTrayPopupMenu* Sender, TMenuItem* Item, int& Width, int& Height)>;

class TTrayPopupMenu : public TComponent, private WindowBase, private MessageListener {
 public:
  explicit TTrayPopupMenu(TComponent* owner);
  ~TTrayPopupMenu() override;

  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  // The root item: its sub-items are the menu's top level.
  TMenuItem* Items() const { return items_; }

  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool v) { autoPopup_ = v; }
  TMenuStyle Style() const { return style_; }
  void SetStyle(TMenuStyle v) { style_ = v; }
  // Width of the painted strip left of the top-level items (0: none).
  int32_t LeftMargin() const { return leftMargin_; }
  void SetLeftMargin(int32_t v) { leftMargin_ = v < 0 ? 0 : v; }
  // Least width of the picture column.
  int32_t MinTextOffset() const { return minTextOffset_; }
  void SetMinTextOffset(int32_t v) { minTextOffset_ = v < 0 ? 0 : v; }
  bool ShowCheckMarks() const { return showCheckMarks_; }
  void SetShowCheckMarks(bool v) { showCheckMarks_ = v; }
  // The component the menu was last popped up for (the tray icon).
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* c);

  TNotifyEvent OnPopup;
  TGetItemParamsEvent OnGetItemParams;
  TDrawMarginEvent OnDrawMargin;
  TDrawMenuItemEvent OnDrawItem;
  TMeasureMenuItemEvent OnMeasureItem;

  // Shows the menu at the screen point, owned by the menu's own hidden window,
  // and clicks the chosen item after it has closed. True when it was shown.
  bool Popup(int x, int y);
  // Shows the menu owned by ownerWindow, whose measuring and drawing
  // messages the menu listens to while it is shown, and returns once it has
  // closed, with the chosen item's command (0 for none).
  bool Track(NativeWindow ownerWindow, int x, int y, uint32_t* command);
  // Clicks the item with that command, if it still exists.
  bool ClickCommand(uint32_t command);
  bool Tracking() const { return tracking_; }

  // Measuring and drawing of one item (what the messages above do).
  ItemSize MeasureItem(TMenuItem* item);
  void DrawItem(TMenuItem* item, NativeDC dc, const TRect& rect, TOwnerDrawState state,
                bool wholeItem);
  // Paints a margin strip on the canvas: a gradient from start to end colour
  // and, on new-style systems, the two edge lines at its right.
  void PaintMarginGradient(const TRect& rect, TColor start, TColor end);
  // The device context being drawn on (during OnDrawMargin and OnDrawItem).
  NativeDC CanvasHandle() const { return canvas_; }

  // The system's measures the layout starts from.
  static MenuMetrics Metrics();
  // The system's menu font (bold not included).
  static TFontDesc MenuFont();

 protected:
  void Notification(TComponent* component, Operation op) override;

 private:
  NativeMenu BuildMenu(TMenuItem* parent);
  bool IsOwnerDrawn() const { return style_ != msStandard; }
  void AskItemParams(TMenuItem* item, TOwnerDrawState state, TFontDesc& font, TColor& background,
                     TMenuGraphic& graphic, int& glyphs);
  void DrawContent(TMenuItem* item, const TRect& rect, TOwnerDrawState state);
  // The menu's own hidden window, made on first use.
  NativeWindow MenuWindow();
  // The measuring and drawing messages of the owner window while the menu
  // is shown.
  intptr_t OnMessage(NativeWindow window, const WindowMessage& message,
                     MessageChain& next) override;
  // True when the message was the menu's (result is then the answer).
  bool HandleOwnerMessage(unsigned message, intptr_t lParam, intptr_t* result);

  TMenuItem* items_ = nullptr;
  bool autoPopup_ = true;
  TMenuStyle style_ = msStandard;
  int32_t leftMargin_ = 0;
  int32_t minTextOffset_ = 0;
  bool showCheckMarks_ = true;
  TComponent* popupComponent_ = nullptr;
  NativeDC canvas_ = nullptr;
  bool tracking_ = false;
};

}  // namespace marrowby
