#include "anim/anim_text.h"

#include "data/real_text.h"
#include "data/text_lines.h"

std::vector<std::string> SplitAnimLines(std::string_view text, LineEnds ends) {
  return ends == LineEnds::File ? SplitFileLines(text) : SplitPackageLines(text);
}

float ReadReal(std::string_view text) {
  return TextToFloat(text).value_or(0.0f);
}
