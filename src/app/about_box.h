#pragma once
// The about box (template IDD_ABOUTBOX): a plain dialog with one line of text
// and an OK button.

#include <QDialog>

#include "app/dialog_template.h"

extern const DialogTemplate kAboutBoxTemplate;

class AboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit AboutBox(QWidget* owner);
};
