// Letter case of the ASCII letters only: names, keys and file extensions of the game's
// files compare the same whatever the locale, and other bytes are never changed.
#pragma once

#include <string>

// c with a to z made A to Z.
char UpperAscii(char c);
// text with a to z made A to Z.
std::string UpperAscii(std::string text);
// text with A to Z made a to z.
std::string LowerAscii(std::string text);
