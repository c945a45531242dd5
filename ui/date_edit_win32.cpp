// The date edit: a date picker whose drop-down calendar marks the weekends.
#include "ui/controls_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "core/window_base.h"
#include "ui/date_format.h"

namespace marrowby {

namespace {

// The drop-down calendar of a date edit marks Saturdays and Sundays in bold
// through its day states. The calendar asks its notification window for the
// states of the months it shows (MCN_GETDAYSTATE) whenever it scrolls; the
// date edit does not answer that, so this answers before it.
void MarkWeekends(const SYSTEMTIME& first, int months, MONTHDAYSTATE* states) {
  int y = first.wYear, m = first.wMonth;
  for (int i = 0; i < months; ++i) {
    states[i] = WeekendDayBits(y, m);
    if (++m > 12) {
      m = 1;
      ++y;
    }
  }
}

// MCN_GETDAYSTATE is MCN_FIRST - 1 (as Windows and Wine send it); the
// mingw-w64 header spells it MCN_FIRST + 3.
const UINT kGetDayState = 0U - 747U;

// Answers the calendar's question for the day states of the months it shows,
// on the windows it asks.
class DayStateAnswer final : public MessageListener {
 public:
  DayStateAnswer() = default;
  DayStateAnswer(const DayStateAnswer&) = delete;
  DayStateAnswer& operator=(const DayStateAnswer&) = delete;
  ~DayStateAnswer() override {
    for (HWND hwnd : windows_) RemoveMessageListener(hwnd, this);
  }

  void Listen(HWND hwnd) {
    if (std::find(windows_.begin(), windows_.end(), hwnd) != windows_.end()) return;
    if (AddMessageListener(hwnd, this)) windows_.push_back(hwnd);
  }

  intptr_t OnMessage(HWND, const WindowMessage& message, MessageChain& next) override {
    if (message.id == WM_NOTIFY &&
        reinterpret_cast<const NMHDR*>(message.lParam)->code == kGetDayState) {
      auto* ask = reinterpret_cast<NMDAYSTATE*>(message.lParam);
      MarkWeekends(ask->stStart, ask->cDayState, ask->prgDayState);
      return 0;
    }
    return next.PassOn();
  }
  void ListeningEnded(HWND hwnd) override {
    windows_.erase(std::remove(windows_.begin(), windows_.end(), hwnd), windows_.end());
  }

 private:
  std::vector<HWND> windows_;
};

// A calendar made without day states refuses to take them on later (Wine's
// date edit makes its calendar once, with no way to ask for them); this lets
// the style through while it listens.
class StyleChangeAllowed final : public MessageListener {
 public:
  intptr_t OnMessage(HWND, const WindowMessage& message, MessageChain& next) override {
    if (message.id == WM_STYLECHANGING && message.wParam == static_cast<WPARAM>(GWL_STYLE)) return 0;
    return next.PassOn();
  }
};

void MarkCalendarWeekends(HWND dateEdit, HWND calendar, DayStateAnswer& answer) {
  if (!calendar) return;
  const LONG_PTR style = GetWindowLongPtrA(calendar, GWL_STYLE);
  if (!(style & MCS_DAYSTATE)) {
    StyleChangeAllowed allow;
    AddMessageListener(calendar, &allow);
    SetWindowLongPtrA(calendar, GWL_STYLE, style | MCS_DAYSTATE);
    RemoveMessageListener(calendar, &allow);
  }
  // The calendar tells the window it was made for: the date edit (Wine), or
  // a drop-down window of the date edit's own (Windows); a popup's parent as
  // the system reports it is the top window, not that one.
  HWND parent = GetParent(calendar);
  if (parent && parent != GetAncestor(dateEdit, GA_ROOT)) answer.Listen(parent);
  SYSTEMTIME range[2] = {};
  MONTHDAYSTATE states[16];
  const int months = static_cast<int>(
      SendMessageA(calendar, MCM_GETMONTHRANGE, GMR_DAYSTATE, reinterpret_cast<LPARAM>(range)));
  if (months <= 0 || months > 16) return;
  MarkWeekends(range[0], months, states);
  SendMessageA(calendar, MCM_SETDAYSTATE, static_cast<WPARAM>(months),
               reinterpret_cast<LPARAM>(states));
}

// A date picker showing the user's short date with a four-digit year, the
// same text as the component.
class DateEditBinding : public ControlBinding {
 public:
  using ControlBinding::ControlBinding;
  void Create(HWND parent, int id) override {
    hwnd_ = Make(DATETIMEPICK_CLASSA, DTS_SHORTDATECENTURYFORMAT | WS_TABSTOP | Common(control_), 0,
                 parent, id);
    SendMessageA(hwnd_, DTM_SETFORMATA, 0,
                 reinterpret_cast<LPARAM>(UserShortDateFormat().Picture().c_str()));
    // Where the date edit makes its calendar at each drop-down (Windows
    // Vista and later), it makes it with day states. The calendar writes in
    // the window's font, with the bold of that font for the marked days.
    // (DTM_SETMCSTYLE, which XP's date edit ignores.)
    SendMessageA(hwnd_, DTM_FIRST + 11, 0, MCS_DAYSTATE);
    SendMessageA(hwnd_, DTM_SETMCFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    dayStates_.Listen(hwnd_);
    ShowState(ControlAspect::Text);
  }
  void ShowState(ControlAspect aspect) override {
    if (aspect != ControlAspect::Text) {
      ControlBinding::ShowState(aspect);
      return;
    }
    int y, m, d;
    DecodeDate(static_cast<TDateEdit&>(control_).Date(), &y, &m, &d);
    if (y < 1753) return;  // before what the picker can show
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(m);
    st.wDay = static_cast<WORD>(d);
    SendMessageA(hwnd_, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
  }
  LRESULT Notify(NMHDR* hdr) override {
    if (hdr->code == DTN_DROPDOWN) {
      MarkCalendarWeekends(
          hwnd_, reinterpret_cast<HWND>(SendMessageA(hwnd_, DTM_GETMONTHCAL, 0, 0)), dayStates_);
    } else if (hdr->code == DTN_DATETIMECHANGE && !updating_) {
      auto* change = reinterpret_cast<NMDATETIMECHANGE*>(hdr);
      if (change->dwFlags == GDT_VALID) {
        TDateTime value;
        if (TryEncodeDate(change->st.wYear, change->st.wMonth, change->st.wDay, &value)) {
          static_cast<TDateEdit&>(control_).SetDate(value);
        }
      }
    }
    return 0;
  }

 private:
  DayStateAnswer dayStates_;
};

}  // namespace

std::unique_ptr<ControlBinding> MakeDateEditBinding(TControl& control, HFONT font) {
  return std::make_unique<DateEditBinding>(control, font);
}

}  // namespace marrowby
