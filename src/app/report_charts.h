#pragma once
// The charts of the run report, built with Qt Charts from the report's data
// (report/report_model.h). Each function returns a new chart the caller owns
// (or hands to a QGraphicsScene).

#include <QString>
#include <initializer_list>
#include <string_view>

#include "report/report_model.h"
#include "state/report_text.h"

class QChart;

// ReportText for Qt's drawing.
inline QString ReportQText(const char* source, std::initializer_list<std::string_view> args = {}) {
  return QString::fromStdString(ReportText(source, args));
}

QChart* RtPerTrialChart(const RunReport& run);
QChart* RtDistributionChart(const RunReport& run);
QChart* HitMapChart(const RunReport& run);
// The trial number beside each balloon of the hit map; once the chart has its
// size (the numbers sit at the chart's pixels). Left out where the hit areas are.
void LabelHitTrials(QChart* chart, const RunReport& run);
QChart* TrackingChart(const RunReport& run);
QChart* FrameIntervalChart(const RunReport& run);
