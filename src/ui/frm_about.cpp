#include "ui/frm_about.h"

#include <QLabel>

#include "net/version_check.h"
#include "ui/frm_style.h"
#include "ui/links.h"

namespace lanzhou::ui {
namespace {

constexpr int kClientWidth = 361;
constexpr int kClientHeight = 212;
constexpr char kHomePageHint[] = "点击访问岚舟时刻公司主页";

[[nodiscard]] QString Text(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace

TFrmAbout::TFrmAbout(const QPixmap& logo, const QString& credit, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("FrmAbout"));
  setWindowTitle(QStringLiteral("关于"));
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setFixedSize(kClientWidth, kClientHeight);
  setPalette(WindowPalette());
  SetBackground(this, QColor(0xE3EFF3));

  // The logo only shows the hint; visiting the home page is Label2's.
  image_logo_ = new QLabel(this);
  image_logo_->setObjectName(QStringLiteral("ImageLogo"));
  image_logo_->setPixmap(logo);
  image_logo_->setToolTip(QString::fromUtf8(kHomePageHint));
  image_logo_->move(106, 12);
  image_logo_->adjustSize();

  lab_ver_ = MakeLabel(this, QStringLiteral("LabVer"),
                       QStringLiteral("版本:") + Text(net::ProgramVersion), 107, 88, Qt::black, 14);

  label2_ = new ClickLabel(this);
  label2_->setObjectName(QStringLiteral("Label2"));
  label2_->setText(Text(net::kMakerSite));
  label2_->setFont(WindowFont(14, true));
  label2_->setToolTip(QString::fromUtf8(kHomePageHint));
  label2_->move(96, 120);
  MakeLink(label2_, QColor(kLinkBlue));
  connect(label2_, &ClickLabel::Clicked, this, &TFrmAbout::Label2Click);

  MakeLabel(this, QStringLiteral("Label4"), QStringLiteral("荣誉出品："), 84, 164);
  MakeLabel(this, QStringLiteral("Label3"), QStringLiteral("岚舟时刻公司"), 144, 164);
  MakeLabel(this, QStringLiteral("Label1"), QStringLiteral("资料提供：") + credit, 85, 183);
}

void TFrmAbout::Label2Click() {
  OpenUrl(MakerHomePage());
}

void MAboutClick(QWidget* parent, const QPixmap& logo, const QString& credit) {
  TFrmAbout about(logo, credit, parent);
  about.exec();
}

}  // namespace lanzhou::ui
