// The list view: rows of text in columns with headings.
#include "ui/controls_win32.h"

#include <commctrl.h>

namespace marrowby {

namespace {

// Rows of cells under column headings, selected whole.
class ListViewBinding : public ControlBinding {
 public:
  using ControlBinding::ControlBinding;
  void Create(HWND parent, int id) override {
    const auto& list = static_cast<const TListView&>(control_);
    hwnd_ = Make(WC_LISTVIEWA, LVS_REPORT | LVS_SHOWSELALWAYS | WS_TABSTOP | Common(control_),
                 WS_EX_CLIENTEDGE, parent, id);
    ListView_SetExtendedListViewStyle(hwnd_, (list.RowSelect ? LVS_EX_FULLROWSELECT : 0) |
                                                 (list.GridLines ? LVS_EX_GRIDLINES : 0));
    for (size_t i = 0; i < list.Columns.size(); ++i) {
      LVCOLUMNA col = {};
      col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
      col.pszText = const_cast<char*>(list.Columns[i].Caption.c_str());
      col.cx = list.Columns[i].Width;
      col.iSubItem = static_cast<int>(i);
      SendMessageA(hwnd_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&col));
    }
    ShowState(ControlAspect::Items);
  }
  void ShowState(ControlAspect aspect) override {
    if (aspect != ControlAspect::Items) {
      ControlBinding::ShowState(aspect);
      return;
    }
    const auto& rows = static_cast<const TListView&>(control_).Rows();
    SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(hwnd_);
    ListView_SetItemCount(hwnd_, static_cast<int>(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i) AddRow(static_cast<int>(i), rows[i]);
    SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
  }

 private:
  void AddRow(int row, const TListView::Row& cells) {
    if (cells.empty()) return;
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(cells[0].c_str());
    SendMessageA(hwnd_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    for (size_t i = 1; i < cells.size(); ++i) {
      item.iSubItem = static_cast<int>(i);
      item.pszText = const_cast<char*>(cells[i].c_str());
      SendMessageA(hwnd_, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    }
  }
};

}  // namespace

std::unique_ptr<ControlBinding> MakeListViewBinding(TControl& control, HFONT font) {
  return std::make_unique<ListViewBinding>(control, font);
}

}  // namespace marrowby
