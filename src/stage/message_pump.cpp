#include "stage/message_pump.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

namespace {

bool IsKeyOrMouse(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
      return true;
    default:
      return false;
  }
}

// Swallows key and mouse events on their way to any object.
class InputDropper : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (!IsKeyOrMouse(event->type())) return false;
    dropped = true;
    return true;
  }
  bool dropped = false;
};

constexpr int kMaxFlushRounds = 64;

}  // namespace

void PumpMessages() {
  if (QCoreApplication::instance() == nullptr) return;
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void FlushInput() {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return;
  InputDropper dropper;
  app->installEventFilter(&dropper);
  for (int round = 0; round < kMaxFlushRounds; ++round) {
    dropper.dropped = false;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (!dropper.dropped) break;
  }
  app->removeEventFilter(&dropper);
}
