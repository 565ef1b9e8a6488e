#include "gui/message_list.h"

namespace {
std::vector<std::string> messages;
}

void AddMessage(const std::string& text, bool) {
  messages.push_back(text);
}

const std::vector<std::string>& MessageList() {
  return messages;
}

void ClearMessages() {
  messages.clear();
}
