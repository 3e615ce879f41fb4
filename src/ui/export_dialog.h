#pragma once
// Exporting a result grid (SGrid or MGrid) as a comma-separated file the user names: the lines
// come from the core (report/grid_export.h); this asks for the file and writes it.
#include <QDate>
#include <QString>
#include <optional>
#include <span>

#include "report/grid_export.h"
#include "system/atomic_file.h"
#include "ui/dialogs.h"

class QWidget;

namespace lanzhou::ui {

// The save dialog's filter and default suffix.
inline constexpr char kExportFilter[] = "Excel文件(*.csv)";
inline constexpr char kExportSuffix[] = "csv";
inline constexpr char kExportCaption[] = "另存为";

// The error box's text for a file that could not be written, in the program's words.
[[nodiscard]] QString WriteErrorText(const system::FileWriteError& error);

// ExportGridCsv: asks for a file name (suggesting `file_stem` + ".csv") and writes the export of
// the rows (all of them) there as GBK text with CR LF line ends, replacing a file of that name.
// Cancelling, or a name of blanks only, writes nothing and shows nothing; a write failure shows
// the standard error box and leaves an existing file as it was. A valid `travel_date` is named in
// the heading. Returns the file written.
std::optional<QString> ExportGridCsv(Dialogs& dialogs, QWidget* parent, report::GridKind kind,
                                     std::span<const report::GridRow> rows,
                                     const QString& file_stem = {}, QDate travel_date = QDate());

// "已导出 120 行到 /home/me/北京-上海.csv": the confirmation shown after an export.
[[nodiscard]] QString ExportedText(int rows, const QString& file);

}  // namespace lanzhou::ui
