#include "stage/key_codes.h"

#include <Qt>

namespace {

struct KeyPair {
  int qt_key;
  int32_t virtual_key;
};

// Keys whose virtual-key code is not their character code. The shifted
// symbols of a US layout give the code of the key they are typed with.
constexpr KeyPair kNamedKeys[] = {
    {Qt::Key_Backspace, 8},     {Qt::Key_Tab, 9},
    {Qt::Key_Backtab, 9},       {Qt::Key_Return, 13},
    {Qt::Key_Enter, 13},        {Qt::Key_Shift, 16},
    {Qt::Key_Control, 17},      {Qt::Key_Alt, 18},
    {Qt::Key_Pause, 19},        {Qt::Key_CapsLock, 20},
    {Qt::Key_Escape, 27},       {Qt::Key_Space, 32},
    {Qt::Key_PageUp, 33},       {Qt::Key_PageDown, 34},
    {Qt::Key_End, 35},          {Qt::Key_Home, 36},
    {Qt::Key_Left, 37},         {Qt::Key_Up, 38},
    {Qt::Key_Right, 39},        {Qt::Key_Down, 40},
    {Qt::Key_Print, 44},        {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},       {Qt::Key_Meta, 91},
    {Qt::Key_Menu, 93},         {Qt::Key_NumLock, 144},
    {Qt::Key_ScrollLock, 145},  {Qt::Key_Exclam, '1'},
    {Qt::Key_At, '2'},          {Qt::Key_NumberSign, '3'},
    {Qt::Key_Dollar, '4'},      {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'},
    {Qt::Key_Asterisk, '8'},    {Qt::Key_ParenLeft, '9'},
    {Qt::Key_ParenRight, '0'},  {Qt::Key_Semicolon, 186},
    {Qt::Key_Colon, 186},       {Qt::Key_Equal, 187},
    {Qt::Key_Plus, 187},        {Qt::Key_Comma, 188},
    {Qt::Key_Less, 188},        {Qt::Key_Minus, 189},
    {Qt::Key_Underscore, 189},  {Qt::Key_Period, 190},
    {Qt::Key_Greater, 190},     {Qt::Key_Slash, 191},
    {Qt::Key_Question, 191},    {Qt::Key_QuoteLeft, 192},
    {Qt::Key_AsciiTilde, 192},  {Qt::Key_BracketLeft, 219},
    {Qt::Key_BraceLeft, 219},   {Qt::Key_Backslash, 220},
    {Qt::Key_Bar, 220},         {Qt::Key_BracketRight, 221},
    {Qt::Key_BraceRight, 221},  {Qt::Key_Apostrophe, 222},
    {Qt::Key_QuoteDbl, 222},
};

// Numeric keypad: digits 96..105, then * + (separator) - . /
int32_t KeypadKey(int qt_key) {
  if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) return 96 + (qt_key - Qt::Key_0);
  switch (qt_key) {
    case Qt::Key_Asterisk:
      return 106;
    case Qt::Key_Plus:
      return 107;
    case Qt::Key_Minus:
      return 109;
    case Qt::Key_Period:
      return 110;
    case Qt::Key_Slash:
      return 111;
    case Qt::Key_Enter:
      return 13;
    default:
      return -1;
  }
}

}  // namespace

int32_t VirtualKeyFromQtKey(int qt_key, bool keypad) {
  if (keypad) {
    const int32_t k = KeypadKey(qt_key);
    if (k >= 0) return k;
  }
  if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) return 'A' + (qt_key - Qt::Key_A);
  if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) return '0' + (qt_key - Qt::Key_0);
  if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24) return 112 + (qt_key - Qt::Key_F1);
  for (const KeyPair& pair : kNamedKeys) {
    if (pair.qt_key == qt_key) return pair.virtual_key;
  }
  return 0;
}
