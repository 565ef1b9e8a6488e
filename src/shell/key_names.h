// Display names of the keyboard codes, used to show bindings and to read typed letters.
#pragma once

#include <string>

// The name of a key code; the empty text for keys without one (Escape and Enter among
// them).
std::string KeyName(int code);

// The code of a key given as a decimal code, a key name ("LEFT", "SPACE", "R", ...),
// "ESCAPE" or "ENTER"; -1 when there is none. A number is always a code, so the digit
// keys go by "KEY_0" to "KEY_9". Names that
// several keys share give the main keyboard's key ("CTRL" is the left Ctrl key).
int KeyCodeFromName(const std::string& name);
