#pragma once
// The printed report of a result grid, laid out in printer pixels as a list of device-independent
// drawing commands: title, date, company line and column captions on every page, one ruled table
// row per grid row, and the page number at the foot of each page. Drawing them is the window's
// part (QPainter on a QPrinter).
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

inline constexpr std::string_view kPrintTitle = "岚舟列车时刻表";
// Every text of the report uses this family; the title at 15 points, the rest at 10.
inline constexpr std::string_view kPrintFontFamily = "楷体_GB2312";
inline constexpr int kTitlePointSize = 15;
inline constexpr int kTextPointSize = 10;
// Rules and cell borders are drawn with a pen this many pixels wide.
inline constexpr int kRulePenWidth = 2;

// Text whose top-left corner is at (x, y).
struct PrintText {
  int x = 0;
  int y = 0;
  std::string text;  // UTF-8
  int point_size = kTextPointSize;
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

struct PrintLayout {
  int L = 0;   // left margin and row height: dpi_x div 3
  int T0 = 0;  // top of a page's layout: dpi_y div 3
  int M = 0;   // L × 1.5, a half rounded to the even neighbour
  int CW = 0;  // width of every column
  int RX = 0;  // x of the table's right border and right end of every rule
  int page_count = 0;
  std::vector<PrintCommand> commands;  // in drawing order, pages separated by PrintNewPage
};

// "2011年8月15日": numbers in plain decimal, no leading zeros.
[[nodiscard]] std::string PrintDateText(int year, int month, int day);

// "出发日期：2024年7月6日": the heading line of a printout or export of answers for that day.
[[nodiscard]] std::string TravelDateHeading(int year, int month, int day);

// "第  n  页".
[[nodiscard]] std::string PrintPageNumberText(int page);

// value × 1.5 rounded to the nearest integer, a half to the even neighbour (25 -> 38, 27 -> 40).
[[nodiscard]] int OneAndAHalfRoundedToEven(int value);

// The report of `rows` (all of them) with the kind's captions, on a printer of these metrics,
// dated `date_text`. No rows gives one page holding only its page number. A `heading`
// (TravelDateHeading) follows the title on every page.
[[nodiscard]] PrintLayout LayoutPrintGrid(const PrinterMetrics& printer, GridKind kind,
                                          std::span<const GridRow> rows,
                                          std::string_view date_text,
                                          std::string_view heading = {});

}  // namespace lanzhou::report
