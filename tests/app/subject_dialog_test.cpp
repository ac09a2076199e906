// The setup dialog: what it shows, how it reads the controls back, refusals,
// the janken radio buttons and the ways to cancel.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <map>
#include <vector>

#include "state/experiment_settings.h"
#include "state/message_box.h"
#include "app/resource_ids.h"
#include "app/subject_dialog.h"
#include "app/subject_rules.h"
#include "state/settings_file.h"
#include "modal_helper.h"

namespace {

void CopyIn(const ExperimentSettings& s, CSubject& d) {
  d.subject = s.subject;
  d.random_seed = s.random_seed;
  d.mirror = s.mirror;
  d.janken = s.janken;
  d.timelimit = s.timelimit;
  d.flag_head = s.flag_head;
  d.flag_shoulder = s.flag_shoulder;
  d.flag_elbow = s.flag_elbow;
  d.flag_hip = s.flag_hip;
  d.flag_knee = s.flag_knee;
  d.flag_foot = s.flag_foot;
  d.flag_mouse = s.flag_mouse;
  d.flag_single = s.flag_single;
}

template <typename W>
W* Control(QWidget* dialog, int32_t id) {
  auto* w = qobject_cast<W*>(FindControl(*dialog, id));
  EXPECT_NE(w, nullptr) << id;
  return w;
}

class SubjectDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    previous_handler =
        SetMessageBoxHandler([this](const std::string& text, const std::string&, uint32_t) {
          messages.push_back(text);
        });
    CopyIn(ExperimentSettings{}, dialog);
  }
  void TearDown() override { SetMessageBoxHandler(previous_handler); }

  // Runs the dialog modally; `act` works on it while it is up.
  int Run(std::function<void(QWidget*)> act) {
    WhenModalShown(std::move(act));
    return dialog.DoModal();
  }
  static void ClickOk(QWidget* d) { Control<QPushButton>(d, IDOK)->click(); }

  CSubject dialog;
  std::vector<std::string> messages;
  MessageBoxHandler previous_handler;
};

TEST_F(SubjectDialogTest, ShowsTheDefaultSettings) {
  std::map<int32_t, bool> checked;
  QString subject, timelimit, seed, title;
  QWidget* focus = nullptr;
  QWidget* subject_edit = nullptr;
  const int result = Run([&](QWidget* d) {
    title = d->windowTitle();
    subject_edit = Control<QLineEdit>(d, IDC_SUBJECT);
    subject = Control<QLineEdit>(d, IDC_SUBJECT)->text();
    timelimit = Control<QLineEdit>(d, IDC_TIMELIMIT)->text();
    seed = Control<QLineEdit>(d, IDC_RANDOM_SEED)->text();
    for (int32_t id : {IDC_MIRROR, IDC_FLAG_HEAD, IDC_FLAG_SHOULDER, IDC_FLAG_ELBOW, IDC_FLAG_HIP,
                       IDC_FLAG_KNEE, IDC_FLAG_FOOT, IDC_FLAG_MOUSE, IDC_FLAG_SINGLE}) {
      checked[id] = Control<QCheckBox>(d, id)->isChecked();
    }
    for (int32_t id : {IDC_JANKEN_NONE, IDC_JANKEN_NORMAL, IDC_JANKEN_LATE}) {
      checked[id] = Control<QRadioButton>(d, id)->isChecked();
    }
    focus = d->focusWidget();
    ClickOk(d);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(title, "Dialog");
  EXPECT_EQ(subject, "SBJ0000");
  EXPECT_EQ(timelimit, "60");
  EXPECT_EQ(seed, "0");
  EXPECT_EQ(focus, subject_edit);
  const std::map<int32_t, bool> expected = {
      {IDC_MIRROR, true},      {IDC_FLAG_HEAD, false},     {IDC_FLAG_SHOULDER, false},
      {IDC_FLAG_ELBOW, false}, {IDC_FLAG_HIP, false},      {IDC_FLAG_KNEE, false},
      {IDC_FLAG_FOOT, false},  {IDC_FLAG_MOUSE, false},    {IDC_FLAG_SINGLE, false},
      {IDC_JANKEN_NONE, true}, {IDC_JANKEN_NORMAL, false}, {IDC_JANKEN_LATE, false}};
  EXPECT_EQ(checked, expected);
  // Confirmed unchanged, every field comes back as it went in.
  EXPECT_EQ(dialog.subject, "SBJ0000");
  EXPECT_EQ(dialog.timelimit, 60);
  EXPECT_EQ(dialog.mirror, 1);
  EXPECT_TRUE(messages.empty());
}

TEST_F(SubjectDialogTest, ControlsFollowTheTemplate) {
  EXPECT_EQ(dialog.property(kControlIdProperty).toInt(), IDD_SUBJECT);
  // Labels in Japanese, tab order of the template, radio buttons outside it.
  EXPECT_EQ(Control<QRadioButton>(&dialog, IDC_JANKEN_LATE)->text(), "後出しじゃんけん");
  EXPECT_EQ(Control<QPushButton>(&dialog, IDCANCEL)->text(), "キャンセル");
  const int32_t tab_order[] = {IDC_SUBJECT,    IDC_MIRROR,     IDC_TIMELIMIT, IDC_RANDOM_SEED,
                               IDOK,           IDCANCEL,       IDC_FLAG_HEAD, IDC_FLAG_SHOULDER,
                               IDC_FLAG_ELBOW, IDC_FLAG_HIP,   IDC_FLAG_KNEE, IDC_FLAG_FOOT,
                               IDC_FLAG_MOUSE, IDC_FLAG_SINGLE};
  QWidget* w = FindControl(dialog, IDC_SUBJECT);
  for (size_t i = 1; i < std::size(tab_order); ++i) {
    w = w->nextInFocusChain();
    while (!(w->focusPolicy() & Qt::TabFocus)) w = w->nextInFocusChain();
    EXPECT_EQ(w->property(kControlIdProperty).toInt(), tab_order[i]) << i;
  }
  EXPECT_FALSE(FindControl(dialog, IDC_JANKEN_NONE)->focusPolicy() & Qt::TabFocus);
  // Positions keep the template's proportions: OK right of the subject field,
  // the time limit field level with its label row.
  const QRect subject = FindControl(dialog, IDC_SUBJECT)->geometry();
  const QRect ok = FindControl(dialog, IDOK)->geometry();
  EXPECT_GT(ok.left(), subject.right());
  EXPECT_EQ(ok.top(), subject.top());
  EXPECT_EQ(FindControl(dialog, IDC_TIMELIMIT)->geometry().top(),
            FindControl(dialog, IDC_JANKEN_LATE)->geometry().top());
}

TEST_F(SubjectDialogTest, ReadsIntegersLikeScanf) {
  const struct {
    QString text;
    int32_t value;
  } cases[] = {
      {"90 s", 90},
      {" -5", -5},
      {"+12", 12},
      {"\t7x", 7},
      {QString(62, ' ') + "5", 5},  // the 63rd character is still read
      {"-2147483648", INT32_MIN},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    const int result = Run([&](QWidget* d) {
      Control<QLineEdit>(d, IDC_TIMELIMIT)->setText(c.text);
      ClickOk(d);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.timelimit, c.value);
  }
  EXPECT_TRUE(messages.empty());
}

TEST_F(SubjectDialogTest, RefusesAFieldWithoutAnIntegerAndReadsNoLaterField) {
  const QString refused[] = {"abc", "", "-", "  x5", QString(63, ' ') + "5", "99999999999"};
  for (const QString& text : refused) {
    SCOPED_TRACE(text.toStdString());
    messages.clear();
    CopyIn(ExperimentSettings{}, dialog);
    bool stayed_open = false, focused = false, selected = false;
    const int result = Run([&](QWidget* d) {
      Control<QLineEdit>(d, IDC_RANDOM_SEED)->setText("42");  // before the refused field
      Control<QLineEdit>(d, IDC_TIMELIMIT)->setText(text);
      Control<QCheckBox>(d, IDC_FLAG_HEAD)->setChecked(true);  // after it
      ClickOk(d);
      stayed_open = d->isVisible();
      auto* edit = Control<QLineEdit>(d, IDC_TIMELIMIT);
      focused = d->focusWidget() == edit;
      selected = edit->selectedText() == edit->text();
      Control<QPushButton>(d, IDCANCEL)->click();
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(stayed_open);
    EXPECT_TRUE(focused);
    EXPECT_TRUE(selected);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "整数を入力してください。");
    EXPECT_EQ(dialog.random_seed, 42);  // read before the refusal
    EXPECT_EQ(dialog.flag_head, 0);     // never reached
  }
}

// Only 1 is on for the run: any other value shows clear and comes back as 0,
// so what the box shows is what the run does.
TEST_F(SubjectDialogTest, CheckBoxValuesOtherThanOneShowClearAndBecomeZero) {
  dialog.flag_head = 5;
  dialog.flag_knee = -1;
  dialog.flag_foot = 2;
  dialog.flag_single = 1;
  dialog.mirror = 0;
  std::map<int32_t, Qt::CheckState> shown;
  Run([&](QWidget* d) {
    for (int32_t id : {IDC_FLAG_HEAD, IDC_FLAG_KNEE, IDC_FLAG_FOOT, IDC_FLAG_SINGLE})
      shown[id] = Control<QCheckBox>(d, id)->checkState();
    Control<QCheckBox>(d, IDC_MIRROR)->click();
    ClickOk(d);
  });
  EXPECT_EQ(shown[IDC_FLAG_HEAD], Qt::Unchecked);
  EXPECT_EQ(shown[IDC_FLAG_KNEE], Qt::Unchecked);
  EXPECT_EQ(shown[IDC_FLAG_FOOT], Qt::Unchecked);
  EXPECT_EQ(shown[IDC_FLAG_SINGLE], Qt::Checked);
  EXPECT_EQ(dialog.flag_head, 0);
  EXPECT_EQ(dialog.flag_knee, 0);
  EXPECT_EQ(dialog.flag_foot, 0);
  EXPECT_EQ(dialog.flag_single, 1);
  EXPECT_EQ(dialog.mirror, 1);
}

// A Subject ID the trial file, the file names or the settings cannot hold is
// refused with a message naming the field and the character; the dialog stays
// open with the field focused and nothing read back.
TEST_F(SubjectDialogTest, RefusesASubjectTheFilesCannotHold) {
  const struct {
    QString typed;
    const char* named;  // in the message
  } cases[] = {
      {"", "被験者IDが空です。"},
      {"P1,A", "3 文字目にカンマ（,）"},
      {"P\"1\"", "2 文字目に二重引用符（\"）"},
      {"=P1", "1 文字目に等号（=）"},
      {"P1\tB", "3 文字目に制御文字（U+0009）"},
      {QString("P1") + QChar(0x7F), "3 文字目に制御文字（U+007F）"},
      {" P1", "先頭に空白（U+0020）"},
      {"P1 ", "末尾に空白（U+0020）"},
      {QString("P1") + QChar(0x3000), "末尾に空白（U+3000）"},
      {QString(kSubjectMaxBytes + 1, 'x'), "1016 バイトあります。設定ファイルに保存できるのは 1015 バイトまで"},
      {QString(339, QChar(0x3042)), "1017 バイトあります"},  // あ: three bytes each
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed.left(20).toStdString());
    messages.clear();
    CopyIn(ExperimentSettings{}, dialog);
    dialog.timelimit = 30;
    bool stayed = false, focused = false;
    const int result = Run([&](QWidget* d) {
      auto* subject = Control<QLineEdit>(d, IDC_SUBJECT);
      subject->setText(c.typed);
      Control<QLineEdit>(d, IDC_TIMELIMIT)->setText("45");
      ClickOk(d);
      stayed = d->isVisible();
      focused = subject->hasFocus() || QApplication::focusWidget() == subject;
      Control<QPushButton>(d, IDCANCEL)->click();
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(focused);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("被験者IDの欄を直して"), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find(c.named), std::string::npos) << messages[0];
    EXPECT_EQ(dialog.subject, "SBJ0000");
    EXPECT_EQ(dialog.timelimit, 30) << "a field after the subject was read";
  }
}

// Anything else is kept exactly as typed, inner blanks and all.
TEST_F(SubjectDialogTest, KeepsAnAcceptableSubjectExactlyAsTyped) {
  for (const QString& typed : {QString("子ども 2"), QString("P-1_a;b'c"),
                               QString(kSubjectMaxBytes, 'x'), QString("x")}) {
    SCOPED_TRACE(typed.left(20).toStdString());
    messages.clear();
    const int result = Run([&](QWidget* d) {
      Control<QLineEdit>(d, IDC_SUBJECT)->setText(typed);
      ClickOk(d);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(dialog.subject, typed.toStdString());
  }
}

// The longest accepted subject survives the settings file; one byte more does not.
TEST(SubjectRules, TheLongestAcceptedSubjectRoundTripsThroughTheSettingsFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string base = (dir.path() + "/Tavelin2").toStdString();
  for (const size_t length : {kSubjectMaxBytes, kSubjectMaxBytes + 1}) {
    SettingsFile out;
    out.Load(base);
    out.SetString("subject", std::string(length, 'x'));
    out.SetInt("mirror", 1);
    out.Save();
    SettingsFile in;
    in.Load(base);
    std::string subject;
    in.GetString("subject", subject);
    EXPECT_EQ(subject == std::string(length, 'x'), length == kSubjectMaxBytes) << length;
  }
}

TEST_F(SubjectDialogTest, JankenRadioButtonsFollowJanken) {
  const struct {
    int32_t janken;
    int32_t click;  // 0: no click
    int32_t shown;
    int32_t result;
  } cases[] = {
      {0, 0, IDC_JANKEN_NONE, 0},
      {1, 0, IDC_JANKEN_NORMAL, 1},
      {2, 0, IDC_JANKEN_LATE, 2},
      {7, 0, IDC_JANKEN_LATE, 7},
      {-3, 0, IDC_JANKEN_LATE, -3},
      {7, IDC_JANKEN_NONE, IDC_JANKEN_LATE, 0},
      {7, IDC_JANKEN_LATE, IDC_JANKEN_LATE, 2},
      {0, IDC_JANKEN_NORMAL, IDC_JANKEN_NONE, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.janken << " click " << c.click);
    dialog.janken = c.janken;
    int32_t shown = 0;
    Run([&](QWidget* d) {
      for (int32_t id : {IDC_JANKEN_NONE, IDC_JANKEN_NORMAL, IDC_JANKEN_LATE}) {
        if (Control<QRadioButton>(d, id)->isChecked()) shown = id;
      }
      if (c.click != 0) QTest::mouseClick(FindControl(*d, c.click), Qt::LeftButton);
      ClickOk(d);
    });
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(dialog.janken, c.result);
  }
}

TEST_F(SubjectDialogTest, EnterConfirms) {
  const int result = Run([&](QWidget* d) {
    Control<QLineEdit>(d, IDC_SUBJECT)->setText("K05");
    QTest::keyClick(Control<QLineEdit>(d, IDC_TIMELIMIT), Qt::Key_Return);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(dialog.subject, "K05");
}

TEST_F(SubjectDialogTest, CancelEscapeAndCloseBoxChangeNothing) {
  const std::function<void(QWidget*)> cancels[] = {
      [](QWidget* d) { Control<QPushButton>(d, IDCANCEL)->click(); },
      [](QWidget* d) { QTest::keyClick(FindControl(*d, IDC_SUBJECT), Qt::Key_Escape); },
      [](QWidget* d) { d->close(); },
  };
  for (const auto& cancel : cancels) {
    CopyIn(ExperimentSettings{}, dialog);
    const int result = Run([&](QWidget* d) {
      Control<QLineEdit>(d, IDC_SUBJECT)->setText("changed");
      Control<QLineEdit>(d, IDC_TIMELIMIT)->setText("5");
      Control<QCheckBox>(d, IDC_FLAG_MOUSE)->setChecked(true);
      QTest::mouseClick(FindControl(*d, IDC_JANKEN_LATE), Qt::LeftButton);
      cancel(d);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(dialog.subject, "SBJ0000");
    EXPECT_EQ(dialog.timelimit, 60);
    EXPECT_EQ(dialog.flag_mouse, 0);
  }
}

TEST_F(SubjectDialogTest, SubjectBytesFromTheWindowsBuildStayUnlessEdited) {
  const std::string shift_jis = "\x8e\x71\x82\xc7\x82\xe0";  // 子ども in Shift-JIS
  dialog.subject = shift_jis;
  QString shown;
  Run([&](QWidget* d) {
    shown = Control<QLineEdit>(d, IDC_SUBJECT)->text();
    ClickOk(d);
  });
  EXPECT_EQ(dialog.subject, shift_jis);
  EXPECT_FALSE(shown.isEmpty());

  Run([&](QWidget* d) {
    Control<QLineEdit>(d, IDC_SUBJECT)->setText("子ども2");
    ClickOk(d);
  });
  EXPECT_EQ(dialog.subject, "子ども2");
}

}  // namespace
