#include "report/print_layout.h"

namespace lanzhou::report {

std::string PrintDateText(int year, int month, int day) {
  return std::to_string(year) + "年" + std::to_string(month) + "月" + std::to_string(day) + "日";
}

std::string TravelDateHeading(int year, int month, int day) {
  return "出发日期：" + PrintDateText(year, month, day);
}

std::string PrintPageNumberText(int page) {
  return "第  " + std::to_string(page) + "  页";
}

int OneAndAHalfRoundedToEven(int value) {
  const long long triple = 3LL * value;
  const long long floor_half = triple >= 0 ? triple / 2 : -((-triple + 1) / 2);
  if (triple % 2 == 0) return static_cast<int>(floor_half);
  // Exactly between floor_half and floor_half + 1: take the even one.
  return static_cast<int>(floor_half % 2 == 0 ? floor_half : floor_half + 1);
}

PrintLayout LayoutPrintGrid(const PrinterMetrics& printer, GridKind kind,
                            std::span<const GridRow> rows, std::string_view date_text,
                            std::string_view heading) {
  const std::vector<std::string> captions = GridCaptions(kind);
  const int columns = static_cast<int>(captions.size());
  const std::string company =
      std::string(kCompanyName) + "(" + std::string(kCompanyWebAddress) + ")";

  PrintLayout layout;
  const int L = printer.dpi_x / 3;
  const int T0 = printer.dpi_y / 3;
  const int M = OneAndAHalfRoundedToEven(L);
  const int CW = (printer.page_width - M) / columns;
  const int RX = (M / 15 + CW) * columns;
  layout.L = L;
  layout.T0 = T0;
  layout.M = M;
  layout.CW = CW;
  layout.RX = RX;

  auto& out = layout.commands;
  auto text = [&out](int x, int y, std::string s, int size = kTextPointSize) {
    out.emplace_back(PrintText{x, y, std::move(s), size});
  };
  auto line = [&out](int x1, int y1, int x2, int y2) {
    out.emplace_back(PrintLine{x1, y1, x2, y2});
  };
  const auto page_number = [&](int page) {
    text(printer.page_width / 2 - M, printer.page_height - M / 4, PrintPageNumberText(page));
  };

  int page = 1;
  int Y = T0;
  for (const GridRow& row : rows) {
    for (int c = 0; c < columns; ++c) {
      if (Y == T0) {  // the first cell of a page: the page head
        std::string title(kPrintTitle);
        if (!heading.empty()) title += "　" + std::string(heading);
        text(printer.page_width / 3, L, std::move(title), kTitlePointSize);
        line(L, Y + 2 * L, RX, Y + 2 * L);
        text(CW, Y + L + M / 4, std::string(date_text));
        text((columns - 6) * CW, Y + L + M / 3, company);
        for (int i = 0; i < columns; ++i) {
          text(CW * i + L, Y + 2 * L + L / 3, "  " + captions[static_cast<std::size_t>(i)]);
          line(CW * i + L, Y + 2 * L, CW * i + L, Y + 3 * L);
        }
        line(RX, Y + 2 * L, RX, Y + 3 * L);
        Y += L;
        line(L, Y + 2 * L, RX, Y + 2 * L);
      }
      const auto cell = static_cast<std::size_t>(c);
      text(CW * c + L, Y + 2 * L + L / 3, " " + (cell < row.size() ? row[cell] : std::string()));
      line(CW * c + L, Y + 2 * L, CW * c + L, Y + 3 * L);
    }
    line(RX, Y + 2 * L, RX, Y + 3 * L);
    Y += L;
    if (printer.page_height - 2 * M < Y + L) {  // no room for another row
      line(L, Y + 2 * L, RX, Y + 2 * L);
      Y = T0;
      page_number(page);
      out.emplace_back(PrintNewPage{});
      ++page;
    }
    // The line under the row, or after a page break the top line of the next page's table.
    line(L, Y + 2 * L, RX, Y + 2 * L);
  }
  page_number(page);
  layout.page_count = page;
  return layout;
}

}  // namespace lanzhou::report
