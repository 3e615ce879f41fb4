#pragma once
// Printing a result grid (SGrid, MGrid or the journey list) on the default printer without a print
// dialog: the core lays the report out (report/print_layout.h), this measures its texts in the
// printer's font, turns the page to landscape when the columns need it, and draws it with
// QPainter. One question is asked before printing: "确实要打印吗？" with a printer, the offer of a
// PDF file without one. Printer failures end the print with the application's standard error
// box; the program goes on.
#include <QDate>
#include <QString>
#include <memory>
#include <span>
#include <vector>
#include <string>
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

// The question "确实要打印吗？" (caption " 打印提示", no icon, Yes/No/Cancel); true only for Yes.
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

// The name of the timetable in use, printed at the head of every page; the main window sets it
// when a timetable is opened.
void SetPrintedTimetableName(const QString& name);
[[nodiscard]] QString PrintedTimetableName();

// The report's layout on this printer: texts measured in its font, the page turned to landscape
// when the columns do not fit across it standing.
[[nodiscard]] report::PrintLayout LayoutForPrinter(QPrinter& printer, report::GridKind kind,
                                                   std::span<const report::ReportRow> rows,
                                                   const report::ReportHeading& heading);

// Draws the commands as one document on the printer. Throws PrintError when the printer fails;
// a failed document is aborted.
void DrawPrintLayout(QPrinter& printer, const report::PrintLayout& layout);

// What is printed: the kind's captions over the rows (all of them), the page head naming `query`.
struct PrintJob {
  report::GridKind kind = report::GridKind::Main;
  std::vector<report::ReportRow> rows;
  QString query;          // "北京 → 上海"
  QString file_stem;      // the PDF file's suggested name without ".pdf" ("北京-上海")
  QDate travel_date;      // valid: the day the answers are for, named after the title
};

// Prints the job dated `date` on `printer` (nullptr: no printer) without asking. A failure shows
// the standard error box; returns true when printed.
bool PrintGrid(Dialogs& dialogs, QWidget* parent, QPrinter* printer, const PrintJob& job,
               QDate date);

// The save dialog of a print to a PDF file.
inline constexpr char kPdfCaption[] = "打印到 PDF 文件…";
inline constexpr char kPdfFilter[] = "PDF 文件(*.pdf)";
inline constexpr char kPdfSuffix[] = "pdf";

// With a printer: asks "确实要打印吗？" and prints on Yes. Without one (nullptr): offers, as the one
// question, to print the same pages to a PDF file named in the save dialog (which suggests the
// job's name in the last folder used). No, or a cancelled dialog, prints nothing.
bool PrintGridOrPdf(Dialogs& dialogs, QWidget* parent, QPrinter* printer, const PrintJob& job,
                    QDate date);

// PrintGridOrPdf on the default printer, dated today.
bool PrintGrid(Dialogs& dialogs, QWidget* parent, const PrintJob& job);

// The heading that names a valid travel date ("出发日期：2024年7月6日"); empty otherwise.
[[nodiscard]] std::string TravelDateHeadingOf(QDate travel_date);

}  // namespace lanzhou::ui
