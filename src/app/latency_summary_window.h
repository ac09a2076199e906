#pragma once
// The latency test's summary after "&Experiment" > "&Latency test": what was
// measured, where the file went and whether it is kept; OK closes it.

#include <QDialog>

#include "app/latency_test_command.h"

class LatencySummaryWindow : public QDialog {
  Q_OBJECT
 public:
  LatencySummaryWindow(QWidget* owner, const LatencyTestOutcome& outcome);
};
