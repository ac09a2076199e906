#pragma once
// Acting on modal dialogs from a test: the action runs inside the dialog's own
// event loop as soon as the dialog is up.

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

// Polls until a modal widget is active, then calls `act` with it once.
inline void WhenModalShown(std::function<void(QWidget*)> act, int attempts = 500) {
  QTimer::singleShot(10, [act = std::move(act), attempts]() mutable {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal->isVisible()) {
      act(modal);
    } else if (attempts > 0) {
      WhenModalShown(std::move(act), attempts - 1);
    }
  });
}
