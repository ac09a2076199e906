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

void ShowQtMessageBox(const std::string& text, const std::string& caption, uint32_t style) {
  // Owned by the active widget window; a bare QWindow (the stage window during a
  // run) becomes the box's transient parent so the box stays in front of it.
  QWidget* owner = QApplication::activeModalWidget();
  if (owner == nullptr) owner = QApplication::activeWindow();
  QMessageBox box(MessageBoxIconFor(style), QString::fromStdString(caption),
                  QString::fromStdString(text), QMessageBox::Ok, owner);
  box.setObjectName(QStringLiteral("MessageBox"));
  if (owner == nullptr) {
    if (QWindow* focus = QGuiApplication::focusWindow()) {
      box.winId();
      box.windowHandle()->setTransientParent(focus);
    }
    box.setWindowModality(Qt::ApplicationModal);
  }
  box.exec();
}

}  // namespace

void InstallQtMessageBoxHandler() {
  SetMessageBoxHandler(&ShowQtMessageBox);
}
