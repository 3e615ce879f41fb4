#pragma once
// The grids a query fills, filled the way the window fills them: the result grid through the
// filter boxes and a header sort, the chooser as it opens and then sorted by a header. The
// command line's --sort is a sequence of header clicks: one for ascending, two for descending.
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "cli/options.h"
#include "query/chooser_grid.h"
#include "query/query_state.h"
#include "query/show_results.h"
#include "query/sort_grid.h"

namespace lanzhou::cli {

// Column of a --sort request: a 0-based index below the header's column count, or a caption:
// the label's caption (blanks ignored, "车次" finds "车 次") or one of also_captions (the
// export's shorter captions, "始发" for 始发站). nullopt when nothing matches.
[[nodiscard]] std::optional<int> ResolveSortColumn(const query::HeaderSort& headers,
                                                   const std::vector<std::string_view>& also,
                                                   std::string_view request);

// The result grid after a query, and for each shown row the ResultList row it shows (the
// grid holds cells only; json writes whole rows).
struct ShownResults {
  query::ResultGrid grid;
  std::vector<std::size_t> source;  // ResultList index of grid rows 0 .. VisibleCount - 1
};

// ClearResultGrid and ShowResults as after the query's button, then the header clicks that
// sort by column (0-based, already resolved) in the asked direction.
[[nodiscard]] ShownResults ShowQueryResults(query::QueryState& state,
                                            const query::ResultFilters& filters,
                                            std::string_view station_box,
                                            std::optional<int> sort_column, bool descending);

// The chooser as it opens for the listed stations, then clicked until sorted by sort_column
// in the asked direction (it opens sorted by 中转站 ascending already).
[[nodiscard]] query::ChooserGrid ShowChooser(const std::vector<query::TPub_ZZStruct>& listed,
                                             std::optional<int> sort_column, bool descending);

}  // namespace lanzhou::cli
