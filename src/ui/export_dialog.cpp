#include "ui/export_dialog.h"

#include <filesystem>

#include "ui/print_grid.h"

namespace lanzhou::ui {

bool ExportGridCsv(Dialogs& dialogs, QWidget* parent, report::GridKind kind,
                   std::span<const report::GridRow> rows) {
  // The lines are built first, as the grid is now, before the dialog gives the user time.
  const std::vector<std::string> lines = report::ExportGridCsvLines(kind, rows);
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
  } catch (const std::exception& error) {
    ShowStandardError(dialogs, parent, QString::fromUtf8(error.what()));
    return false;
  }
}

}  // namespace lanzhou::ui
