// Messages for the player that loading produces ("File Not Found: ..."). The world only
// reports them; the program decides where they go (the on-screen message list).
#pragma once

#include <functional>
#include <string>

using MessageSink = std::function<void(const std::string& text)>;

// Where WorldMessage sends its texts; without a sink they are dropped.
void SetMessageSink(MessageSink sink);
void WorldMessage(const std::string& text);
