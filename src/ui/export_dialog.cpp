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

bool ExportGridCsv(Dialogs& dialogs, QWidget* parent, report::GridKind kind,
                   std::span<const report::GridRow> rows, QDate travel_date) {
  // The lines are built first, as the grid is now, before the dialog gives the user time.
  const std::vector<std::string> lines =
      report::ExportGridCsvLines(kind, rows, TravelDateHeadingOf(travel_date));
  const QString chosen =
      dialogs.SaveFileName(parent, QString::fromUtf8(kExportCaption),
                           QString::fromUtf8(kExportFilter), QString::fromUtf8(kExportSuffix));
  const QString name = chosen.trimmed();
  if (name.isEmpty()) return false;
  try {
    if (report::WriteLinesGbkAtomically(std::filesystem::path(name.toStdString()), lines) ==
        system::WriteOutcome::kInPlace) {
      // Not the usual whole-or-nothing replacement: the user should know.
      dialogs.Message(parent, QMessageBox::Information, QString::fromUtf8(kApplicationTitle),
                      QStringLiteral("该文件夹不允许新建文件，已直接改写原文件。"),
                      QMessageBox::Ok);
    }
    return true;
  } catch (const system::FileWriteError& error) {
    ShowStandardError(dialogs, parent, WriteErrorText(error));
    return false;
  } catch (const std::exception& error) {
    ShowStandardError(dialogs, parent, QString::fromUtf8(error.what()));
    return false;
  }
}

}  // namespace lanzhou::ui
