#pragma once
// The about box (template IDD_ABOUTBOX): a plain dialog with one line of text
// and an OK button, and the program's version under the text.

#include <QDialog>

#include "app/dialog_template.h"

extern const DialogTemplate kAboutBoxTemplate;

// "tavelin2 <version>", as the box shows it.
QString AboutVersionText();

class AboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit AboutBox(QWidget* owner);
};
