#include "ui/print_grid.h"

#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <filesystem>
#include <variant>

#include "system/atomic_file.h"
#include "ui/export_dialog.h"

namespace lanzhou::ui {
namespace {

[[nodiscard]] QString Text(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// The report's font. Where 楷体_GB2312 is missing: other Kai faces, else Latin from DejaVu and
// Chinese from Noto CJK. Latin from Noto CJK is avoided: its shaping swaps the digits after a
// letter ("K7700") for glyphs a PDF's text layer cannot map back, so they could not be found.
[[nodiscard]] QFont PrintFont(int point_size) {
  QFont font;
  font.setFamilies({Text(report::kPrintFontFamily), QStringLiteral("KaiTi"),
                    QStringLiteral("AR PL UKai CN"), QStringLiteral("DejaVu Serif"),
                    QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Serif CJK SC"),
                    QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Zen Hei")});
  font.setPointSize(point_size);
  return font;
}

constexpr char kNoPrinter[] = "未设置默认打印机。";
constexpr char kCannotStart[] = "打印机无法开始打印文档。";
constexpr char kCannotNewPage[] = "打印机无法换到新的一页。";
constexpr char kCannotFinish[] = "打印机无法完成打印文档。";
constexpr char kOfferPdf[] = "未设置默认打印机。要打印到 PDF 文件吗？";

QString& TimetableName() {
  static QString name;
  return name;
}

}  // namespace

void SetPrintedTimetableName(const QString& name) {
  TimetableName() = name;
}

QString PrintedTimetableName() {
  return TimetableName();
}

report::PrintLayout LayoutForPrinter(QPrinter& printer, report::GridKind kind,
                                     std::span<const report::ReportRow> rows,
                                     const report::ReportHeading& heading) {
  const auto layout_now = [&] {
    // Measured on the printer itself, so the widths are those of the printed glyphs.
    const QFontMetrics title(PrintFont(report::kTitlePointSize), &printer);
    const QFontMetrics body(PrintFont(report::kTextPointSize), &printer);
    const report::TextWidthFn width_of = [&](std::string_view text, int point_size) {
      return (point_size == report::kTitlePointSize ? title : body).horizontalAdvance(Text(text));
    };
    return report::LayoutReport(MetricsOf(printer), width_of, kind, rows, heading);
  };
  report::PrintLayout layout = layout_now();
  if (!layout.fits && printer.pageLayout().orientation() == QPageLayout::Portrait) {
    printer.setPageOrientation(QPageLayout::Landscape);
    layout = layout_now();
  }
  return layout;
}

void ShowStandardError(Dialogs& dialogs, QWidget* parent, const QString& text) {
  QString message = text;
  if (!message.isEmpty() && !message.endsWith(QLatin1Char('.')) &&
      !message.endsWith(QChar(0x3002))) {  // 。
    message += QLatin1Char('.');
  }
  dialogs.Message(parent, QMessageBox::Critical, QString::fromUtf8(kApplicationTitle), message,
                  QMessageBox::Ok);
}

bool ConfirmPrint(Dialogs& dialogs, QWidget* parent) {
  return dialogs.Message(parent, QMessageBox::NoIcon, QStringLiteral(" 打印提示"),
                         QStringLiteral("确实要打印吗？"),
                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel) ==
         QMessageBox::Yes;
}

std::unique_ptr<QPrinter> DefaultPrinter() {
  const QPrinterInfo info = QPrinterInfo::defaultPrinter();
  if (info.isNull()) return nullptr;
  return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

report::PrinterMetrics MetricsOf(QPrinter& printer) {
  return {printer.logicalDpiX(), printer.logicalDpiY(), printer.width(), printer.height()};
}

void DrawPrintLayout(QPrinter& printer, const report::PrintLayout& layout) {
  QPainter painter;
  if (!painter.begin(&printer)) throw PrintError(kCannotStart);
  painter.setPen(QPen(Qt::black, report::kRulePenWidth));
  const QFont title_font = PrintFont(report::kTitlePointSize);
  const QFont text_font = PrintFont(report::kTextPointSize);
  painter.setFont(text_font);

  for (const report::PrintCommand& command : layout.commands) {
    if (const auto* text = std::get_if<report::PrintText>(&command)) {
      painter.setFont(text->point_size == report::kTitlePointSize ? title_font : text_font);
      // The layout places a text by its top-left corner; QPainter by its baseline. A text cut
      // to its cell ends in "…" inside it.
      QString shown = Text(text->text);
      if (text->width > 0) {
        shown = painter.fontMetrics().elidedText(shown, Qt::ElideRight, text->width);
      }
      painter.drawText(text->x, text->y + painter.fontMetrics().ascent(), shown);
    } else if (const auto* line = std::get_if<report::PrintLine>(&command)) {
      painter.drawLine(line->x1, line->y1, line->x2, line->y2);
    } else if (!printer.newPage()) {
      printer.abort();
      painter.end();
      throw PrintError(kCannotNewPage);
    }
  }
  if (!painter.end()) throw PrintError(kCannotFinish);
}

bool PrintGrid(Dialogs& dialogs, QWidget* parent, QPrinter* printer, const PrintJob& job,
               QDate date) {
  try {
    if (printer == nullptr) throw PrintError(kNoPrinter);
    report::ReportHeading heading;
    heading.query = job.query.toStdString();
    heading.timetable = PrintedTimetableName().toStdString();
    heading.date_text = report::PrintDateText(date.year(), date.month(), date.day());
    heading.travel_date = TravelDateHeadingOf(job.travel_date);
    DrawPrintLayout(*printer, LayoutForPrinter(*printer, job.kind, job.rows, heading));
    return true;
  } catch (const std::exception& error) {
    ShowStandardError(dialogs, parent, QString::fromUtf8(error.what()));
    return false;
  }
}

bool PrintGridOrPdf(Dialogs& dialogs, QWidget* parent, QPrinter* printer, const PrintJob& job,
                    QDate date) {
  if (printer != nullptr) {
    if (!ConfirmPrint(dialogs, parent)) return false;
    return PrintGrid(dialogs, parent, printer, job, date);
  }
  // Most desktops here have no printer queue: the same pages can still become a PDF file.
  if (dialogs.Message(parent, QMessageBox::Question, QString::fromUtf8(kApplicationTitle),
                      QString::fromUtf8(kOfferPdf),
                      QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
    return false;
  }
  const QString name =
      dialogs.SaveFileName(parent, QString::fromUtf8(kPdfCaption), QString::fromUtf8(kPdfFilter),
                           QString::fromUtf8(kPdfSuffix),
                           job.file_stem.isEmpty() ? QString() : job.file_stem + ".pdf")
          .trimmed();
  if (name.isEmpty()) return false;
  // The printer writes its file as it goes; the pages are made in a scratch file and then
  // replace the chosen one whole, so a failure half-way never leaves a cut-short PDF.
  QTemporaryDir scratch;
  if (!scratch.isValid()) {
    ShowStandardError(dialogs, parent,
                      QStringLiteral("无法创建临时文件：%1").arg(scratch.errorString()));
    return false;
  }
  const QString pages = scratch.filePath(QStringLiteral("pages.pdf"));
  {
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setOutputFileName(pages);
    if (!PrintGrid(dialogs, parent, &pdf, job, date)) return false;
  }  // the printer finishes the file when it goes
  QFile made(pages);
  if (!made.open(QIODevice::ReadOnly)) {
    ShowStandardError(dialogs, parent, made.errorString());
    return false;
  }
  const QByteArray bytes = made.readAll();
  try {
    system::WriteFileAtomically(std::filesystem::path(name.toStdString()),
                                std::string_view(bytes.constData(),
                                                 static_cast<std::size_t>(bytes.size())));
  } catch (const system::FileWriteError& error) {
    ShowStandardError(dialogs, parent, WriteErrorText(error));
    return false;
  }
  return true;
}

bool PrintGrid(Dialogs& dialogs, QWidget* parent, const PrintJob& job) {
  const std::unique_ptr<QPrinter> printer = DefaultPrinter();
  return PrintGridOrPdf(dialogs, parent, printer.get(), job, QDate::currentDate());
}

std::string TravelDateHeadingOf(QDate travel_date) {
  if (!travel_date.isValid()) return {};
  return report::TravelDateHeading(travel_date.year(), travel_date.month(), travel_date.day());
}

}  // namespace lanzhou::ui
