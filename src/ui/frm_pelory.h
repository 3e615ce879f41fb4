#pragma once
// FrmPelory: the main window. It owns the four timetables and their loaders, the version check,
// the query state and every control; its handlers gather the boxes' texts, call the queries of
// the core and render what they leave in QueryState and the result grid.
#include <QByteArray>
#include <QColor>
#include <QDate>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "data/resource_registry.h"
#include "data/timetable_file.h"
#include "data/timetable_store.h"
#include "journey/network.h"
#include "net/version_check.h"
#include "query/input_checks.h"
#include "query/query_state.h"
#include "query/show_results.h"
#include "query/through_query.h"
#include "ui/dialogs.h"
#include "ui/web_view.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QCompleter;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QStringListModel;
class QToolButton;
class QButtonGroup;

namespace lanzhou::ui {

class Anchors;
class TFrmJourney;
class ColumnBand;
class GridView;
class HeaderLabel;

// What the window is built on; tests swap the dialogs, the web views and the network.
struct FrmPeloryDeps {
  const data::ResourceRegistry* registry = nullptr;  // tables, bitmaps, help page; must outlive
  Dialogs* dialogs = nullptr;                        // message boxes and the save dialog
  WebViewFactory web_views;                          // WebB1..WebB4
  // The version check's targets; nullopt runs no check (LabNew keeps "版本检测中...").
  std::optional<net::NetCheckConfig> net_check;
  // False leaves the tables unloaded: the readiness notices are then the test's to send.
  bool start_loaders = true;
  // A timetable file to answer from instead of the built-in tables of `registry`; one that
  // cannot be used is reported and the built-in tables answer.
  std::optional<std::filesystem::path> timetable_file;
  // Why the settings file was ignored, or a setting in it (system::Settings::problem); shown
  // once the window is up, and the file then rewritten without the bad setting.
  std::string settings_problem;
};

// What the menu of programs is called on this desktop: the entry 开始菜单快捷方式 reads
// 应用程序菜单快捷方式 where there is no Start menu.
#if defined(_WIN32)
inline constexpr char kProgramsMenuName[] = "开始菜单";
#else
inline constexpr char kProgramsMenuName[] = "应用程序菜单";
#endif

// A timetable file's trouble from libzip or the system in the user's words ("不是 zip 文件",
// "缺少 meta.txt"); empty when there are none for it.
[[nodiscard]] QString ChineseFileDetail(const std::string& detail);

class TFrmPelory : public QWidget {
  Q_OBJECT
 public:
  explicit TFrmPelory(FrmPeloryDeps deps, QWidget* parent = nullptr);
  ~TFrmPelory() override;

  // ---- State the tests and the other windows read --------------------------------------
  [[nodiscard]] data::TimetableStore& Tables() { return *tables_; }
  [[nodiscard]] const query::QueryState& State() const { return state_; }
  [[nodiscard]] const query::ResultGrid& Result() const { return result_; }
  [[nodiscard]] bool NetConnected() const { return net_connected_; }
  [[nodiscard]] const QByteArray& AboutPageText() const { return about_page_text_; }
  [[nodiscard]] const QPixmap& Logo() const { return logo_; }
  [[nodiscard]] WebView& WebB(int i) { return *web_views_.at(static_cast<std::size_t>(i - 1)); }
  [[nodiscard]] GridView* SGrid() const { return sgrid_; }
  [[nodiscard]] QMenu* MAdvanced() const { return madvanced_; }
  // The open journey window, if any.
  [[nodiscard]] TFrmJourney* JourneyWindow() const;
  // The journey planner's network once built off this thread; nullptr until then.
  [[nodiscard]] std::shared_ptr<const journey::Network> JourneyNetwork() const {
    return journey_network_;
  }

 signals:
  // The journey network is built: the entries that open the journey window may be used.
  void JourneyNetworkReady();

 public slots:
  // Readiness notices, on this thread: KMPy loaded / KMTrain loaded.
  void OnPyReady();
  void OnTrainReady();
  // The version check's hand-overs.
  void OnNetConnected(bool online);
  void OnVersionMessage(const QString& text);

  // ---- Handlers ------------------------------------------------------------------------
  void BTNZZCXClick(int tag);  // tag 0: 查询, tag 1: 中转
  void BTNZZFXClick();
  void BTNCCCXClick();
  void BTNCZCXClick();
  void CBSFClick();
  void Lab1Click(int column);
  void ShowTrainDetail(int row);
  void ShowPanel(int panel);  // TB1Click … TB4Click: 1 … 4
  void MAdvancedPopup();
  void MPrintClick();
  void MExportClick();
  void MAboutClick();
  void MDesktopClick();
  void NStartClick();
  // 换乘方案…: the journey window for the 发站 and 到站 texts.
  void MJourneyClick();
  // 运行图…: the diagram window for the 发站 and 到站 texts (drawn at once when both are typed).
  void MDiagramClick();
  // 打开时刻表… and 使用内置示例时刻表 (frm_pelory_timetable.cpp); both remember the choice.
  void MOpenTimetableClick();
  void MSampleTimetableClick();
  // 前一天 / 后一天 and Ctrl+← / Ctrl+→: the 出发日期 moves by `days`, never out of the period.
  void MoveDate(int days);

 protected:
  // ComboFZKeyPress, ComboDZKeyPress, ComboCZKeyPress: Enter moves the focus on.
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The grid takes what the window grows by; closing remembers the window's place.
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // ---- Start-up (frm_pelory.cpp) -------------------------------------------------------
  void FormCreate();
  void LoadWindowImages();
  void LoadAboutPage();
  void StartVersionCheck();
  [[nodiscard]] QString AboutHtml() const;

  // ---- Which timetable answers (frm_pelory_timetable.cpp) -------------------------------
  // Opens `file` (nullopt: the built-in tables) and starts loading it in place of the tables
  // in hand. A file that cannot be used is reported; then the tables in hand stay, or at start
  // the built-in ones load. True when the file's tables are loading.
  bool UseTimetable(const std::optional<std::filesystem::path>& file, bool at_start);
  // Replaces the store and starts its loaders; notices of earlier stores are ignored.
  void StartTables(std::unique_ptr<data::TimetableFile> file, std::filesystem::path path);
  // The loaders of load `generation` have ended: a file whose tables did not all load gives way
  // to the built-in tables.
  void OnTablesFinished(int generation);
  void ShowTimetableProblem(const std::filesystem::path& file, const QString& reason,
                            const QString& detail, const QString& consequence);
  void RememberTimetable(const std::optional<std::filesystem::path>& file);
  void ShowSettingsProblem();

  // ---- The 出发日期 field (frm_pelory_date.cpp) -----------------------------------------
  void BuildDateField(QWidget* parent);
  // The tables' period bounds the field; the field shows the calendar's default day.
  void ApplyPeriod();
  // The day the queries answer for.
  [[nodiscard]] std::chrono::sys_days QueryDate() const;
  // The day the rows in the grid answer for (invalid before a query with a date).
  [[nodiscard]] QDate AnsweredDate() const;
  void ShowTimetableStatus();

  // ---- Layout (frm_pelory_layout.cpp) --------------------------------------------------
  void BuildWindow();
  void BuildTopStrip();
  void BuildResultArea(QWidget* p1);
  void BuildQueryBoxes(QWidget* p1);
  void BuildPartnerPanel(QWidget* p1msg);
  void BuildPages();
  void BuildStatusBar();
  void BuildMenu();
  void AnchorControls();
  // Alt+1/2/3 to the query boxes, F5 asks again, Ctrl+R reverses, Ctrl+P/S/J print, export and
  // plan journeys; each listed in its control's tip and on the help page.
  void BuildShortcuts();
  // F5: the last query again with the boxes as they are now.
  void RepeatQuery();
  QComboBox* MakeStationBox(QWidget* parent, const QString& name, int left, int top);
  // A link label that opens `address()` in the browser when clicked.
  QLabel* MakeLinkLabel(QWidget* parent, const QString& name, const QString& text, int left,
                        int top, QColor colour, bool bold, QString (*address)());

  // ---- Journeys (frm_pelory_journey.cpp) -----------------------------------------------
  void BuildJourneyEntry();
  // Starts building the journey network once the loaders have ended with KMTrain, KMList and
  // KMSM loaded.
  void StartJourneyNetwork();
  void OnJourneyNetwork(std::shared_ptr<const journey::Network> network);
  // Before the tables are replaced: the builder is joined and the network, which points into
  // them, is dropped; the entries wait for the next one.
  void DropJourneyNetwork();
  void OpenJourneyWindow();

  // ---- Handler helpers (frm_pelory_handlers.cpp) ---------------------------------------
  // Shows a failed check's message and moves the focus; true when the query must stop.
  bool StopsHere(const query::InputCheck& check);
  QMessageBox::StandardButton Ask(const query::QueryMessage& message);
  void StartQuery();  // unchecks the filters, ClearResultGrid, empties TransferStation
  void ShowResults();
  void RefreshResultGrid();
  void ShowTransferChooser();
  void ShowTripCities(const query::TripCities& cities);
  void ComboFZChange(QComboBox* box);
  // Writes the launcher into the desktop (kNoSpecialFolder) or the applications menu and says
  // where it went, or that it could not.
  void MakeShortcut(int special_folder, const QString& where);
  // The last query's words as the print head shows them: "北京 → 上海", "车次 G1", "车站 北京".
  [[nodiscard]] QString QueryTitle() const;
  // A note in the status bar's last panel for a while (an export's confirmation).
  void ShowStatusNote(const QString& text);
  [[nodiscard]] query::ResultFilters Filters() const;
  [[nodiscard]] std::string BoxText(const QComboBox* box) const;

  FrmPeloryDeps deps_;
  // The open timetable file and the registry of its tables (null for the built-in tables);
  // declared before tables_, whose loaders read them.
  std::unique_ptr<data::TimetableFile> timetable_;
  std::filesystem::path timetable_path_;
  data::ResourceRegistry timetable_registry_;
  int load_generation_ = 0;
  std::unique_ptr<data::TimetableStore> tables_;
  std::unique_ptr<net::TThreadNet> net_thread_;
  query::QueryState state_;
  query::ResultGrid result_;
  bool net_connected_ = false;
  QByteArray about_page_text_;  // GBK, as the resource holds it
  QPixmap logo_;
  QPixmap update_glyph_;
  std::vector<QPixmap> image_list_big_;  // ImageListBig: b1 … b12
  std::unique_ptr<Anchors> anchors_;
  QStringList query_words_;  // the boxes' words of the last query, for print and file names
  int status_note_ = 0;
  std::unique_ptr<ColumnBand> result_band_;

  // Controls (owned by Qt's parent tree).
  std::array<QToolButton*, 4> tool_buttons_{};
  QButtonGroup* tool_group_ = nullptr;
  std::array<QWidget*, 4> panels_{};
  std::vector<std::unique_ptr<WebView>> web_views_;
  WebRightClickFilter* right_click_filter_ = nullptr;
  GridView* sgrid_ = nullptr;
  std::vector<HeaderLabel*> headers_;
  QComboBox* combo_fz_ = nullptr;
  QComboBox* combo_dz_ = nullptr;
  QComboBox* combo_cz_ = nullptr;
  QLineEdit* ecc_ = nullptr;
  QDateEdit* date_edit_ = nullptr;
  QPushButton* btn_prev_day_ = nullptr;
  QPushButton* btn_next_day_ = nullptr;
  QPushButton* btn_zzcx_ = nullptr;
  QPushButton* btn_zzfx_ = nullptr;
  QPushButton* btn_zzzz_ = nullptr;
  QPushButton* btn_cccx_ = nullptr;
  QPushButton* btn_czcx_ = nullptr;
  QPushButton* btn_advanced_ = nullptr;
  QPushButton* btn_about_ = nullptr;
  QPushButton* btn_update_ = nullptr;
  QCheckBox* cbsf_ = nullptr;
  QCheckBox* cbzd_ = nullptr;
  QCheckBox* cbjq_ = nullptr;
  QCheckBox* cbdc_ = nullptr;
  QLabel* lab_result_ = nullptr;
  QLabel* lab_new_ = nullptr;
  QLabel* image_logo_ = nullptr;
  QFrame* p1msg_ = nullptr;
  std::array<QLabel*, 4> status_panels_{};
  QMenu* madvanced_ = nullptr;
  QAction* mprint_ = nullptr;
  QAction* mexport_ = nullptr;
  QAction* mjourney_ = nullptr;
  QAction* mdiagram_ = nullptr;
  std::shared_ptr<const journey::Network> journey_network_;
  bool journey_build_started_ = false;
  QPointer<TFrmJourney> journey_window_;
  // Builds the journey network; joined before the tables go.
  std::jthread journey_builder_;
  // Partner panel captions ShowTripCities writes.
  QLabel* lab_afz_ = nullptr;
  QLabel* lab_adz_ = nullptr;
  std::array<QLabel*, 3> labfd_{};
};

}  // namespace lanzhou::ui
