#include "app/dialog_template.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVariant>

#include "app/resource_ids.h"

namespace {

// Windows' MulDiv: a * b / c rounded to nearest.
int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  const int64_t p = static_cast<int64_t>(a) * b;
  return static_cast<int32_t>((p >= 0 ? p + c / 2 : p - c / 2) / c);
}

QWidget* CreateControl(QDialog& dialog, const ControlTemplate& c) {
  // Captions marked for translation are looked up in the "Dialog" context; the
  // others come back as they are.
  const QString caption = QCoreApplication::translate("Dialog", c.caption);
  switch (c.kind) {
    case ControlKind::kEdit:
      return new QLineEdit(&dialog);
    case ControlKind::kCheckBox:
      return new QCheckBox(caption, &dialog);
    case ControlKind::kRadioButton:
      return new QRadioButton(caption, &dialog);
    case ControlKind::kPushButton:
    case ControlKind::kDefPushButton: {
      auto* button = new QPushButton(caption, &dialog);
      button->setAutoDefault(false);
      button->setDefault(c.kind == ControlKind::kDefPushButton);
      return button;
    }
    case ControlKind::kStatic: {
      auto* label = new QLabel(caption, &dialog);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return label;
    }
    case ControlKind::kGroupBox: {
      auto* box = new QGroupBox(caption, &dialog);
      box->setAttribute(Qt::WA_TransparentForMouseEvents);
      box->setFocusPolicy(Qt::NoFocus);
      return box;
    }
  }
  return nullptr;
}

}  // namespace

QRect DialogBaseUnits::ToPixels(int32_t x, int32_t y, int32_t width, int32_t height) const {
  return QRect(MulDiv(x, cx, 4), MulDiv(y, cy, 8), MulDiv(width, cx, 4), MulDiv(height, cy, 8));
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return DialogBaseUnits{(letters / 26 + 1) / 2, metrics.height()};
}

QFont JapaneseDialogFont(double points) {
  QFont font;
  font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")});
  font.setPointSizeF(points);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  return font;
}

void BuildDialog(QDialog& dialog, const DialogTemplate& tmpl) {
  dialog.setWindowTitle(QString::fromUtf8(tmpl.title));
  // Caption with a close box only: no minimise, maximise or sizing.
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  dialog.setFont(JapaneseDialogFont(tmpl.font_points));
  dialog.setProperty(kControlIdProperty, tmpl.id);
  const DialogBaseUnits units = BaseUnitsOf(dialog.font());
  dialog.setFixedSize(units.ToPixels(0, 0, tmpl.width, tmpl.height).size());

  QWidget* previous_tab_stop = nullptr;
  for (const ControlTemplate& c : tmpl.controls) {
    QWidget* widget = CreateControl(dialog, c);
    widget->setGeometry(units.ToPixels(c.x, c.y, c.width, c.height));
    if (*c.symbol != '\0') widget->setObjectName(QString::fromUtf8(c.symbol));
    if (c.id != 0) widget->setProperty(kControlIdProperty, c.id);
    if (c.kind == ControlKind::kGroupBox) {
      widget->lower();
      continue;
    }
    if (!c.tab_stop) {
      widget->setFocusPolicy(Qt::ClickFocus);
      continue;
    }
    widget->setFocusPolicy(Qt::StrongFocus);
    if (previous_tab_stop != nullptr) QWidget::setTabOrder(previous_tab_stop, widget);
    previous_tab_stop = widget;
  }
}

QWidget* FindControl(const QWidget& dialog, int32_t id) {
  for (QWidget* child : dialog.findChildren<QWidget*>()) {
    if (child->property(kControlIdProperty).toInt() == id) return child;
  }
  return nullptr;
}
