#include "app/qt_message_box.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWindow>

#include "state/message_box.h"

QMessageBox::Icon MessageBoxIconFor(uint32_t style) {
  switch (style & kMbIconMask) {
    case MB_ICONHAND:
      return QMessageBox::Critical;
    case kMbIconQuestion:
      return QMessageBox::Question;
    case kMbIconExclamation:
      return QMessageBox::Warning;
    case kMbIconAsterisk:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

namespace {

// Owned by the active widget window; a bare QWindow (the stage window during a
// run) becomes the box's transient parent so the box stays in front of it.
int ExecBox(QMessageBox::Icon icon, const std::string& text, const std::string& caption,
            QMessageBox::StandardButtons buttons,
            QMessageBox::StandardButton default_button = QMessageBox::NoButton,
            bool large_text = false) {
  QWidget* owner = QApplication::activeModalWidget();
  if (owner == nullptr) owner = QApplication::activeWindow();
  QMessageBox box(icon, QString::fromStdString(caption), QString::fromStdString(text), buttons,
                  owner);
  box.setObjectName(QStringLiteral("MessageBox"));
  if (large_text) {
    QFont font = box.font();
    font.setPixelSize(kLargeTextPixels);
    box.setFont(font);
  }
  if (default_button != QMessageBox::NoButton) box.setDefaultButton(default_button);
  if (owner == nullptr) {
    if (QWindow* focus = QGuiApplication::focusWindow()) {
      box.winId();
      box.windowHandle()->setTransientParent(focus);
    }
    box.setWindowModality(Qt::ApplicationModal);
  }
  return box.exec();
}

void ShowQtMessageBox(const std::string& text, const std::string& caption, uint32_t style) {
  ExecBox(MessageBoxIconFor(style), text, caption, QMessageBox::Ok, QMessageBox::NoButton,
          (style & kMbLargeText) != 0);
}

// No is the default button: Enter pressed without reading keeps things as they are.
bool AskQtQuestion(const std::string& text, const std::string& caption) {
  return ExecBox(QMessageBox::Question, text, caption, QMessageBox::Yes | QMessageBox::No,
                 QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace

void InstallQtMessageBoxHandler() {
  SetMessageBoxHandler(&ShowQtMessageBox);
  SetQuestionBoxHandler(&AskQtQuestion);
}
