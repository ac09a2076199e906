#include "app/camera_check_window.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <cmath>
#include <vector>

#include "app/camera_chooser.h"
#include "app/label_colour.h"
#include "app/label_placement.h"
#include "app/latency_test_command.h"
#include "body/sensor/sensor_registry.h"
#include "state/body_vocabulary.h"

namespace {

constexpr int kPollInterval_ms = 5;  // well under a camera frame, so no frame goes uncounted
constexpr int64_t kFiguresInterval_ns = 250'000'000;

bool Placed(int32_t x, int32_t y) {
  return !(x == -1 && y == -1);
}

// The shape as the experimenter reads it: "unknown" rather than the export's "none".
QString ShapeWord(int32_t shape) {
  switch (shape) {
    case kHandRock:
      return CameraCheckWindow::tr("グー");
    case kHandScissors:
      return CameraCheckWindow::tr("チョキ");
    case kHandPaper:
      return CameraCheckWindow::tr("パー");
    default:
      return CameraCheckWindow::tr("不明");
  }
}

// The same colours as the joint markers on the stage.
QColor ShapeColour(int32_t shape) {
  return QColor::fromRgb(HandShapeColour(shape));
}

// Text on a dark box with its top left at `at` (centred on it when `centred`),
// moved down below the labels and panels already drawn (`taken`) that it would
// cover. A moved label keeps a line to `anchor`, the point it names, so that it
// is not read as belonging to whatever it landed beside.
void Label(QPainter& p, QPointF anchor, QPointF at, const QString& text, const QColor& colour,
           std::vector<QRectF>* taken, bool centred = false) {
  p.setPen(colour);  // also for the measuring: with no pen, text measures empty
  const QSizeF size = p.boundingRect(QRectF(0, 0, 800, 80), Qt::AlignLeft, text).size();
  if (centred) at -= QPointF(size.width() / 2, size.height());
  const QRectF wanted = QRectF(at, size).adjusted(-3, -1, 3, 1);
  const QRectF box = PlaceLabel(wanted, *taken);
  taken->push_back(box);
  if (box != wanted) {
    p.setPen(QPen(colour, 1.5));
    p.drawLine(anchor, QPointF(box.center().x(), box.top()));
    p.setPen(colour);
  }
  // Opaque: the text colours are made readable on black, and a bright picture
  // showing through would take that away.
  p.fillRect(box, Qt::black);
  p.drawText(box, Qt::AlignCenter, text);
}

}  // namespace

CameraCheckWindow::CameraCheckWindow(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("CameraCheck"));
  setWindowTitle(tr("カメラの確認"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint);
  setWindowModality(Qt::ApplicationModal);
  setAttribute(Qt::WA_OpaquePaintEvent);
  if (QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->availableGeometry());
  setWindowState(Qt::WindowMaximized);

  if (SelectedSensorBackendName() == "camera") {
    chooser_ = new CameraChooser(this);
    // The check shows the camera chosen: its sensor opened again on it.
    connect(chooser_, &CameraChooser::Chosen, this, [this] {
      StartSensor();
      PlaceChooser();
      update();
    });
  }
  StartSensor();
  poll_timer_.setTimerType(Qt::PreciseTimer);
  connect(&poll_timer_, &QTimer::timeout, this, &CameraCheckWindow::Tick);
  poll_timer_.start(kPollInterval_ms);
}

CameraCheckWindow::~CameraCheckWindow() {
  poll_timer_.stop();
  sensor_.reset();  // closes the sensor
}

void CameraCheckWindow::StartSensor() {
  sensor_.reset();  // one open sensor at a time
  sensor_ = std::make_unique<CameraCheckSensor>();
  latency_note_ = sensor_->open() ? QString::fromStdString(LatencyTestNote()) : QString();
  figures_ = sensor_->Figures(CameraCheckSensor::Now_ns());
  last_figures_ns_ = 0;
}

void CameraCheckWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  PlaceChooser();
}

// Top right, beside the figures.
void CameraCheckWindow::PlaceChooser() {
  if (!chooser_) return;
  const int w = std::min(chooser_->sizeHint().width(), std::max(200, width() / 2 - 24));
  chooser_->setGeometry(width() - w - 12, 12, w, chooser_->sizeHint().height());
}

void CameraCheckWindow::hideEvent(QHideEvent* event) {
  poll_timer_.stop();  // closed: nothing more to show
  QDialog::hideEvent(event);
}

int CameraCheckWindow::TrackedBodyCount() const {
  int count = 0;
  for (const TrackedBody& b : sensor_->bodies()) count += b.tracked != 0;
  return count;
}

void CameraCheckWindow::Tick() {
  const int64_t now = CameraCheckSensor::Now_ns();
  const bool changed = sensor_->Poll(now);
  if (now - last_figures_ns_ >= kFiguresInterval_ns) {
    last_figures_ns_ = now;
    figures_ = sensor_->Figures(now);
    const int bodies = TrackedBodyCount();
    setWindowTitle(bodies == 1 ? tr("カメラの確認: 追跡中の体 1 人")
                               : tr("カメラの確認: 追跡中の体 %1 人").arg(bodies));
    update();
  } else if (changed) {
    update();
  }
}

void CameraCheckWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::black);
  p.setRenderHint(QPainter::Antialiasing);

  // The picture as large as the window allows, 16:9.
  const double scale = std::min(width() / double(kPictureWidth), height() / double(kPictureHeight));
  const QRectF area((width() - kPictureWidth * scale) / 2, (height() - kPictureHeight * scale) / 2,
                    kPictureWidth * scale, kPictureHeight * scale);
  if (sensor_->has_picture() && sensor_->picture() != nullptr) {
    const QImage picture(reinterpret_cast<const uchar*>(sensor_->picture()), kPictureWidth,
                         kPictureHeight, kPictureWidth * 4, QImage::Format_RGB32);
    p.drawImage(area, picture);
  }
  const auto at = [&](int32_t x, int32_t y) {
    return QPointF(area.left() + x * scale, area.top() + y * scale);
  };

  // The figures, top left, and what stands against a session.
  const CameraCheckFigures& f = figures_;
  QStringList lines;
  lines << tr("追跡中の体: %1").arg(TrackedBodyCount());
  lines << tr("カメラの画像: 毎秒 %1 枚").arg(f.pictures_per_second, 0, 'f', 1);
  lines << tr("壊れていて除いた画像: %1").arg(f.pictures_dropped);
  lines << tr("体のフレーム: 毎秒 %1 回").arg(f.body_frames_per_second, 0, 'f', 1);
  lines << (f.capture_to_body_ms
                ? tr("撮影から体のフレームまで: %1 ms").arg(*f.capture_to_body_ms, 0, 'f', 0)
                : tr("撮影から体のフレームまで: 不明"));
  lines << (f.tracked_share ? tr("体を追跡できたフレーム: %1 %（直近 %2 秒）")
                                  .arg(*f.tracked_share * 100, 0, 'f', 0)
                                  .arg(f.seconds, 0, 'f', 0)
                            : tr("体を追跡できたフレーム: まだありません"));
  if (!latency_note_.isEmpty()) lines << latency_note_;
  const QFont label_font = p.font();
  QFont panel_font = p.font();
  panel_font.setPixelSize(18);
  p.setFont(panel_font);
  const QString problem = QString::fromStdString(sensor_->Problem());
  const bool ready = f.problems.empty() && problem.isEmpty();
  QStringList verdict;
  if (!problem.isEmpty()) verdict << problem;
  if (chooser_ && !chooser_->problem().isEmpty()) verdict << chooser_->problem();
  for (const std::string& s : f.problems) verdict << QString::fromStdString(s);
  if (ready) verdict << tr("準備ができました。実験を始められます。");
  const QString panel_text = lines.join('\n') + "\n" + verdict.join('\n');
  const QRectF box = p.boundingRect(QRectF(12, 12, std::min(width() - 24, 760), 2000),
                                    Qt::AlignLeft | Qt::TextWordWrap, panel_text)
                         .adjusted(-8, -6, 8, 6);

  // Labels keep clear of the panel, which is drawn over the picture last.
  QFont font = label_font;
  font.setPixelSize(std::max(12, static_cast<int>(16 * scale)));
  p.setFont(font);
  std::vector<QRectF> labels{box};
  for (const TrackedBody& b : sensor_->bodies()) {
    if (!b.tracked) continue;
    p.setPen(QPen(QColor::fromRgb(kJointMarkerColour), std::max(2.0, 3 * scale)));
    for (const BodyJoint& joint : kBodyJoints) {
      const BodyJoint& parent = kBodyJoints[joint.parent];
      if (&parent == &joint) continue;  // the spine base: no bone of its own
      const int32_t ax = b.*joint.x, ay = b.*joint.y, bx = b.*parent.x, by = b.*parent.y;
      if (Placed(ax, ay) && Placed(bx, by)) p.drawLine(at(ax, ay), at(bx, by));
    }
    const std::array<float, 2> confidence = sensor_->HandConfidence(b.id);
    const struct {
      int32_t x, y, shape;
      QString side;
      float confidence;
    } hands[] = {{b.hand_lx, b.hand_ly, b.hand_l, tr("左"), confidence[0]},
                 {b.hand_rx, b.hand_ry, b.hand_r, tr("右"), confidence[1]}};
    for (const auto& h : hands) {
      if (!Placed(h.x, h.y)) continue;
      const QColor colour = ShapeColour(h.shape);
      p.setPen(Qt::NoPen);
      p.setBrush(colour);
      p.drawEllipse(at(h.x, h.y), 9 * scale, 9 * scale);
      QString text = h.side + ' ' + ShapeWord(h.shape);
      if (h.shape == kHandRock || h.shape == kHandScissors || h.shape == kHandPaper)
        text += QStringLiteral(" %1 %").arg(std::lround(h.confidence * 100));
      Label(p, at(h.x, h.y), at(h.x, h.y) + QPointF(10 * scale, 4 * scale), text,
            ReadableOnBlack(colour), &labels);
    }
    if (Placed(b.head_x, b.head_y)) {
      Label(p, at(b.head_x, b.head_y), at(b.head_x, b.head_y) - QPointF(0, 30 * scale),
            QStringLiteral("ID %1\n%2 m").arg(b.id).arg(b.head_dist, 0, 'f', 2), Qt::white, &labels,
            /*centred=*/true);
    }
  }

  p.setFont(panel_font);
  p.fillRect(box, QColor(0, 0, 0, 190));
  p.setPen(Qt::white);
  p.drawText(box.adjusted(8, 6, -8, -6), Qt::AlignLeft | Qt::TextWordWrap, lines.join('\n'));
  const QRectF used = p.boundingRect(box.adjusted(8, 6, -8, -6), Qt::AlignLeft | Qt::TextWordWrap,
                                     lines.join('\n'));
  p.setPen(ready ? QColor(80, 220, 120) : QColor(255, 176, 0));
  p.drawText(QRectF(used.left(), used.bottom(), box.width() - 16, box.bottom() - used.bottom()),
             Qt::AlignLeft | Qt::TextWordWrap, verdict.join('\n'));
  p.setPen(QColor(180, 180, 180));
  p.drawText(rect().adjusted(12, 0, -12, -8), Qt::AlignBottom | Qt::AlignRight,
             tr("Esc でカメラの確認を閉じます。何も記録しません。"));
}
