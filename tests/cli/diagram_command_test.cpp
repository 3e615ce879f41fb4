// lanzhou-query diagram on the fixture timetable: the files it writes and the inputs it refuses.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "query_test_support.h"

namespace lanzhou::cli::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

fs::path Output(const std::string& name) {
  const fs::path dir = fs::path(LANZHOU_TEST_WORK_DIR) / "diagram";
  fs::create_directories(dir);
  fs::remove(dir / name);
  return dir / name;
}

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// 1043 makes the line 西安 … 北京西 (12 stations); it leaves at 21:25 and runs overnight, so the
// day holds yesterday's run (to 12:xx) and today's (from 21:25). Z98/Z95 runs 郑州 → 石家庄 →
// 北京西 on the line.
TEST(cli_diagram, WritesTheLineAsSvgPdfAndPng) {
  const fs::path svg = Output("line.svg");
  RunResult r = RunQuery(OnFixtures({"diagram", "西安", "北京西", "-o", svg.string()}));
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "西安 — 北京西: 12 站, 3 列车 → " + svg.string() + "\n");
  const std::string text = Slurp(svg);
  EXPECT_EQ(Count(text, "<path"), 3u);
  for (const char* name : {"西安", "渭南", "石家庄", "保定", "北京西", "1043", "Z98/Z95"}) {
    EXPECT_THAT(text, HasSubstr(name));
  }
  // Only Z trains, 06:00 to 12:00.
  r = RunQuery(OnFixtures({"diagram", "西安", "北京西", "--classes", "Z", "--after", "06:00",
                           "--before", "12:00", "-o", svg.string()}));
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("1 列车"));
  EXPECT_EQ(Count(Slurp(svg), "<path"), 1u);
  EXPECT_THAT(Slurp(svg), HasSubstr("06:00–12:00"));

  const fs::path pdf = Output("line.pdf");
  r = RunQuery(OnFixtures({"diagram", "西安", "北京西", "-o", pdf.string()}));
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(Slurp(pdf).substr(0, 5), "%PDF-");
  const fs::path png = Output("line.PNG");
  r = RunQuery(OnFixtures({"diagram", "西安", "北京西", "-o", png.string()}));
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(Slurp(png).substr(1, 3), "PNG");
}

TEST(cli_diagram, RefusesWhatItCannotDraw) {
  const fs::path out = Output("refused.svg");
  struct Case {
    std::vector<std::string> words;
    int exit_code;
    std::string err;
  };
  const std::string o = out.string();
  const std::vector<Case> cases = {
      {{"diagram", "西安", "延庆", "-o", o}, 1, "两站之间没有共同的车次，无法确定线路。\n"},
      {{"diagram", "西安", "火星", "-o", o}, 2, "输入错误: 到站不存在。\n"},
      {{"diagram", "西安", "北京西"}, 2, "lanzhou-query: diagram needs -o FILE.svg, .pdf or .png\n"},
      {{"diagram", "西安", "-o", o}, 2, "lanzhou-query: usage: diagram FROM TO -o FILE.svg|.pdf|.png [options]\n"},
      {{"diagram", "西安", "北京西", "-o", "line.txt"}, 2,
       "lanzhou-query: -o takes a file name ending in .svg, .pdf or .png, not 'line.txt'\n"},
      {{"diagram", "西安", "北京西", "-o", o, "--classes", "G,X"}, 2,
       "lanzhou-query: --classes takes a list of G, D, C, Z, T, K and 其他 joined by commas, not "
       "'G,X'\n"},
      {{"diagram", "西安", "北京西", "-o", o, "--after", "24:00"}, 2,
       "lanzhou-query: --after takes a time of day HH:MM (00:00 to 23:59), not '24:00'\n"},
      {{"diagram", "西安", "北京西", "-o", o, "--format", "json"}, 2,
       "lanzhou-query: diagram writes a file: give -o FILE.svg, .pdf or .png instead of --format\n"},
  };
  for (const Case& c : cases) {
    const RunResult r = RunQuery(OnFixtures(c.words));
    EXPECT_EQ(r.exit_code, c.exit_code) << c.words[2];
    // Usage errors add the pointer to --help.
    const std::string err =
        c.exit_code == 2 && c.err.starts_with("lanzhou-query")
            ? c.err + "Try 'lanzhou-query --help' for more information.\n"
            : c.err;
    EXPECT_EQ(r.err, err) << c.words[2];
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(fs::exists(out));
  }
  // A folder that does not exist: nothing written, the reason said.
  const RunResult r = RunQuery(
      OnFixtures({"diagram", "西安", "北京西", "-o", (out.parent_path() / "no" / "x.svg").string()}));
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_THAT(r.err, HasSubstr("x.svg"));
}

#ifdef LANZHOU_HAVE_TIMETABLE
// The built-in sample knows running days (2024-07-01..2024-08-31): D1197 (Fridays and Sundays)
// is drawn on a Friday and not on a Monday, the day named in the title; a day outside the
// period is refused as every command refuses it, before anything is written.
TEST(cli_diagram, TheTrainsOfTheDayAsked) {
  const fs::path svg = Output("dated.svg");
  for (const std::string day : {"2024-07-05", "2024-07-08", "2024-09-01"}) {
    const RunResult r = RunQuery({"diagram", "吉安西", "福田", "--date", day, "-o", svg.string()});
    if (day == "2024-09-01") {
      EXPECT_EQ(r.exit_code, 2);
      EXPECT_EQ(r.err, "lanzhou-query: --date 2024-09-01 is outside the timetable's period "
                       "2024-07-01..2024-08-31\n");
      EXPECT_FALSE(fs::exists(svg));
      continue;
    }
    EXPECT_EQ(r.exit_code, 0) << r.err;
    // Searched, not matched: the whole file is too long to print on a failure.
    const std::string text = Slurp(svg);
    fs::remove(svg);
    EXPECT_NE(text.find("<title>运行图 吉安西 — 福田  " + day + "  00:00–24:00</title>"),
              std::string::npos);
    EXPECT_EQ(text.find(">D1197<") != std::string::npos, day == "2024-07-05") << day;
  }
}
#endif

}  // namespace
}  // namespace lanzhou::cli::testing
