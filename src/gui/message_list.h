// The on-screen message list: load and script error texts, kept while the program runs.
#pragma once

#include <string>
#include <vector>

// Appends a text (the flag has no visible effect).
void AddMessage(const std::string& text, bool flag = false);
const std::vector<std::string>& MessageList();
// Empties the list. The game never does; long test and fuzz runs do.
void ClearMessages();
