#include "app/report_pdf.h"

#include <QChart>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include "app/report_charts.h"
#include "state/own_folder.h"
#include "state/path_names.h"

namespace {

constexpr int kDpi = 96;  // painter units: the same pixels the charts lay out in
constexpr double kGap = 14;

class ReportPainter {
 public:
  ReportPainter(QPdfWriter& writer, QPainter& painter) : writer_(writer), painter_(painter) {
    page_ = QRectF(0, 0, writer.width(), writer.height());
  }

  void NewPage() {
    if (!first_page_) writer_.newPage();
    first_page_ = false;
    ++page_number_;
    y_ = 0;
    QFont font("Sans");
    font.setPointSizeF(7);
    painter_.setFont(font);
    painter_.setPen(QColor(120, 120, 120));
    painter_.drawText(QRectF(0, page_.height() - 14, page_.width(), 14), Qt::AlignRight,
                      ReportQText(REPORT_NOOP("Report", "%1 · page %2"),
                                  {footer_.toStdString(), std::to_string(page_number_)}));
  }

  void Heading(const QString& text, double point_size) {
    QFont font("Sans");
    font.setPointSizeF(point_size);
    font.setBold(true);
    painter_.setFont(font);
    painter_.setPen(Qt::black);
    const QRectF box(0, y_, page_.width(), page_.height());
    const QRectF used = painter_.boundingRect(box, Qt::TextWordWrap, text);
    painter_.drawText(box, Qt::TextWordWrap, text);
    y_ += used.height() + 6;
  }

  // Key / value rows in the column [left, left + width); returns to a new page
  // (full width) when the page is full. With `draw` false nothing is drawn and
  // no page begins: the rows are only measured.
  double Rows(const ReportRows& rows, double top, double left, double width,
              const QColor& colour = Qt::black, bool draw = true) {
    QFont key_font("Sans"), value_font("Sans");
    key_font.setPointSizeF(8);
    key_font.setBold(true);
    value_font.setPointSizeF(8);
    double y = top;
    // As wide as the widest key, within a third to a half of the column.
    const QFontMetricsF key_metrics(key_font);
    double widest = 0;
    for (const auto& row : rows)
      widest = std::max(widest, key_metrics.horizontalAdvance(QString::fromStdString(row.first)));
    const double key_width = std::clamp(widest + 10, width / 3, width / 2);
    for (const auto& [key, value] : rows) {
      const QString v = QString::fromStdString(value);
      // Sentences wrap between words; a path without blanks wherever it must.
      const int value_flags = v.contains(' ') ? Qt::TextWordWrap : Qt::TextWrapAnywhere;
      const QRectF value_box(left + key_width, y, width - key_width, page_.height());
      // A record key (sensor.camera.pictures_dropped_by_reason.empty) may
      // break after each dot or underscore, so a long one wraps whole.
      QString k = QString::fromStdString(key);
      k.replace(QLatin1Char('.'), QStringLiteral(".\u200B"));
      k.replace(QLatin1Char('_'), QStringLiteral("_\u200B"));
      painter_.setFont(key_font);
      const double key_h =
          painter_.boundingRect(QRectF(left, y, key_width - 6, page_.height()), Qt::TextWordWrap, k)
              .height();
      painter_.setFont(value_font);
      // A key that wraps to more lines than its value is not cut off.
      const double h = std::max(key_h, painter_.boundingRect(value_box, value_flags, v).height());
      if (!draw) {
        y += h + 2;
        continue;
      }
      if (y + h > page_.height() - 20) {
        NewPage();
        y = 0;
        left = 0;
      }
      painter_.setPen(colour);
      painter_.setFont(key_font);
      painter_.drawText(QRectF(left, y, key_width - 6, h), Qt::TextWordWrap, k);
      painter_.setFont(value_font);
      painter_.drawText(QRectF(left + key_width, y, width - key_width, h), value_flags, v);
      y += h + 2;
    }
    return y;
  }

  double Lines(const std::vector<std::string>& lines, double top, double left, double width,
               const QColor& colour) {
    QFont font("Sans");
    font.setPointSizeF(9);
    font.setBold(true);
    painter_.setFont(font);
    painter_.setPen(colour);
    double y = top;
    for (const std::string& line : lines) {
      const QRectF box(left, y, width, page_.height());
      const QString text = QString::fromStdString(line);
      const double h = painter_.boundingRect(box, Qt::TextWordWrap, text).height();
      painter_.drawText(box, Qt::TextWordWrap, text);
      y += h + 3;
    }
    return y;
  }

  // `laid_out` adds to the chart what needs its final size.
  void Chart(QChart* chart, const QRectF& target,
             const std::function<void(QChart*)>& laid_out = nullptr) {
    QGraphicsScene scene;  // owns the chart from here
    scene.addItem(chart);
    chart->setGeometry(QRectF(QPointF(0, 0), target.size()));
    scene.setSceneRect(QRectF(QPointF(0, 0), target.size()));
    if (laid_out) {
      chart->layout()->activate();
      laid_out(chart);
    }
    scene.render(&painter_, target, scene.sceneRect());
  }

  const QRectF& page() const { return page_; }
  double y() const { return y_; }
  void set_footer(const QString& footer) { footer_ = footer; }

 private:
  QPdfWriter& writer_;
  QPainter& painter_;
  QRectF page_;
  double y_ = 0;
  bool first_page_ = true;
  int page_number_ = 0;
  QString footer_;
};

// Orange: the run is not to be trusted as it stands; green: nothing speaks against it.
const QColor kWarningColour(0xC8, 0x5A, 0x00);
const QColor kSoundColour(0x1B, 0x7E, 0x57);

void SummaryPage(ReportPainter& p, const RunReport& run) {
  p.NewPage();
  p.Heading(run.figures.simulated
                ? ReportQText(REPORT_NOOP("Report", "Tavelin2 run report (SIMULATED SENSOR): %1"),
                              {run.heading})
                : ReportQText(REPORT_NOOP("Report", "Tavelin2 run report: %1"), {run.heading}),
            15);
  const double width = p.page().width();
  const size_t points = run.figures.warnings.size();
  std::vector<std::string> verdict{
      points == 0 ? ReportText(REPORT_NOOP("Report", "Verdict: usable. No figure speaks against this run."))
      : points == 1
          ? ReportText(REPORT_NOOP("Report", "Verdict: check before use. 1 point speaks against this run:"))
          : ReportText(REPORT_NOOP("Report", "Verdict: check before use. %1 points speak against this run:"),
                       {std::to_string(points)})};
  verdict.insert(verdict.end(), run.figures.warnings.begin(), run.figures.warnings.end());
  const double top =
      4 + p.Lines(verdict, p.y(), 0, width, points == 0 ? kSoundColour : kWarningColour);
  const double half = (p.page().width() - kGap) / 2;
  // The figures first, beside the verdict on this page: the settings and
  // files of a camera run go on over the next pages.
  const double right = half + kGap;
  double y = p.Rows({{ReportText(REPORT_NOOP("Report", "Figures")), ""}}, top, right, half);
  y = p.Rows(run.figure_rows, y, right, half);
  y = p.Rows({{ReportText(REPORT_NOOP("Report", "Timing (run record)")), ""}}, y + 8, right, half);
  if (run.timing_rows.empty()) {
    y = p.Rows({{"", ReportText(REPORT_NOOP("Report", "no run record (_run.json) for this run"))}},
               y, right, half);
  } else {
    y = p.Rows(run.timing_rows, y, right, half);
  }
  // The files under the figures where they fit, so that a camera run's long
  // settings do not push them onto a page of their own.
  const ReportRows files_heading{{ReportText(REPORT_NOOP("Report", "Files")), ""}};
  const double files_height = p.Rows(files_heading, 0, right, half, Qt::black, false) +
                              p.Rows(run.file_rows, 0, right, half, Qt::black, false);
  const bool files_on_the_right = y + 8 + files_height <= p.page().height() - 20;
  if (files_on_the_right) p.Rows(run.file_rows, p.Rows(files_heading, y + 8, right, half), right, half);

  double left_y = top;
  left_y = p.Rows({{ReportText(REPORT_NOOP("Report", "Run")), ""}}, left_y, 0, half);
  left_y = p.Rows(run.run_rows, left_y, 0, half);
  if (files_on_the_right) return;
  left_y = p.Rows(files_heading, left_y + 8, 0, half);
  p.Rows(run.file_rows, left_y, 0, half);
}

void ChartPages(ReportPainter& p, const RunReport& run) {
  const QRectF page = p.page();
  const double chart_height = (page.height() - 24 - kGap) / 2;
  p.NewPage();
  p.Chart(RtPerTrialChart(run), QRectF(0, 0, page.width(), chart_height));
  p.Chart(RtDistributionChart(run), QRectF(0, chart_height + kGap, page.width(), chart_height));

  p.NewPage();
  // The picture's 16:9 plot area with room for the axes and the legend.
  const double map_height = page.height() - 24;
  const double map_width = std::min(page.width(), map_height * 16 / 9 + 80);
  p.Chart(HitMapChart(run), QRectF((page.width() - map_width) / 2, 0, map_width, map_height),
          [&run](QChart* chart) { LabelHitTrials(chart, run); });

  p.NewPage();
  const double tracking_height = (page.height() - 24 - kGap) * 0.6;
  p.Chart(TrackingChart(run), QRectF(0, 0, page.width(), tracking_height));
  p.Chart(FrameIntervalChart(run), QRectF(0, tracking_height + kGap, page.width(),
                                          page.height() - 24 - kGap - tracking_height));
}

}  // namespace

bool WriteReportPdf(const ReportModel& model, const std::string& path, std::string* error) {
  // Opened relative to its folder, never through a link, for whom the run's files are.
  const OpenedFolder folder = OpenFolder(ParentDirectory(path));
  const std::string part_name = BaseName(path) + ".part";
  if (folder.fd.valid()) ::unlinkat(folder.fd.get(), part_name.c_str(), 0);  // a crash's leftover
  UniqueFd part = folder.fd.valid()
                      ? CreateFileIn(folder.fd.get(), part_name, O_WRONLY, RunFileAccess())
                      : UniqueFd();
  if (!part.valid()) {
    *error = ReportText(REPORT_NOOP("Report", "%1: cannot be written: %2"),
                        {path, folder.fd.valid() ? std::string(std::strerror(errno)) : folder.problem});
    return false;
  }
  const auto remove_part = [&] { ::unlinkat(folder.fd.get(), part_name.c_str(), 0); };
  {
    QFile file;
    if (!file.open(part.Release(), QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
      *error = ReportText(REPORT_NOOP("Report", "%1: cannot be written"), {path});
      remove_part();
      return false;
    }
    QPdfWriter writer(&file);
    writer.setResolution(kDpi);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                     QMarginsF(12, 12, 12, 10), QPageLayout::Millimeter));
    const bool simulated = std::any_of(model.runs.begin(), model.runs.end(),
                                       [](const RunReport& r) { return r.figures.simulated; });
    writer.setTitle(simulated ? ReportQText(REPORT_NOOP("Report", "Tavelin2 run report (simulated sensor)"))
                              : ReportQText(REPORT_NOOP("Report", "Tavelin2 run report")));
    writer.setCreator("tavelin2");
    QPainter painter;
    if (!painter.begin(&writer)) {
      *error = ReportText(REPORT_NOOP("Report", "%1: cannot be written: %2"), {path, std::strerror(errno)});
      remove_part();
      return false;
    }
    ReportPainter p(writer, painter);
    p.set_footer(QFileInfo(QString::fromStdString(path)).fileName());
    for (const RunReport& run : model.runs) {
      SummaryPage(p, run);
      ChartPages(p, run);
    }
    painter.end();
    if (!file.flush() || file.size() <= 0) {
      *error = ReportText(
          REPORT_NOOP("Report", "%1: the report could not be written (disk full or no permission?)"),
          {path});
      remove_part();
      return false;
    }
  }
  if (::renameat(folder.fd.get(), part_name.c_str(), folder.fd.get(), BaseName(path).c_str()) !=
      0) {
    *error = ReportText(REPORT_NOOP("Report", "%1: cannot be written: %2"), {path, std::strerror(errno)});
    remove_part();
    return false;
  }
  return true;
}
