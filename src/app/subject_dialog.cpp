#include "app/subject_dialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringDecoder>

#include "app/int_field.h"
#include "app/qt_message_box.h"
#include "app/resource_ids.h"
#include "app/subject_rules.h"
#include "state/message_box.h"
#include "state/translate_noop.h"

namespace {

constexpr ControlTemplate kSubjectControls[] = {
    {IDC_SUBJECT, "IDC_SUBJECT", ControlKind::kEdit, "", 60, 6, 108, 12, true},
    {IDC_MIRROR, "IDC_MIRROR", ControlKind::kCheckBox, QT_TRANSLATE_NOOP("Dialog", "ミラー表示"),
     132, 30, 48, 12, true},
    {IDC_JANKEN_NONE, "IDC_JANKEN_NONE", ControlKind::kRadioButton,
     QT_TRANSLATE_NOOP("Dialog", "じゃんけんなし"), 18, 42, 84, 12, false},
    {IDC_JANKEN_NORMAL, "IDC_JANKEN_NORMAL", ControlKind::kRadioButton,
     QT_TRANSLATE_NOOP("Dialog", "ノーマルじゃんけん"), 18, 54, 84, 12, false},
    {IDC_JANKEN_LATE, "IDC_JANKEN_LATE", ControlKind::kRadioButton,
     QT_TRANSLATE_NOOP("Dialog", "後出しじゃんけん"), 18, 66, 84, 12, false},
    {IDC_TIMELIMIT, "IDC_TIMELIMIT", ControlKind::kEdit, "", 180, 66, 48, 14, true},
    {IDC_RANDOM_SEED, "IDC_RANDOM_SEED", ControlKind::kEdit, "", 180, 84, 48, 12, true},
    {IDOK, "IDOK", ControlKind::kDefPushButton, "OK", 180, 6, 50, 14, true},
    {IDCANCEL, "IDCANCEL", ControlKind::kPushButton, QT_TRANSLATE_NOOP("Dialog", "キャンセル"), 180,
     24, 50, 14, true},
    {0, "", ControlKind::kStatic, "Subject ID:", 6, 6, 42, 12, false},
    {0, "", ControlKind::kStatic, QT_TRANSLATE_NOOP("Dialog", "乱数初期値"), 132, 84, 48, 12,
     false},
    {0, "", ControlKind::kGroupBox, QT_TRANSLATE_NOOP("Dialog", "じゃんけんモード"), 6, 30, 108, 54,
     false},
    {0, "", ControlKind::kStatic, QT_TRANSLATE_NOOP("Dialog", "制限時間"), 132, 66, 48, 12, false},
    {IDC_FLAG_HEAD, "IDC_FLAG_HEAD", ControlKind::kCheckBox, QT_TRANSLATE_NOOP("Dialog", "頭"), 6,
     102, 30, 12, true},
    {IDC_FLAG_SHOULDER, "IDC_FLAG_SHOULDER", ControlKind::kCheckBox,
     QT_TRANSLATE_NOOP("Dialog", "肩"), 36, 102, 30, 12, true},
    {IDC_FLAG_ELBOW, "IDC_FLAG_ELBOW", ControlKind::kCheckBox, QT_TRANSLATE_NOOP("Dialog", "肘"),
     66, 102, 30, 12, true},
    {IDC_FLAG_HIP, "IDC_FLAG_HIP", ControlKind::kCheckBox, QT_TRANSLATE_NOOP("Dialog", "尻"), 96,
     102, 30, 12, true},
    {IDC_FLAG_KNEE, "IDC_FLAG_KNEE", ControlKind::kCheckBox, QT_TRANSLATE_NOOP("Dialog", "膝"), 126,
     102, 30, 12, true},
    {IDC_FLAG_FOOT, "IDC_FLAG_FOOT", ControlKind::kCheckBox, QT_TRANSLATE_NOOP("Dialog", "足"), 156,
     102, 30, 12, true},
    {IDC_FLAG_MOUSE, "IDC_FLAG_MOUSE", ControlKind::kCheckBox, "MouseMove", 192, 102, 48, 12, true},
    {IDC_FLAG_SINGLE, "IDC_FLAG_SINGLE", ControlKind::kCheckBox,
     QT_TRANSLATE_NOOP("Dialog", "一人モード"), 132, 48, 60, 12, true},
};

// Shown when an integer field holds no integer.
constexpr const char* kNotAnInteger = QT_TRANSLATE_NOOP("Message", "整数を入力してください。");

// A subject saved by the Windows build is Shift-JIS; show it readably.
QString DecodeSubject(const std::string& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (!utf8.hasError()) return text;
  QStringDecoder sjis("Shift_JIS");
  if (sjis.isValid()) {
    text = sjis.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!sjis.hasError()) return text;
  }
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

const DialogTemplate kSubjectDialogTemplate{IDD_SUBJECT, "Dialog", 244,
                                            122,         11.0,     kSubjectControls};

CSubject::CSubject(QWidget* owner) : QDialog(owner) {
  BuildDialog(*this, kSubjectDialogTemplate);
  for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(true);
  connect(static_cast<QPushButton*>(FindControl(*this, IDOK)), &QPushButton::clicked, this,
          &CSubject::accept);
  connect(static_cast<QPushButton*>(FindControl(*this, IDCANCEL)), &QPushButton::clicked, this,
          &CSubject::reject);
  connect(static_cast<QRadioButton*>(FindControl(*this, IDC_JANKEN_NONE)), &QRadioButton::clicked,
          this, &CSubject::OnJankenNone);
  connect(static_cast<QRadioButton*>(FindControl(*this, IDC_JANKEN_NORMAL)), &QRadioButton::clicked,
          this, &CSubject::OnJankenNormal);
  connect(static_cast<QRadioButton*>(FindControl(*this, IDC_JANKEN_LATE)), &QRadioButton::clicked,
          this, &CSubject::OnJankenLate);
}

int CSubject::DoModal() {
  DoDataExchange(false);
  UpdateJankenButtons();
  return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

void CSubject::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  UpdateJankenButtons();
  // The first tab stop takes the focus, its text selected.
  FindControl(*this, IDC_SUBJECT)->setFocus(Qt::TabFocusReason);
}

void CSubject::accept() {
  if (DoDataExchange(true)) QDialog::accept();
}

void CSubject::OnJankenNone() {
  janken = 0;
  UpdateJankenButtons();
}

void CSubject::OnJankenNormal() {
  janken = 1;
  UpdateJankenButtons();
}

void CSubject::OnJankenLate() {
  janken = 2;
  UpdateJankenButtons();
}

void CSubject::UpdateJankenButtons() {
  const int32_t selected =
      janken == 0 ? IDC_JANKEN_NONE : (janken == 1 ? IDC_JANKEN_NORMAL : IDC_JANKEN_LATE);
  for (int32_t id : {IDC_JANKEN_NONE, IDC_JANKEN_NORMAL, IDC_JANKEN_LATE}) {
    static_cast<QRadioButton*>(FindControl(*this, id))->setChecked(id == selected);
  }
}

bool CSubject::DoDataExchange(bool save) {
  if (!ExchangeText(IDC_SUBJECT, subject, save)) return false;
  if (!ExchangeInt(IDC_RANDOM_SEED, random_seed, save)) return false;
  ExchangeCheck(IDC_MIRROR, mirror, save);
  if (!ExchangeInt(IDC_TIMELIMIT, timelimit, save)) return false;
  ExchangeCheck(IDC_FLAG_HEAD, flag_head, save);
  ExchangeCheck(IDC_FLAG_SHOULDER, flag_shoulder, save);
  ExchangeCheck(IDC_FLAG_ELBOW, flag_elbow, save);
  ExchangeCheck(IDC_FLAG_HIP, flag_hip, save);
  ExchangeCheck(IDC_FLAG_KNEE, flag_knee, save);
  ExchangeCheck(IDC_FLAG_FOOT, flag_foot, save);
  ExchangeCheck(IDC_FLAG_MOUSE, flag_mouse, save);
  ExchangeCheck(IDC_FLAG_SINGLE, flag_single, save);
  return true;
}

bool CSubject::ExchangeText(int32_t id, std::string& value, bool save) {
  auto* edit = static_cast<QLineEdit*>(FindControl(*this, id));
  if (!save) {
    shown_subject_ = DecodeSubject(value);
    edit->setText(shown_subject_);
    return true;
  }
  // Untouched text keeps its bytes (a Shift-JIS subject stays Shift-JIS).
  const bool edited = edit->text() != shown_subject_;
  const std::string bytes = edited ? edit->text().toStdString() : value;
  const std::string refusal = SubjectRefusal(edit->text(), bytes.size());
  if (!refusal.empty()) {
    AfxMessageBox(refusal, kMbIconExclamation);
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    return false;
  }
  value = bytes;
  return true;
}

bool CSubject::ExchangeInt(int32_t id, int32_t& value, bool save) {
  auto* edit = static_cast<QLineEdit*>(FindControl(*this, id));
  if (!save) {
    edit->setText(QString::number(value));
    return true;
  }
  const std::optional<int32_t> read =
      ScanDecimalInt(edit->text().left(kIntFieldChars).toStdString());
  if (!read) {
    AfxMessageBox(MessageText(kNotAnInteger), kMbIconExclamation);
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    return false;
  }
  value = *read;
  return true;
}

void CSubject::ExchangeCheck(int32_t id, int32_t& value, bool save) {
  auto* box = static_cast<QCheckBox*>(FindControl(*this, id));
  if (!save) {
    // Only 1 is on for the run; any other value shows clear and is saved as 0.
    if (value != 1) value = 0;
    box->setChecked(value == 1);
    return;
  }
  value = box->isChecked() ? 1 : 0;
}
