#pragma once
// Qt key codes to the virtual-key codes the program acts on (Esc 27, M 77,
// space 32). Letters and digits give their upper-case ASCII code whatever the
// Shift state; keys without a virtual-key code give 0.

#include <cstdint>

// qt_key is a Qt::Key value; keypad says the key came from the numeric keypad.
int32_t VirtualKeyFromQtKey(int qt_key, bool keypad);
