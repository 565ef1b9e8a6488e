#include "data/ascii_case.h"

char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperAscii(std::string text) {
  for (char& c : text)
    c = UpperAscii(c);
  return text;
}
