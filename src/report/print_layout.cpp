#include "report/print_layout.h"

#include <algorithm>
#include <numeric>

namespace lanzhou::report {

std::string PrintDateText(int year, int month, int day) {
  return std::to_string(year) + "年" + std::to_string(month) + "月" + std::to_string(day) + "日";
}

std::string TravelDateHeading(int year, int month, int day) {
  return "出发日期：" + PrintDateText(year, month, day);
}

std::string PrintPageNumberText(int page, int page_count) {
  return "第 " + std::to_string(page) + " 页 / 共 " + std::to_string(page_count) + " 页";
}

std::string PrintDateLine(std::string_view date_text) {
  return "打印日期：" + std::string(date_text);
}

std::vector<ReportRow> PlainRows(std::span<const GridRow> rows) {
  std::vector<ReportRow> out;
  out.reserve(rows.size());
  for (const GridRow& row : rows) out.push_back({row, false});
  return out;
}

PrintLayout LayoutReport(const PrinterMetrics& printer, const TextWidthFn& width_of,
                         GridKind kind, std::span<const ReportRow> rows,
                         const ReportHeading& heading) {
  const std::vector<std::string> captions = GridCaptions(kind);
  const auto columns = captions.size();
  PrintLayout layout;
  // Half an inch round the page; a line of 10-point text with room above and below.
  const int margin_x = printer.dpi_x / 2;
  const int margin_y = printer.dpi_y / 2;
  const int text_height = printer.dpi_y * kTextPointSize / 72;
  const int title_height = printer.dpi_y * kTitlePointSize / 72;
  const int row_height = text_height * 17 / 10;
  const int padding = std::max(1, printer.dpi_x / 24);
  const int text_drop = (row_height - text_height * 6 / 5) / 2;  // text top below the row top
  layout.margin_x = margin_x;
  layout.margin_y = margin_y;
  layout.row_height = row_height;
  layout.padding = padding;

  // Each column as wide as its widest text, then all of them widened (or narrowed) in
  // proportion to fill the width between the margins.
  std::vector<int> natural(columns);
  for (std::size_t c = 0; c < columns; ++c) {
    natural[c] = width_of(captions[c], kTextPointSize);
  }
  for (const ReportRow& row : rows) {
    if (row.across) continue;
    for (std::size_t c = 0; c < columns && c < row.cells.size(); ++c) {
      natural[c] = std::max(natural[c], width_of(row.cells[c], kTextPointSize));
    }
  }
  for (int& w : natural) w += 2 * padding;
  const long long natural_sum = std::accumulate(natural.begin(), natural.end(), 0LL);
  const int available = std::max(1, printer.page_width - 2 * margin_x);
  layout.fits = natural_sum <= available;
  std::vector<int> widths(columns);
  int given = 0;
  for (std::size_t c = 0; c < columns; ++c) {
    widths[c] = natural_sum > 0 ? static_cast<int>(natural[c] * available / natural_sum) : 0;
    given += widths[c];
  }
  if (columns > 0) widths.back() += available - given;
  layout.column_widths = widths;
  layout.table_left = margin_x;
  layout.table_right = margin_x + available;

  // Page head: title; query left and timetable right; the captions' row. Foot: a rule, then
  // date, page number and company on one line, side by side.
  const int query_top = margin_y + title_height * 3 / 2;
  const int table_top = query_top + row_height;
  const int body_top = table_top + row_height;
  const int foot_text_top = printer.page_height - margin_y - text_height;
  const int footer_top = foot_text_top - text_height / 2;
  layout.footer_top = footer_top;
  layout.rows_per_page = std::max(1, (footer_top - body_top) / row_height);
  const int row_count = static_cast<int>(rows.size());
  const int page_count =
      std::max(1, (row_count + layout.rows_per_page - 1) / layout.rows_per_page);
  layout.page_count = page_count;

  auto& out = layout.commands;
  const auto text = [&out](int x, int y, std::string s, int size = kTextPointSize, int width = 0) {
    out.emplace_back(PrintText{x, y, std::move(s), size, width});
  };
  const auto line = [&out](int x1, int y1, int x2, int y2) {
    out.emplace_back(PrintLine{x1, y1, x2, y2});
  };
  const int left = layout.table_left;
  const int right = layout.table_right;
  // A text in a cell: from the padding on, cut at the cell's far padding when it is wider.
  const auto cell_text = [&](int x, int y, int cell_width, const std::string& s) {
    const int room = cell_width - 2 * padding;
    const int w = width_of(s, kTextPointSize);
    text(x + padding, y + text_drop, s, kTextPointSize, w > room ? std::max(room, 1) : 0);
  };
  const auto table_row = [&](int y, const GridRow& cells) {
    int x = left;
    for (std::size_t c = 0; c < columns; ++c) {
      line(x, y, x, y + row_height);
      cell_text(x, y, widths[c], c < cells.size() ? cells[c] : std::string());
      x += widths[c];
    }
    line(right, y, right, y + row_height);
    line(left, y + row_height, right, y + row_height);
  };
  // A text's cut width: none when it fits its room (the drawn glyphs may differ from the
  // measured ones by a pixel), the room otherwise.
  const auto cut = [&](const std::string& s, int room) {
    return width_of(s, kTextPointSize) > room ? std::max(room, 1) : 0;
  };
  const auto foot = [&](int page) {
    line(left, footer_top, right, footer_top);
    // The page number in the middle; the date and the company line share what is left of it,
    // each on its own side.
    const std::string number = PrintPageNumberText(page, page_count);
    const int third = (right - left) / 3;
    const int number_width = std::min(width_of(number, kTextPointSize), third);
    const int number_left = left + (right - left - number_width) / 2;
    text(number_left, foot_text_top, number, kTextPointSize, cut(number, third));
    const std::string date = PrintDateLine(heading.date_text);
    text(left, foot_text_top, date, kTextPointSize, cut(date, number_left - 2 * padding - left));
    const std::string company =
        std::string(kCompanyName) + "(" + std::string(kCompanyWebAddress) + ")";
    const int company_room = right - (number_left + number_width + 2 * padding);
    const int company_width = std::min(width_of(company, kTextPointSize), company_room);
    text(right - company_width, foot_text_top, company, kTextPointSize,
         cut(company, company_room));
  };
  const auto head = [&] {
    std::string title(kPrintTitle);
    if (!heading.travel_date.empty()) title += "　" + heading.travel_date;
    text(left + (right - left - width_of(title, kTitlePointSize)) / 2, margin_y, title,
         kTitlePointSize);
    const int half = (right - left) / 2;
    if (!heading.query.empty()) {
      text(left, query_top, heading.query, kTextPointSize, cut(heading.query, half - padding));
    }
    if (!heading.timetable.empty()) {
      const int w = std::min(width_of(heading.timetable, kTextPointSize), half - padding);
      text(right - w, query_top, heading.timetable, kTextPointSize,
           cut(heading.timetable, half - padding));
    }
    line(left, table_top, right, table_top);
    table_row(table_top, captions);
  };

  int page = 1;
  head();
  int y = body_top;
  int on_page = 0;
  for (const ReportRow& row : rows) {
    if (on_page == layout.rows_per_page) {
      foot(page);
      out.emplace_back(PrintNewPage{});
      ++page;
      head();
      y = body_top;
      on_page = 0;
    }
    if (row.across) {
      line(left, y, left, y + row_height);
      line(right, y, right, y + row_height);
      const int indent = 4 * padding;
      const std::string& s = row.cells.empty() ? std::string() : row.cells.front();
      const int room = right - left - indent - padding;
      text(left + indent, y + text_drop, s, kTextPointSize,
           width_of(s, kTextPointSize) > room ? room : 0);
      line(left, y + row_height, right, y + row_height);
    } else {
      table_row(y, row.cells);
    }
    y += row_height;
    ++on_page;
  }
  foot(page);
  return layout;
}

}  // namespace lanzhou::report
