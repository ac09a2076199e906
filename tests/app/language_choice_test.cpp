// The English texts beside the Japanese ones: the setup dialog, the main
// frame's hint line, the Language menu, messages from the layers below the
// front end and the child's stage texts, in both languages.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QStandardPaths>

#include "app/language_choice.h"
#include "app/main_frame.h"
#include "app/resource_ids.h"
#include "app/subject_dialog.h"
#include "state/program_state.h"
#include "trial/stage_frame.h"

namespace {

struct CaptionCase {
  int32_t id;
  const char* japanese;
  const char* english;
};
constexpr CaptionCase kCaptions[] = {
    {IDC_MIRROR, "ミラー表示", "Mirror"},
    {IDC_JANKEN_NONE, "じゃんけんなし", "No janken"},
    {IDC_JANKEN_NORMAL, "ノーマルじゃんけん", "Normal janken"},
    {IDC_JANKEN_LATE, "後出しじゃんけん", "Late janken"},
    {IDCANCEL, "キャンセル", "Cancel"},
    {IDC_FLAG_HEAD, "頭", "Head"},
    {IDC_FLAG_SHOULDER, "肩", "Shldr"},  // the box is 30 dialog units wide
    {IDC_FLAG_FOOT, "足", "Foot"},
    {IDC_FLAG_SINGLE, "一人モード", "Single mode"},
    {IDOK, "OK", "OK"},
};

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

class UiLanguageTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The user's settings of the test go to a folder of its own.
    QStandardPaths::setTestModeEnabled(true);
  }
  void SetUp() override { ResetProgramState(); }
  void TearDown() override { ApplyUiLanguage(UiLanguage::kJapanese); }

  static void ExpectDialog(bool english) {
    CSubject dialog(nullptr);
    for (const CaptionCase& c : kCaptions) {
      auto* button = qobject_cast<QAbstractButton*>(FindControl(dialog, c.id));
      ASSERT_NE(button, nullptr) << c.id;
      EXPECT_EQ(button->text(), Text(english ? c.english : c.japanese)) << c.id;
    }
    QStringList statics;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) statics << label->text();
    EXPECT_TRUE(statics.contains(Text(english ? "Time limit" : "制限時間")))
        << statics.join('|').toStdString();
    EXPECT_TRUE(statics.contains(Text(english ? "Random seed" : "乱数初期値")))
        << statics.join('|').toStdString();
    EXPECT_EQ(dialog.findChild<QGroupBox*>()->title(),
              Text(english ? "Janken mode" : "じゃんけんモード"));
  }
};

TEST_F(UiLanguageTest, SetupDialogInEitherLanguage) {
  ASSERT_TRUE(ApplyUiLanguage(UiLanguage::kEnglish));
  ExpectDialog(true);
  ASSERT_TRUE(ApplyUiLanguage(UiLanguage::kJapanese));
  ExpectDialog(false);
}

TEST_F(UiLanguageTest, StageTextsForTheChild) {
  ASSERT_TRUE(ApplyUiLanguage(UiLanguage::kEnglish));
  EXPECT_EQ(StageText(0, 0), "Pop a balloon to start!");
  EXPECT_EQ(StageText(12'345, 3), "Time: 12    Balloons: 3");
  EXPECT_EQ(CurrentStageTexts().score_format, "Great job! Balloons popped: %d");
  ASSERT_TRUE(ApplyUiLanguage(UiLanguage::kJapanese));
  EXPECT_EQ(StageText(0, 0), "ふうせんを わったら，はじまります。");
  EXPECT_EQ(StageText(12'345, 3), "じかん: 12\u3000\u3000ふうせん： 3");
  EXPECT_EQ(CurrentStageTexts().score_format, "わった ふうせんは %d こ でした！");
}

TEST_F(UiLanguageTest, MessagesTranslatedLineByLine) {
  const std::string message =
      "データファイルを保存できませんでした。\n"
      "記録は次のファイルに残っています。次回の起動時に書き出します。\n/tmp/run.journal\n\n"
      "The data file could not be written anywhere.";
  ASSERT_TRUE(ApplyUiLanguage(UiLanguage::kEnglish));
  EXPECT_EQ(TranslatedMessage(message),
            "The data file could not be saved.\n"
            "The data is kept in this file and written out at the next start:\n/tmp/run.journal"
            "\n\nThe data file could not be written anywhere.");
  ASSERT_TRUE(ApplyUiLanguage(UiLanguage::kJapanese));
  EXPECT_EQ(TranslatedMessage(message), QString::fromStdString(message));
}

TEST_F(UiLanguageTest, LanguageMenuKeepsTheChoiceAndTurnsTheHintLine) {
  ApplyUiLanguage(UiLanguage::kJapanese);
  CMainFrame frame;
  const auto* hint = frame.findChild<QLabel*>("start_hint");
  ASSERT_NE(hint, nullptr);
  EXPECT_EQ(hint->text(), Text(kStartHint));
  QAction* english = frame.findChild<QAction*>("language_en");
  QAction* japanese = frame.findChild<QAction*>("language_ja");
  ASSERT_TRUE(english != nullptr && japanese != nullptr);
  EXPECT_TRUE(japanese->isChecked());

  english->trigger();
  EXPECT_EQ(StoredUiLanguage(), UiLanguage::kEnglish);
  EXPECT_EQ(CurrentUiLanguage(), UiLanguage::kEnglish);
  EXPECT_EQ(hint->text(), "Click in this window (or Experiment > Start) to start a run.");
  EXPECT_TRUE(english->isChecked() && !japanese->isChecked());

  japanese->trigger();
  EXPECT_EQ(StoredUiLanguage(), UiLanguage::kJapanese);
  EXPECT_EQ(hint->text(), Text(kStartHint));
}

TEST(UiLanguageCodes, OnlyEnAndJa) {
  EXPECT_EQ(ParseUiLanguage("en"), UiLanguage::kEnglish);
  EXPECT_EQ(ParseUiLanguage("ja"), UiLanguage::kJapanese);
  for (const char* bad : {"", "EN", "english", "de", "en_US"}) EXPECT_FALSE(ParseUiLanguage(bad));
}

}  // namespace
