// The main frame: menu commands, about box, Esc, left click, painting.

#include <gtest/gtest.h>

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "app/about_box.h"
#include "app/main_frame.h"
#include "state/program_state.h"
#include "app/resource_ids.h"
#include "modal_helper.h"

namespace {

class CountingFrame : public CMainFrame {
 public:
  void OnExperimentStart() override { ++starts; }
  int starts = 0;
};

class MainFrameTest : public testing::Test {
 protected:
  struct FreshState {
    FreshState() { ResetProgramState(); }
  };
  void SetUp() override {
    frame.showMaximized();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
  }
  FreshState fresh_state;  // before the frame, which sets the screen size
  CountingFrame frame;
};

TEST_F(MainFrameTest, TitleCaptionAndScreenSize) {
  EXPECT_EQ(frame.windowTitle(), "DirectDraw Application");
  const Qt::WindowFlags flags = frame.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);

  QScreen* screen = QGuiApplication::primaryScreen();
  EXPECT_EQ(screen_width, qRound(screen->geometry().width() * screen->devicePixelRatio()));
  EXPECT_EQ(screen_height, qRound(screen->geometry().height() * screen->devicePixelRatio()));
  EXPECT_GT(screen_width, 0);
}

TEST_F(MainFrameTest, MenuHasItsPopupsWithTheirCommands) {
  struct Expected {
    QString item, symbol;
    int id;
  };
  const std::vector<std::pair<QString, std::vector<Expected>>> expected = {
      {"&File", {{"E&xit", "ID_FILE_EXIT", 40001}}},
      {"&Experiment",
       {{"&Start", "ID_EXPERIMENT_START", 40005},
        {"&Camera check", "ID_EXPERIMENT_CAMERA_CHECK", 40006},
        {"&Latency test", "ID_EXPERIMENT_LATENCY_TEST", 40008},
        {"&Open data folder", "ID_EXPERIMENT_OPEN_DATA_FOLDER", 40007}}},
      {"&Help", {{"&About", "ID_HELP_ABOUT", 40002}}},
  };
  const QList<QAction*> popups = frame.menuBar()->actions();
  // The commands' three, then the Language menu (tested with the languages).
  ASSERT_EQ(popups.size(), 4);
  EXPECT_EQ(popups[3]->text(), "Language");
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(expected[i].first.toStdString());
    EXPECT_EQ(popups[i]->text(), expected[i].first);
    ASSERT_NE(popups[i]->menu(), nullptr);
    const QList<QAction*> items = popups[i]->menu()->actions();
    ASSERT_EQ(items.size(), static_cast<qsizetype>(expected[i].second.size()));
    for (size_t k = 0; k < expected[i].second.size(); ++k) {
      const Expected& e = expected[i].second[k];
      EXPECT_EQ(items[k]->text(), e.item);
      EXPECT_EQ(items[k]->objectName(), e.symbol);
      EXPECT_EQ(items[k]->data().toInt(), e.id);
      EXPECT_EQ(frame.CommandAction(e.id), items[k]);
    }
  }
}

TEST_F(MainFrameTest, StartCommandAndLeftClickStartAnExperiment) {
  frame.CommandAction(ID_EXPERIMENT_START)->trigger();
  EXPECT_EQ(frame.starts, 1);

  QWidget* client = frame.centralWidget();
  QTest::mouseClick(client, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(frame.starts, 2);
  QTest::mouseClick(client, Qt::LeftButton, {}, client->rect().bottomRight() - QPoint(5, 5));
  EXPECT_EQ(frame.starts, 3);
  QTest::mouseClick(client, Qt::RightButton, {}, client->rect().center());
  EXPECT_EQ(frame.starts, 3);
}

TEST_F(MainFrameTest, StatusLineSaysHowARunStarts) {
  auto* hint = frame.findChild<QLabel*>("start_hint");
  ASSERT_NE(hint, nullptr);
  EXPECT_TRUE(hint->isVisible());
  EXPECT_EQ(hint->text().toStdString(), kStartHint);
  EXPECT_NE(hint->text().indexOf("start a run"), -1);
}

TEST_F(MainFrameTest, AboutBoxShowsItsTextAndClosesWithOk) {
  QString title, text, version;
  bool ok_is_default = false;
  int id = 0;
  WhenModalShown([&](QWidget* modal) {
    title = modal->windowTitle();
    id = modal->property(kControlIdProperty).toInt();
    if (auto* label = modal->findChild<QLabel*>()) text = label->text();
    if (auto* label = modal->findChild<QLabel*>("version")) version = label->text();
    auto* ok = modal->findChild<QPushButton*>("IDOK");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_EQ(ok->property(kControlIdProperty).toInt(), IDOK);
    ok_is_default = ok->isDefault();
    ok->click();
  });
  frame.CommandAction(ID_HELP_ABOUT)->trigger();  // returns once the box is closed
  EXPECT_EQ(title, "About this application");
  EXPECT_EQ(text, "Windows Test Program (v0.01)");
  EXPECT_EQ(version, AboutVersionText());
  EXPECT_TRUE(version.startsWith("tavelin2 ") && version.size() > 9) << version.toStdString();
  EXPECT_EQ(id, IDD_ABOUTBOX);
  EXPECT_TRUE(ok_is_default);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainFrameTest, EscapeRestoresTheScreenRectangle) {
  frame.showNormal();
  frame.setGeometry(40, 30, 300, 200);
  QTest::keyClick(&frame, Qt::Key_Escape);
  EXPECT_EQ(frame.frameGeometry(), frame.ScreenRect());
  EXPECT_TRUE(frame.isVisible());

  // Other keys leave the frame where it is.
  frame.setGeometry(40, 30, 300, 200);
  QTest::keyClick(&frame, Qt::Key_A);
  EXPECT_EQ(frame.geometry(), QRect(40, 30, 300, 200));
}

TEST_F(MainFrameTest, ExitClosesTheFrame) {
  frame.CommandAction(ID_FILE_EXIT)->trigger();
  EXPECT_FALSE(frame.isVisible());
}

TEST_F(MainFrameTest, ClientAreaIsBlackWithTheTextCentredInWhite) {
  QWidget* client = frame.centralWidget();
  const QImage image = client->grab().toImage();
  int left = image.width(), right = -1, top = image.height(), bottom = -1;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      if (qRed(p) > 128 && qGreen(p) > 128 && qBlue(p) > 128) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      } else {
        ASSERT_LE(qRed(p) + qGreen(p) + qBlue(p), 3 * 128) << "not dark at " << x << "," << y;
      }
    }
  }
  ASSERT_GE(right, 0) << "no text drawn";
  EXPECT_NEAR((left + right) / 2.0, image.width() / 2.0, 3.0);
  EXPECT_NEAR((top + bottom) / 2.0, image.height() / 2.0, 3.0);
  EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, 0u);
}

}  // namespace
