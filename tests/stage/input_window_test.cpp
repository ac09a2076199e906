// Qt events reaching the stage window's input latch, on the offscreen platform.

#include <gtest/gtest.h>

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QTouchEvent>

#include "stage/cursor_control.h"
#include "stage/key_codes.h"
#include "stage/message_pump.h"
#include "stage/touch_wnd.h"

namespace {

class InputWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(stage.CreateEx("Experiment Window", 0, 0, 800, 600)); }
  void TearDown() override { stage.DestroyWindow(); }

  void Send(QEvent& event) { QGuiApplication::sendEvent(stage.GetWindow(), &event); }
  void Key(QEvent::Type type, int key, bool repeat = false) {
    QKeyEvent event(type, key, Qt::NoModifier, QString(), repeat);
    Send(event);
  }
  void Mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPointF at) {
    QMouseEvent event(type, at, at, button, held, Qt::NoModifier);
    Send(event);
  }

  CTouchWnd stage;
};

TEST_F(InputWindowTest, KeyEventsReachTheLatchAsVirtualKeys) {
  Key(QEvent::KeyPress, Qt::Key_M);
  EXPECT_EQ(stage.m_input.key, 77);
  // X11 reports a held key as release + press pairs marked auto-repeat.
  Key(QEvent::KeyRelease, Qt::Key_M, true);
  EXPECT_EQ(stage.m_input.key, 77);
  Key(QEvent::KeyRelease, Qt::Key_M);
  EXPECT_EQ(stage.m_input.key, 0);
  Key(QEvent::KeyPress, Qt::Key_Escape);
  EXPECT_EQ(stage.m_input.key, VK_ESCAPE);
  Key(QEvent::KeyRelease, Qt::Key_Space);  // any key going up clears it
  EXPECT_EQ(stage.m_input.key, 0);
}

TEST_F(InputWindowTest, MousePressesMovesAndReleasesFollowTheLatchRules) {
  Mouse(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, {12, 34});
  EXPECT_EQ(stage.m_input.buttons, 2u);
  EXPECT_EQ(stage.m_input.down, 1);
  Mouse(QEvent::MouseMove, Qt::NoButton, Qt::RightButton, {56, 78});
  EXPECT_EQ(stage.m_input.buttons, 3u);
  ASSERT_EQ(stage.m_input.point_count, 1);
  EXPECT_EQ(stage.m_input.points[0].x, 56);
  EXPECT_EQ(stage.m_input.points[0].y, 78);
  Mouse(QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, {56, 78});
  EXPECT_EQ(stage.m_input.buttons, 1u);
  EXPECT_EQ(stage.m_input.down, 0);
  Mouse(QEvent::MouseButtonPress, Qt::MiddleButton, Qt::MiddleButton, {1, 1});
  EXPECT_EQ(stage.m_input.down, 0);  // only left and right count
}

TEST_F(InputWindowTest, TouchGoesToTheLatchOnlyWhileRegistered) {
  QPointingDevice screen("test touch screen", 1001, QInputDevice::DeviceType::TouchScreen,
                         QPointingDevice::PointerType::Finger, QInputDevice::Capability::Position,
                         10, 0);
  auto touch = [&](QEventPoint::State state, QPointF at) {
    QEventPoint point(1, state, at, at);
    QTouchEvent event(state == QEventPoint::State::Pressed    ? QEvent::TouchBegin
                      : state == QEventPoint::State::Released ? QEvent::TouchEnd
                                                              : QEvent::TouchUpdate,
                      &screen, Qt::NoModifier, {point});
    Send(event);
    return event.isAccepted();
  };

  stage.m_touchReady = 0;
  stage.m_touchRegistered = 0;
  EXPECT_FALSE(touch(QEventPoint::State::Pressed, {100.5, 200.25}));
  EXPECT_EQ(stage.m_input.down, 0);

  // Activation registers touch only when a touch screen is present.
  QFocusEvent focus_in(QEvent::FocusIn);
  Send(focus_in);
  EXPECT_EQ(stage.m_touchRegistered, 0);
  stage.m_touchReady = 1;
  Send(focus_in);
  EXPECT_EQ(stage.m_touchRegistered, 1);

  EXPECT_TRUE(touch(QEventPoint::State::Pressed, {100.5, 200.25}));
  EXPECT_EQ(stage.m_input.down, 1);
  EXPECT_EQ(stage.m_input.touching, 1);
  ASSERT_EQ(stage.m_input.input_count, 1);
  EXPECT_EQ(stage.m_input.inputs[0].x, 10050);  // hundredths of a pixel
  EXPECT_EQ(stage.m_input.inputs[0].flags, kTouchFlagDown);
  ASSERT_EQ(stage.m_input.point_count, 1);
  EXPECT_EQ(stage.m_input.points[0].x, 100);
  EXPECT_EQ(stage.m_input.points[0].y, 200);

  EXPECT_TRUE(touch(QEventPoint::State::Released, {100.5, 200.25}));
  EXPECT_EQ(stage.m_input.down, 0);
  EXPECT_EQ(stage.m_input.touching, 0);

  QFocusEvent focus_out(QEvent::FocusOut);
  Send(focus_out);
  EXPECT_EQ(stage.m_touchRegistered, 0);
}

// Events still queued: the trial loop's pump delivers them, a flush drops them.
TEST_F(InputWindowTest, PumpDeliversQueuedInputAndFlushDropsIt) {
  auto post_key = [&](int key) {
    QCoreApplication::postEvent(stage.GetWindow(),
                                new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
  };
  post_key(Qt::Key_M);
  QCoreApplication::postEvent(
      stage.GetWindow(), new QMouseEvent(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5),
                                         Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
  FlushInput();
  EXPECT_EQ(stage.m_input.key, 0);
  EXPECT_EQ(stage.m_input.down, 0);

  post_key(Qt::Key_M);
  EXPECT_EQ(stage.m_input.key, 0);  // nothing arrives between pumps
  PumpMessages();
  EXPECT_EQ(stage.m_input.key, 77);
}

TEST(CursorControl, HiddenForTheRunAndShownAgainOnce) {
  EXPECT_FALSE(CursorHiddenForRun());
  ShowCursorAfterRun();  // not hidden: nothing to restore
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

  HideCursorForRun();
  HideCursorForRun();  // a second hide does not stack
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BlankCursor);
  ShowCursorAfterRun();
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_FALSE(CursorHiddenForRun());
}

TEST(CursorControl, MovesTheCursorInScreenPixels) {
  SetCursorScreenPos(321, 123);
  int32_t x = 0, y = 0;
  ASSERT_TRUE(GetCursorScreenPos(x, y));
  EXPECT_EQ(x, 321);
  EXPECT_EQ(y, 123);
}

TEST(KeyCodes, QtKeysMapOntoVirtualKeys) {
  struct Case {
    int qt_key;
    bool keypad;
    int32_t vk;
  };
  for (const Case& c :
       {Case{Qt::Key_Escape, false, 27}, Case{Qt::Key_M, false, 77}, Case{Qt::Key_Space, false, 32},
        Case{Qt::Key_A, false, 'A'}, Case{Qt::Key_Z, false, 'Z'}, Case{Qt::Key_0, false, '0'},
        Case{Qt::Key_9, false, '9'}, Case{Qt::Key_Exclam, false, '1'}, Case{Qt::Key_F1, false, 112},
        Case{Qt::Key_Left, false, 37}, Case{Qt::Key_Return, false, 13}, Case{Qt::Key_5, true, 101},
        Case{Qt::Key_Minus, false, 189}, Case{Qt::Key_Minus, true, 109},
        Case{Qt::Key_unknown, false, 0}, Case{Qt::Key_Hiragana, false, 0}}) {
    EXPECT_EQ(VirtualKeyFromQtKey(c.qt_key, c.keypad), c.vk) << std::hex << c.qt_key;
  }
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
