#include "stage/text_rasterizer.h"

#include <QColor>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

QColor ColourFromColorRef(uint32_t c) {
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                static_cast<int>((c >> 16) & 0xFF));
}

// "&&" shows one '&'; a single '&' only marks the next character (not drawn).
QString StripPrefixes(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&') {
      if (i + 1 < text.size() && text[i + 1] == u'&') {
        out += u'&';
        ++i;
      }
      continue;
    }
    out += text[i];
  }
  return out;
}

QStringList SplitLines(const QString& text, bool single_line) {
  if (single_line) {
    QString flat = text;
    flat.remove(u'\r');
    flat.remove(u'\n');
    return {flat};
  }
  QStringList lines = text.split(u'\n');
  for (QString& line : lines) {
    if (line.endsWith(u'\r')) line.chop(1);
  }
  return lines;
}

constexpr int32_t kDefaultCellHeightPx = 16;

}  // namespace

const QFont& TextRasterizer::FontFor(const TextStyle& style) {
  const auto key = std::make_pair(style.face, style.cell_height_px);
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return it->second;

  QFont font(QString::fromStdString(style.face.empty() ? kDefaultStageFace : style.face));
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  font.setStyleStrategy(QFont::NoSubpixelAntialias);
  font.setHintingPreference(QFont::PreferFullHinting);
  if (style.cell_height_px < 0) {
    font.setPixelSize(-style.cell_height_px);
  } else {
    // The cell (ascent + descent) is what is asked for; pick the pixel size
    // whose cell comes closest to it, searching near the first estimate.
    const int32_t cell = style.cell_height_px == 0 ? kDefaultCellHeightPx : style.cell_height_px;
    font.setPixelSize(cell);
    const int measured = QFontMetrics(font).height();
    int best_size = cell;
    int best_error = std::abs(measured - cell);
    const int estimate =
        measured > 0 ? static_cast<int>(std::lround(double(cell) * cell / measured)) : cell;
    for (int size = std::max(1, estimate - 2); size <= estimate + 2 && best_error > 0; ++size) {
      font.setPixelSize(size);
      const int error = std::abs(QFontMetrics(font).height() - cell);
      if (error < best_error) {
        best_error = error;
        best_size = size;
      }
    }
    font.setPixelSize(best_size);
  }
  return fonts_.emplace(key, font).first->second;
}

void TextRasterizer::Rasterize(const std::string& text, int32_t w, int32_t h, uint32_t format,
                               const TextStyle& style, std::vector<uint32_t>& words) {
  if (w <= 0 || h <= 0 || text.empty()) return;
  const QFont& font = FontFor(style);
  const QFontMetrics metrics(font);
  QString qtext = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  if ((format & DT_NOPREFIX) == 0) qtext = StripPrefixes(qtext);
  const bool single_line = (format & DT_SINGLELINE) != 0;
  const QStringList lines = SplitLines(qtext, single_line);
  const int line_height = metrics.height();
  int first_top = 0;
  int top = 0;

  // Paint straight into the caller's buffer: RGB32 has the bitmap's word layout.
  QImage image(reinterpret_cast<uchar*>(words.data()), w, h, w * 4, QImage::Format_RGB32);
  {
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(ColourFromColorRef(style.text_colour));
    const QColor back = ColourFromColorRef(style.back_colour);

    if (single_line && (format & DT_BOTTOM) != 0) {
      top = h - line_height;
    } else if (single_line && (format & DT_VCENTER) != 0) {
      top = (h - line_height) / 2;
    }
    first_top = top;
    for (const QString& line : lines) {
      if (top >= h) break;
      const int advance = metrics.horizontalAdvance(line);
      int left = 0;
      if ((format & DT_CENTER) != 0) {
        left = (w - advance) / 2;
      } else if ((format & DT_RIGHT) != 0) {
        left = w - advance;
      }
      // The background goes behind the characters only, as in opaque text mode.
      if (advance > 0) painter.fillRect(left, top, advance, line_height, back);
      painter.drawText(left, top + metrics.ascent(), line);
      top += line_height;
    }
  }
  // Painted words carry an opaque alpha byte; the bitmap's fourth byte is 0,
  // so black stays 0 and is skipped by the copy into the texture. Glyphs stay
  // within a line's height of their lines; rows beyond were not painted.
  const int64_t first_row = std::max(0, first_top - line_height);
  const int64_t end_row = std::min<int64_t>(h, int64_t{top} + line_height);
  for (int64_t i = first_row * w; i < end_row * w; ++i) words[i] &= 0x00FFFFFFu;
}
