#pragma once
// Modal message boxes for the Qt-free parts of the program. The Qt front end
// installs a handler that shows a real box and waits until it is closed; without
// one (tests, tools) the text goes to stderr.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

inline constexpr uint32_t MB_OK = 0x0;
inline constexpr uint32_t MB_ICONHAND = 0x10;
inline constexpr uint32_t MB_ICONEXCLAMATION = 0x30;

// Caption of framework message boxes: the executable's name without extension.
inline constexpr const char* kApplicationName = "tavelin2";

using MessageBoxHandler =
    std::function<void(const std::string& text, const std::string& caption, uint32_t style)>;

// Replaces the handler; returns the previous one (tests restore it).
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// Yes/No questions (MB_YESNO in the Windows build) go through their own hook,
// since they have an answer; true is Yes.
using QuestionBoxHandler = std::function<bool(const std::string& text, const std::string& caption)>;

// Replaces the question handler; returns the previous one (tests restore it).
QuestionBoxHandler SetQuestionBoxHandler(QuestionBoxHandler handler);

// Asks and waits for the answer. Without a handler (no one to ask) the text goes
// to stderr and the answer is No, so nothing is done on anyone's behalf.
bool AskYesNo(const std::string& text);

// A box with the given caption; returns when it is closed.
void ShowMessageBox(const std::string& text, const std::string& caption, uint32_t style);
// A box captioned with the application name.
void AfxMessageBox(const std::string& text, uint32_t style = MB_OK);

// The experimenter's language for the messages composed here, below the front
// end: the front end installs a lookup of the texts marked with
// QT_TRANSLATE_NOOP("Message", ...); without one a text stays as written, in
// Japanese.
using MessageTranslator = std::function<std::string(const char* source)>;

// Replaces the lookup; returns the previous one.
MessageTranslator SetMessageTranslator(MessageTranslator translator);

// The marked text `source` in the experimenter's language, each %1 to %9 in it
// replaced by the argument of that number (paths, values: never translated).
// Any thread may compose a message.
std::string MessageText(const char* source, std::initializer_list<std::string_view> args = {});
