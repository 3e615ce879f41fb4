// The application as the program sets it up: Qt's standard buttons and dialogs in Chinese, and
// message boxes wide enough for their captions.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

#include "ui/application.h"
#include "ui/dialogs.h"
#include "ui_test_support.h"

namespace lanzhou::testing {
namespace {

TEST(AppSetup, StandardButtonsReadInChinese) {
  ui::SetUpApplication(App());
  EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("岚舟时刻"));
  QMessageBox box(QMessageBox::Question, QStringLiteral("提示"), QStringLiteral("确实要打印吗？"),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Ok);
  struct Case {
    QMessageBox::StandardButton button;
    const char* word;
  };
  for (const Case& c : {Case{QMessageBox::Yes, "是"}, Case{QMessageBox::No, "否"},
                        Case{QMessageBox::Cancel, "取消"}, Case{QMessageBox::Ok, "确定"}}) {
    const QString text = box.button(c.button)->text();
    EXPECT_TRUE(text.contains(QString::fromUtf8(c.word))) << text.toStdString();
  }
}

TEST(AppSetup, MessageBoxesLeaveRoomForTheirCaptionInTheTitleBar) {
  ui::SetUpApplication(App());
  ui::QtDialogs dialogs;
  for (const char* caption : {"信息不完整", "输入错误", "提示", " 打印提示"}) {
    int width = 0;
    OnNextModal([&](QDialog* box) { width = box->width(); });
    dialogs.Message(nullptr, QMessageBox::NoIcon, QString::fromUtf8(caption),
                    QStringLiteral("请输入发站。"), QMessageBox::Ok);
    // A title bar holds the window icon and three buttons (about 100 pixels) beside the caption,
    // drawn in a font up to a third larger than the dialog's.
    const int caption_width =
        QFontMetrics(QApplication::font()).horizontalAdvance(QString::fromUtf8(caption)) * 4 / 3;
    EXPECT_GE(width, caption_width + 100) << caption;
  }
}

}  // namespace
}  // namespace lanzhou::testing
