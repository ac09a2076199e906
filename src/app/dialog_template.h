#pragma once
// Dialog templates: the controls of a dialog with their IDs, captions and
// rectangles in dialog units, and a builder that lays them out on a QDialog.
//
// A dialog unit is a quarter of the dialog font's average character width
// horizontally and an eighth of its character height vertically, so a template
// keeps its proportions with whatever font the system has.

#include <QFont>
#include <QRect>
#include <cstdint>
#include <span>

class QDialog;
class QWidget;

enum class ControlKind {
  kEdit,
  kCheckBox,
  kRadioButton,
  kPushButton,
  kDefPushButton,
  kStatic,
  kGroupBox
};

struct ControlTemplate {
  int32_t id;          // 0: no ID of its own (static texts, group boxes)
  const char* symbol;  // objectName of the widget; "" when it has none
  ControlKind kind;
  const char* caption;          // UTF-8
  int32_t x, y, width, height;  // dialog units
  bool tab_stop;
};

struct DialogTemplate {
  int32_t id;
  const char* title;      // UTF-8
  int32_t width, height;  // client area, dialog units
  double font_points;
  std::span<const ControlTemplate> controls;  // template order = tab order
};

// Base units of a font, in pixels: the average width of the letters A-Z a-z
// (rounded as the Windows dialog manager does) and the character height.
struct DialogBaseUnits {
  int32_t cx = 0;
  int32_t cy = 0;
  QRect ToPixels(int32_t x, int32_t y, int32_t width, int32_t height) const;
};
DialogBaseUnits BaseUnitsOf(const QFont& font);

// The Japanese UI font standing in for the Windows dialog fonts at `points`.
QFont JapaneseDialogFont(double points);

// Creates the template's controls on `dialog` (fixed client size, title, font,
// geometry, objectName and the numeric ID in the "control_id" property, tab
// order of the tab-stop controls). Group boxes lie under the other controls and
// let clicks through, like the frames they are.
void BuildDialog(QDialog& dialog, const DialogTemplate& tmpl);

// The control with the given ID, or null.
QWidget* FindControl(const QWidget& dialog, int32_t id);
