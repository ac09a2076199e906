#include "state/message_box.h"

#include <cstdio>
#include <utility>

namespace {
MessageBoxHandler& Handler() {
  static MessageBoxHandler handler;
  return handler;
}
QuestionBoxHandler& Question() {
  static QuestionBoxHandler handler;
  return handler;
}
}  // namespace

QuestionBoxHandler SetQuestionBoxHandler(QuestionBoxHandler handler) {
  return std::exchange(Question(), std::move(handler));
}

bool AskYesNo(const std::string& text) {
  if (Question()) return Question()(text, kApplicationName);
  std::fprintf(stderr, "[%s] %s (no one to answer: No)\n", kApplicationName, text.c_str());
  return false;
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  return std::exchange(Handler(), std::move(handler));
}

void ShowMessageBox(const std::string& text, const std::string& caption, uint32_t style) {
  if (Handler()) {
    Handler()(text, caption, style);
    return;
  }
  std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
}

void AfxMessageBox(const std::string& text, uint32_t style) {
  ShowMessageBox(text, kApplicationName, style);
}
