#include "report/print_layout.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace lanzhou::report;
using testing::ElementsAre;

namespace {

// An A4 page at 600 pixels per inch both ways.
constexpr PrinterMetrics kA4At600{600, 600, 4960, 7016};

std::vector<std::vector<PrintCommand>> Pages(const PrintLayout& layout) {
  std::vector<std::vector<PrintCommand>> pages(1);
  for (const PrintCommand& command : layout.commands) {
    if (std::holds_alternative<PrintNewPage>(command)) {
      pages.emplace_back();
    } else {
      pages.back().push_back(command);
    }
  }
  return pages;
}

std::vector<PrintText> Texts(const std::vector<PrintCommand>& page) {
  std::vector<PrintText> texts;
  for (const PrintCommand& command : page) {
    if (const auto* text = std::get_if<PrintText>(&command)) texts.push_back(*text);
  }
  return texts;
}

std::vector<PrintLine> Lines(const std::vector<PrintCommand>& page) {
  std::vector<PrintLine> lines;
  for (const PrintCommand& command : page) {
    if (const auto* line = std::get_if<PrintLine>(&command)) lines.push_back(*line);
  }
  return lines;
}

// The text command whose text is `text`, or a default one when there is none.
PrintText FindText(const std::vector<PrintCommand>& page, const std::string& text) {
  for (const PrintText& t : Texts(page)) {
    if (t.text == text) return t;
  }
  return {};
}

std::vector<GridRow> MainRows(int count) {
  std::vector<GridRow> rows;
  for (int r = 0; r < count; ++r) {
    GridRow row;
    for (int c = 0; c < 15; ++c) row.push_back("r" + std::to_string(r) + "c" + std::to_string(c));
    rows.push_back(row);
  }
  return rows;
}

std::string PrintTextString(const PrintText& t) {
  return "(" + std::to_string(t.x) + "," + std::to_string(t.y) + "," + t.text + "," +
         std::to_string(t.point_size) + ")";
}

}  // namespace

namespace lanzhou::report {
void PrintTo(const PrintText& t, std::ostream* os) {
  *os << PrintTextString(t);
}
void PrintTo(const PrintLine& l, std::ostream* os) {
  *os << "line(" << l.x1 << "," << l.y1 << " -> " << l.x2 << "," << l.y2 << ")";
}
}  // namespace lanzhou::report

TEST(PrintTexts, DateAndPageNumber) {
  EXPECT_EQ(PrintDateText(2011, 8, 15), "2011年8月15日");
  EXPECT_EQ(PrintDateText(2026, 12, 1), "2026年12月1日");
  EXPECT_EQ(PrintDateText(2009, 1, 5), "2009年1月5日");  // no leading zeros
  EXPECT_EQ(PrintPageNumberText(1), "第  1  页");
  EXPECT_EQ(PrintPageNumberText(12), "第  12  页");
}

TEST(PrintLayout, MarginRoundsHalvesToEven) {
  EXPECT_EQ(OneAndAHalfRoundedToEven(200), 300);
  EXPECT_EQ(OneAndAHalfRoundedToEven(100), 150);
  EXPECT_EQ(OneAndAHalfRoundedToEven(25), 38);  // 37.5 -> 38
  EXPECT_EQ(OneAndAHalfRoundedToEven(27), 40);  // 40.5 -> 40
  EXPECT_EQ(OneAndAHalfRoundedToEven(1), 2);    // 1.5 -> 2
  EXPECT_EQ(OneAndAHalfRoundedToEven(3), 4);    // 4.5 -> 4
  EXPECT_EQ(OneAndAHalfRoundedToEven(0), 0);

  // 75 pixels per inch: L = 25, M = 38; 200 horizontally but 72 vertically: T0 = 24.
  const PrintLayout layout = LayoutPrintGrid({75, 72, 800, 1100}, GridKind::Main, {}, "d");
  EXPECT_EQ(layout.L, 25);
  EXPECT_EQ(layout.T0, 24);
  EXPECT_EQ(layout.M, 38);
}

TEST(PrintLayout, FirstPageAt600Dpi) {
  const std::vector<GridRow> rows = MainRows(2);
  const PrintLayout layout = LayoutPrintGrid(kA4At600, GridKind::Main, rows, "2011年8月15日");
  EXPECT_EQ(layout.L, 200);
  EXPECT_EQ(layout.T0, 200);
  EXPECT_EQ(layout.M, 300);
  EXPECT_EQ(layout.CW, 310);   // (4960 - 300) div 15
  EXPECT_EQ(layout.RX, 4950);  // (300 div 15 + 310) * 15
  EXPECT_EQ(layout.page_count, 1);

  const auto pages = Pages(layout);
  ASSERT_EQ(pages.size(), 1u);
  const auto& page = pages[0];
  EXPECT_EQ(FindText(page, "岚舟列车时刻表"), (PrintText{1653, 200, "岚舟列车时刻表", 15}));
  EXPECT_EQ(FindText(page, "2011年8月15日"), (PrintText{310, 475, "2011年8月15日", 10}));
  EXPECT_EQ(FindText(page, "岚舟时刻公司(http://www.lanzhou-shike.cn)"),
            (PrintText{2790, 500, "岚舟时刻公司(http://www.lanzhou-shike.cn)", 10}));
  // The caption row from 600 to 800, texts a third of a row below its top.
  EXPECT_EQ(FindText(page, "  车次"), (PrintText{200, 666, "  车次", 10}));
  EXPECT_EQ(FindText(page, "  软卧"), (PrintText{4540, 666, "  软卧", 10}));
  // Data rows from 800 to 1000 and 1000 to 1200.
  EXPECT_EQ(FindText(page, " r0c0"), (PrintText{200, 866, " r0c0", 10}));
  EXPECT_EQ(FindText(page, " r0c14"), (PrintText{4540, 866, " r0c14", 10}));
  EXPECT_EQ(FindText(page, " r1c3"), (PrintText{1130, 1066, " r1c3", 10}));
  EXPECT_EQ(FindText(page, "第  1  页"), (PrintText{2180, 6941, "第  1  页", 10}));

  // Horizontal rules: the table's top at 600, under the captions at 800, under each row.
  std::vector<int> rule_ys;
  for (const PrintLine& line : Lines(page)) {
    if (line.y1 == line.y2) {
      EXPECT_EQ(line.x1, 200);
      EXPECT_EQ(line.x2, 4950);
      rule_ys.push_back(line.y1);
    }
  }
  EXPECT_THAT(rule_ys, ElementsAre(600, 800, 1000, 1200));
  // Column borders: 15 per row plus the right border, for the caption row and both data rows.
  int verticals_800_1000 = 0;
  for (const PrintLine& line : Lines(page)) {
    if (line.x1 == line.x2 && line.y1 == 800 && line.y2 == 1000) ++verticals_800_1000;
  }
  EXPECT_EQ(verticals_800_1000, 16);
  EXPECT_EQ(Lines(page).size(), 4u + 3 * 16);
}

// A whole small report, worked out by hand: 300 dpi (L = T0 = 100, M = 150) on a 2000 × 1400
// page, a detail grid of one row: CW = 1850 div 8 = 231, RX = (10 + 231) × 8 = 1928.
TEST(PrintLayout, OneDetailRowExactly) {
  const std::vector<GridRow> rows = {{"1", "北京西", "0", "", "21:25", "当天", "0", ""}};
  const PrintLayout layout = LayoutPrintGrid({300, 300, 2000, 1400}, GridKind::Detail, rows, "D");
  std::vector<PrintCommand> expected = {
      PrintText{666, 100, "岚舟列车时刻表", 15},
      PrintLine{100, 300, 1928, 300},
      PrintText{231, 237, "D", 10},
      PrintText{462, 250, "岚舟时刻公司(http://www.lanzhou-shike.cn)", 10},
  };
  const char* captions[] = {"站序", "车站", "里程", "到时", "发时", "天数", "历时", "时速"};
  for (int i = 0; i < 8; ++i) {
    expected.push_back(PrintText{231 * i + 100, 333, std::string("  ") + captions[i], 10});
    expected.push_back(PrintLine{231 * i + 100, 300, 231 * i + 100, 400});
  }
  expected.push_back(PrintLine{1928, 300, 1928, 400});
  expected.push_back(PrintLine{100, 400, 1928, 400});
  for (int c = 0; c < 8; ++c) {
    expected.push_back(PrintText{231 * c + 100, 433, " " + rows[0][c], 10});
    expected.push_back(PrintLine{231 * c + 100, 400, 231 * c + 100, 500});
  }
  expected.push_back(PrintLine{1928, 400, 1928, 500});
  expected.push_back(PrintLine{100, 500, 1928, 500});
  expected.push_back(PrintText{850, 1363, "第  1  页", 10});
  EXPECT_EQ(layout.commands, expected);
}

TEST(PrintLayout, PageBreaksRepeatTheHead) {
  // On A4 at 600 dpi a page holds 30 rows: after row k, Y = 400 + 200k, and the page ends once
  // 7016 - 600 < Y + 200.
  const std::vector<GridRow> rows = MainRows(31);
  const PrintLayout layout = LayoutPrintGrid(kA4At600, GridKind::Main, rows, "2011年8月15日");
  EXPECT_EQ(layout.page_count, 2);
  const auto pages = Pages(layout);
  ASSERT_EQ(pages.size(), 2u);

  EXPECT_EQ(FindText(pages[0], " r29c0"), (PrintText{200, 866 + 29 * 200, " r29c0", 10}));
  EXPECT_EQ(FindText(pages[0], " r30c0").text, "");
  EXPECT_EQ(FindText(pages[0], "第  1  页").y, 6941);
  // The page's last rule, under row 30, at 800 + 30 × 200.
  EXPECT_EQ(Lines(pages[0]).back(), (PrintLine{200, 6800, 4950, 6800}));

  // Page 2 starts with the table's top rule, then the whole head again and row 31 at the top.
  EXPECT_EQ(std::get<PrintLine>(pages[1].front()), (PrintLine{200, 600, 4950, 600}));
  EXPECT_EQ(FindText(pages[1], "岚舟列车时刻表").y, 200);
  EXPECT_EQ(FindText(pages[1], "  车次").y, 666);
  EXPECT_EQ(FindText(pages[1], " r30c0"), (PrintText{200, 866, " r30c0", 10}));
  EXPECT_EQ(FindText(pages[1], "第  2  页"), (PrintText{2180, 6941, "第  2  页", 10}));
}

TEST(PrintLayout, TheTravelDateFollowsTheTitleOnEveryPage) {
  EXPECT_EQ(TravelDateHeading(2024, 7, 6), "出发日期：2024年7月6日");
  const std::vector<GridRow> rows = MainRows(31);
  const PrintLayout layout = LayoutPrintGrid(kA4At600, GridKind::Main, rows, "2011年8月15日",
                                             TravelDateHeading(2024, 7, 6));
  const auto pages = Pages(layout);
  ASSERT_EQ(pages.size(), 2u);
  for (const auto& page : pages) {
    EXPECT_EQ(FindText(page, "岚舟列车时刻表　出发日期：2024年7月6日"),
              (PrintText{1653, 200, "岚舟列车时刻表　出发日期：2024年7月6日", 15}));
    EXPECT_EQ(FindText(page, "2011年8月15日").y, 475);
  }
}

TEST(PrintLayout, ExtraPageWhenTheLastRowFillsAPage) {
  const std::vector<GridRow> rows = MainRows(30);
  const PrintLayout layout = LayoutPrintGrid(kA4At600, GridKind::Main, rows, "2011年8月15日");
  EXPECT_EQ(layout.page_count, 2);
  const auto pages = Pages(layout);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(FindText(pages[0], " r29c14").y, 6666);
  // The extra page holds only the top rule of a table and its page number.
  EXPECT_EQ(pages[1], (std::vector<PrintCommand>{PrintLine{200, 600, 4950, 600},
                                                 PrintText{2180, 6941, "第  2  页", 10}}));
}

TEST(PrintLayout, NoRowsGiveOnePageWithItsNumberOnly) {
  const PrintLayout layout = LayoutPrintGrid(kA4At600, GridKind::Main, {}, "2011年8月15日");
  EXPECT_EQ(layout.page_count, 1);
  EXPECT_EQ(layout.commands, (std::vector<PrintCommand>{PrintText{2180, 6941, "第  1  页", 10}}));
}

TEST(PrintLayout, ShortRowsPrintEmptyCells) {
  const std::vector<GridRow> rows = {{"K7711"}};
  const PrintLayout layout = LayoutPrintGrid(kA4At600, GridKind::Main, rows, "d");
  int empty_cells = 0;
  for (const PrintText& text : Texts(layout.commands)) {
    if (text.text == " ") ++empty_cells;
  }
  EXPECT_EQ(empty_cells, 14);
  EXPECT_EQ(FindText(layout.commands, " K7711").x, 200);
}
