#pragma once
// The printed report of a result grid, laid out in printer pixels as a list of device-independent
// drawing commands. Every page carries the title, the query and the timetable's name, the column
// captions and, at its foot, the print date, "第 1 页 / 共 3 页" and the company line, none of
// them overlapping. Each column is as wide as its widest text (caption or cell) and the table
// fills the page's width; a table too wide for the page says so (the window then turns the page
// to landscape) and its cells are cut at their column's edge rather than run into the next. A
// row may instead hold one text across the table (a journey's leg under the journey). Drawing the
// commands is the window's part (QPainter on a QPrinter).
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "report/grid_export.h"

namespace lanzhou::report {

// What the layout needs to know of the printer.
struct PrinterMetrics {
  int dpi_x = 0;        // horizontal pixels per inch
  int dpi_y = 0;        // vertical pixels per inch
  int page_width = 0;   // printable page, in pixels
  int page_height = 0;  // printable page, in pixels
};

// The width in printer pixels of a text as the printer's font at this size draws it.
using TextWidthFn = std::function<int(std::string_view text, int point_size)>;

inline constexpr std::string_view kPrintTitle = "岚舟列车时刻表";
// Every text of the report uses this family; the title at 15 points, the rest at 10.
inline constexpr std::string_view kPrintFontFamily = "楷体_GB2312";
inline constexpr int kTitlePointSize = 15;
inline constexpr int kTextPointSize = 10;
// Rules and cell borders are drawn with a pen this many pixels wide.
inline constexpr int kRulePenWidth = 2;

// Text whose top-left corner is at (x, y); cut to `width` pixels when width > 0.
struct PrintText {
  int x = 0;
  int y = 0;
  std::string text;  // UTF-8
  int point_size = kTextPointSize;
  int width = 0;
  bool operator==(const PrintText&) const = default;
};

// A straight line from (x1, y1) to (x2, y2).
struct PrintLine {
  int x1 = 0;
  int y1 = 0;
  int x2 = 0;
  int y2 = 0;
  bool operator==(const PrintLine&) const = default;
};

// Ends the current page and starts the next.
struct PrintNewPage {
  bool operator==(const PrintNewPage&) const = default;
};

using PrintCommand = std::variant<PrintText, PrintLine, PrintNewPage>;

// What the page head names besides the title.
struct ReportHeading {
  std::string query;      // "北京 → 上海", "车次 G1", …; empty: nothing
  std::string timetable;  // the timetable's name; empty: nothing
  std::string date_text;  // the print date, "2026年12月8日"
  // The day the answers are for (TravelDateHeading); empty: nothing. It follows the title.
  std::string travel_date;
};

// One row of the table: its cells under the captions, or one text across the whole table.
struct ReportRow {
  GridRow cells;
  bool across = false;  // cells[0] is written across the table, indented
};

struct PrintLayout {
  int margin_x = 0;   // left and right margin
  int margin_y = 0;   // top and bottom margin
  int row_height = 0;
  int padding = 0;  // between a cell's border and its text
  std::vector<int> column_widths;  // cell widths, borders included, left to right
  int table_left = 0;
  int table_right = 0;
  int rows_per_page = 0;
  int footer_top = 0;       // the rule above the foot; no row reaches below it
  bool fits = true;         // false: the widest texts need more than the page's width
  int page_count = 0;
  std::vector<PrintCommand> commands;  // in drawing order, pages separated by PrintNewPage
};

// "2011年8月15日": numbers in plain decimal, no leading zeros.
[[nodiscard]] std::string PrintDateText(int year, int month, int day);

// "出发日期：2024年7月6日": the heading line of a printout or export of answers for that day.
[[nodiscard]] std::string TravelDateHeading(int year, int month, int day);

// "第 1 页 / 共 3 页".
[[nodiscard]] std::string PrintPageNumberText(int page, int page_count);

// "打印日期：…" at the left of every page's foot.
[[nodiscard]] std::string PrintDateLine(std::string_view date_text);

// Plain rows, one per grid row.
[[nodiscard]] std::vector<ReportRow> PlainRows(std::span<const GridRow> rows);

// The report of `rows` (all of them) with the kind's captions on a printer of these metrics.
// No rows gives one page with its head, the captions and its foot.
[[nodiscard]] PrintLayout LayoutReport(const PrinterMetrics& printer, const TextWidthFn& width_of,
                                       GridKind kind, std::span<const ReportRow> rows,
                                       const ReportHeading& heading);

}  // namespace lanzhou::report
