#pragma once
// Printing a result grid (SGrid or MGrid) on the default printer without a print dialog: the core
// lays the report out (report/print_layout.h), this draws it with QPainter. Printer failures end
// the print with the application's standard error box; the program goes on.
#include <QDate>
#include <QString>
#include <memory>
#include <span>
#include <stdexcept>

#include "report/print_layout.h"
#include "ui/dialogs.h"

class QPrinter;
class QWidget;

namespace lanzhou::ui {

// The application's title, the caption of its standard error box.
inline constexpr char kApplicationTitle[] = "岚舟时刻";

// The application's standard error box: the error's text (with a final "." added when it ends
// in neither "." nor "。"), caption kApplicationTitle, error icon, OK.
void ShowStandardError(Dialogs& dialogs, QWidget* parent, const QString& text);

// MPrintClick's question "确实要打印吗？" (caption " 打印提示", no icon, Yes/No/Cancel); true only
// for Yes.
[[nodiscard]] bool ConfirmPrint(Dialogs& dialogs, QWidget* parent);

// A printer that cannot print; what() is the text for the error box.
class PrintError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The system's default printer with its own settings at its full resolution; nullptr when the
// system has none.
[[nodiscard]] std::unique_ptr<QPrinter> DefaultPrinter();

// The printer's resolution and printable page in its pixels.
[[nodiscard]] report::PrinterMetrics MetricsOf(QPrinter& printer);

// Draws the commands as one document on the printer. Throws PrintError when the printer fails;
// a failed document is aborted.
void DrawPrintLayout(QPrinter& printer, const report::PrintLayout& layout);

// PrintGrid: prints the rows (all of them) with the kind's captions, dated `date`, on `printer`
// (nullptr: no printer); a valid `travel_date` is named in the heading of every page. A failure
// shows the standard error box; returns true when printed.
bool PrintGrid(Dialogs& dialogs, QWidget* parent, QPrinter* printer, report::GridKind kind,
               std::span<const report::GridRow> rows, QDate date, QDate travel_date = QDate());

// The save dialog of a print to a PDF file.
inline constexpr char kPdfCaption[] = "打印到 PDF 文件…";
inline constexpr char kPdfFilter[] = "PDF 文件(*.pdf)";
inline constexpr char kPdfSuffix[] = "pdf";

// PrintGrid on `printer`; without one (nullptr), offers to print the same pages to a PDF file
// named in the save dialog instead. No, or a cancelled dialog, prints nothing.
bool PrintGridOrPdf(Dialogs& dialogs, QWidget* parent, QPrinter* printer, report::GridKind kind,
                    std::span<const report::GridRow> rows, QDate date,
                    QDate travel_date = QDate());

// PrintGridOrPdf on the default printer, dated today.
bool PrintGrid(Dialogs& dialogs, QWidget* parent, report::GridKind kind,
               std::span<const report::GridRow> rows, QDate travel_date = QDate());

// The heading that names a valid travel date ("出发日期：2024年7月6日"); empty otherwise.
[[nodiscard]] std::string TravelDateHeadingOf(QDate travel_date);

}  // namespace lanzhou::ui
