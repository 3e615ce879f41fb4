#include "ui/print_grid.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QFile>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <filesystem>
#include <vector>

using namespace lanzhou;
using namespace lanzhou::ui;
namespace fs = std::filesystem;
using testing::HasSubstr;

namespace {

class QtEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "ui_print_grid_test";
    static char* argv[] = {name, nullptr};
    app_ = new QApplication(argc, argv);
  }
  void TearDown() override { delete app_; }

 private:
  QApplication* app_ = nullptr;
};
[[maybe_unused]] testing::Environment* const kQt =
    testing::AddGlobalTestEnvironment(new QtEnvironment);

struct Asked {
  QMessageBox::Icon icon;
  QString caption;
  QString text;
  QMessageBox::StandardButtons buttons;
};

// Answers message boxes with a scripted button and records what was asked.
class ScriptedDialogs : public Dialogs {
 public:
  QMessageBox::StandardButton answer = QMessageBox::Ok;
  std::vector<Asked> asked;

  QMessageBox::StandardButton Message(QWidget*, QMessageBox::Icon icon, const QString& caption,
                                      const QString& text,
                                      QMessageBox::StandardButtons buttons) override {
    asked.push_back({icon, caption, text, buttons});
    return answer;
  }
  QString SaveFileName(QWidget*, const QString& caption, const QString& filter,
                       const QString& suffix, const QString& suggested) override {
    saved.push_back(caption + QLatin1Char('|') + filter + QLatin1Char('|') + suffix +
                    QLatin1Char('|') + suggested);
    return save_name;
  }
  std::vector<QString> saved;  // caption|filter|suffix|suggested name of each save dialog
  QString save_name;
};

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "lanzhou-print-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempDir() { fs::remove_all(path_); }
  [[nodiscard]] QString File(const char* name) const {
    return QString::fromStdString((path_ / name).string());
  }

 private:
  fs::path path_;
};

std::vector<report::GridRow> MainRows(int count) {
  std::vector<report::GridRow> rows;
  for (int r = 0; r < count; ++r) {
    rows.push_back({"K" + std::to_string(7700 + r), "北京西", "广州", "空调快速", "北京西", "08:05",
                    "郑州", "14:13", "5", "689", "06:08", "93", "-", "160/167/173", "248/260"});
  }
  return rows;
}

// A PDF printer at 600 dpi on A4, writing `file`.
void MakePdfPrinter(QPrinter& printer, const QString& file) {
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setResolution(600);
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setOutputFileName(file);
}

// The text of a PDF file, pages separated by form feeds; empty when pdftotext is missing.
// Qt's PDF writer maps a CJK glyph back to the lowest code point the font gives it, and the Noto
// CJK fonts give many ideographs' glyphs to radicals too (舟 comes back as the Kangxi radical
// U+2F88, 车 as U+2ECB). NFKC folds the Kangxi radicals; the few supplement radicals of the texts
// here are folded by hand.
QString PdfText(const QString& file) {
  QProcess process;
  process.start(QStringLiteral("pdftotext"),
                {QStringLiteral("-enc"), QStringLiteral("UTF-8"), file, QStringLiteral("-")});
  process.waitForFinished(60000);
  QString text =
      QString::fromUtf8(process.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
  text.replace(QChar(0x2EC4), QStringLiteral("西"));
  text.replace(QChar(0x2ECB), QStringLiteral("车"));
  text.replace(QChar(0x2EDA), QStringLiteral("页"));
  return text;
}

PrintJob Job(report::GridKind kind, const std::vector<report::GridRow>& rows,
             const char* query = "北京 → 上海", const char* stem = "北京-上海") {
  PrintJob job;
  job.kind = kind;
  job.rows = report::PlainRows(rows);
  job.query = QString::fromUtf8(query);
  job.file_stem = QString::fromUtf8(stem);
  return job;
}

}  // namespace

TEST(ConfirmPrint, OnlyYesGoesOn) {
  ScriptedDialogs dialogs;
  for (auto [answer, goes_on] :
       {std::pair{QMessageBox::Yes, true}, std::pair{QMessageBox::No, false},
        std::pair{QMessageBox::Cancel, false}}) {
    dialogs.answer = answer;
    EXPECT_EQ(ConfirmPrint(dialogs, nullptr), goes_on);
  }
  ASSERT_EQ(dialogs.asked.size(), 3u);
  EXPECT_EQ(dialogs.asked[0].icon, QMessageBox::NoIcon);
  EXPECT_EQ(dialogs.asked[0].caption, QStringLiteral(" 打印提示"));
  EXPECT_EQ(dialogs.asked[0].text, QStringLiteral("确实要打印吗？"));
  EXPECT_EQ(dialogs.asked[0].buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

TEST(PrintGrid, PrintsTheReportToPdf) {
  if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
    GTEST_SKIP() << "pdftotext is not installed";
  }
  TempDir dir;
  QPrinter printer(QPrinter::HighResolution);
  MakePdfPrinter(printer, dir.File("main.pdf"));
  const report::PrinterMetrics metrics = MetricsOf(printer);
  EXPECT_EQ(metrics.dpi_x, 600);
  EXPECT_EQ(metrics.dpi_y, 600);
  // 80 rows do not fit on one A4 page at 600 dpi.
  const std::vector<report::GridRow> rows = MainRows(80);
  SetPrintedTimetableName(QStringLiteral("时刻表：2024-07-05 全国"));
  const PrintJob job = Job(report::GridKind::Main, rows);
  const report::PrintLayout layout =
      LayoutForPrinter(printer, report::GridKind::Main, job.rows, {});
  const int pages = layout.page_count;
  ASSERT_GE(pages, 2);
  // Every column as wide as its widest text: standing, or else turned to landscape.
  EXPECT_TRUE(layout.fits);

  ScriptedDialogs dialogs;
  ASSERT_TRUE(PrintGrid(dialogs, nullptr, &printer, job, QDate(2011, 8, 15)));
  EXPECT_TRUE(dialogs.asked.empty());
  SetPrintedTimetableName(QString());

  const QString text = PdfText(dir.File("main.pdf"));
  const QStringList page_texts = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
  ASSERT_EQ(page_texts.size(), pages) << text.toStdString();
  for (int p = 0; p < pages; ++p) {
    const std::string page = page_texts[p].toStdString();
    SCOPED_TRACE("page " + std::to_string(p + 1));
    EXPECT_THAT(page, HasSubstr("岚舟列车时刻表"));
    // pdftotext gives the full-width colons back as ":" (see PdfText).
    EXPECT_THAT(page, HasSubstr("打印日期:2011年8月15日"));
    EXPECT_THAT(page, HasSubstr("岚舟时刻公司(http://www.lanzhou-shike.cn)"));
    EXPECT_THAT(page, HasSubstr("北京 → 上海"));
    EXPECT_THAT(page, HasSubstr("时刻表:2024-07-05 全国"));
    for (const char* caption : {"车次", "始发", "终到", "车型", "发站", "发时", "到站", "到时",
                                "停站", "里程", "历时", "硬座", "软座", "硬卧", "软卧"}) {
      EXPECT_THAT(page, HasSubstr(caption));
    }
    EXPECT_TRUE(page_texts[p].contains(
        QRegularExpression(QStringLiteral("第\\s*%1\\s*页\\s*/\\s*共\\s*%2\\s*页").arg(p + 1).arg(pages))))
        << page;
  }
  EXPECT_THAT(page_texts[0].toStdString(), HasSubstr("K7700"));
  EXPECT_THAT(page_texts[0].toStdString(), HasSubstr("160/167/173"));
  EXPECT_THAT(page_texts[pages - 1].toStdString(), HasSubstr("K7779"));
  EXPECT_EQ(text.count(QStringLiteral("K77")), 80);
}

TEST(PrintGrid, PrintsTheDetailCaptions) {
  if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
    GTEST_SKIP() << "pdftotext is not installed";
  }
  TempDir dir;
  QPrinter printer(QPrinter::HighResolution);
  MakePdfPrinter(printer, dir.File("detail.pdf"));
  const std::vector<report::GridRow> rows = {
      {"1", "北京西", "0", "", "21:25", "当天", "0", ""},
      {"2", "郑州", "689", "03:44", "03:50", "第2天", "6:19", "109"}};
  ScriptedDialogs dialogs;
  ASSERT_TRUE(PrintGrid(dialogs, nullptr, &printer, Job(report::GridKind::Detail, rows),
                        QDate(2026, 1, 5)));
  const std::string text = PdfText(dir.File("detail.pdf")).toStdString();
  for (const char* expected : {"站序", "车站", "里程", "到时", "发时", "天数", "历时", "时速",
                               "北京西", "第2天", "03:50", "2026年1月5日"}) {
    EXPECT_THAT(text, HasSubstr(expected));
  }
}

// The journeys window prints its list with its own captions, the same page furniture, and the
// day markers and chains of trains as the list shows them.
TEST(PrintGrid, PrintsTheJourneyList) {
  if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
    GTEST_SKIP() << "pdftotext is not installed";
  }
  TempDir dir;
  QPrinter printer(QPrinter::HighResolution);
  MakePdfPrinter(printer, dir.File("journeys.pdf"));
  PrintJob job = Job(report::GridKind::Journey,
                     {{"07:00", "北京南", "11:38", "上海虹桥", "04:38", "0", "G1", "-", "-", "553"},
                      {"21:25", "北京西", "09:41+1天", "上海", "12:16", "1", "K1043 → G1202",
                       "郑州→郑州东（同城换站）", "01:35", "-"}});
  // The second journey's legs under it, each across the table.
  job.rows.push_back({{"第1程 K1043 北京西 21:25 → 郑州 03:10+1天，历时 05:45"}, true});
  job.rows.push_back({{"第2程 G1202 郑州东 04:45+1天 → 上海 09:41+1天，历时 04:56，等候 01:35，同城换站"}, true});
  ScriptedDialogs dialogs;
  ASSERT_TRUE(PrintGrid(dialogs, nullptr, &printer, job, QDate(2026, 12, 8)));
  const std::string text = PdfText(dir.File("journeys.pdf")).toStdString();
  for (const char* expected : {"出发", "发站", "到达", "到站", "历时", "换乘", "车次", "换乘站",
                               "等候", "参考票价", "岚舟列车时刻表", "2026年12月8日", "09:41+1天",
                               "K1043 → G1202", "同城换站", "553", "第1程 K1043 北京西 21:25",
                               "第2程 G1202 郑州东"}) {
    EXPECT_THAT(text, HasSubstr(expected));
  }
}

TEST(PrintGrid, PrinterFailuresShowTheStandardErrorBox) {
  ScriptedDialogs dialogs;
  const std::vector<report::GridRow> rows = MainRows(2);

  // No printer at all.
  EXPECT_FALSE(
      PrintGrid(dialogs, nullptr, nullptr, Job(report::GridKind::Main, rows), QDate(2011, 8, 15)));
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_EQ(dialogs.asked[0].icon, QMessageBox::Critical);
  EXPECT_EQ(dialogs.asked[0].caption, QStringLiteral("岚舟时刻"));
  EXPECT_EQ(dialogs.asked[0].text, QStringLiteral("未设置默认打印机。"));
  EXPECT_EQ(dialogs.asked[0].buttons, QMessageBox::Ok);

  // A printer that cannot start the document (its output cannot be created).
  TempDir dir;
  QPrinter printer(QPrinter::HighResolution);
  MakePdfPrinter(printer, dir.File("missing/out.pdf"));
  EXPECT_FALSE(
      PrintGrid(dialogs, nullptr, &printer, Job(report::GridKind::Main, rows), QDate(2011, 8, 15)));
  ASSERT_EQ(dialogs.asked.size(), 2u);
  EXPECT_EQ(dialogs.asked[1].text, QStringLiteral("打印机无法开始打印文档。"));
  EXPECT_FALSE(fs::exists(dir.File("missing").toStdString()));

  // A text that already ends in a full stop keeps it single.
  ShowStandardError(dialogs, nullptr, QStringLiteral("Done."));
  EXPECT_EQ(dialogs.asked.back().text, QStringLiteral("Done."));
  ShowStandardError(dialogs, nullptr, QStringLiteral("完成。"));
  EXPECT_EQ(dialogs.asked.back().text, QStringLiteral("完成。"));
}

TEST(PrintGridOrPdf, WithoutAPrinterTheSamePagesCanGoToAPdfFile) {
  TempDir dir;
  const std::vector<report::GridRow> rows = MainRows(3);
  const QString pdf = dir.File("rows.pdf");
  struct Case {
    QMessageBox::StandardButton answer;
    QString name;
    bool printed;
  };
  for (const Case& c : {Case{QMessageBox::No, pdf, false}, Case{QMessageBox::Yes, QString(), false},
                        Case{QMessageBox::Yes, pdf, true}}) {
    ScriptedDialogs dialogs;
    dialogs.answer = c.answer;
    dialogs.save_name = c.name;
    EXPECT_EQ(PrintGridOrPdf(dialogs, nullptr, nullptr, Job(report::GridKind::Main, rows),
                             QDate(2011, 8, 15)),
              c.printed);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].icon, QMessageBox::Question);
    EXPECT_EQ(dialogs.asked[0].caption, QStringLiteral("岚舟时刻"));
    EXPECT_EQ(dialogs.asked[0].text, QStringLiteral("未设置默认打印机。要打印到 PDF 文件吗？"));
    EXPECT_EQ(dialogs.asked[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(dialogs.saved.size(), c.answer == QMessageBox::Yes ? 1u : 0u);
    if (!dialogs.saved.empty()) {
      EXPECT_EQ(dialogs.saved[0],
                QStringLiteral("打印到 PDF 文件…|PDF 文件(*.pdf)|pdf|北京-上海.pdf"));
    }
    EXPECT_EQ(fs::exists(pdf.toStdString()), c.printed);
  }
  // The file holds the printed report's page.
  QFile file(pdf);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.read(5) == "%PDF-");
  if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
    const QString text = PdfText(pdf);
    EXPECT_THAT(text.toStdString(), HasSubstr("岚舟列车时刻表"));
    EXPECT_THAT(text.toStdString(), HasSubstr("K7702"));
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("第\\s*1\\s*页"))));
  }
}

// With a printer the one question is "确实要打印吗？"; only Yes prints. Without one, the one
// question is the PDF offer (the test above): never both.
TEST(PrintGridOrPdf, WithAPrinterAsksOnceAndOnlyYesPrints) {
  TempDir dir;
  for (const auto answer : {QMessageBox::No, QMessageBox::Cancel, QMessageBox::Yes}) {
    QPrinter printer(QPrinter::HighResolution);
    const QString file = dir.File(answer == QMessageBox::Yes ? "yes.pdf" : "no.pdf");
    MakePdfPrinter(printer, file);
    ScriptedDialogs dialogs;
    dialogs.answer = answer;
    EXPECT_EQ(PrintGridOrPdf(dialogs, nullptr, &printer, Job(report::GridKind::Main, MainRows(2)),
                             QDate(2011, 8, 15)),
              answer == QMessageBox::Yes);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text, QStringLiteral("确实要打印吗？"));
    EXPECT_TRUE(dialogs.saved.empty());
    EXPECT_EQ(fs::exists(file.toStdString()), answer == QMessageBox::Yes);
  }
}
