#include "app/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "app/about_box.h"
#include "state/program_state.h"
#include "app/resource_ids.h"
#include "stage/input_latch.h"

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
  setGeometry(ScreenRect());
}

CMainFrame::~CMainFrame() = default;

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
      {"&Help", "&About", "ID_HELP_ABOUT", ID_HELP_ABOUT, &CMainFrame::OnHelpAbout},
  };
  menuBar()->setProperty(kControlIdProperty, IDR_MAINFRAME);
  for (const MenuItem& m : kMenu) {
    QMenu* popup = menuBar()->addMenu(QString::fromUtf8(m.popup));
    QAction* action = popup->addAction(QString::fromUtf8(m.item));
    action->setObjectName(QString::fromUtf8(m.symbol));
    action->setData(m.command_id);
    const auto handler = m.handler;
    // Through a member pointer, so a virtual handler dispatches to an override.
    connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
  }
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
    return;
  }
  QMainWindow::closeEvent(event);
}
