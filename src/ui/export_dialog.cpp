#include "ui/export_dialog.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "ui/print_grid.h"

namespace lanzhou::ui {

QString WriteErrorText(const system::FileWriteError& error) {
  QString reason;
  switch (error.error()) {
    case ENOENT:
      reason = QStringLiteral("文件夹不存在");
      break;
    case EACCES:
    case EPERM:
      reason = QStringLiteral("没有写入权限");
      break;
    case EROFS:
      reason = QStringLiteral("磁盘只读");
      break;
    case ENOSPC:
    case EDQUOT:
      reason = QStringLiteral("磁盘空间不足");
      break;
    case EFBIG:
      reason = QStringLiteral("文件过大");
      break;
    case EISDIR:
      reason = QStringLiteral("该名称是一个文件夹");
      break;
    default:
      reason = QString::fromLocal8Bit(std::strerror(error.error()));
  }
  const QString path = QString::fromStdString(error.path().string());
  return (error.creating() ? QStringLiteral("无法创建文件“%1”：%2。")
                           : QStringLiteral("无法写入文件“%1”：%2。"))
      .arg(path, reason);
}

QString ExportedText(int rows, const QString& file) {
  return QStringLiteral("已导出 %1 行到 %2").arg(rows).arg(file);
}

std::optional<QString> ExportGridCsv(Dialogs& dialogs, QWidget* parent, report::GridKind kind,
                                     std::span<const report::GridRow> rows,
                                     const QString& file_stem, QDate travel_date) {
  // The lines are built first, as the grid is now, before the dialog gives the user time.
  const std::vector<std::string> lines =
      report::ExportGridCsvLines(kind, rows, TravelDateHeadingOf(travel_date));
  // A folder that takes no new file is refused (the old file is never overwritten where it
  // is); the dialog comes back so that another folder can be chosen.
  for (;;) {
    const QString chosen =
        dialogs.SaveFileName(parent, QString::fromUtf8(kExportCaption),
                             QString::fromUtf8(kExportFilter), QString::fromUtf8(kExportSuffix),
                             file_stem.isEmpty() ? QString() : file_stem + QStringLiteral(".csv"));
    const QString name = chosen.trimmed();
    if (name.isEmpty()) return std::nullopt;
    try {
      report::WriteLinesGbkAtomically(std::filesystem::path(name.toStdString()), lines);
      return name;
    } catch (const system::FileWriteError& error) {
      const int why = error.error();
      if (!error.creating() || (why != EACCES && why != EPERM && why != EROFS)) {
        ShowStandardError(dialogs, parent, WriteErrorText(error));
        return std::nullopt;
      }
      if (dialogs.Message(parent, QMessageBox::Warning, QString::fromUtf8(kApplicationTitle),
                          WriteErrorText(error) + QStringLiteral("\n\n请选择其他文件夹。"),
                          QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok) {
        return std::nullopt;
      }
    } catch (const std::exception& error) {
      ShowStandardError(dialogs, parent, QString::fromUtf8(error.what()));
      return std::nullopt;
    }
  }
}

}  // namespace lanzhou::ui
