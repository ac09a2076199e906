// The Qt message box handler behind ShowMessageBox / AfxMessageBox.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFontInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "app/qt_message_box.h"
#include "app/qt_trial_ports.h"
#include "modal_helper.h"
#include "state/message_box.h"

namespace {

TEST(QtMessageBoxTest, StyleSelectsTheIcon) {
  const struct {
    uint32_t style;
    QMessageBox::Icon icon;
  } cases[] = {
      {MB_OK, QMessageBox::NoIcon},
      {MB_ICONHAND, QMessageBox::Critical},
      {MB_OK | MB_ICONHAND, QMessageBox::Critical},
      {kMbIconQuestion, QMessageBox::Question},
      {kMbIconExclamation, QMessageBox::Warning},
      {kMbIconAsterisk, QMessageBox::Information},
  };
  for (const auto& c : cases) EXPECT_EQ(MessageBoxIconFor(c.style), c.icon) << c.style;
}

TEST(QtMessageBoxTest, ShowsAModalBoxAndReturnsWhenItIsClosed) {
  InstallQtMessageBoxHandler();
  QString caption, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int buttons = 0;
  WhenModalShown([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    caption = box->windowTitle();
    text = box->text();
    icon = box->icon();
    buttons = static_cast<int>(box->buttons().size());
    box->button(QMessageBox::Ok)->click();
  });
  ShowMessageBox("データファイルを開くことができません", "Score", MB_ICONHAND);
  EXPECT_EQ(caption, "Score");
  EXPECT_EQ(text, QString::fromUtf8("データファイルを開くことができません"));
  EXPECT_EQ(icon, QMessageBox::Critical);
  EXPECT_EQ(buttons, 1);

  // AfxMessageBox captions the box with the program's name.
  WhenModalShown([&](QWidget* modal) {
    caption = modal->windowTitle();
    static_cast<QMessageBox*>(modal)->button(QMessageBox::Ok)->click();
  });
  AfxMessageBox("x");
  EXPECT_EQ(caption, kApplicationName);
  SetMessageBoxHandler(nullptr);
}

// The score box is read from across the room; other boxes keep the usual type.
TEST(QtMessageBoxTest, TheScoreBoxTextIsLarge) {
  InstallQtMessageBoxHandler();
  for (const bool score : {true, false}) {
    int pixels = 0;
    WhenModalShown([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      ASSERT_NE(box, nullptr);
      const QLabel* label = box->findChild<QLabel*>("qt_msgbox_label");
      ASSERT_NE(label, nullptr);
      pixels = QFontInfo(label->font()).pixelSize();
      box->button(QMessageBox::Ok)->click();
    });
    if (score) {
      QtHostPort().ShowScore("5", "Score");
      EXPECT_GE(pixels, kLargeTextPixels - 1);
    } else {
      ShowMessageBox("5", "Score", MB_OK);
      EXPECT_LT(pixels, 24);
    }
  }
  SetMessageBoxHandler(nullptr);
}

TEST(QtMessageBoxTest, QuestionsAnswerYesOnlyForYesAndDefaultToNo) {
  InstallQtMessageBoxHandler();
  for (QMessageBox::StandardButton pressed : {QMessageBox::Yes, QMessageBox::No}) {
    QMessageBox::StandardButton default_button = QMessageBox::NoButton;
    WhenModalShown([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      ASSERT_NE(box, nullptr);
      default_button = box->standardButton(box->defaultButton());
      box->button(pressed)->click();
    });
    EXPECT_EQ(AskYesNo("上書きしますか？"), pressed == QMessageBox::Yes);
    EXPECT_EQ(default_button, QMessageBox::No);
  }
  SetMessageBoxHandler(nullptr);
  SetQuestionBoxHandler(nullptr);
}

}  // namespace
