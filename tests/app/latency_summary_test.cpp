// The latency test's summary: what the window and standard output say for a
// whole test, one cut short and one that could not run, in English (both
// languages side by side: language_choice_test.cpp).

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <cstdlib>

#include "app/language_choice.h"
#include "app/latency_summary_window.h"

namespace {

LatencyTestOutcome WholeTest() {
  LatencyTestOutcome o;
  o.ran = true;
  o.device = "/dev/video0";
  o.date = "2026-12-11T01:02:03.000+01:00";
  o.file = "/home/lab/Tavelin2/latency_20261211_010203.csv";
  o.kept = true;
  o.summary = {50, 47, 61.24, 9.81, 44.5, 60.9};
  return o;
}

class LatencySummaryTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ApplyUiLanguage(UiLanguage::kEnglish)); }
  void TearDown() override { ApplyUiLanguage(UiLanguage::kJapanese); }
};

QStringList Labels(const QWidget& w) {
  QStringList texts;
  for (const QLabel* label : w.findChildren<QLabel*>()) texts << label->text();
  return texts;
}

TEST_F(LatencySummaryTest, WholeTest) {
  const LatencyTestOutcome o = WholeTest();
  const std::vector<std::string> lines = LatencyOutcomeLines(o);
  EXPECT_EQ(lines.back(),
            "latency: n 47, mean 61.2 ms, median 60.9 ms, min 44.5 ms, sd 9.8 ms, missed 3");
  LatencySummaryWindow window(nullptr, o);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const QStringList labels = Labels(window);
  EXPECT_TRUE(labels.contains("Screen to camera, /dev/video0, 2026-12-11T01:02:03.000+01:00"));
  EXPECT_TRUE(labels.contains("Flashes seen: 47 of 50 (not seen: 6 %)"));
  EXPECT_TRUE(labels.contains("Delay from flip to first bright picture: mean 61.2 ms, SD 9.8 ms"));
  EXPECT_TRUE(labels.contains("Median 60.9 ms, minimum 44.5 ms"));
  EXPECT_TRUE(labels.contains("File: /home/lab/Tavelin2/latency_20261211_010203.csv"));
  EXPECT_FALSE(labels.join('\n').contains("not kept")) << labels.join('\n').toStdString();
  EXPECT_FALSE(labels.join('\n').contains("latency: n")) << "the summary line is for stdout";
  // The window's picture, for looking at: T2_SCREENSHOT_DIR=<folder>.
  if (const char* dir = std::getenv("T2_SCREENSHOT_DIR"))
    window.grab().save(QString::fromUtf8(dir) + "/latency_summary.png");
  auto* ok = window.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
  QTest::mouseClick(ok, Qt::LeftButton);
  EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST_F(LatencySummaryTest, CutShortManyMissedOrNotRun) {
  LatencyTestOutcome stopped = WholeTest();
  stopped.stopped = true;
  stopped.kept = false;
  stopped.summary = {6, 2, 50, 1, 49, 50};
  LatencySummaryWindow window(nullptr, stopped);
  const QString text = Labels(window).join('\n');
  EXPECT_TRUE(text.contains("Stopped before the last flash.")) << text.toStdString();
  EXPECT_TRUE(text.contains("Many flashes were not seen")) << text.toStdString();
  EXPECT_TRUE(text.contains("This test is not kept for the run records.")) << text.toStdString();

  LatencyTestOutcome not_run;
  not_run.problem = "The body sensor could not be opened: no camera at /dev/video0";
  const std::vector<std::string> lines = LatencyOutcomeLines(not_run);
  EXPECT_EQ(lines.front(),
            "The latency test did not run. The body sensor could not be opened: no camera at "
            "/dev/video0");
  EXPECT_EQ(lines.back(),
            "latency: n 0, mean 0.0 ms, median 0.0 ms, min 0.0 ms, sd 0.0 ms, missed 0");
}

}  // namespace
