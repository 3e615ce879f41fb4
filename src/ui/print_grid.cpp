#include "ui/print_grid.h"

#include <QFont>
#include <QFontMetrics>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStringList>
#include <variant>

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

}  // namespace

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
      painter.setFont(text->point_size == report::kTitlePointSize ? title_font
                                                                  : PrintFont(text->point_size));
      // The layout places a text by its top-left corner; QPainter by its baseline.
      painter.drawText(text->x, text->y + painter.fontMetrics().ascent(), Text(text->text));
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

bool PrintGrid(Dialogs& dialogs, QWidget* parent, QPrinter* printer, report::GridKind kind,
               std::span<const report::GridRow> rows, QDate date, QDate travel_date) {
  try {
    if (printer == nullptr) throw PrintError(kNoPrinter);
    const std::string date_text = report::PrintDateText(date.year(), date.month(), date.day());
    DrawPrintLayout(*printer, report::LayoutPrintGrid(MetricsOf(*printer), kind, rows, date_text,
                                                      TravelDateHeadingOf(travel_date)));
    return true;
  } catch (const std::exception& error) {
    ShowStandardError(dialogs, parent, QString::fromUtf8(error.what()));
    return false;
  }
}

bool PrintGridOrPdf(Dialogs& dialogs, QWidget* parent, QPrinter* printer, report::GridKind kind,
                    std::span<const report::GridRow> rows, QDate date, QDate travel_date) {
  if (printer != nullptr) {
    return PrintGrid(dialogs, parent, printer, kind, rows, date, travel_date);
  }
  // Most desktops here have no printer queue: the same pages can still become a PDF file.
  if (dialogs.Message(parent, QMessageBox::Question, QString::fromUtf8(kApplicationTitle),
                      QString::fromUtf8(kOfferPdf),
                      QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
    return false;
  }
  const QString name =
      dialogs.SaveFileName(parent, QString::fromUtf8(kPdfCaption), QString::fromUtf8(kPdfFilter),
                           QString::fromUtf8(kPdfSuffix))
          .trimmed();
  if (name.isEmpty()) return false;
  QPrinter pdf(QPrinter::HighResolution);
  pdf.setOutputFormat(QPrinter::PdfFormat);
  pdf.setPageSize(QPageSize(QPageSize::A4));
  pdf.setOutputFileName(name);
  return PrintGrid(dialogs, parent, &pdf, kind, rows, date, travel_date);
}

bool PrintGrid(Dialogs& dialogs, QWidget* parent, report::GridKind kind,
               std::span<const report::GridRow> rows, QDate travel_date) {
  const std::unique_ptr<QPrinter> printer = DefaultPrinter();
  return PrintGridOrPdf(dialogs, parent, printer.get(), kind, rows, QDate::currentDate(),
                        travel_date);
}

std::string TravelDateHeadingOf(QDate travel_date) {
  if (!travel_date.isValid()) return {};
  return report::TravelDateHeading(travel_date.year(), travel_date.month(), travel_date.day());
}

}  // namespace lanzhou::ui
