#pragma once
// The Qt side of ShowMessageBox / AfxMessageBox (state/message_box.h): a modal
// QMessageBox over the active window that returns when it is closed.

#include <QMessageBox>
#include <cstdint>

#include "state/message_box.h"

// Icon bits of the style word beyond those message_box.h names.
inline constexpr uint32_t kMbIconMask = 0xF0;
inline constexpr uint32_t kMbIconQuestion = 0x20;
inline constexpr uint32_t kMbIconExclamation = MB_ICONEXCLAMATION;
inline constexpr uint32_t kMbIconAsterisk = 0x40;
// Not a Windows style: the text in type read from across the room (the score
// box on the stage, seen by the child from about 3 m).
inline constexpr uint32_t kMbLargeText = 0x01000000;
inline constexpr int kLargeTextPixels = 48;

QMessageBox::Icon MessageBoxIconFor(uint32_t style);

// Installs the Qt handler; call once the QApplication exists.
void InstallQtMessageBoxHandler();
