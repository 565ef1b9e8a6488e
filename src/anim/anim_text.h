// Reading the text of animation files: their lines and their numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How a text was stored: a disk file ends lines as a text file does (CR LF, LF, or a CR
// after which the rest up to the next LF is dropped; Ctrl-Z ends the file); a package
// member's text is split at CR with every LF dropped. A last line without an end counts,
// an empty one after the last end does not.
enum class LineEnds { File, Package };

std::vector<std::string> SplitAnimLines(std::string_view text, LineEnds ends);

// A whole number: an optional sign, then decimal digits, or hexadecimal after "$" or
// "0x" (up to 32 bits, so "$FFFFFFFF" is -1). Nothing for any other text or an overflow.
std::optional<int32_t> ReadWholeNumber(std::string_view text);

// A real with "." as the point; 0 for anything that cannot be read. Always finite.
float ReadReal(std::string_view text);
