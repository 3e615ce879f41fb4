// TFrmPelory: every control of the main window at its place, with its caption and colours.
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QValidator>
#include <algorithm>
#include <array>
#include <tuple>

#include "ui/frm_pelory.h"
#include "ui/frm_style.h"
#include "ui/grid_view.h"
#include "ui/links.h"
#include "ui/station_box.h"
#include "ui/window_frame.h"

namespace lanzhou::ui {
namespace {

constexpr int kWidth = 985;
constexpr int kHeight = 681;
constexpr int kTopHeight = 68;   // PTop
constexpr int kContentTop = 70;  // below PTop and the green line Shape1
constexpr int kStatusHeight = 19;
constexpr int kContentHeight = kHeight - kContentTop - kStatusHeight;  // 592

// 到时 is wide enough for a day marker ("06:45+1天"); the train columns give up the room.
constexpr std::array<int, query::kResultColumns> kResultWidths = {88, 71, 71, 64, 77, 45, 77, 72,
                                                                  32, 45, 37, 42, 43, 91, 70};
constexpr int kGridLeft = 14;
constexpr int kStationEntries = 12;  // empty entries of a station box at creation
constexpr int kDropDownRows = kStationListRows;

// ECC: typed Latin letters become capitals as they are typed.
class UpperCaseValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    input = input.toUpper();
    return Acceptable;
  }
};

QToolButton* MakeToolButton(QWidget* parent, const QString& name, const QString& caption,
                            const QString& hint, QRect geometry) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setText(caption);
  button->setToolTip(hint);
  button->setGeometry(geometry);
  button->setCheckable(true);
  button->setAutoRaise(true);
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setCursor(Qt::PointingHandCursor);
  button->setFont(WindowFont());
  // White whatever the state: the down button shows only by its down image, and no focus frame
  // marks a second button as if it were down too.
  button->setFocusPolicy(Qt::NoFocus);
  button->setStyleSheet(QStringLiteral(
      "QToolButton, QToolButton:hover, QToolButton:checked, QToolButton:pressed,"
      " QToolButton:checked:hover { background: #FFFFFF; color: #000000; border: none; }"));
  return button;
}

// A group box whose title sits on its frame's top line, the frame clear of the controls below.
QGroupBox* MakeGroupBox(QWidget* parent, const QString& name, const QString& title, QRect rect) {
  auto* group = new QGroupBox(title, parent);
  group->setObjectName(name);
  group->setGeometry(rect);
  group->setStyleSheet(QStringLiteral(
      "QGroupBox { border: 1px solid #A9B4B8; margin-top: 7px; }"
      "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
      " left: 6px; padding: 0px 2px; }"));
  return group;
}

QFrame* MakeLine(QWidget* parent, const QString& name, int top) {
  return MakeBox(parent, name, 0, top, kWidth, 2, QColor(0x00, 0x80, 0x00));
}

}  // namespace

void TFrmPelory::BuildWindow() {
  setObjectName(QStringLiteral("FrmPelory"));
  setWindowTitle(QStringLiteral(
      "岚舟时刻表，准确及时的列车时刻表提供者，免费预订打折机票、特价酒店，使您出行无忧！"));
  // The design size is the starting and the smallest size; the grid takes what the window
  // grows by (AnchorControls).
  setWindowFlags(Qt::Window);
  setMinimumSize(kWidth, kHeight);
  resize(kWidth, kHeight);
  setFont(WindowFont());
  setPalette(WindowPalette());
  SetBackground(this, QColor::fromRgb(kPanelBackground));

  BuildTopStrip();
  for (std::size_t i = 0; i < panels_.size(); ++i) {
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("P%1").arg(i + 1));
    panel->setGeometry(0, kContentTop, kWidth, kContentHeight);
    panel->setVisible(i == 0);
    panels_[i] = panel;
  }
  SetBackground(panels_[0], QColor::fromRgb(kPanelBackground));
  BuildQueryBoxes(panels_[0]);
  BuildResultArea(panels_[0]);
  BuildPages();
  BuildStatusBar();
  BuildMenu();

  BuildShortcuts();

  right_click_filter_ = new WebRightClickFilter(this);
  for (auto& view : web_views_) right_click_filter_->AddView(view->Widget());
  qApp->installEventFilter(right_click_filter_);
}

void TFrmPelory::AnchorControls() {
  anchors_ = std::make_unique<Anchors>(this);
  const auto add = [this](const char* name, unsigned anchor) {
    if (auto* control = findChild<QWidget*>(QString::fromUtf8(name))) anchors_->Add(control, anchor);
  };
  for (const char* name : {"PTop", "Shape20", "Shape1", "P2Strip", "P3Strip"}) add(name, kGrowWidth);
  add("ImageLogo", kFollowRight);
  for (QWidget* panel : panels_) anchors_->Add(panel, kGrowWidth | kGrowHeight);
  anchors_->Add(sgrid_, kGrowWidth | kGrowHeight);
  for (const char* name : {"GroupBox1", "GroupBox2", "GroupBox3", "LabResult", "Label1", "CBSF",
                           "CBZD", "CBJQ", "CBDC"}) {
    add(name, kFollowBottom);
  }
  for (const char* name : {"LabNew", "BTNAdvanced", "BTNAbout", "BtnUpdate"}) {
    add(name, kFollowBottom | kFollowRight);
  }
  add("P1Msg", kFollowBottom | kGrowWidth);
  add("StatusBar1", kFollowBottom | kGrowWidth);
  add("StatusPanel3", kGrowWidth);
  for (std::size_t i = 1; i < web_views_.size(); ++i) {
    anchors_->Add(web_views_[i]->Widget(), kGrowWidth | kGrowHeight);
  }

  // The result grid's columns share the extra width; the titles and headings follow them.
  result_band_ = std::make_unique<ColumnBand>(
      sgrid_, std::vector<int>(kResultWidths.begin(), kResultWidths.end()));
  for (int c = 0; c < query::kResultColumns; ++c) {
    const QString box = c == 0 ? QStringLiteral("Shape3") : QStringLiteral("Shape%1").arg(c + 5);
    if (auto* control = findChild<QWidget*>(box)) result_band_->Over(control, c, c);
    result_band_->Over(headers_[static_cast<std::size_t>(c)], c, c);
  }
  const std::array<std::tuple<const char*, const char*, int, int>, 3> headings = {{
      {"Shape2", "LabLcxx", 0, 3}, {"Shape4", "Labcxqj", 4, 10}, {"Shape5", "Labckpj", 11, 14}}};
  for (const auto& [box, label, first, last] : headings) {
    if (auto* control = findChild<QWidget*>(QString::fromUtf8(box))) {
      result_band_->Over(control, first, last);
    }
    if (auto* control = findChild<QWidget*>(QString::fromUtf8(label))) {
      result_band_->Over(control, first, last, false);
    }
  }
}

void TFrmPelory::BuildShortcuts() {
  const auto shortcut = [this](const QKeySequence& keys, auto&& what) {
    auto* action = new QAction(this);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, what);
    addAction(action);
    return action;
  };
  // Each query box is one key away; the panel of the timetable comes first when another shows.
  const auto focus_box = [this](QWidget* box) {
    return [this, box] {
      if (!panels_[0]->isVisible()) ShowPanel(1);
      box->setFocus(Qt::ShortcutFocusReason);
      if (auto* combo = qobject_cast<QComboBox*>(box)) combo->lineEdit()->selectAll();
      if (auto* edit = qobject_cast<QLineEdit*>(box)) edit->selectAll();
    };
  };
  shortcut(QKeySequence(Qt::ALT | Qt::Key_1), focus_box(combo_fz_))->setObjectName("AFocusFZ");
  shortcut(QKeySequence(Qt::ALT | Qt::Key_2), focus_box(ecc_))->setObjectName("AFocusCC");
  shortcut(QKeySequence(Qt::ALT | Qt::Key_3), focus_box(combo_cz_))->setObjectName("AFocusCZ");
  shortcut(QKeySequence(Qt::Key_F5), [this] { RepeatQuery(); })->setObjectName("ARepeat");
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_R), [this] {
    if (btn_zzfx_->isEnabled()) btn_zzfx_->click();
  })->setObjectName("AReverse");
  mprint_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  mexport_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  mjourney_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_J));
  for (QAction* action : {mprint_, mexport_, mjourney_}) {
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
  }

  combo_fz_->setToolTip(QStringLiteral("发站（Alt+1）：输入站名或拼音首字母，如 BJ"));
  combo_dz_->setToolTip(QStringLiteral("到站：输入站名或拼音首字母，如 SH"));
  ecc_->setToolTip(QStringLiteral("车次（Alt+2），回车查询"));
  combo_cz_->setToolTip(QStringLiteral("车站（Alt+3）：输入站名或拼音首字母"));
  btn_zzcx_->setToolTip(QStringLiteral("查询两站间的直达车次（F5 再查一次）"));
  btn_zzfx_->setToolTip(QStringLiteral("发站与到站对调后查询（Ctrl+R）"));
  btn_zzzz_->setToolTip(QStringLiteral("查找换乘车站"));
  btn_cccx_->setToolTip(QStringLiteral("查询车次（F5 再查一次）"));
  btn_czcx_->setToolTip(QStringLiteral("查询经过该站的全部车次（F5 再查一次）"));
  sgrid_->setToolTip(sgrid_->toolTip() +
                     QStringLiteral("\n回车：查看所选车次（未选时为第一行）；Tab：离开表格"));
}

void TFrmPelory::RepeatQuery() {
  QPushButton* button = nullptr;
  switch (state_.QueryKind) {
    case query::StationToStation:
      button = btn_zzcx_;
      break;
    case query::TrainNumber:
      button = btn_cccx_;
      break;
    case query::StationTimetable:
      button = btn_czcx_;
      break;
    default:
      return;
  }
  if (button->isEnabled()) button->click();
}

void TFrmPelory::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (!anchors_) return;
  anchors_->Apply();
  result_band_->Fit();
  // WebB1 fills the partner panel's width; its top moves when a query parks it below.
  if (!web_views_.empty()) {
    QWidget* web = web_views_[0]->Widget();
    web->resize(p1msg_->width() - 2, web->height());
  }
}

void TFrmPelory::closeEvent(QCloseEvent* event) {
  RememberWindowPlace(this, "FrmPelory");
  QWidget::closeEvent(event);
}

void TFrmPelory::BuildTopStrip() {
  auto* top = new QWidget(this);
  top->setObjectName(QStringLiteral("PTop"));
  top->setGeometry(0, 0, kWidth, kTopHeight);
  SetBackground(top, Qt::white);
  MakeLine(top, QStringLiteral("Shape20"), 0);
  MakeLine(this, QStringLiteral("Shape1"), kTopHeight);

  struct Tool {
    const char* caption;
    const char* hint;
    QRect geometry;
  };
  const std::array<Tool, 4> tools = {{
      {"列车时刻", "列车车次，时刻查询", QRect(13, 7, 76, 52)},
      {"折扣机票", "机票预订，折扣机票", QRect(110, 7, 76, 52)},
      {"特价酒店", "酒店预订，特价酒店", QRect(210, 7, 76, 52)},
      {"余票查询", "铁路客服，查询余票", QRect(316, 6, 76, 52)},
  }};
  tool_group_ = new QButtonGroup(this);
  tool_group_->setExclusive(true);
  for (std::size_t i = 0; i < tools.size(); ++i) {
    tool_buttons_[i] =
        MakeToolButton(top, QStringLiteral("TB%1").arg(i + 1), QString::fromUtf8(tools[i].caption),
                       QString::fromUtf8(tools[i].hint), tools[i].geometry);
    tool_group_->addButton(tool_buttons_[i], static_cast<int>(i) + 1);
  }
  tool_buttons_[0]->setChecked(true);
  connect(tool_group_, &QButtonGroup::idClicked, this, &TFrmPelory::ShowPanel);

  QLabel* sell = MakeLinkLabel(top, QStringLiteral("LabSell"), QStringLiteral("铁道部官网车票预订"),
                               420, 32, QColor::fromRgb(kLinkBlue), false, &TicketSalePage);
  sell->setToolTip(QStringLiteral(
      "目前，网站仅办理京津城际（\"C\"字头）、京沪高铁（\"G\"字头、\"D\"字头）列车的售票业务。"));

  auto* logo = new ClickLabel(top);
  connect(logo, &ClickLabel::Clicked, this, [] { OpenUrl(MakerHomePage()); });
  BuildDateField(top);
  image_logo_ = logo;
  image_logo_->setObjectName(QStringLiteral("ImageLogo"));
  image_logo_->setGeometry(841, 5, 138, 52);
  image_logo_->setAttribute(Qt::WA_TranslucentBackground);
  image_logo_->setCursor(Qt::PointingHandCursor);
  image_logo_->setToolTip(QStringLiteral("点击访问岚舟火车网，旅行资讯专家"));
}

void TFrmPelory::BuildResultArea(QWidget* p1) {
  const QColor heading = QColor::fromRgb(kHeadingBoxColour);
  // Each heading sits in its box above the column-title row (top 24): at 7 where the font is as
  // short as 宋体, raised as far as it must be where the CJK face stands taller.
  const auto heading_label = [p1](const char* name, const char* text, int left) {
    QLabel* label = MakeLabel(p1, QString::fromUtf8(name), QString::fromUtf8(text), left, 7,
                              Qt::black, 14);
    label->move(left, std::max(3, std::min(7, 24 - label->height())));
  };
  MakeBox(p1, QStringLiteral("Shape2"), 14, 3, 326, 22, heading, QColor(0xC8, 0xC8, 0xB0));
  heading_label("LabLcxx", "列  车  信  息", 130);
  MakeBox(p1, QStringLiteral("Shape4"), 339, 3, 366, 22, heading, QColor(0xC8, 0xC8, 0xB0));
  heading_label("Labcxqj", "查  询  区  间", 469);
  MakeBox(p1, QStringLiteral("Shape5"), 704, 3, 269, 22, heading, QColor(0xC8, 0xC8, 0xB0));
  heading_label("Labckpj", "参  考  票  价", 762);

  // One title box per column, each over its column and the grid line right of it.
  int x = kGridLeft;
  for (int c = 0; c < query::kResultColumns; ++c) {
    const int w = kResultWidths[static_cast<std::size_t>(c)] + 1;
    const QString box_name =
        c == 0 ? QStringLiteral("Shape3") : QStringLiteral("Shape%1").arg(c + 5);
    MakeBox(p1, box_name, x, 24, w + 1, 20, QColor::fromRgb(kTitleBoxColour),
            QColor(0xC8, 0xC8, 0xD8));
    x += w;
  }
  x = kGridLeft;
  for (int c = 0; c < query::kResultColumns; ++c) {
    const int w = kResultWidths[static_cast<std::size_t>(c)] + 1;
    auto* label = new HeaderLabel(QStringLiteral("Lab%1").arg(c + 1), p1);
    label->setGeometry(x, 24, w, 20);
    connect(label, &HeaderLabel::Clicked, this, [this, c] { Lab1Click(c); });
    headers_.push_back(label);
    x += w;
  }
  ApplyHeaderSort(result_.Headers, headers_);

  sgrid_ = new GridView(
      result_.SGrid,
      [this](int row) { return query::SGridRowColour(result_.SGrid, row, state_.TransferStation); },
      std::vector<int>(kResultWidths.begin(), kResultWidths.end()), p1);
  sgrid_->setObjectName(QStringLiteral("SGrid"));
  sgrid_->setGeometry(kGridLeft, 43, 960, 305);
  sgrid_->setToolTip(QStringLiteral("双击鼠标，可查看详细车次信息\n鼠标右键，弹出高级菜单"));
  sgrid_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(sgrid_, &GridView::RowDoubleClicked, this, &TFrmPelory::ShowTrainDetail);
  connect(sgrid_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { madvanced_->popup(sgrid_->viewport()->mapToGlobal(pos)); });
  sgrid_->Refresh();

  lab_result_ = MakeLabel(p1, QStringLiteral("LabResult"), QStringLiteral("结果:0"), 14, 405,
                          QColor(0, 0, 0xFF), 14);
  MakeLabel(p1, QStringLiteral("Label1"), QStringLiteral("当前结果过滤:"), 110, 406);
  const std::array<std::pair<const char*, int>, 4> filters = {
      {{"始发车", 191}, {"终到车", 265}, {"精确站名", 338}, {"仅动车", 421}}};
  const std::array<const char*, 4> names = {"CBSF", "CBZD", "CBJQ", "CBDC"};
  std::array<QCheckBox*, 4> boxes{};
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    boxes[i] = new QCheckBox(QString::fromUtf8(filters[i].first), p1);
    boxes[i]->setObjectName(QString::fromUtf8(names[i]));
    boxes[i]->move(filters[i].second, 403);
    boxes[i]->adjustSize();
    connect(boxes[i], &QCheckBox::clicked, this, &TFrmPelory::CBSFClick);
  }
  cbsf_ = boxes[0];
  cbzd_ = boxes[1];
  cbjq_ = boxes[2];
  cbdc_ = boxes[3];

  lab_new_ = new QLabel(QStringLiteral("版本检测中..."), p1);
  lab_new_->setObjectName(QStringLiteral("LabNew"));
  // The version text comes from a server: shown as it is, never as markup.
  lab_new_->setTextFormat(Qt::PlainText);
  lab_new_->setAlignment(Qt::AlignRight | Qt::AlignTop);
  lab_new_->setGeometry(844 - 400, 404, 400, 16);
  QPalette blue = lab_new_->palette();
  blue.setColor(QPalette::WindowText, QColor(0, 0, 0xFF));
  lab_new_->setPalette(blue);

  p1msg_ = new QFrame(p1);
  p1msg_->setObjectName(QStringLiteral("P1Msg"));
  p1msg_->setGeometry(11, 423, 963, 169);
  p1msg_->setFrameShape(QFrame::Box);
  p1msg_->setLineWidth(1);
  SetBackground(p1msg_, QColor::fromRgb(kGridBackground));
  BuildPartnerPanel(p1msg_);
}

QComboBox* TFrmPelory::MakeStationBox(QWidget* parent, const QString& name, int left, int top) {
  auto* box = new QComboBox(parent);
  box->setObjectName(name);
  box->setGeometry(left, top, 102, 20);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->setMaxVisibleItems(kDropDownRows);
  for (int i = 0; i < kStationEntries; ++i) box->addItem(QString());
  box->setCurrentIndex(-1);
  box->setEditText(QString());
  // The list opens under the box while the typing goes on in the box.
  AttachStationList(box);
  box->setEnabled(false);
  connect(box, &QComboBox::editTextChanged, this, [this, box] { ComboFZChange(box); });
  // Keys reach the box itself (its line edit only through it).
  box->installEventFilter(this);
  return box;
}

QLabel* TFrmPelory::MakeLinkLabel(QWidget* parent, const QString& name, const QString& text,
                                  int left, int top, QColor colour, bool bold,
                                  QString (*address)()) {
  auto* label = new ClickLabel(parent);
  label->setObjectName(name);
  label->setText(text);
  label->setFont(WindowFont(12, bold));
  label->setAttribute(Qt::WA_TranslucentBackground);
  label->move(left, top);
  MakeLink(label, colour);
  connect(label, &ClickLabel::Clicked, this, [address] { OpenUrl(address()); });
  return label;
}

void TFrmPelory::BuildQueryBoxes(QWidget* p1) {
  QGroupBox* group1 = MakeGroupBox(p1, QStringLiteral("GroupBox1"), QStringLiteral("站站查询"),
                                    QRect(12, 353, 473, 46));
  MakeLabel(group1, QStringLiteral("LabFz"), QStringLiteral("发站"), 6, 21);
  combo_fz_ = MakeStationBox(group1, QStringLiteral("ComboFZ"), 35, 17);
  MakeLabel(group1, QStringLiteral("LabDz"), QStringLiteral("到站"), 150, 21);
  combo_dz_ = MakeStationBox(group1, QStringLiteral("ComboDZ"), 179, 17);
  btn_zzcx_ =
      MakeButton(group1, QStringLiteral("BTNZZCX"), QStringLiteral("查询"), 300, 15, 53, 24);
  btn_zzcx_->setProperty("tag", 0);
  btn_zzfx_ =
      MakeButton(group1, QStringLiteral("BTNZZFX"), QStringLiteral("反向"), 356, 15, 53, 24);
  btn_zzzz_ =
      MakeButton(group1, QStringLiteral("BTNZZZZ"), QStringLiteral("中转"), 412, 15, 53, 24);
  btn_zzzz_->setProperty("tag", 1);
  btn_zzcx_->setEnabled(false);
  btn_zzzz_->setEnabled(false);
  connect(btn_zzcx_, &QPushButton::clicked, this, [this] { BTNZZCXClick(0); });
  connect(btn_zzzz_, &QPushButton::clicked, this, [this] { BTNZZCXClick(1); });
  connect(btn_zzfx_, &QPushButton::clicked, this, &TFrmPelory::BTNZZFXClick);

  QGroupBox* group2 = MakeGroupBox(p1, QStringLiteral("GroupBox2"), QStringLiteral("车次查询"),
                                    QRect(483, 353, 178, 46));
  ecc_ = new QLineEdit(group2);
  ecc_->setObjectName(QStringLiteral("ECC"));
  ecc_->setGeometry(8, 17, 108, 20);
  ecc_->setValidator(new UpperCaseValidator(ecc_));
  btn_cccx_ =
      MakeButton(group2, QStringLiteral("BTNCCCX"), QStringLiteral("查询"), 119, 15, 53, 24);
  btn_cccx_->setEnabled(false);
  connect(btn_cccx_, &QPushButton::clicked, this, &TFrmPelory::BTNCCCXClick);
  // Enter in the train number box runs its query, as the keyboard user expects.
  connect(ecc_, &QLineEdit::returnPressed, this, [this] {
    if (btn_cccx_->isEnabled()) btn_cccx_->click();
  });

  QGroupBox* group3 = MakeGroupBox(p1, QStringLiteral("GroupBox3"), QStringLiteral("车站全部车次查询"),
                                    QRect(659, 353, 186, 46));
  combo_cz_ = MakeStationBox(group3, QStringLiteral("ComboCZ"), 15, 17);
  btn_czcx_ =
      MakeButton(group3, QStringLiteral("BTNCZCX"), QStringLiteral("查询"), 124, 15, 53, 24);
  btn_czcx_->setEnabled(false);
  connect(btn_czcx_, &QPushButton::clicked, this, &TFrmPelory::BTNCZCXClick);

  btn_advanced_ =
      MakeButton(p1, QStringLiteral("BTNAdvanced"), QStringLiteral("高级"), 849, 363, 75, 31);
  btn_about_ = MakeButton(p1, QStringLiteral("BTNAbout"), QStringLiteral("关于"), 925, 363, 49, 31);
  btn_update_ =
      MakeButton(p1, QStringLiteral("BtnUpdate"), QStringLiteral("版本升级"), 849, 394, 125, 29);
  connect(btn_about_, &QPushButton::clicked, this, &TFrmPelory::MAboutClick);
  connect(btn_update_, &QPushButton::clicked, this, [] { OpenUrl(MakerHomePage()); });
}

void TFrmPelory::BuildStatusBar() {
  auto* bar = new QWidget(this);
  bar->setObjectName(QStringLiteral("StatusBar1"));
  bar->setGeometry(0, kHeight - kStatusHeight, kWidth, kStatusHeight);
  SetBackground(bar, QColor::fromRgb(kPanelBackground));
  const std::array<std::pair<int, Qt::Alignment>, 4> panels = {{{150, Qt::AlignLeft},
                                                                {300, Qt::AlignHCenter},
                                                                {150, Qt::AlignHCenter},
                                                                {kWidth - 600, Qt::AlignHCenter}}};
  const std::array<QString, 4> texts = {
      // Panel 1 names the timetable that answers, panel 3 its source (frm_pelory_timetable.cpp).
      QString(), QString(),
      QStringLiteral("邮箱:kf@lanzhou-shike.cn"), QString()};
  int x = 0;
  for (std::size_t i = 0; i < panels.size(); ++i) {
    auto* label = new QLabel(texts[i], bar);
    label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    label->setGeometry(x, 1, panels[i].first - 2, kStatusHeight - 2);
    label->setAlignment(panels[i].second | Qt::AlignVCenter);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    status_panels_[i] = label;
    x += panels[i].first;
  }
}

void TFrmPelory::BuildMenu() {
  madvanced_ = new QMenu(this);
  madvanced_->setObjectName(QStringLiteral("MAdvanced"));
  mprint_ = madvanced_->addAction(QStringLiteral("打印查询结果"));
  mprint_->setObjectName(QStringLiteral("MPrint"));
  mexport_ = madvanced_->addAction(QStringLiteral("导出查询结果"));
  mexport_->setObjectName(QStringLiteral("MExport"));
  connect(mprint_, &QAction::triggered, this, &TFrmPelory::MPrintClick);
  connect(mexport_, &QAction::triggered, this, &TFrmPelory::MExportClick);
  BuildJourneyEntry();
  madvanced_->addSeparator()->setObjectName(QStringLiteral("N1"));
  QAction* open_timetable = madvanced_->addAction(QStringLiteral("打开时刻表…"));
  open_timetable->setObjectName(QStringLiteral("MOpenTimetable"));
  connect(open_timetable, &QAction::triggered, this, &TFrmPelory::MOpenTimetableClick);
  QAction* sample_timetable = madvanced_->addAction(QStringLiteral("使用内置示例时刻表"));
  sample_timetable->setObjectName(QStringLiteral("MSampleTimetable"));
  connect(sample_timetable, &QAction::triggered, this, &TFrmPelory::MSampleTimetableClick);
  madvanced_->addSeparator()->setObjectName(QStringLiteral("N3"));
  QMenu* shortcuts = madvanced_->addMenu(QStringLiteral("创建快捷方式"));
  shortcuts->setObjectName(QStringLiteral("MShortcutsMenu"));
  shortcuts->menuAction()->setObjectName(QStringLiteral("MShortcuts"));
  QAction* desktop = shortcuts->addAction(QStringLiteral("桌面快捷方式"));
  desktop->setObjectName(QStringLiteral("MDesktop"));
  connect(desktop, &QAction::triggered, this, &TFrmPelory::MDesktopClick);
  QAction* start =
      shortcuts->addAction(QString::fromUtf8(kProgramsMenuName) + QStringLiteral("快捷方式"));
  start->setObjectName(QStringLiteral("NStart"));
  connect(start, &QAction::triggered, this, &TFrmPelory::NStartClick);
  madvanced_->addSeparator()->setObjectName(QStringLiteral("N2"));
  QAction* about = madvanced_->addAction(QStringLiteral("关于"));
  about->setObjectName(QStringLiteral("MAbout"));
  connect(about, &QAction::triggered, this, &TFrmPelory::MAboutClick);
  connect(madvanced_, &QMenu::aboutToShow, this, &TFrmPelory::MAdvancedPopup);
  btn_advanced_->setMenu(madvanced_);
}

}  // namespace lanzhou::ui
