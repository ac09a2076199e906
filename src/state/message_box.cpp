#include "state/message_box.h"

#include <cstdio>
#include <mutex>
#include <utility>

#include "state/text_arguments.h"

namespace {
MessageBoxHandler& Handler() {
  static MessageBoxHandler handler;
  return handler;
}
QuestionBoxHandler& Question() {
  static QuestionBoxHandler handler;
  return handler;
}
// The sensor's and the recorder's threads compose their reasons too, while
// the language may change on the UI thread.
std::mutex translator_mutex;
MessageTranslator& Translator() {
  static MessageTranslator translator;
  return translator;
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

MessageTranslator SetMessageTranslator(MessageTranslator translator) {
  std::lock_guard<std::mutex> guard(translator_mutex);
  return std::exchange(Translator(), std::move(translator));
}

std::string MessageText(const char* source, std::initializer_list<std::string_view> args) {
  MessageTranslator translator;
  {
    std::lock_guard<std::mutex> guard(translator_mutex);
    translator = Translator();
  }
  return FillArguments(translator ? translator(source) : std::string(source), args);
}
