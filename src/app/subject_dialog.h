#pragma once
// The setup dialog of a run (template IDD_SUBJECT). The driver copies the
// settings into the fields, calls DoModal and copies the fields back when it
// returns IDOK. OK reads the controls and refuses a field that holds no integer
// and a Subject ID the result files or the settings cannot hold;
// Cancel, Esc and the close box leave the fields as they were.

#include <QDialog>
#include <cstdint>
#include <string>

#include "app/dialog_template.h"

extern const DialogTemplate kSubjectDialogTemplate;

class CSubject : public QDialog {
  Q_OBJECT
 public:
  explicit CSubject(QWidget* owner = nullptr);

  // Shows the fields in the controls and runs the dialog; IDOK or IDCANCEL.
  int DoModal();

  void OnJankenNone();
  void OnJankenNormal();
  void OnJankenLate();
  // Checks the radio button of `janken`: 0 none, 1 normal, anything else late.
  void UpdateJankenButtons();

  std::string subject;  // UTF-8 bytes; other bytes (Shift-JIS) kept unless edited
  int32_t random_seed = 0;
  int32_t mirror = 0;
  int32_t janken = 0;
  int32_t timelimit = 0;
  int32_t flag_head = 0;
  int32_t flag_shoulder = 0;
  int32_t flag_elbow = 0;
  int32_t flag_hip = 0;
  int32_t flag_knee = 0;
  int32_t flag_foot = 0;
  int32_t flag_mouse = 0;
  int32_t flag_single = 0;

 public slots:
  void accept() override;  // OK and Enter: closes only when every field reads

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Toward the controls (save false) or from them (save true). A refused
  // integer field stops the exchange and returns false.
  bool DoDataExchange(bool save);
  bool ExchangeInt(int32_t id, int32_t& value, bool save);
  void ExchangeCheck(int32_t id, int32_t& value, bool save);
  // A subject the files or the settings cannot hold is refused like a bad
  // integer: a message, the field focused, the exchange stopped.
  bool ExchangeText(int32_t id, std::string& value, bool save);

  QString shown_subject_;  // the subject as the field showed it
};
