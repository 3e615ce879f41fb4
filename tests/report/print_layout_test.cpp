#include "report/print_layout.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace lanzhou::report;

namespace {

// An A4 page at 600 pixels per inch both ways.
constexpr PrinterMetrics kA4At600{600, 600, 4960, 7016};

// A stand-in for the printer's font: an ASCII character 10 pixels wide at 10 points, any other
// character 20, in proportion at other sizes.
int FakeWidth(std::string_view text, int point_size) {
  int width = 0;
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    width += c < 0x80 ? 10 : 20;
    i += length;
  }
  return width * point_size / kTextPointSize;
}

struct Page {
  std::vector<PrintText> texts;
  std::vector<PrintLine> lines;
};

std::vector<Page> Pages(const PrintLayout& layout) {
  std::vector<Page> pages(1);
  for (const PrintCommand& command : layout.commands) {
    if (std::holds_alternative<PrintNewPage>(command)) {
      pages.emplace_back();
    } else if (const auto* text = std::get_if<PrintText>(&command)) {
      pages.back().texts.push_back(*text);
    } else {
      pages.back().lines.push_back(std::get<PrintLine>(command));
    }
  }
  return pages;
}

// The width a text takes when drawn: cut to its width when it has one.
int ShownWidth(const PrintText& t) {
  const int natural = FakeWidth(t.text, t.point_size);
  return t.width > 0 ? std::min(t.width, natural) : natural;
}

int Height(const PrinterMetrics& printer, const PrintText& t) {
  return printer.dpi_y * t.point_size / 72;
}

int CountText(const Page& page, const std::string& text) {
  return static_cast<int>(std::count_if(page.texts.begin(), page.texts.end(),
                                        [&](const PrintText& t) { return t.text == text; }));
}

}  // namespace

TEST(PrintTexts, DateAndPageNumber) {
  EXPECT_EQ(PrintDateText(2011, 8, 15), "2011年8月15日");
  EXPECT_EQ(PrintDateText(2026, 12, 8), "2026年12月8日");
  EXPECT_EQ(PrintPageNumberText(1, 3), "第 1 页 / 共 3 页");
  EXPECT_EQ(PrintPageNumberText(12, 12), "第 12 页 / 共 12 页");
  EXPECT_EQ(PrintDateLine("2026年12月8日"), "打印日期：2026年12月8日");
}

// Each column starts as wide as its widest text (caption or cell) plus its padding; the widths
// then grow in proportion to fill the page between the margins, the rounding's rest going to
// the last column. Worked out by hand for the fake font: padding 600/24 = 25 each side.
TEST(LayoutReport, ColumnsTakeTheirWidestTextAndFillThePage) {
  const std::vector<GridRow> rows = {{"1", "北京西", "0", "", "21:25", "当天", "0", ""},
                                     {"12", "乌鲁木齐南", "3050", "03:44", "03:50", "第2天",
                                      "36:19", "109"}};
  const PrintLayout layout =
      LayoutReport(kA4At600, FakeWidth, GridKind::Detail, PlainRows(rows), {});
  // Natural widths 90 150 90 100 100 100 100 90 (sum 820) spread over 4960 - 2 × 300 = 4360.
  EXPECT_THAT(layout.column_widths, testing::ElementsAre(478, 797, 478, 531, 531, 531, 531, 483));
  EXPECT_TRUE(layout.fits);
  EXPECT_EQ(layout.table_left, 300);
  EXPECT_EQ(layout.table_right, 4660);
  EXPECT_EQ(layout.page_count, 1);

  // Too wide for the page: it says so, and every cell's text is cut inside its column.
  const std::vector<GridRow> wide = {{std::string(600, 'x'), "a"}};
  const PrintLayout cut = LayoutReport(kA4At600, FakeWidth, GridKind::Detail, PlainRows(wide), {});
  EXPECT_FALSE(cut.fits);
  const Page page = Pages(cut).front();
  const auto long_text = std::find_if(page.texts.begin(), page.texts.end(),
                                      [](const PrintText& t) { return t.text.size() == 600; });
  ASSERT_NE(long_text, page.texts.end());
  EXPECT_EQ(long_text->width, cut.column_widths[0] - 2 * cut.padding);
}

// Property: for any rows on any page size, every page has its head (title, query, timetable,
// all captions once), its foot (date, "第 i 页 / 共 N 页", company) and at most rows_per_page rows;
// the rows come in order, all of them; no two texts overlap; nothing leaves the page; the table
// stays above the foot. Checked against a plain count of what must be there.
TEST(LayoutReport, PagesCarryHeadAndFootAndNoTextsOverlap) {
  std::mt19937 random(20261209);
  const std::vector<std::string> words = {"北京西", "高速动车", "乌鲁木齐南", "K1043 → G1202",
                                          "郑州→郑州东（同城换站）", "160/167/173", "21:25",
                                          "09:41+1天", "-", "", "1112/1113/1114/1115"};
  const std::vector<PrinterMetrics> printers = {
      kA4At600, {600, 600, 7016, 4960}, {300, 300, 2480, 3508}, {1200, 1200, 9920, 14032}};
  for (int round = 0; round < 60; ++round) {
    const PrinterMetrics printer = printers[static_cast<std::size_t>(round) % printers.size()];
    const GridKind kind = static_cast<GridKind>(round % 3);
    const std::size_t columns = GridCaptions(kind).size();
    std::vector<ReportRow> rows(std::uniform_int_distribution<int>(0, 140)(random));
    for (std::size_t r = 0; r < rows.size(); ++r) {
      ReportRow& row = rows[r];
      // Journey lists carry their legs across the table.
      row.across = kind == GridKind::Journey && random() % 3 == 0;
      const std::size_t cells = row.across ? 1 : columns;
      for (std::size_t c = 0; c < cells; ++c) {
        row.cells.push_back(words[random() % words.size()] + "#" + std::to_string(r));
      }
    }
    ReportHeading heading{"北京 → 上海", "时刻表：2024-07-05 全国（11,413 车次）", "2026年12月9日"};
    const PrintLayout layout = LayoutReport(printer, FakeWidth, kind, rows, heading);
    SCOPED_TRACE("round " + std::to_string(round) + ", " + std::to_string(rows.size()) + " rows");

    const std::vector<Page> pages = Pages(layout);
    const int expected_pages = std::max<int>(
        1, (static_cast<int>(rows.size()) + layout.rows_per_page - 1) / layout.rows_per_page);
    ASSERT_EQ(static_cast<int>(pages.size()), expected_pages);
    ASSERT_EQ(layout.page_count, expected_pages);

    std::size_t next_row = 0;
    for (std::size_t p = 0; p < pages.size(); ++p) {
      const Page& page = pages[p];
      SCOPED_TRACE("page " + std::to_string(p + 1));
      EXPECT_EQ(CountText(page, std::string(kPrintTitle)), 1);
      EXPECT_EQ(CountText(page, heading.query), 1);
      EXPECT_EQ(CountText(page, heading.timetable), 1);
      EXPECT_EQ(CountText(page, PrintDateLine(heading.date_text)), 1);
      EXPECT_EQ(CountText(page, PrintPageNumberText(static_cast<int>(p) + 1, layout.page_count)),
                1);
      for (const std::string& caption : GridCaptions(kind)) {
        EXPECT_GE(CountText(page, caption), 1) << caption;
      }
      // The rows of this page, in order: every cell's text is there.
      std::vector<std::string> shown;
      for (const PrintText& t : page.texts) {
        if (t.text.find('#') != std::string::npos) shown.push_back(t.text);
      }
      std::vector<std::string> expected;
      const std::size_t end =
          std::min(rows.size(), next_row + static_cast<std::size_t>(layout.rows_per_page));
      for (; next_row < end; ++next_row) {
        for (const std::string& cell : rows[next_row].cells) expected.push_back(cell);
      }
      EXPECT_EQ(shown, expected);

      for (std::size_t i = 0; i < page.texts.size(); ++i) {
        const PrintText& a = page.texts[i];
        const int aw = ShownWidth(a);
        const int ah = Height(printer, a);
        EXPECT_GE(a.x, 0) << a.text;
        EXPECT_GE(a.y, 0) << a.text;
        EXPECT_LE(a.x + aw, printer.page_width) << a.text;
        EXPECT_LE(a.y + ah, printer.page_height) << a.text;
        // Head and table above the foot's rule, the foot below it.
        const bool foot = a.y > layout.footer_top;
        EXPECT_TRUE(foot || a.y + ah <= layout.footer_top) << a.text;
        for (std::size_t j = i + 1; j < page.texts.size(); ++j) {
          const PrintText& b = page.texts[j];
          const bool apart = a.x + aw <= b.x || b.x + ShownWidth(b) <= a.x ||
                             a.y + ah <= b.y || b.y + Height(printer, b) <= a.y;
          EXPECT_TRUE(apart) << "\"" << a.text << "\" overlaps \"" << b.text << "\"";
        }
      }
    }
    EXPECT_EQ(next_row, rows.size());
  }
}

// The day the answers are for follows the title on every page; the query, the timetable and the
// print date keep their places.
TEST(LayoutReport, TheTravelDateFollowsTheTitleOnEveryPage) {
  EXPECT_EQ(TravelDateHeading(2024, 7, 6), "出发日期：2024年7月6日");
  std::vector<ReportRow> rows;
  for (int r = 0; r < 200; ++r) rows.push_back({{"G" + std::to_string(r)}, false});
  ReportHeading heading{"北京 → 上海", "时刻表", "2026年12月9日", TravelDateHeading(2024, 7, 6)};
  const PrintLayout layout = LayoutReport(kA4At600, FakeWidth, GridKind::Main, rows, heading);
  const std::vector<Page> pages = Pages(layout);
  ASSERT_GE(pages.size(), 2u);
  for (const Page& page : pages) {
    EXPECT_EQ(CountText(page, "岚舟列车时刻表　出发日期：2024年7月6日"), 1);
    EXPECT_EQ(CountText(page, std::string(kPrintTitle)), 0);
    EXPECT_EQ(CountText(page, heading.query), 1);
    EXPECT_EQ(CountText(page, PrintDateLine(heading.date_text)), 1);
  }
  // Without a date the title stands alone.
  heading.travel_date.clear();
  const Page plain = Pages(LayoutReport(kA4At600, FakeWidth, GridKind::Main, rows, heading))[0];
  EXPECT_EQ(CountText(plain, std::string(kPrintTitle)), 1);
}
