#include "state/message_box.h"

#include <cstdio>
#include <utility>

namespace {
MessageBoxHandler& Handler() {
  static MessageBoxHandler handler;
  return handler;
}
}  // namespace

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
