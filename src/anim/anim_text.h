// Reading the text of animation files: their lines and their numbers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// How a text was stored: a disk file ends its lines as SplitFileLines reads them, a
// package member as SplitPackageLines does (data/text_lines.h).
enum class LineEnds { File, Package };

std::vector<std::string> SplitAnimLines(std::string_view text, LineEnds ends);

// A real with "." as the point; 0 for anything that cannot be read. Always finite.
float ReadReal(std::string_view text);
