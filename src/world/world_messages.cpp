#include "world/world_messages.h"

namespace {
MessageSink sink;
}

void SetMessageSink(MessageSink s) { sink = std::move(s); }

void WorldMessage(const std::string& text) {
  if (sink) sink(text);
}
