#include "query/chooser_grid.h"

#include <string>

#include "timetable/times.h"

namespace lanzhou::query {

HeaderSort ChooserHeaders() {
  return HeaderSort({{"中转站", SortKey::Text},
                     {"前里程", SortKey::Number},
                     {"后里程", SortKey::Number},
                     {"总里程", SortKey::Number},
                     {"前历时", SortKey::Minutes},
                     {"后历时", SortKey::Minutes},
                     {"总历时", SortKey::Minutes},
                     {"发站车数", SortKey::Number},
                     {"到站车数", SortKey::Number}});
}

void FillChooserGrid(ChooserGrid& chooser, const std::vector<TPub_ZZStruct>& listed) {
  // Each search opens a new window: no rows, no mark left from an earlier one.
  chooser = ChooserGrid{};
  StringGrid& g = chooser.ZGrid;
  ClearGridSelection(g);
  for (const TPub_ZZStruct& c : listed) {
    const int r = chooser.CandidateCount++;
    if (g.RowCount() < chooser.CandidateCount) g.SetRowCount(chooser.CandidateCount);
    g.SetCell(0, r, c.Name);
    g.SetCell(1, r, timetable::DistanceText(c.FirstDistance));
    g.SetCell(2, r, timetable::DistanceText(c.SecondDistance));
    g.SetCell(3, r, timetable::DistanceText(c.TotalDistance));
    g.SetCell(4, r, c.FirstTime);
    g.SetCell(5, r, c.SecondTime);
    g.SetCell(6, r, c.TotalTime);
    g.SetCell(7, r, std::to_string(c.FromTrains));
    g.SetCell(8, r, std::to_string(c.ToTrains));
  }
  Lab1Click(chooser, 0);
}

void Lab1Click(ChooserGrid& chooser, int column) {
  if (chooser.CandidateCount == 0) return;
  chooser.Headers.Click(chooser.ZGrid, column, chooser.CandidateCount);
}

std::optional<TransferPick> ZGridClick(const ChooserGrid& chooser, int row) {
  if (row < 0 || row >= chooser.CandidateCount) return std::nullopt;
  const StringGrid& g = chooser.ZGrid;
  return TransferPick{g.Cell(0, row), timetable::TextToIntOrZero(g.Cell(7, row)),
                      timetable::TextToIntOrZero(g.Cell(8, row))};
}

std::string ChooserCaption(int CandidateCount) {
  return "两地共有<" + std::to_string(CandidateCount) + ">个中转站供选择:";
}

}  // namespace lanzhou::query
