#include "ui/print_grid.h"

#include <QFont>
#include <QFontMetrics>
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

constexpr char kNoPrinter[] = "There is no default printer currently selected";
constexpr char kCannotStart[] = "The printer could not start the document";
constexpr char kCannotNewPage[] = "The printer could not start a new page";
constexpr char kCannotFinish[] = "The printer could not finish the document";

}  // namespace

void ShowStandardError(Dialogs& dialogs, QWidget* parent, const QString& text) {
  QString message = text;
  if (!message.isEmpty() && !message.endsWith(QLatin1Char('.'))) message += QLatin1Char('.');
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
               std::span<const report::GridRow> rows, QDate date) {
  try {
    if (printer == nullptr) throw PrintError(kNoPrinter);
    const std::string date_text = report::PrintDateText(date.year(), date.month(), date.day());
    DrawPrintLayout(*printer, report::LayoutPrintGrid(MetricsOf(*printer), kind, rows, date_text));
    return true;
  } catch (const std::exception& error) {
    ShowStandardError(dialogs, parent, QString::fromUtf8(error.what()));
    return false;
  }
}

bool PrintGrid(Dialogs& dialogs, QWidget* parent, report::GridKind kind,
               std::span<const report::GridRow> rows) {
  const std::unique_ptr<QPrinter> printer = DefaultPrinter();
  return PrintGrid(dialogs, parent, printer.get(), kind, rows, QDate::currentDate());
}

}  // namespace lanzhou::ui
