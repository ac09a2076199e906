#include "app/latency_summary_window.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

LatencySummaryWindow::LatencySummaryWindow(QWidget* owner, const LatencyTestOutcome& outcome)
    : QDialog(owner) {
  setObjectName(QStringLiteral("LatencySummary"));
  setWindowTitle(tr("遅延テスト"));
  auto* layout = new QVBoxLayout(this);
  const bool good = outcome.ran && !outcome.stopped && outcome.kept;
  std::vector<std::string> lines = LatencyOutcomeLines(outcome);
  lines.pop_back();  // the summary line is for standard output
  for (const std::string& line : lines) {
    auto* label = new QLabel(QString::fromStdString(line), this);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(label);
  }
  if (!good) {
    auto* warning = new QLabel(tr("このテストは実験記録用に残しません。"), this);
    warning->setStyleSheet(QStringLiteral("color: #b06000"));
    layout->addWidget(warning);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
  setMinimumWidth(560);
}
