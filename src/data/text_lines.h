// The lines of a text as the game's readers see them. A disk file and a package member
// end their lines differently, and the data files and the animation files read both.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// File lines: CR LF or LF ends a line; after a lone CR the rest up to the next LF is
// dropped; a Ctrl-Z byte ends the file. A last line without an end counts, an empty one
// after the last end does not.
std::vector<std::string> SplitFileLines(std::string_view bytes);

// Package text: CR LF, a lone CR or a lone LF ends a line (members made on Windows end
// their lines with CR LF, those written by Linux editors with LF). Ctrl-Z bytes are
// dropped: no writer can put them into a file (a file ends at one), so a text that kept
// them could not be saved as it was read. A last line without an end counts unless it is
// empty.
std::vector<std::string> SplitPackageLines(std::string_view text);
