#pragma once
// The transfer chooser's grid ZGrid as data: the listed stations in 9 columns, the header sort
// of its 9 labels and the window's texts. Which stations are listed is the transfer search's
// business; this takes its list as it comes.
#include <optional>
#include <string>
#include <vector>

#include "query/query_state.h"
#include "query/sort_grid.h"
#include "query/string_grid.h"

namespace lanzhou::query {

inline constexpr int kChooserColumns = 9;
// Rows of an empty chooser grid; it grows when more stations are listed.
inline constexpr int kChooserMinRows = 16;
// The chooser's LabInfo caption.
inline constexpr const char* kChooserInfo = "中转换乘牵涉因素较多，请综合各种因素进行换乘站选择。";

// Header labels Lab1..Lab9 ("中转站" … "到站车数") and how each column sorts.
[[nodiscard]] HeaderSort ChooserHeaders();

struct ChooserGrid {
  StringGrid ZGrid{kChooserColumns, kChooserMinRows};
  HeaderSort Headers = ChooserHeaders();
  int CandidateCount = 0;  // stations listed in ZGrid
};

// What a click on a listed row hands to the transfer search: ShowTransferLegs' arguments.
struct TransferPick {
  std::string station;  // column 0
  int fromCount = 0;    // column 7, 发站车数
  int toCount = 0;      // column 8, 到站车数
};

// Starts the chooser afresh, writes the listed stations into rows 0 .. listed.size() - 1 (growing
// the grid as needed), sets CandidateCount, parks the selection, and sorts by 中转站 ascending as a
// click on Lab1 does (the header then reads "中转站↑"); with nothing listed the header stays
// unmarked.
void FillChooserGrid(ChooserGrid& chooser, const std::vector<TPub_ZZStruct>& listed);
// A click on header label column (0-based): nothing when CandidateCount is 0; otherwise moves
// or flips the mark and sorts the listed rows.
void Lab1Click(ChooserGrid& chooser, int column);
// The station of a clicked row; nullopt for a row that holds no listed station.
[[nodiscard]] std::optional<TransferPick> ZGridClick(const ChooserGrid& chooser, int row);
// Window caption: "两地共有<" + count + ">个中转站供选择:".
[[nodiscard]] std::string ChooserCaption(int CandidateCount);

}  // namespace lanzhou::query
