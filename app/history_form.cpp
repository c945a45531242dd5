#include "app/history_form.h"

#include <exception>

namespace marrowby {

namespace {

constexpr int kBarHeight = 36;
constexpr int kButtonStep = 83;  // a button and the gap after it

// "YYYY-MM-DD HH:MM:SS" as the user's locale writes a date and time; the
// stamp itself when it names no moment.
std::string TimeText(const std::string& stamp, MainFormHost& host) {
  TDateTime date, time;
  const auto field = [&](size_t at, size_t n) { return std::stoi(stamp.substr(at, n)); };
  if (!TryEncodeDate(field(0, 4), field(5, 2), field(8, 2), &date) ||
      !TryEncodeTime(field(11, 2), field(14, 2), field(17, 2), 0, &time)) {
    return stamp;
  }
  return host.FormatDateTime(date + time);
}

}  // namespace

const ClassInfo THistoryForm::kClassInfo = {"THistoryForm", &TForm::kClassInfo, nullptr, 0};

THistoryForm::THistoryForm(TComponent* owner, MainFormHost& host,
                           std::function<LaunchHistory()> history)
    : TForm(owner), host_(host), history_(std::move(history)) {
  SetName("HistoryForm");
  SetCaption("Launch History");
  BorderStyle = TBorderStyle::bsSizeable;
  Centered = false;
  TaskbarEntry = true;
  SystemFont = true;
  SetWindowSize(840, 400);
  NewControls(Row(List, {this, nullptr, "List", {}}),
              Row(PathLbl, {this, nullptr, "PathLbl", {}}),
              Row(RefreshBtn, {this, nullptr, "RefreshBtn", {}, "&Refresh"}),
              Row(CloseBtn, {this, nullptr, "CloseBtn", {}, "&Close"}));
  List->Columns = {{"Date and time", 130}, {"No.", 36},      {"Description", 130},
                   {"Item", 200},          {"Outcome", 190}, {"Started by", 130}};
  List->GridLines = true;
  List->RowSelect = true;
  PathLbl->PathEllipsis = true;
  CloseBtn->Default = true;
  CloseBtn->Cancel = true;
  RefreshBtn->OnClick = [this](TObject*) { Reload(); };
  CloseBtn->OnClick = [this](TObject*) { Close(); };
}

std::string THistoryForm::SummaryText(size_t launches, const std::string& path) {
  if (launches == 0) return "No launches recorded yet in " + path;
  return std::to_string(launches) + (launches == 1 ? " launch" : " launches") + " recorded in " +
         path;
}

std::vector<std::string> THistoryForm::Cells(const HistoryEntry& e) const {
  return {TimeText(e.time, host_), std::to_string(e.position), e.description, e.item,
          OutcomeText(e),          WayText(e.way)};
}

void THistoryForm::Reload() {
  std::vector<HistoryEntry> entries;
  std::string path;
  try {
    LaunchHistory history = history_();
    path = history.Path();
    entries = history.ReadAll();
  } catch (const std::exception& e) {
    path = e.what();
  }
  std::vector<TListView::Row> rows;
  for (const HistoryEntry& e : entries) rows.push_back(Cells(e));
  List->SetRows(std::move(rows));
  PathLbl->SetCaption(SummaryText(entries.size(), path));
}

void THistoryForm::FormResize() {
  const int width = ClientWidth();
  const int barTop = ClientHeight() - kBarHeight;
  List->SetBounds(0, 0, width, barTop);
  PathLbl->SetBounds(8, barTop + 11, width - 8 - 2 * kButtonStep - 8, 16);
  RefreshBtn->SetBounds(width - 2 * kButtonStep, barTop + 6, 75, 24);
  CloseBtn->SetBounds(width - kButtonStep, barTop + 6, 75, 24);
}

}  // namespace marrowby
