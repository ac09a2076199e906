#include "app/about_box.h"

#include <QLabel>
#include <QPushButton>

#include "app/resource_ids.h"
#include "results/run_record.h"

namespace {
constexpr ControlTemplate kAboutControls[] = {
    {IDOK, "IDOK", ControlKind::kDefPushButton, "OK", 130, 7, 50, 14, true},
    {0, "", ControlKind::kStatic, "Windows Test Program (v0.01)", 7, 7, 106, 11, false},
};
}  // namespace

// The Windows template asks for "ＭＳ Ｐゴシック" at 9 points; the Japanese UI
// font stands in for it.
const DialogTemplate kAboutBoxTemplate{IDD_ABOUTBOX,  "About this application", 187, 59, 9.0,
                                       kAboutControls};

AboutBox::AboutBox(QWidget* owner) : QDialog(owner) {
  BuildDialog(*this, kAboutBoxTemplate);
  auto* ok = static_cast<QPushButton*>(FindControl(*this, IDOK));
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  // The build's version under the text, for the lab's notes and bug reports.
  const QLabel* text = findChild<QLabel*>();
  auto* version = new QLabel(AboutVersionText(), this);
  version->setObjectName("version");
  version->setGeometry(text->x(), text->y() + 2 * text->height(), width() - 2 * text->x(),
                       text->height());
}

QString AboutVersionText() {
  return QStringLiteral("tavelin2 ") + QString::fromUtf8(ProgramVersion());
}
