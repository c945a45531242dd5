// Panels and group boxes: windows of the one window helper that draw their
// frame and hand their children's notifications to the form.
#include "ui/controls_win32.h"

#include <string>

#include "core/window_base.h"

namespace marrowby {

namespace {

// A container: a panel, or a group box with its caption on the frame. Its
// children's notifications go to the form's view.
class PanelBinding : private WindowBase, public ControlBinding {
 public:
  using ControlBinding::ControlBinding;
  void Create(HWND parent, int id) override {
    const TBounds& r = control_.Bounds();
    const std::string caption = control_.Text();
    WindowSetup setup;
    setup.className = "TPanel";
    setup.text = caption.c_str();
    setup.style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | Common(control_);
    setup.exStyle = WS_EX_CONTROLPARENT;
    setup.x = r.Left;
    setup.y = r.Top;
    setup.width = r.Width;
    setup.height = r.Height;
    setup.parent = parent;
    setup.id = id;
    setup.classCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    setup.classBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    CreateOwnWindow(setup);
    Adopt(OwnWindow(), id);
  }
  void ShowState(ControlAspect aspect) override {
    ControlBinding::ShowState(aspect);
    if (aspect == ControlAspect::Text) InvalidateRect(hwnd_, nullptr, TRUE);
  }
  // A panel slides over its siblings (the day panel, the description panel).
  void Move() override { PlaceWindow(); }

 private:
  intptr_t HandleMessage(unsigned msg, uintptr_t wp, intptr_t lp) override {
    switch (msg) {
      case WM_COMMAND:
      case WM_NOTIFY:
      case WM_MOUSEMOVE:
        if (auto* form = dynamic_cast<ControlParent*>(ObjectOf(GetAncestor(hwnd_, GA_ROOT)))) {
          LRESULT result = 0;
          if (form->ChildMessage(msg, wp, lp, &result)) return result;
        }
        break;
      case WM_PAINT:
        Paint();
        return 0;
    }
    return DefaultHandling(msg, wp, lp);
  }
  void Paint();
};

void PanelBinding::Paint() {
  const auto& panel = static_cast<const TPanel&>(control_);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  RECT r;
  GetClientRect(hwnd_, &r);
  if (panel.GroupFrame) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(GetAncestor(hwnd_, GA_ROOT), WM_GETFONT, 0, 0));
    ScopedSelect select(dc, font);
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    RECT frame = r;
    frame.top += tm.tmHeight / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    const std::string& text = panel.Caption();
    TextOutA(dc, 8, 0, text.c_str(), static_cast<int>(text.size()));
  } else if (panel.Bevel) {
    DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
  }
  EndPaint(hwnd_, &ps);
}

}  // namespace

std::unique_ptr<ControlBinding> MakePanelBinding(TControl& control, HFONT font) {
  return std::make_unique<PanelBinding>(control, font);
}

}  // namespace marrowby
