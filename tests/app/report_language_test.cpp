// The run summary and the report in the experimenter's language: the same
// lines of a scripted run (tests/report/scripted_run.h) in Japanese and in
// English, whole, with their values as they are in both.

#include <gtest/gtest.h>

#include <QStandardPaths>
#include <algorithm>

#include "../report/scripted_run.h"
#include "app/language_choice.h"
#include "report/report_model.h"
#include "report/run_summary.h"
#include "state/run_file_endings.h"

namespace report_test {
namespace {

bool Always(int32_t, int32_t) { return true; }

struct Texts {
  RunSummary summary;
  RunReport report;
};

// "key = value" of `key` in `rows`; "" when there is none.
std::string Row(const ReportRows& rows, const std::string& key) {
  const auto it = std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return r.first == key; });
  return it == rows.end() ? "" : it->first + " = " + it->second;
}

std::string Line(const RunSummary& s, size_t i) {
  return i < s.lines.size() ? s.lines[i].text : "";
}

// The summary line holding `value` (a value: the same in both languages).
std::string LineWith(const RunSummary& s, const std::string& value) {
  for (const SummaryLine& l : s.lines)
    if (l.text.find(value) != std::string::npos) return l.text;
  return "";
}

struct LanguageCase {
  const char* name;
  std::string (*text)(const Texts&);
  const char* japanese;
  const char* english;
};

const LanguageCase kCases[] = {
    {"summary head", [](const Texts& t) { return Line(t.summary, 0); },
     "前回の実行（シミュレーションのセンサー、子どものデータではありません）：P01、"
     "2026/12/10 10:15:00 開始",
     "Last run (simulated sensor, not a child's data): P01, started 2026/12/10 10:15:00"},
    {"summary warning, marked",
     [](const Texts& t) {
       const std::string text = SummaryText(t.summary);
       const size_t at = text.find('\n', text.find('\n') + 1);  // the third line
       return text.substr(at + 1, text.find('\n', at + 1) - at - 1);
     },
     "警告：カメラ画像 300 枚のうち 10 枚（3 %）が表示されませんでした。コンピューターの処理が"
     "追いついていません。",
     "WARNING: 10 of 300 camera pictures (3 %) were never shown: the computer did not keep up."},
    {"summary balloons and RTs", [](const Texts& t) { return LineWith(t.summary, "1100 ms"); },
     "割った風船：5 個（開始の風船を含む）；RT 中央値 1100 ms、IQR 700 ms（950 ～ 1650 ms）、"
     "4 試行",
     "Balloons popped: 5 (the start balloon included); RT median 1100 ms, IQR 700 ms (950 to "
     "1650 ms), 4 trials"},
    {"summary hands", [](const Texts& t) { return LineWith(t.summary, "80 %"); },
     "風船を最も多く割った体の手の追跡：90 フレーム中 左手 80 %、右手 96 %；体のフレームの "
     "97 % で体を追跡",
     "Hands of the body that popped most balloons tracked: left 80 %, right 96 % of its 90 "
     "frames; a body tracked in 97 % of the body frames"},
    {"report quartiles",
     [](const Texts& t) {
       return Row(t.report.figure_rows, "RT 四分位") + Row(t.report.figure_rows, "RT quartiles");
     },
     "RT 四分位 = 950 ms ～ 1650 ms（IQR 700 ms）", "RT quartiles = 950 ms to 1650 ms (IQR 700 ms)"},
    {"report latency, record keys untranslated",
     [](const Texts& t) {
       return Row(t.report.timing_rows, "画像の取得から当たり判定まで") +
              Row(t.report.timing_rows, "Picture capture to hit test") + " | " +
              Row(t.report.run_rows, "sensor.backend");
     },
     "画像の取得から当たり判定まで = 平均 41.5 ms、SD 3.2 ms、99 パーセンタイル 60.0 ms | "
     "sensor.backend = sim",
     "Picture capture to hit test = mean 41.5 ms, SD 3.2 ms, 99th percentile 60.0 ms | "
     "sensor.backend = sim"},
    {"report end of the run",
     [](const Texts& t) {
       return Row(t.report.timing_rows, "終了") + Row(t.report.timing_rows, "Run ended");
     },
     "終了 = 制限時間で終了（11.5 秒）", "Run ended = at the time limit, after 11.5 s"},
    {"report RT series",
     [](const Texts& t) { return t.report.rt_series.empty() ? "" : t.report.rt_series[0].name; },
     "じゃんけんなし、ミラー表示なし", "no janken, mirror off"},
};

class ReportLanguageTest : public ScratchDir {
 protected:
  static void SetUpTestSuite() { QStandardPaths::setTestModeEnabled(true); }
  void TearDown() override {
    ApplyUiLanguage(UiLanguage::kJapanese);
    ScratchDir::TearDown();
  }

  // Read and composed after the language is applied, as after a run and by --report.
  Texts Compose(const std::string& trial_path) {
    const ResultFileSet set = Read(trial_path);
    Texts t{SummarizeLastRun(set, "/data/r.pdf", ""), {}};
    ReportModel model = BuildReportModel(set);
    if (!model.runs.empty()) t.report = model.runs.back();
    return t;
  }
};

TEST_F(ReportLanguageTest, SummaryAndReportLinesInEitherLanguage) {
  std::vector<TrialRecord> trials;
  std::vector<BodySample> samples;
  const std::string trial_path = WriteRun(ScriptedRun(&trials, &samples, Always), kRunRecord);
  for (const UiLanguage language : {UiLanguage::kJapanese, UiLanguage::kEnglish}) {
    const bool english = language == UiLanguage::kEnglish;
    SCOPED_TRACE(english ? "English" : "Japanese");
    ASSERT_TRUE(ApplyUiLanguage(language)) << "the translations are not in the program";
    const Texts texts = Compose(trial_path);
    for (const LanguageCase& c : kCases)
      EXPECT_EQ(c.text(texts), english ? c.english : c.japanese) << c.name;
  }
}

// What the files lack heads the warnings: whole in either language, the path as it is.
TEST_F(ReportLanguageTest, WhatTheFilesLackInEitherLanguage) {
  std::vector<TrialRecord> trials;
  std::vector<BodySample> samples;
  const std::string trial_path = WriteRun(ScriptedRun(&trials, &samples, Always), kRunRecord);
  const std::string timing_path = RunFilePath(trial_path, run_file::kTiming);
  const uintmax_t size = fs::file_size(timing_path);
  fs::resize_file(timing_path, size - 3);  // the last row (trial 4) cut inside its last number
  for (const UiLanguage language : {UiLanguage::kJapanese, UiLanguage::kEnglish}) {
    const bool english = language == UiLanguage::kEnglish;
    SCOPED_TRACE(english ? "English" : "Japanese");
    ASSERT_TRUE(ApplyUiLanguage(language));
    const std::vector<std::string> damage = Read(trial_path).damage;
    const std::vector<std::string> expected =
        english ? std::vector<std::string>{timing_path + ": line 6 has no line end (the file was cut off "
                                                         "inside it): that row is left out.",
                                           timing_path + ": no timing row for trial 4 (the file ends "
                                                         "before it)."}
                : std::vector<std::string>{timing_path + ": 6 行目に行末がありません（書き込みの途中で"
                                                         "切れたファイル）。この行は除きました。",
                                           timing_path + ": 試行 4 のタイミング行がありません（ファイル"
                                                         "がその前で終わっています）。"};
    EXPECT_EQ(damage, expected);
  }
}

}  // namespace
}  // namespace report_test
