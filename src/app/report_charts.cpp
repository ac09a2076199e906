#include "app/report_charts.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QGraphicsSimpleTextItem>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>

#include "report/plot_points.h"
#include "report/quartiles.h"
#include "state/body_vocabulary.h"

namespace {

constexpr int32_t kHitHalfSize = 64;  // the balloon's hit area is its centre +- 64 px
// Above this many balloons the hit areas and the lines to the sites are left
// out: one series each would make the page slow to draw and to view.
constexpr size_t kMaxHitAreas = 150;
// Points per time plot: about two per printed pixel column of the page.
constexpr size_t kMaxTimePoints = 3000;
// Columns of the RT plot (two points each at the most) and the cell of the
// hit map (picture pixels, smaller than a marker) for long runs.
constexpr size_t kRtColumns = 1000;
constexpr int kHitCell = 4;

QChart* NewChart(const QString& title) {
  auto* chart = new QChart();
  chart->setTitle(title);
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->setBackgroundRoundness(0);
  chart->legend()->setAlignment(Qt::AlignBottom);
  QFont font = chart->titleFont();
  font.setPointSizeF(11);
  font.setBold(true);
  chart->setTitleFont(font);
  return chart;
}

QValueAxis* Axis(const QString& title, double min, double max, const char* format = "%.0f") {
  auto* axis = new QValueAxis();
  axis->setTitleText(title);
  axis->setRange(min, max);
  axis->setLabelFormat(format);
  return axis;
}

void Attach(QChart* chart, QAbstractSeries* series, QAbstractAxis* x, QAbstractAxis* y) {
  chart->addSeries(series);
  series->attachAxis(x);
  series->attachAxis(y);
}

void HideFromLegend(QChart* chart, QAbstractSeries* series) {
  for (QLegendMarker* marker : chart->legend()->markers(series)) marker->setVisible(false);
}

QColor JankenColour(int32_t cond_j) {
  switch (cond_j) {
    case 1:
      return QColor(0xD9, 0x5F, 0x02);
    case 2:
      return QColor(0x75, 0x70, 0xB3);
    default:
      return QColor(0x1B, 0x9E, 0x77);
  }
}

QScatterSeries* Scatter(const QString& name, const QColor& colour, double size,
                        QScatterSeries::MarkerShape shape = QScatterSeries::MarkerShapeCircle) {
  auto* series = new QScatterSeries();
  series->setName(name);
  series->setColor(colour);
  series->setBorderColor(colour.darker(130));
  series->setMarkerSize(size);
  series->setMarkerShape(shape);
  return series;
}

// The pauses after pops as light bands over the whole height: nothing is
// recorded in them, so an empty stretch there is no loss of tracking.
void ShadePauses(QChart* chart, const RunReport& run, QValueAxis* x, QAbstractAxis* y,
                 double bottom, double top) {
  if (run.pauses.empty()) return;
  auto* upper = new QLineSeries();
  auto* lower = new QLineSeries();
  for (const TimeSpan& p : run.pauses) {
    *upper << QPointF(p.from_s, bottom) << QPointF(p.from_s, top) << QPointF(p.to_s, top)
           << QPointF(p.to_s, bottom);
  }
  *lower << QPointF(run.pauses.front().from_s, bottom) << QPointF(run.pauses.back().to_s, bottom);
  auto* area = new QAreaSeries(upper, lower);
  // The area does not own its edges: they go with it when the chart deletes it.
  upper->setParent(area);
  lower->setParent(area);
  area->setName(ReportQText(REPORT_NOOP("Report", "1 s pause after a pop")));
  area->setColor(QColor(225, 225, 240));
  area->setBorderColor(Qt::transparent);
  Attach(chart, area, x, y);
}

// A chart with nothing to draw keeps its frame and says why; its axes' numbers
// would read as values that are not there.
QChart* EmptyNote(QChart* chart, const char* note) {
  chart->setTitle(ReportQText(REPORT_NOOP("Report", "%1 — %2"),
                              {chart->title().toStdString(), ReportText(note)}));
  for (QAbstractAxis* axis : chart->axes()) axis->setVisible(false);
  return chart;
}

}  // namespace

QChart* RtPerTrialChart(const RunReport& run) {
  QChart* chart = NewChart(ReportQText(REPORT_NOOP("Report", "Reaction time per trial")));
  int32_t last_trial = 1, max_rt = 100;
  for (const RtSeries& s : run.rt_series) {
    for (const RtPoint& p : s.points) {
      last_trial = std::max(last_trial, p.trial);
      max_rt = std::max(max_rt, p.rt_ms);
    }
  }
  QValueAxis* x = Axis(ReportQText(REPORT_NOOP("Report", "Trial")), 0.5, last_trial + 0.5);
  x->setTickType(QValueAxis::TicksDynamic);
  x->setTickAnchor(1);
  x->setTickInterval(std::max(1, last_trial / 20));
  QValueAxis* y = Axis(ReportQText(REPORT_NOOP("Report", "RT (ms)")), 0, max_rt * 1.1);
  y->applyNiceNumbers();
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  if (run.rt_series.empty())
    return EmptyNote(chart, REPORT_NOOP("Report", "no trial after the start balloon"));

  // All trials in order, thin, under the markers of each condition.
  std::vector<RtPoint> all;
  for (const RtSeries& s : run.rt_series) all.insert(all.end(), s.points.begin(), s.points.end());
  std::sort(all.begin(), all.end(), [](const RtPoint& a, const RtPoint& b) { return a.trial < b.trial; });
  auto* line = new QLineSeries();
  line->setColor(QColor(160, 160, 160));
  for (const RtPoint& p : ThinRtPoints(all, kRtColumns)) line->append(p.trial, p.rt_ms);
  Attach(chart, line, x, y);
  HideFromLegend(chart, line);
  if (run.figures.rt_ms) {
    auto* median = new QLineSeries();
    median->setName(ReportQText(REPORT_NOOP("Report", "median %1 ms"),
                                {QString::number(run.figures.rt_ms->median, 'f', 0).toStdString()}));
    QPen pen(QColor(60, 60, 60));
    pen.setStyle(Qt::DashLine);
    median->setPen(pen);
    median->append(0.5, run.figures.rt_ms->median);
    median->append(last_trial + 0.5, run.figures.rt_ms->median);
    Attach(chart, median, x, y);
  }
  for (const RtSeries& s : run.rt_series) {
    // Colour: janken condition; shape: mirror display (circle on, square off).
    auto* series = Scatter(QString::fromStdString(s.name), JankenColour(s.cond_j), 9,
                           s.cond_m == 0 ? QScatterSeries::MarkerShapeRectangle
                                         : QScatterSeries::MarkerShapeCircle);
    for (const RtPoint& p : ThinRtPoints(s.points, kRtColumns)) series->append(p.trial, p.rt_ms);
    Attach(chart, series, x, y);
  }
  return chart;
}

QChart* RtDistributionChart(const RunReport& run) {
  QChart* chart = NewChart(
      ReportQText(REPORT_NOOP("Report", "Reaction time distribution (trials after the start balloon)")));
  auto* set = new QBarSet(ReportQText(REPORT_NOOP("Report", "trials")));
  set->setColor(QColor(0x1B, 0x9E, 0x77));
  // Many bins leave no room for "10000–12000" under a bar: each is then named
  // by its start, and the axis title gives the width.
  const bool by_start = run.rt_histogram.size() > 8;
  QStringList categories;
  int32_t most = 1;
  for (const HistogramBin& b : run.rt_histogram) {
    *set << b.count;
    categories << (by_start ? QString::number(b.from_ms)
                            : QString("%1–%2").arg(b.from_ms).arg(b.to_ms));
    most = std::max(most, b.count);
  }
  auto* series = new QBarSeries();
  series->append(set);
  series->setBarWidth(0.95);
  auto* x = new QBarCategoryAxis();
  x->setTitleText(
      by_start ? ReportQText(REPORT_NOOP("Report", "RT (ms): each bar from the value under it, %1 ms wide"),
                             {std::to_string(run.rt_histogram[0].to_ms - run.rt_histogram[0].from_ms)})
               : ReportQText(REPORT_NOOP("Report", "RT (ms)")));
  x->append(categories.isEmpty() ? QStringList{ReportQText(REPORT_NOOP("Report", "none"))} : categories);
  QFont small = x->labelsFont();
  small.setPointSizeF(7);
  x->setLabelsFont(small);
  x->setLabelsAngle(categories.size() > 8 ? -45 : 0);
  QValueAxis* y = Axis(ReportQText(REPORT_NOOP("Report", "Trials")), 0, most + 1);
  y->setTickType(QValueAxis::TicksDynamic);
  y->setTickAnchor(0);
  y->setTickInterval(std::max(1, (most + 1) / 8));
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  Attach(chart, series, x, y);
  chart->legend()->setVisible(false);
  if (run.rt_histogram.empty())
    return EmptyNote(chart, REPORT_NOOP("Report", "no trial after the start balloon"));
  return chart;
}

QChart* HitMapChart(const RunReport& run) {
  QChart* chart = NewChart(ReportQText(REPORT_NOOP(
      "Report", "Hit map: balloons and the body site that popped each (camera picture, 960 x 540)")));
  QValueAxis* x = Axis(ReportQText(REPORT_NOOP("Report", "x (px)")), 0, kPictureWidth);
  QValueAxis* y = Axis(ReportQText(REPORT_NOOP("Report", "y (px)")), 0, kPictureHeight);
  x->setTickCount(9);
  y->setTickCount(7);
  y->setReverse(true);  // picture rows go downwards
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);

  const bool areas = run.hits.size() <= kMaxHitAreas;
  if (!areas) {
    chart->setTitle(ReportQText(REPORT_NOOP("Report", "%1 — hit areas left out for %2 balloons"),
                                {chart->title().toStdString(), std::to_string(run.hits.size())}));
  }
  for (const HitPoint& h : run.hits) {
    if (!areas) break;
    // The hit area and the way from the balloon's centre to the site.
    auto* area = new QLineSeries();
    area->setColor(QColor(200, 200, 200));
    const double l = h.target_x - kHitHalfSize, r = h.target_x + kHitHalfSize;
    const double t = h.target_y - kHitHalfSize, b = h.target_y + kHitHalfSize;
    *area << QPointF(l, t) << QPointF(r, t) << QPointF(r, b) << QPointF(l, b) << QPointF(l, t);
    Attach(chart, area, x, y);
    HideFromLegend(chart, area);
    if (h.site_known) {
      auto* way = new QLineSeries();
      way->setColor(QColor(120, 120, 120));
      *way << QPointF(h.target_x, h.target_y) << QPointF(h.site_x, h.site_y);
      Attach(chart, way, x, y);
      HideFromLegend(chart, way);
    }
  }
  auto* start = Scatter(ReportQText(REPORT_NOOP("Report", "start balloon")), QColor(0x75, 0x70, 0xB3),
                        12, QScatterSeries::MarkerShapeRectangle);
  auto* targets =
      Scatter(ReportQText(REPORT_NOOP("Report", "balloon centre")), QColor(0xE7, 0x29, 0x8A), 10);
  auto* hands = Scatter(ReportQText(REPORT_NOOP("Report", "popping hand")), QColor(0x1B, 0x9E, 0x77), 7);
  auto* others = Scatter(ReportQText(REPORT_NOOP("Report", "other popping site (head, elbow, ...)")),
                         QColor(0xD9, 0x5F, 0x02), 7,
                         QScatterSeries::MarkerShapeRectangle);
  std::vector<PicturePoint> start_points, target_points, hand_points, other_points;
  for (const HitPoint& h : run.hits) {
    (h.trial == 0 ? start_points : target_points).push_back({h.target_x, h.target_y});
    if (!h.site_known) continue;
    const bool hand = h.site == "Hand_L" || h.site == "Hand_R";
    (hand ? hand_points : other_points).push_back({h.site_x, h.site_y});
  }
  const std::pair<QScatterSeries*, const std::vector<PicturePoint>*> drawn[] = {
      {start, &start_points}, {targets, &target_points}, {hands, &hand_points}, {others, &other_points}};
  for (const auto& [series, points] : drawn)
    for (const PicturePoint& p : OnePointPerCell(*points, kHitCell)) series->append(p.x, p.y);
  targets->setPointLabelsVisible(false);
  for (QScatterSeries* s : {start, targets, hands, others}) Attach(chart, s, x, y);
  if (run.hits.empty()) return EmptyNote(chart, REPORT_NOOP("Report", "no balloon was popped"));
  return chart;
}

QChart* TrackingChart(const RunReport& run) {
  QChart* chart = NewChart(ReportQText(
      REPORT_NOOP("Report", "Tracking over time: bodies in each camera frame, and the child's hands")));
  double end_s = 1;
  for (const TrackingPoint& p : run.tracking) end_s = std::max(end_s, p.time_s);
  QValueAxis* x = Axis(ReportQText(REPORT_NOOP("Report", "Time in the run (s)")), 0, end_s * 1.02);
  x->applyNiceNumbers();
  auto* y = new QCategoryAxis();
  y->setRange(-2.5, 6.5);
  y->setStartValue(-2.5);
  y->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
  QFont small = y->labelsFont();
  small.setPointSizeF(7);
  y->setLabelsFont(small);
  y->append(ReportQText(REPORT_NOOP("Report", "right hand")), -1.5);
  y->append(ReportQText(REPORT_NOOP("Report", "left hand")), -0.5);
  for (int k = 0; k <= 6; ++k) {
    y->append(k == 1 ? ReportQText(REPORT_NOOP("Report", "1 body"))
                     : ReportQText(REPORT_NOOP("Report", "%1 bodies"), {std::to_string(k)}),
              k + 0.5);
  }
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);

  ShadePauses(chart, run, x, y, -2.5, 6.5);
  auto* none = Scatter(ReportQText(REPORT_NOOP("Report", "no body tracked")), QColor(0xC0, 0x30, 0x30), 4);
  auto* bodies = Scatter(ReportQText(REPORT_NOOP("Report", "bodies tracked")), QColor(100, 100, 100), 4);
  auto* child =
      Scatter(ReportQText(REPORT_NOOP("Report", "... of which the child")), QColor(0x1B, 0x9E, 0x77), 4);
  auto* left = Scatter(ReportQText(REPORT_NOOP("Report", "child's left hand tracked")),
                       QColor(0xD9, 0x5F, 0x02), 4);
  auto* right = Scatter(ReportQText(REPORT_NOOP("Report", "child's right hand tracked")),
                        QColor(0x75, 0x70, 0xB3), 4);
  for (const TrackingPoint& p : ThinTracking(run.tracking, kMaxTimePoints)) {
    (p.bodies == 0 ? none : p.child ? child : bodies)->append(p.time_s, p.bodies);
    if (p.hand_left) left->append(p.time_s, -1);
    if (p.hand_right) right->append(p.time_s, -2);
  }
  for (QScatterSeries* s : {none, bodies, child, left, right}) {
    s->setBorderColor(Qt::transparent);
    Attach(chart, s, x, y);
  }
  if (run.tracking.empty()) return EmptyNote(chart, REPORT_NOOP("Report", "no body was tracked"));
  return chart;
}

QChart* FrameIntervalChart(const RunReport& run) {
  QChart* chart = NewChart(ReportQText(
      REPORT_NOOP("Report", "Interval between sampled camera frames (pauses after pops left out)")));
  double end_s = 1;
  std::vector<double> values;
  for (const IntervalPoint& p : run.intervals) {
    end_s = std::max(end_s, p.time_s);
    values.push_back(p.interval_ms);
  }
  const double top = std::max(100.0, Quantile(values, 0.995).value_or(100) * 1.2);
  QValueAxis* x = Axis(ReportQText(REPORT_NOOP("Report", "Time in the run (s)")), 0, end_s * 1.02);
  QValueAxis* y = Axis(ReportQText(REPORT_NOOP("Report", "Interval (ms)")), 0, top);
  x->applyNiceNumbers();
  y->applyNiceNumbers();
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  ShadePauses(chart, run, x, y, 0, y->max());
  auto* points = Scatter(ReportQText(REPORT_NOOP("Report", "interval to the frame before")),
                         QColor(0x1B, 0x9E, 0x77), 4);
  points->setBorderColor(Qt::transparent);
  int above = 0;
  for (const IntervalPoint& p : ThinIntervals(run.intervals, kMaxTimePoints, run.figures.frame_interval_ms)) {
    above += p.interval_ms > y->max() ? 1 : 0;
    points->append(p.time_s, std::min(p.interval_ms, y->max()));
  }
  // A longer interval sits on the top edge; the title says so, so that the
  // edge is not read as its value.
  if (above > 0) {
    chart->setTitle(ReportQText(REPORT_NOOP("Report", "%1 — %2 longer than %3 ms drawn at the top"),
                                {chart->title().toStdString(), std::to_string(above),
                                 QString::number(y->max(), 'f', 0).toStdString()}));
  }
  Attach(chart, points, x, y);
  if (run.figures.frame_interval_ms > 0) {
    auto* median = new QLineSeries();
    median->setName(ReportQText(REPORT_NOOP("Report", "median %1 ms"),
                                {QString::number(run.figures.frame_interval_ms, 'f', 1).toStdString()}));
    QPen pen(QColor(60, 60, 60));
    pen.setStyle(Qt::DashLine);
    median->setPen(pen);
    median->append(0, run.figures.frame_interval_ms);
    median->append(x->max(), run.figures.frame_interval_ms);
    Attach(chart, median, x, y);
  }
  if (run.intervals.empty())
    return EmptyNote(chart, REPORT_NOOP("Report", "fewer than two camera frames outside the pauses"));
  return chart;
}

void LabelHitTrials(QChart* chart, const RunReport& run) {
  if (run.hits.size() > kMaxHitAreas || chart->series().isEmpty()) return;
  // Any series on the picture axes maps a picture point to the chart.
  QAbstractSeries* on_axes = chart->series().back();
  QFont font = chart->font();
  font.setPointSizeF(6.5);
  for (const HitPoint& h : run.hits) {
    auto* label = new QGraphicsSimpleTextItem(QString::number(h.trial), chart);
    label->setFont(font);
    label->setBrush(QColor(0x80, 0x10, 0x50));
    // Above right of the balloon's centre, clear of its marker.
    label->setPos(chart->mapToPosition(QPointF(h.target_x, h.target_y), on_axes) + QPointF(5, -13));
  }
}
