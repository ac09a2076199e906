#include "app/main_frame.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QToolTip>
#include <QUrl>
#include <cstdio>

#include "app/about_box.h"
#include "app/camera_check_window.h"
#include "app/latency_summary_window.h"
#include "app/qt_message_box.h"
#include "state/message_box.h"
#include "state/program_state.h"
#include "app/resource_ids.h"
#include "latency/flash_plan.h"
#include "stage/input_latch.h"
#include "stage/touch_wnd.h"

namespace {

// The client area: black, with the frame's line of text; a left press starts a run.
class FrameClient : public QWidget {
 public:
  explicit FrameClient(CMainFrame* frame) : QWidget(frame), frame_(frame) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setObjectName(QStringLiteral("FrameClient"));
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    frame_->OnPaint(painter, rect());
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) {
      frame_->OnLButtonDown(0, event->position().toPoint());
      return;
    }
    QWidget::mousePressEvent(event);
  }

 private:
  CMainFrame* frame_;
};

QScreen* PrimaryScreen() {
  return QGuiApplication::primaryScreen();
}

}  // namespace

CMainFrame::CMainFrame() {
  QScreen* screen = PrimaryScreen();
  const qreal ratio = screen->devicePixelRatio();
  screen_width = static_cast<int32_t>(qRound(screen->geometry().width() * ratio));
  screen_height = static_cast<int32_t>(qRound(screen->geometry().height() * ratio));

  setObjectName(QString::fromStdString(window_class));
  setWindowTitle(QStringLiteral("DirectDraw Application"));
  // A caption with a close box only: no minimise or maximise box.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFocusPolicy(Qt::StrongFocus);
  setCentralWidget(new FrameClient(this));
  BuildMenu();
  // The frame's own text says nothing of how to begin; this line does.
  auto* hint = new QLabel(this);
  hint->setObjectName("start_hint");
  statusBar()->addWidget(hint);
  RetranslateUi();
  setGeometry(ScreenRect());
  // The stage exists only during a run or the latency test.
  experiment_window.SetCloseRequestHandler([this] { SayEndRunFirst(); });
}

CMainFrame::~CMainFrame() {
  experiment_window.SetCloseRequestHandler(nullptr);
}

void CMainFrame::BuildMenu() {
  struct MenuItem {
    const char* popup;
    const char* item;
    const char* symbol;
    int32_t command_id;
    void (CMainFrame::*handler)();
  };
  static constexpr MenuItem kMenu[] = {
      {"&File", "E&xit", "ID_FILE_EXIT", ID_FILE_EXIT, &CMainFrame::OnFileExit},
      {"&Experiment", "&Start", "ID_EXPERIMENT_START", ID_EXPERIMENT_START,
       &CMainFrame::OnExperimentStart},
      {"&Experiment", "&Camera check", "ID_EXPERIMENT_CAMERA_CHECK", ID_EXPERIMENT_CAMERA_CHECK,
       &CMainFrame::OnCameraCheck},
      {"&Experiment", "&Latency test", "ID_EXPERIMENT_LATENCY_TEST", ID_EXPERIMENT_LATENCY_TEST,
       &CMainFrame::OnLatencyTest},
      {"&Experiment", "&Open data folder", "ID_EXPERIMENT_OPEN_DATA_FOLDER",
       ID_EXPERIMENT_OPEN_DATA_FOLDER, &CMainFrame::OnOpenDataFolder},
      {"&Help", "&About", "ID_HELP_ABOUT", ID_HELP_ABOUT, &CMainFrame::OnHelpAbout},
  };
  menuBar()->setProperty(kControlIdProperty, IDR_MAINFRAME);
  QMenu* popup = nullptr;
  for (const MenuItem& m : kMenu) {
    // Items of one pop-up follow one another in the table.
    if (popup == nullptr || popup->title() != QString::fromUtf8(m.popup))
      popup = menuBar()->addMenu(QString::fromUtf8(m.popup));
    QAction* action = popup->addAction(QString::fromUtf8(m.item));
    action->setObjectName(QString::fromUtf8(m.symbol));
    action->setData(m.command_id);
    const auto handler = m.handler;
    // Through a member pointer, so a virtual handler dispatches to an override.
    connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
  }
  BuildLanguageMenu();
}

void CMainFrame::BuildLanguageMenu() {
  struct LanguageItem {
    const char* name;  // each in its own language, so either can be found
    const char* symbol;
    UiLanguage language;
  };
  static constexpr LanguageItem kLanguages[] = {
      {"日本語", "language_ja", UiLanguage::kJapanese},
      {"English", "language_en", UiLanguage::kEnglish},
  };
  QMenu* menu = menuBar()->addMenu(QStringLiteral("Language"));
  menu->setObjectName(QStringLiteral("language_menu"));
  auto* group = new QActionGroup(menu);
  for (const LanguageItem& item : kLanguages) {
    QAction* action = menu->addAction(QString::fromUtf8(item.name));
    action->setObjectName(QString::fromUtf8(item.symbol));
    action->setCheckable(true);
    action->setChecked(CurrentUiLanguage() == item.language);
    group->addAction(action);
    const UiLanguage language = item.language;
    connect(action, &QAction::triggered, this, [this, language] { OnLanguage(language); });
  }
}

void CMainFrame::OnLanguage(UiLanguage language) {
  StoreUiLanguage(language);
  if (!ApplyUiLanguage(language)) {
    AfxMessageBox("The English texts could not be loaded; the program stays in Japanese.",
                  kMbIconExclamation);
  }
  RetranslateUi();
}

void CMainFrame::RetranslateUi() {
  findChild<QLabel*>(QStringLiteral("start_hint"))
      ->setText(QCoreApplication::translate("CMainFrame", kStartHint));
  const QString code = QString::fromLatin1(UiLanguageCode(CurrentUiLanguage()));
  if (QAction* chosen = findChild<QAction*>(QStringLiteral("language_") + code))
    chosen->setChecked(true);
}

QAction* CMainFrame::CommandAction(int32_t command_id) const {
  for (QAction* action : findChildren<QAction*>()) {
    if (action->data().toInt() == command_id) return action;
  }
  return nullptr;
}

QRect CMainFrame::ScreenRect() const {
  return PrimaryScreen()->geometry();
}

void CMainFrame::OnPaint(QPainter& painter, const QRect& client) {
  painter.fillRect(client, Qt::black);
  painter.setPen(Qt::white);
  painter.setBackground(Qt::black);
  painter.setFont(font());
  painter.drawText(client, Qt::AlignCenter | Qt::TextSingleLine,
                   QStringLiteral("DirectDraw Sample Application"));
  PaintRunSummary(painter, client);
}

void CMainFrame::PaintRunSummary(QPainter& painter, const QRect& client) {
  if (last_run_summary_.lines.empty()) return;
  // A block of left-aligned lines, centred, starting two lines under the text.
  const QFontMetrics metrics(painter.font());
  int block_width = 0;
  for (const SummaryLine& line : last_run_summary_.lines) {
    block_width = std::max(block_width,
                           metrics.horizontalAdvance(QString::fromStdString(line.text)));
  }
  // A little room over the measured width: elision must only cut what does not fit.
  block_width = std::min(block_width + 8, client.width() - 20);
  int y = client.center().y() + 2 * metrics.lineSpacing();
  const int left = client.left() + (client.width() - block_width) / 2;
  for (const SummaryLine& line : last_run_summary_.lines) {
    painter.setPen(line.warning ? QColor(255, 176, 0) : QColor(200, 200, 200));
    const QString text = QString::fromStdString(line.text);
    painter.drawText(QRect(left, y, block_width, metrics.lineSpacing()),
                     Qt::AlignLeft | Qt::TextSingleLine,
                     metrics.elidedText(text, Qt::ElideMiddle, block_width));
    y += metrics.lineSpacing();
  }
}

void CMainFrame::ShowRunSummary(const RunSummary& summary) {
  last_run_summary_ = summary;
  centralWidget()->update();
}

void CMainFrame::OnCameraCheck() {
  // The check opens the sensor a run would use: never both at once.
  if (run_in_progress_) return;
  run_in_progress_ = true;
  {
    CameraCheckWindow check(this);
    check.exec();
  }
  run_in_progress_ = false;
  raise();
  activateWindow();
}

void CMainFrame::OnLatencyTest() {
  // The test opens the sensor and the stage a run would use.
  if (run_in_progress_) return;
  run_in_progress_ = true;
  const LatencyTestOutcome outcome = RunLatencyTestOnStage(windowHandle(), kDefaultFlashes);
  run_in_progress_ = false;
  std::printf("%s\n", LatencyOutcomeLines(outcome).back().c_str());
  std::fflush(stdout);
  raise();
  activateWindow();
  LatencySummaryWindow summary(this, outcome);
  summary.exec();
}

void CMainFrame::OnOpenDataFolder() {
  const QString folder = QDir::currentPath();
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder))) {
    AfxMessageBox(MessageText(QT_TRANSLATE_NOOP("Message",
                                                "ファイルマネージャーを開けませんでした。データフォルダは"
                                                "次の場所です:\n%1"),
                              {folder.toStdString()}),
                  kMbIconExclamation);
  }
}

void CMainFrame::OnKeyDown(uint32_t key, uint32_t /*repeat_count*/, uint32_t /*flags*/) {
  if (key != static_cast<uint32_t>(VK_ESCAPE)) return;
  // Back to the full screen rectangle (the outer frame, caption included) on top.
  const QMargins frame_margins(
      geometry().left() - frameGeometry().left(), geometry().top() - frameGeometry().top(),
      frameGeometry().right() - geometry().right(), frameGeometry().bottom() - geometry().bottom());
  setGeometry(ScreenRect().marginsRemoved(frame_margins));
  show();
  raise();
  update();
  centralWidget()->update();
}

void CMainFrame::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    OnKeyDown(VK_ESCAPE, event->isAutoRepeat() ? 2 : 1, 0);
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void CMainFrame::OnLButtonDown(uint32_t /*flags*/, const QPoint& /*point*/) {
  OnExperimentStart();
}

void CMainFrame::OnFileExit() {
  close();
}

void CMainFrame::OnHelpAbout() {
  AboutBox about(this);
  about.exec();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // A run writes its result files before anything may end the program.
  if (run_in_progress_) {
    event->ignore();
    SayEndRunFirst();
    return;
  }
  QMainWindow::closeEvent(event);
}

void CMainFrame::SayEndRunFirst() {
  constexpr int kShown_ms = 6000;
  const QString text = QCoreApplication::translate("CMainFrame", kEndRunFirst);
  statusBar()->showMessage(text, kShown_ms);
  // The stage covers this window during a run: a note over it, which takes
  // neither the keyboard (Esc must still reach the stage) nor the run's time.
  QToolTip::showText(PrimaryScreen()->geometry().center(), text, nullptr, QRect(), kShown_ms);
  std::fprintf(stderr, "tavelin2: %s\n", text.toUtf8().constData());
}
