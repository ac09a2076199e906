#include "preview_sheet.h"

#include <QLinearGradient>
#include <QPainter>
#include <algorithm>
#include <cstdint>

namespace stimuli {
namespace {

constexpr int kMargin = 24;
constexpr int kZoom = 2;

// A dim room as a webcam sees it: wall, window, floor, a child in a dark
// jumper, and sensor noise.
void PaintRoom(QPainter& painter, const QRect& area) {
  painter.save();
  painter.setClipRect(area);
  QLinearGradient wall(area.topLeft(), area.bottomLeft());
  wall.setColorAt(0, QColor(0x9A, 0x8F, 0x7E));
  wall.setColorAt(1, QColor(0x6A, 0x62, 0x55));
  painter.fillRect(area, wall);
  const int w = area.width(), h = area.height();
  painter.fillRect(QRect(area.left() + w / 12, area.top() + h / 10, w / 5, h / 3),
                   QColor(0xD8, 0xE4, 0xEC));
  painter.fillRect(QRect(area.left(), area.top() + h * 3 / 4, w, h / 4), QColor(0x58, 0x4A, 0x3C));
  painter.setPen(Qt::NoPen);
  const int cx = area.left() + w * 2 / 3;
  painter.setBrush(QColor(0x23, 0x2C, 0x4A));
  painter.drawRoundedRect(QRect(cx - w / 12, area.top() + h * 2 / 5, w / 6, h / 2), 30, 30);
  painter.setBrush(QColor(0xC8, 0x96, 0x78));
  painter.drawEllipse(QPoint(cx, area.top() + h / 3), w / 22, w / 20);
  painter.restore();
}

void AddNoise(QImage& image, const QRect& area) {
  uint32_t state = 12345;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = area.left(); x <= area.right(); ++x) {
      state = state * 1664525u + 1013904223u;
      const int d = static_cast<int>(state >> 28) - 8;
      const QRgb p = row[x];
      row[x] = qRgb(std::clamp(qRed(p) + d, 0, 255), std::clamp(qGreen(p) + d, 0, 255),
                    std::clamp(qBlue(p) + d, 0, 255));
    }
  }
}

void DrawFaded(QPainter& painter, QPoint at, const QImage& image, double opacity) {
  painter.save();
  painter.setOpacity(opacity);
  painter.drawImage(at, image);
  painter.restore();
}

}  // namespace

QImage PaintPreviewSheet(const std::vector<QImage>& images) {
  int cell_w = 0, cell_h = 0;
  for (const QImage& image : images) {
    cell_w = std::max(cell_w, image.width() * kZoom);
    cell_h = std::max(cell_h, image.height() * kZoom);
  }
  const int count = static_cast<int>(images.size());
  const int width = kMargin + count * (cell_w + kMargin);
  const int stage_row_h = cell_h / kZoom + 2 * kMargin;
  const int height = 2 * (cell_h + 2 * kMargin) + stage_row_h;
  QImage sheet(width, height, QImage::Format_RGB32);
  const QRect dark(0, 0, width, cell_h + 2 * kMargin);
  const QRect room(0, dark.bottom() + 1, width, height - dark.height());
  sheet.fill(QColor(0x1E, 0x1E, 0x24));
  {
    QPainter painter(&sheet);
    PaintRoom(painter, room);
  }
  AddNoise(sheet, room);

  QPainter painter(&sheet);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  for (int i = 0; i < count; ++i) {
    const QImage& image = images[i];
    const QSize zoomed = image.size() * kZoom;
    const int x = kMargin + i * (cell_w + kMargin);
    painter.drawImage(QRect(QPoint(x, kMargin), zoomed), image);
    painter.drawImage(QRect(QPoint(x, room.top() + kMargin), zoomed), image);
  }
  // Stage size: every image once, and the last one (the burst) fading out.
  const int stage_y = room.top() + cell_h + 2 * kMargin;
  int x = kMargin;
  for (const QImage& image : images) {
    painter.drawImage(QPoint(x, stage_y), image);
    x += image.width() + kMargin / 2;
  }
  if (!images.empty()) {
    for (double opacity : {0.75, 0.5, 0.25}) {
      DrawFaded(painter, QPoint(x, stage_y), images.back(), opacity);
      x += images.back().width() + kMargin / 2;
    }
  }
  return sheet;
}

}  // namespace stimuli
