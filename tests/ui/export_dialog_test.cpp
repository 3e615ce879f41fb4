#include "ui/export_dialog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <QApplication>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "text/gbk.h"

using namespace lanzhou;
using namespace lanzhou::ui;
namespace fs = std::filesystem;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

class QtEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "ui_export_dialog_test";
    static char* argv[] = {name, nullptr};
    app_ = new QApplication(argc, argv);
  }
  void TearDown() override { delete app_; }

 private:
  QApplication* app_ = nullptr;
};
[[maybe_unused]] testing::Environment* const kQt =
    testing::AddGlobalTestEnvironment(new QtEnvironment);

struct SaveAsked {
  QString caption;
  QString filter;
  QString suffix;
};

// Answers the save dialog with a scripted name; records every dialog and message box.
class ScriptedDialogs : public Dialogs {
 public:
  QString file_name;
  std::vector<SaveAsked> save_asked;
  std::vector<QString> messages;
  std::vector<QString> suggested_names;

  QMessageBox::StandardButton Message(QWidget*, QMessageBox::Icon icon, const QString& caption,
                                      const QString& text, QMessageBox::StandardButtons) override {
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(caption, QStringLiteral("岚舟时刻"));
    messages.push_back(text);
    return QMessageBox::Ok;
  }
  QString SaveFileName(QWidget*, const QString& caption, const QString& filter,
                       const QString& suffix, const QString& suggested) override {
    save_asked.push_back({caption, filter, suffix});
    suggested_names.push_back(suggested);
    return file_name;
  }
};

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "lanzhou-csv-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempDir() { fs::remove_all(path_); }
  [[nodiscard]] const fs::path& path() const { return path_; }
  [[nodiscard]] QString File(const char* name) const {
    return QString::fromStdString((path_ / name).string());
  }
  [[nodiscard]] std::size_t Count() const {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(path_), fs::directory_iterator()));
  }

 private:
  fs::path path_;
};

std::string ReadBytes(const QString& file) {
  std::ifstream in(file.toStdString(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The file's lines, split at CR LF; fails the test on a lone CR or LF or a missing last CR LF.
std::vector<std::string> CrLfLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "the last line has no CR LF";
      break;
    }
    const std::string line = bytes.substr(start, end - start);
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "lone CR or LF in " << line;
    lines.push_back(line);
    start = end + 2;
  }
  return lines;
}

const std::vector<report::GridRow> kMainRows = {
    {"T109", "北京", "上海", "空调特快", "北京", "20:05", "上海", "10:13", "9", "1463", "14:08",
     "158", "-", "283/293/304", "440/462"},
    {"1461", "北京", "上海", "普快", "北京", "11:46", "上海", "08:03", "17", "1463", "20:17", "138",
     "-", "38/41/43", "-"},
    {"D301", "北京", "上海", "动车组", "北京", "21:25", "上海", "07:21", "", "1463", "09:56", "",
     "", "", ""},
};

}  // namespace

TEST(ExportGridCsv, WritesTheMainGridAsGbkWithCrLf) {
  TempDir dir;
  ScriptedDialogs dialogs;
  dialogs.file_name = dir.File("结果.csv");
  const std::optional<QString> written = ExportGridCsv(
      dialogs, nullptr, report::GridKind::Main, kMainRows,
      SuggestedFileStem({QStringLiteral("北京"), QStringLiteral(" 上海 ")}));
  ASSERT_TRUE(written);
  EXPECT_EQ(*written, dialogs.file_name);
  EXPECT_EQ(ExportedText(3, *written), QStringLiteral("已导出 3 行到 ") + dialogs.file_name);
  EXPECT_EQ(dialogs.suggested_names, std::vector<QString>{QStringLiteral("北京-上海.csv")});

  ASSERT_EQ(dialogs.save_asked.size(), 1u);
  EXPECT_EQ(dialogs.save_asked[0].filter, QStringLiteral("Excel文件(*.csv)"));
  EXPECT_EQ(dialogs.save_asked[0].suffix, QStringLiteral("csv"));
  EXPECT_THAT(dialogs.messages, IsEmpty());

  const std::string bytes = ReadBytes(dialogs.file_name);
  EXPECT_NE(bytes.find("\xE1\xB0\xD6\xDB\xCA\xB1\xBF\xCC\xB9\xAB\xCB\xBE"), std::string::npos)
      << "岚舟时刻公司 in GBK";
  std::vector<std::string> lines = CrLfLines(bytes);
  for (std::string& line : lines) line = text::GbkToUtf8(line);
  EXPECT_THAT(lines,
              ElementsAre("", "", "岚舟时刻公司", "http://www.lanzhou-shike.cn", "", "",
                          "车次,始发,终到,车型,发站,发时,到站,到时,停站,里程,历时,硬座,软座,硬卧,"
                          "软卧",
                          "T109,北京,上海,空调特快,北京,20:05,上海,10:13,9,1463,14:08,158,-,"
                          "283/293/304,440/462",
                          "1461,北京,上海,普快,北京,11:46,上海,08:03,17,1463,20:17,138,-,"
                          "38/41/43,-",
                          "D301,北京,上海,动车组,北京,21:25,上海,07:21,,1463,09:56,,,,"));
}

TEST(SuggestedFileStem, JoinsTheQueryWordsIntoAName) {
  const struct {
    QStringList words;
    const char* stem;
  } cases[] = {
      {{"北京", "上海"}, "北京-上海"},
      {{"1112/1113"}, "1112-1113"},          // a train with two numbers
      {{" 西安 ", "", "厦门"}, "西安-厦门"},  // blanks and empty words dropped
      {{"a\\b:c*d?e\"f<g>h|i"}, "a-b-c-d-e-f-g-h-i"},
      {{}, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SuggestedFileStem(c.words), QString::fromUtf8(c.stem)) << c.words.join("|").toStdString();
  }
}

TEST(ExportGridCsv, DetailCaptionsAndReplacingAFile) {
  TempDir dir;
  ScriptedDialogs dialogs;
  dialogs.file_name = dir.File("detail.csv");
  std::ofstream(dialogs.file_name.toStdString()) << std::string(10000, 'x');
  const std::vector<report::GridRow> rows = {{"1", "北京西", "0", "", "21:25", "当天", "0", ""}};
  ASSERT_TRUE(ExportGridCsv(dialogs, nullptr, report::GridKind::Detail, rows));
  std::vector<std::string> lines = CrLfLines(ReadBytes(dialogs.file_name));
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(text::GbkToUtf8(lines[6]), "站序,车站,里程,到时,发时,天数,历时,时速");
  EXPECT_EQ(text::GbkToUtf8(lines[7]), "1,北京西,0,,21:25,当天,0,");
  EXPECT_EQ(dir.Count(), 1u);
}

TEST(ExportGridCsv, CancelWritesNothingAndSaysNothing) {
  TempDir dir;
  ScriptedDialogs dialogs;
  for (const QString& answer : {QString(), QStringLiteral("   ")}) {
    dialogs.file_name = answer;
    EXPECT_FALSE(ExportGridCsv(dialogs, nullptr, report::GridKind::Main, kMainRows));
  }
  EXPECT_EQ(dialogs.save_asked.size(), 2u);
  EXPECT_THAT(dialogs.messages, IsEmpty());
  EXPECT_EQ(dir.Count(), 0u);
}

TEST(ExportGridCsv, WriteFailuresShowTheErrorAndKeepTheOldFile) {
  TempDir dir;
  ScriptedDialogs dialogs;

  dialogs.file_name = dir.File("missing/out.csv");
  EXPECT_FALSE(ExportGridCsv(dialogs, nullptr, report::GridKind::Main, kMainRows));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0], QStringLiteral("无法创建文件“") + dialogs.file_name +
                                     QStringLiteral("”：文件夹不存在。"));

  // The disk refuses the bytes part way through: the old file stays as it was.
  dialogs.file_name = dir.File("old.csv");
  std::ofstream(dialogs.file_name.toStdString()) << "old\r\n";
  {
    rlimit old_limit{};
    ::getrlimit(RLIMIT_FSIZE, &old_limit);
    const sighandler_t old_handler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old_limit;
    limited.rlim_cur = 100;
    ::setrlimit(RLIMIT_FSIZE, &limited);
    EXPECT_FALSE(ExportGridCsv(dialogs, nullptr, report::GridKind::Main, kMainRows));
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    ::signal(SIGXFSZ, old_handler);
  }
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[1], QStringLiteral("无法写入文件“") + dialogs.file_name +
                                     QStringLiteral("”：文件过大。"));
  EXPECT_EQ(ReadBytes(dialogs.file_name), "old\r\n");
  EXPECT_EQ(dir.Count(), 1u);  // no temporary file left beside it
}
