#pragma once
// The charts of the run report, built with Qt Charts from the report's data
// (report/report_model.h). Each function returns a new chart the caller owns
// (or hands to a QGraphicsScene).

#include "report/report_model.h"

class QChart;

QChart* RtPerTrialChart(const RunReport& run);
QChart* RtDistributionChart(const RunReport& run);
QChart* HitMapChart(const RunReport& run);
QChart* TrackingChart(const RunReport& run);
QChart* FrameIntervalChart(const RunReport& run);
