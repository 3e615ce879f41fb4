// TFrmPelory: which timetable answers. The built-in sample or a timetable file, loaded by the
// same loader threads; a file that cannot be used is reported and the program carries on with
// the built-in tables. The status bar names the timetable in use; the choice made in the menu is
// remembered for the next start.
#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <array>

#include "system/atomic_file.h"
#include "timetable/credits.h"
#include "system/settings.h"
#include "text/gbk.h"
#include "ui/frm_pelory.h"
#include "ui/print_grid.h"

namespace lanzhou::ui {
namespace {

QString FromStd(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A path as a message shows it: control characters escaped, and a long one cut in the middle
// so that a message box stays within the screen.
QString PathText(const std::filesystem::path& path) {
  constexpr qsizetype kShown = 120;
  const QString text = FromStd(text::EscapeControls(path.string()));
  if (text.size() <= kShown) return text;
  return text.left(kShown / 2 - 1) + QStringLiteral("…") + text.right(kShown / 2);
}

// What is wrong with a refused file, in the user's words.
QString ProblemText(data::TimetableFileProblem problem) {
  using P = data::TimetableFileProblem;
  switch (problem) {
    case P::kUnreadable:
      return QStringLiteral("文件不存在或无法读取。");
    case P::kNotArchive:
      return QStringLiteral("这不是时刻表文件，或文件已损坏。");
    case P::kDamaged:
      return QStringLiteral("文件已损坏（校验不符）。");
    case P::kMissingMember:
      return QStringLiteral("文件不完整，缺少时刻表的一部分。");
    case P::kWrongVersion:
      return QStringLiteral("文件的格式版本本程序不能读取。");
    case P::kBadMeta:
      return QStringLiteral("文件的说明部分有误。");
    case P::kBadTable:
      return QStringLiteral("文件中的时刻表数据已损坏。");
  }
  return QStringLiteral("文件无法使用。");
}

}  // namespace

QString ChineseFileDetail(const std::string& detail) {
  const QString text = FromStd(detail);
  // "member meta.txt is missing" and the like name a part of the archive.
  static const QRegularExpression member(QStringLiteral("^member ([^\\s:]+):? (.*)$"));
  if (const QRegularExpressionMatch m = member.match(text); m.hasMatch()) {
    const QString name = m.captured(1);
    const QString rest = m.captured(2);
    if (rest == QStringLiteral("is missing")) return QStringLiteral("缺少 %1").arg(name);
    if (rest.contains(QStringLiteral("directory says"))) {
      return QStringLiteral("%1 的长度与目录不符").arg(name);
    }
    const QString inner = ChineseFileDetail(rest.startsWith(QStringLiteral(": "))
                                                ? rest.mid(2).toStdString()
                                                : rest.toStdString());
    return inner.isEmpty() ? QStringLiteral("%1 已损坏").arg(name)
                           : QStringLiteral("%1：%2").arg(name, inner);
  }
  // "meta.txt says 3 trains but table SLIST holds 2": the counts the file states differ.
  static const QRegularExpression counts(
      QStringLiteral("^meta\\.txt says (\\d+) (trains|stops|stations) but table (\\w+) holds (\\d+)$"));
  if (const QRegularExpressionMatch m = counts.match(text); m.hasMatch()) {
    const QString what = m.captured(2) == QStringLiteral("trains")  ? QStringLiteral("车次")
                         : m.captured(2) == QStringLiteral("stops") ? QStringLiteral("停站")
                                                                    : QStringLiteral("车站");
    return QStringLiteral("meta.txt 记有 %1 个%2，%3 实有 %4 个")
        .arg(m.captured(1), what, m.captured(3), m.captured(4));
  }
  // libzip's and the system's words, most telling first.
  static const std::array<std::pair<const char*, const char*>, 14> known = {{
      {"Not a zip archive", "不是 zip 文件"},
      {"No such file", "文件不存在"},
      {"Permission denied", "没有读取权限"},
      {"Is a directory", "这是一个文件夹，不是文件"},
      {"CRC error", "校验错误"},
      {"inconsistent", "zip 文件结构不一致"},
      {"Premature end of file", "文件不完整（提前结束）"},
      {"Compression method not supported", "不支持的压缩方式"},
      {"Encryption method not supported", "不支持的加密方式"},
      {"Malloc failure", "内存不足"},
      {"Cannot allocate memory", "内存不足"},
      {"larger than", "过大"},
      {"Read error", "读取错误"},
      {"Input/output error", "读取错误"},
  }};
  for (const auto& [english, chinese] : known) {
    if (text.contains(QString::fromUtf8(english), Qt::CaseInsensitive)) {
      return QString::fromUtf8(chinese);
    }
  }
  // Other texts are in English only: the reason given above them says it in the user's words.
  return {};
}

namespace {

// "2024-06-15 至 09-10"; the year is written again only where it changes; one day alone.
QString PeriodText(const data::Period& period) {
  const std::string first = data::IsoDateText(period.first);
  if (period.days <= 1) return FromStd(first);
  const std::string last = data::IsoDateText(period.Last());
  const bool same_year = first.substr(0, 5) == last.substr(0, 5);
  return QStringLiteral("%1 至 %2").arg(FromStd(first), FromStd(same_year ? last.substr(5) : last));
}

// "时刻表：2024-06-15 至 09-10 全国（21,557 车次）", or the built-in sample's caption with its
// period. The period is the calendar's once the tables stand, before that the meta text's.
QString StatusText(const data::TimetableFile* file, const std::optional<data::Period>& period) {
  if (file == nullptr) {
    const QString sample = QStringLiteral("示例时刻表（非真实数据）");
    return period ? sample + QStringLiteral("：") + PeriodText(*period) : sample;
  }
  const data::TimetableMeta& meta = file->meta;
  std::optional<data::Period> shown = period;
  if (!shown) {
    try {
      shown = data::ParsePeriod(meta.valid_date);
    } catch (const data::CalendarError&) {
      // An unreadable period is shown as the file states it.
    }
  }
  // The file's own texts: control characters shown escaped, not drawn as boxes or obeyed.
  return QStringLiteral("时刻表：%1 %2（%3 车次）")
      .arg(shown ? PeriodText(*shown) : FromStd(text::EscapeControls(meta.valid_date)),
           FromStd(text::EscapeControls(meta.name)),
           QLocale(QLocale::English).toString(static_cast<qlonglong>(meta.trains)));
}

}  // namespace

bool TFrmPelory::UseTimetable(const std::optional<std::filesystem::path>& file, bool at_start) {
  if (!file) {
    StartTables(nullptr, {});
    return false;
  }
  auto opened = std::make_unique<data::TimetableFile>();
  try {
    *opened = data::ReadTimetableFile(*file);
  } catch (const data::TimetableFileError& e) {
    const QString reason = ProblemText(e.problem());
    const QString detail = ChineseFileDetail(e.detail());
    if (!at_start) {
      ShowTimetableProblem(*file, reason, detail, QStringLiteral("仍使用原来的时刻表。"));
      return false;
    }
    // At start the built-in tables load at once; the message waits until the window is up. A
    // remembered file that is gone is said once, then forgotten.
    StartTables(nullptr, {});
    std::error_code ec;
    const bool gone = !std::filesystem::exists(*file, ec) && !ec;
    bool forgotten = false;
    if (gone) {
      try {
        system::UpdateSettings([&](system::Settings& settings) {
          if (settings.timetable && *settings.timetable == *file) {
            settings.timetable.reset();
            forgotten = true;
          }
        });
      } catch (const system::FileWriteError&) {
      }
    }
    const QString consequence =
        forgotten ? QStringLiteral("现在使用内置示例时刻表，下次启动时不再打开它。")
                  : QStringLiteral("现在使用内置示例时刻表。");
    QMetaObject::invokeMethod(
        this,
        [this, path = *file, reason, detail, consequence] {
          ShowTimetableProblem(path, reason, detail, consequence);
        },
        Qt::QueuedConnection);
    return false;
  }
  StartTables(std::move(opened), *file);
  return true;
}

void TFrmPelory::StartTables(std::unique_ptr<data::TimetableFile> file,
                             std::filesystem::path path) {
  const int generation = ++load_generation_;
  DropJourneyNetwork();
  // The old loaders stop after the table in hand and are joined before their sources go.
  tables_.reset();
  timetable_ = std::move(file);
  timetable_path_ = std::move(path);
  timetable_registry_ = data::ResourceRegistry();
  if (timetable_) data::RegisterTimetable(*timetable_, timetable_registry_);
  tables_ =
      std::make_unique<data::TimetableStore>(timetable_ ? timetable_registry_ : *deps_.registry);
  ShowTimetableStatus();
  status_panels_[3]->setText(
      QStringLiteral("出品:岚舟时刻公司  资料来源:") +
      QString::fromStdString(timetable::SourceCredit(timetable_ ? &timetable_->meta : nullptr)));

  // The boxes keep their text; the controls wait for the new tables, and a result from the old
  // ones is not left to be printed or opened against the new.
  for (QWidget* control : std::initializer_list<QWidget*>{
           combo_fz_, combo_dz_, combo_cz_, btn_zzcx_, btn_zzzz_, btn_cccx_, btn_czcx_}) {
    control->setEnabled(false);
  }
  if (generation > 1) {
    state_ = query::QueryState{};
    StartQuery();
  }

  if (!deps_.start_loaders) return;
  // Notices of this load only: a late notice of a replaced store must not enable the controls.
  QPointer<TFrmPelory> self(this);
  auto on_this_load = [self, generation](void (TFrmPelory::*handler)()) {
    return [self, generation, handler] {
      QMetaObject::invokeMethod(
          self,
          [self, generation, handler] {
            if (self && self->load_generation_ == generation) (self->*handler)();
          },
          Qt::QueuedConnection);
    };
  };
  data::LoadNotices notices;
  notices.on_py_ready = on_this_load(&TFrmPelory::OnPyReady);
  notices.on_train_ready = on_this_load(&TFrmPelory::OnTrainReady);
  notices.on_finished = [self, generation] {
    QMetaObject::invokeMethod(
        self,
        [self, generation] {
          if (self) self->OnTablesFinished(generation);
        },
        Qt::QueuedConnection);
  };
  tables_->StartLoading(std::move(notices));
}

void TFrmPelory::ShowTimetableStatus() {
  const std::optional<data::Period> period =
      tables_ && tables_->KMTrainReady ? tables_->calendar.period() : std::nullopt;
  status_panels_[1]->setText(StatusText(timetable_.get(), period));
  SetPrintedTimetableName(StatusText(timetable_.get(), period));
  status_panels_[1]->setToolTip(timetable_ ? PathText(timetable_path_) : QString());
}

void TFrmPelory::OnTablesFinished(int generation) {
  if (generation != load_generation_) return;
  QString detail;
  if (timetable_ && tables_->AllReady()) {
    // Every table stands; the counts meta.txt gives (shown in the status bar) must be theirs.
    try {
      data::CheckTableCounts(timetable_->meta, &tables_->KMTrain, &tables_->KMList,
                             timetable_path_);
    } catch (const data::TimetableFileError& e) {
      detail = ChineseFileDetail(e.detail());
    }
  }
  if (!timetable_ || (tables_->AllReady() && detail.isEmpty())) {
    StartJourneyNetwork();
    return;
  }
  // The archive was sound but a table text was refused by the reader, or the counts differ.
  const std::filesystem::path path = timetable_path_;
  ShowTimetableProblem(path, ProblemText(data::TimetableFileProblem::kBadTable), detail,
                       QStringLiteral("现在使用内置示例时刻表。"));
  StartTables(nullptr, {});
}

void TFrmPelory::ShowTimetableProblem(const std::filesystem::path& file, const QString& reason,
                                      const QString& detail, const QString& consequence) {
  QString text = QStringLiteral("无法打开时刻表文件“%1”：\n%2").arg(PathText(file), reason);
  if (!detail.isEmpty()) text += QStringLiteral("\n（%1）").arg(detail);
  text += QStringLiteral("\n\n") + consequence;
  deps_.dialogs->Message(this, QMessageBox::Warning, QStringLiteral("打开时刻表"), text,
                         QMessageBox::Ok);
}

void TFrmPelory::RememberTimetable(const std::optional<std::filesystem::path>& file) {
  try {
    // The other settings (window places, the last folder) stay as they are.
    system::UpdateSettings([&](system::Settings& settings) {
      settings.timetable.reset();
      if (file) settings.timetable = std::filesystem::absolute(*file).lexically_normal();
    });
  } catch (const system::FileWriteError& e) {
    deps_.dialogs->Message(
        this, QMessageBox::Warning, QStringLiteral("打开时刻表"),
        QStringLiteral("时刻表已打开，但下次启动时不会记得这一选择：\n") + FromStd(e.what()),
        QMessageBox::Ok);
  }
}

void TFrmPelory::ShowSettingsProblem() {
  QString problem = FromStd(text::EscapeControls(deps_.settings_problem));
  if (problem.size() > 300) problem = problem.left(150) + QStringLiteral("…") + problem.right(150);
  deps_.dialogs->Message(this, QMessageBox::Warning, QStringLiteral("设置"),
                         QStringLiteral("设置文件有误，已忽略：\n%1").arg(problem),
                         QMessageBox::Ok);
  // The bad setting is replaced by what is in use now (a settings file that is no regular file
  // is refused by the writer and stays as it is).
  try {
    system::Settings settings;
    if (timetable_) settings.timetable = timetable_path_;
    system::WriteSettings(settings);
  } catch (const system::FileWriteError&) {
  }
}

void TFrmPelory::MOpenTimetableClick() {
  const QString chosen = deps_.dialogs->OpenFileName(
      this, QStringLiteral("打开时刻表"), QStringLiteral("时刻表文件 (*.lzt);;所有文件 (*)"));
  if (chosen.isEmpty()) return;
  const std::filesystem::path file(chosen.toStdString());
  if (UseTimetable(file, false)) RememberTimetable(file);
}

void TFrmPelory::MSampleTimetableClick() {
  if (timetable_) UseTimetable(std::nullopt, false);
  RememberTimetable(std::nullopt);
}

}  // namespace lanzhou::ui
