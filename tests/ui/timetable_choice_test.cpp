// The window on a timetable file: the status bar names the timetable that answers; a file that
// cannot be used is reported (naming the file and what is wrong) and the built-in tables answer;
// the menu's choice is remembered in the settings file for the next start.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <QAction>
#include <QMenu>
#include <QRegularExpression>
#include <zip.h>

#include <chrono>
#include <fstream>
#include <future>
#include <iterator>
#include <set>
#include <string_view>

#include "data/calendar.h"
#include "data/csv_table_format.h"
#include "data/mem_table.h"
#include "data/packed_resource.h"
#include "data/timetable_file.h"
#include "data/timetable_schema.h"
#include "system/settings.h"
#include "temp_dir.h"
#include "ui_test_support.h"

namespace lanzhou::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// The fixture timetable less train G1001 (8 trains where the built-in tables have 9), so which
// tables answer shows in the record counts.
data::TimetableTexts FileTexts() {
  const data::ResourceRegistry& r = TestRegistry();
  return {WithoutTrain(data::ReadPackedResource(r, "STrain"), "G1001"),
          WithoutTrain(data::ReadPackedResource(r, "SList"), "G1001"),
          data::ReadPackedResource(r, "SM"), data::ReadPackedResource(r, "SPY")};
}

// The metadata of these tables, with the counts they really have.
data::TimetableMeta MetaOf(const data::TimetableTexts& texts) {
  data::TimetableMeta meta;
  meta.name = "全国";
  meta.valid_date = "2024-07-05";
  meta.source = "import-crawl cr240615.min.csv";
  const data::CsvTableFormat format;
  data::MemTable strain, slist;
  data::LoadTimetableTable("STRAIN", texts.strain, strain, format);
  data::LoadTimetableTable("SLIST", texts.slist, slist, format);
  meta.trains = static_cast<long>(slist.RecordCount());
  meta.stops = static_cast<long>(strain.RecordCount());
  std::set<std::string_view> stations;
  const int column = strain.FindField("Station");
  for (std::uint32_t r = 0; r < strain.RecordCount(); ++r) {
    stations.insert(strain.TextOfRecord(r, column));
  }
  meta.stations = static_cast<long>(stations.size());
  return meta;
}

fs::path WriteFile(const fs::path& path, const data::TimetableTexts& texts = FileTexts()) {
  data::WriteTimetableFile(path, MetaOf(texts), texts);
  return path;
}

// A timetable file as another program might write it, past the checks of ours.
void WriteUnchecked(const fs::path& path, const data::TimetableMeta& meta,
                    const data::TimetableTexts& texts) {
  const std::string meta_text = data::MetaText(meta);
  const std::vector<std::pair<const char*, std::string>> members = {
      {"meta.txt", meta_text},
      {"STRAIN", data::PackResource(texts.strain)},
      {"SLIST", data::PackResource(texts.slist)},
      {"SM", data::PackResource(texts.sm)},
      {"SPY", data::PackResource(texts.spy)},
      {"CALENDAR", data::PackResource(data::Calendar::EveryDay(
                                          data::ParsePeriod(meta.valid_date))
                                          .Text())}};
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(archive, nullptr);
  for (const auto& [name, bytes] : members) {
    zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
    ASSERT_GE(zip_file_add(archive, name, source, 0), 0);
  }
  ASSERT_EQ(zip_close(archive), 0);
}

// Sets XDG_CONFIG_HOME to a fresh folder for one test.
struct ConfigHome {
  [[nodiscard]] std::string Settings() const { return ReadBytes(dir / "lanzhou/lanzhou.conf"); }
  TempDir dir;
  ScopedEnv xdg{"XDG_CONFIG_HOME", dir.path().string()};
};

QString StatusText(const TestWindow& t) {
  return t.Find<QLabel>("StatusPanel1")->text();
}

// The status bar's credit: the source of the timetable in use.
QString CreditText(const TestWindow& t) {
  return t.Find<QLabel>("StatusPanel3")->text();
}

bool Ready(const TestWindow& t) {
  return t.Find<QPushButton>("BTNZZCX")->isEnabled() && t.Find<QComboBox>("ComboFZ")->isEnabled() &&
         t.window->Tables().AllReady();
}

void Trigger(const TestWindow& t, const char* action) {
  t.window->MAdvanced()->findChild<QAction*>(QString::fromUtf8(action))->trigger();
}

TEST(TimetableChoice, AFileAnswersAndTheStatusBarNamesIt) {
  TempDir dir;
  const fs::path file = WriteFile(dir / "national.lzt");
  TestWindow t(true, file);
  t.window->show();
  ASSERT_TRUE(WaitUntil([&] { return Ready(t); }));
  EXPECT_EQ(StatusText(t), QStringLiteral("时刻表：2024-07-05 全国（8 车次）"));
  EXPECT_EQ(CreditText(t),
            QStringLiteral("出品:岚舟时刻公司  资料来源:import-crawl cr240615.min.csv"));
  EXPECT_EQ(t.window->Tables().KMList.RecordCount(), 8u);
  EXPECT_TRUE(t.dialogs.shown.empty());
}

// What the program reads at start cannot stop the window: a FIFO where the settings file belongs
// is refused at once (opening it would block for ever) and said in a message, and a name of
// control characters in a timetable file shows escaped in the status bar.
TEST(TimetableChoice, AHostileSettingsFileOrTimetableNameNeverStopsOrGarblesTheWindow) {
  ConfigHome home;
  fs::create_directories(home.dir / "lanzhou");
  ASSERT_EQ(::mkfifo((home.dir / "lanzhou/lanzhou.conf").c_str(), 0600), 0);
  auto reading = std::async(std::launch::async, [] { return system::ReadSettings(); });
  ASSERT_EQ(reading.wait_for(std::chrono::seconds(10)), std::future_status::ready)
      << "reading the settings blocked on the FIFO";
  const system::Settings settings = reading.get();
  EXPECT_FALSE(settings.timetable);
  ASSERT_THAT(settings.problem, HasSubstr("lanzhou.conf"));

  TempDir dir;
  const data::TimetableTexts texts = FileTexts();
  data::TimetableMeta meta = MetaOf(texts);
  meta.name = "全国\x1b]0;pwned\x07\x1b[2J";
  WriteUnchecked(dir / "named.lzt", meta, texts);
  TestWindow t(true, dir / "named.lzt", settings.problem);
  t.window->show();
  ASSERT_TRUE(WaitUntil([&] { return Ready(t) && !t.dialogs.shown.empty(); }));
  EXPECT_EQ(StatusText(t),
            QStringLiteral("时刻表：2024-07-05 全国\\x1B]0;pwned\\x07\\x1B[2J（8 车次）"));
  ASSERT_EQ(t.dialogs.shown.size(), 1u);
  EXPECT_EQ(t.dialogs.shown[0].caption, QStringLiteral("设置"));
  EXPECT_TRUE(t.dialogs.shown[0].text.startsWith(QStringLiteral("设置文件有误，已忽略：\n")));
  EXPECT_TRUE(t.dialogs.shown[0].text.contains(QStringLiteral("lanzhou.conf")));
  // The FIFO is left as it is: the program never writes through it.
  EXPECT_TRUE(fs::is_fifo(home.dir / "lanzhou/lanzhou.conf"));
}

TEST(TimetableChoice, AFileThatCannotBeUsedAtStartIsReportedAndTheSampleAnswers) {
  TempDir dir;
  const std::string good = ReadBytes(WriteFile(dir / "good.lzt"));
  std::string damaged = good;
  const std::string strain = data::PackResource(FileTexts().strain);
  damaged[good.find(strain) + strain.size() / 2] ^= 0x04;
  std::ofstream(dir / "damaged.lzt", std::ios::binary) << damaged;
  std::ofstream(dir / "text.lzt", std::ios::binary) << "时刻表";
  data::TimetableTexts bad_table = FileTexts();
  bad_table.strain = data::ReadPackedResource(TestRegistry(), "DUPLICATE_KEY");
  WriteUnchecked(dir / "bad_table.lzt", MetaOf(FileTexts()), bad_table);
  // Sound tables, but meta.txt gives counts they do not have.
  data::TimetableMeta lying = MetaOf(FileTexts());
  lying.trains = 11413;
  WriteUnchecked(dir / "bad_counts.lzt", lying, FileTexts());

  struct Case {
    const char* file;
    QString reason;
  };
  for (const Case& c : {Case{"damaged.lzt", QStringLiteral("文件已损坏（校验不符）。")},
                        Case{"missing.lzt", QStringLiteral("文件不存在或无法读取。")},
                        Case{"text.lzt", QStringLiteral("这不是时刻表文件，或文件已损坏。")},
                        // A sound archive whose table the reader refuses: found by the loaders.
                        Case{"bad_table.lzt", QStringLiteral("文件中的时刻表数据已损坏。")},
                        Case{"bad_counts.lzt", QStringLiteral("文件中的时刻表数据已损坏。")}}) {
    SCOPED_TRACE(c.file);
    const fs::path path = dir / c.file;
    TestWindow t(true, path);
    t.window->show();
    ASSERT_TRUE(WaitUntil([&] { return !t.dialogs.shown.empty() && Ready(t); }));
    ASSERT_EQ(t.dialogs.shown.size(), 1u);
    EXPECT_EQ(t.dialogs.shown[0].caption, QStringLiteral("打开时刻表"));
    EXPECT_EQ(t.dialogs.shown[0].icon, QMessageBox::Warning);
    const QString text = t.dialogs.shown[0].text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("无法打开时刻表文件“%1”：\n%2")
                                    .arg(QString::fromStdString(path.string()), c.reason)))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("\n\n现在使用内置示例时刻表。")))
        << text.toStdString();
    // Beside the file's name, the user reads Chinese only (libzip's and the system's words
    // translated, or left out).
    QString words = text;
    words.remove(QString::fromStdString(path.string()));
    words.remove(QStringLiteral("zip"));
    // The names of the file's parts stay as they are ("缺少 meta.txt").
    words.remove(QRegularExpression(QStringLiteral("\\b(STRAIN|SLIST|SPY|SM|meta\\.txt)\\b")));
    EXPECT_FALSE(words.contains(QRegularExpression(QStringLiteral("[A-Za-z]{3,}"))))
        << text.toStdString();
    EXPECT_EQ(StatusText(t), QStringLiteral("示例时刻表（非真实数据）"));
    EXPECT_EQ(t.window->Tables().KMList.RecordCount(), 9u);
  }
}

TEST(TimetableChoice, ChineseWordsForLibzipAndSystemTroubles) {
  const struct {
    const char* detail;
    const char* shown;
  } cases[] = {
      {"Not a zip archive", "不是 zip 文件"},
      {"member meta.txt is missing", "缺少 meta.txt"},
      {"member STrain: CRC error", "STrain：校验错误"},
      {"member SList is larger than 1 GiB", "SList：过大"},
      {"Open error: No such file or directory", "文件不存在"},
      {"Permission denied", "没有读取权限"},
      {"Zip archive inconsistent", "zip 文件结构不一致"},
      {"something no one expected", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ui::ChineseFileDetail(c.detail), QString::fromUtf8(c.shown)) << c.detail;
  }
}

// A remembered timetable that has gone is said once; the next start opens the sample quietly.
TEST(TimetableChoice, ARememberedFileThatIsGoneIsSaidOnceThenForgotten) {
  ConfigHome home;
  TempDir dir;
  const fs::path gone = dir / "gone.lzt";
  system::UpdateSettings([&](system::Settings& s) {
    s.timetable = gone;
    s.windows["FrmPelory"] = {0, 0, 1000, 700, false};
  });
  {
    TestWindow t(true, system::TimetableAtStart(std::nullopt));
    t.window->show();
    ASSERT_TRUE(WaitUntil([&] { return !t.dialogs.shown.empty() && Ready(t); }));
    ASSERT_EQ(t.dialogs.shown.size(), 1u);
    EXPECT_TRUE(t.dialogs.shown[0].text.endsWith(
        QStringLiteral("现在使用内置示例时刻表，下次启动时不再打开它。")));
  }
  EXPECT_EQ(system::ReadSettings().timetable, std::nullopt);
  // The other settings stay.
  EXPECT_EQ(system::ReadSettings().windows.count("FrmPelory"), 1u);
  {
    TestWindow t(true, system::TimetableAtStart(std::nullopt));
    t.window->show();
    ASSERT_TRUE(WaitUntil([&] { return Ready(t); }));
    QTest::qWait(50);
    EXPECT_TRUE(t.dialogs.shown.empty());
  }
}

TEST(TimetableChoice, TheMenusChoiceIsRememberedAndAFailedOpenKeepsWhatTheUserHad) {
  ConfigHome config;
  TempDir dir;
  const fs::path file = WriteFile(dir / "national.lzt");
  LoadedWindow t;
  t.Through(QStringLiteral("郑州"), QStringLiteral("北京"));
  ASSERT_NE(t.Result(), QStringLiteral("结果:0"));

  // Open a file: its tables load, the result of the old ones goes, the typed names stay.
  t.dialogs.open_name = QString::fromStdString(file.string());
  Trigger(t, "MOpenTimetable");
  ASSERT_TRUE(WaitUntil([&] { return Ready(t); }));
  EXPECT_EQ(t.window->Tables().KMList.RecordCount(), 8u);
  EXPECT_EQ(StatusText(t), QStringLiteral("时刻表：2024-07-05 全国（8 车次）"));
  EXPECT_EQ(t.Result(), QStringLiteral("结果:0"));
  EXPECT_EQ(t.window->State().VisibleCount, 0);
  EXPECT_TRUE(t.window->State().ResultList.empty());
  EXPECT_EQ(t.Find<QComboBox>("ComboFZ")->currentText(), QStringLiteral("郑州"));
  EXPECT_THAT(config.Settings(), HasSubstr("\ntimetable=" + file.string() + "\n"));
  EXPECT_EQ(system::TimetableAtStart(std::nullopt), file);

  // A damaged file: said so, and the file in use stays in use and remembered.
  std::ofstream(dir / "damaged.lzt", std::ios::binary) << "PK\x03\x04 not really";
  t.dialogs.open_name = QString::fromStdString((dir / "damaged.lzt").string());
  Trigger(t, "MOpenTimetable");
  ASSERT_EQ(t.dialogs.shown.size(), 1u);
  EXPECT_TRUE(t.dialogs.shown[0].text.endsWith(QStringLiteral("\n\n仍使用原来的时刻表。")));
  EXPECT_EQ(StatusText(t), QStringLiteral("时刻表：2024-07-05 全国（8 车次）"));
  EXPECT_TRUE(Ready(t));
  EXPECT_EQ(t.window->Tables().KMList.RecordCount(), 8u);
  EXPECT_EQ(system::TimetableAtStart(std::nullopt), file);

  // A cancelled dialog changes nothing.
  t.dialogs.open_name.clear();
  Trigger(t, "MOpenTimetable");
  EXPECT_EQ(t.dialogs.shown.size(), 1u);
  EXPECT_EQ(system::TimetableAtStart(std::nullopt), file);

  // Back to the built-in sample, remembered as well.
  Trigger(t, "MSampleTimetable");
  ASSERT_TRUE(WaitUntil([&] { return Ready(t); }));
  EXPECT_EQ(t.window->Tables().KMList.RecordCount(), 9u);
  EXPECT_EQ(StatusText(t), QStringLiteral("示例时刻表（非真实数据）"));
  EXPECT_EQ(CreditText(t), QStringLiteral("出品:岚舟时刻公司  资料来源:示例时刻表（非真实数据）"));
  EXPECT_EQ(system::TimetableAtStart(std::nullopt), std::nullopt);
  EXPECT_THAT(config.Settings(), ::testing::Not(HasSubstr("timetable=")));
}

}  // namespace
}  // namespace lanzhou::testing
