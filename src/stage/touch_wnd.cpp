#include "stage/touch_wnd.h"

#include <QInputDevice>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QTouchEvent>
#include <cmath>
#include <vector>

#include "stage/key_codes.h"
#include "stage/latch_rules.h"

namespace {

bool TouchScreenPresent() {
  for (const QInputDevice* device : QInputDevice::devices()) {
    if (device->type() == QInputDevice::DeviceType::TouchScreen) return true;
  }
  return false;
}

uint32_t TouchFlags(QEventPoint::State state) {
  switch (state) {
    case QEventPoint::State::Pressed:
      return kTouchFlagDown;
    case QEventPoint::State::Released:
      return kTouchFlagUp;
    default:
      return kTouchFlagMove;
  }
}

}  // namespace

CTouchWnd::CTouchWnd() = default;

CTouchWnd::~CTouchWnd() {
  m_touchRegistered = 0;
  LatchClear(m_input);
}

void CTouchWnd::OnWindowCreated() {
  m_touchReady = TouchScreenPresent() ? 1 : 0;
  m_touchRegistered = 0;
}

void CTouchWnd::OnDestroy() {
  CDXWnd::OnDestroy();
  LatchWindowDestroyed(m_input);
}

void CTouchWnd::OnWindowActivated(bool active) {
  m_touchRegistered = TouchRegistrationAfterActivation(active, m_touchReady, m_touchRegistered);
}

void CTouchWnd::OnKeyEvent(QKeyEvent* event) {
  event->accept();
  if (event->type() == QEvent::KeyPress) {
    const int32_t vk =
        VirtualKeyFromQtKey(event->key(), (event->modifiers() & Qt::KeypadModifier) != 0);
    if (vk != 0) LatchKeyDown(m_input, vk);  // auto-repeat presses set it again
  } else if (event->type() == QEvent::KeyRelease && !event->isAutoRepeat()) {
    // X11 sends a release before every repeated press; a held key is not released.
    LatchKeyUp(m_input);
  }
}

void CTouchWnd::OnMouseEvent(QMouseEvent* event) {
  event->accept();
  // Touch turned into mouse events by Qt is already in the latch as touch.
  if (m_touchRegistered == 1 && event->pointingDevice() != nullptr &&
      event->pointingDevice()->type() == QInputDevice::DeviceType::TouchScreen) {
    return;
  }
  const double ratio = PixelRatio();
  const int32_t x = static_cast<int32_t>(std::trunc(event->position().x() * ratio));
  const int32_t y = static_cast<int32_t>(std::trunc(event->position().y() * ratio));
  const Qt::MouseButton button = event->button();
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      if (button == Qt::LeftButton) LatchButtonDown(m_input, MouseButton::kLeft, x, y);
      if (button == Qt::RightButton) LatchButtonDown(m_input, MouseButton::kRight, x, y);
      break;
    case QEvent::MouseButtonRelease:
      if (button == Qt::LeftButton) LatchButtonUp(m_input, MouseButton::kLeft);
      if (button == Qt::RightButton) LatchButtonUp(m_input, MouseButton::kRight);
      break;
    case QEvent::MouseMove:
      LatchMouseMove(m_input, x, y);
      break;
    default:
      break;
  }
}

void CTouchWnd::OnTouchEvent(QTouchEvent* event) {
  if (m_touchRegistered != 1) {
    event->ignore();  // Qt makes mouse events of it
    return;
  }
  event->accept();
  std::vector<TouchRecord> records;
  if (event->type() == QEvent::TouchCancel) {
    // The system took the contacts away: every one tracked so far is lifted.
    records = m_input.inputs;
    for (TouchRecord& r : records) r.flags = kTouchFlagUp;
    if (records.empty()) records.push_back(TouchRecord{0, 0, 0, kTouchFlagUp});
  } else {
    const double ratio = PixelRatio();
    for (const QEventPoint& point : event->points()) {
      // Hundredths of a physical screen pixel.
      const QPointF p = point.globalPosition() * ratio * 100.0;
      records.push_back(TouchRecord{static_cast<int32_t>(std::trunc(p.x())),
                                    static_cast<int32_t>(std::trunc(p.y())),
                                    static_cast<uint32_t>(point.id()), TouchFlags(point.state())});
    }
  }
  LatchTouch(m_input, records);
}
