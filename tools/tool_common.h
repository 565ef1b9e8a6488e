// What the subcommands of tovi2-tool do alike: the usage text of a wrong call, the output
// and its flush, and the error text of a failed command.
#pragma once

#include <functional>
#include <string>

// Writes the usage text to standard error; returns the status of a wrong call, 1.
int UsageError(const char* usage);
// Flushes standard output: 0, or 1 with the system's reason on standard error.
int FlushOutput();
// Writes every byte of text to standard output, then flushes it as FlushOutput does.
int PrintOutput(const std::string& text);
// The status of the command; an exception ends it with status 1 and its what() on a line
// of standard error.
int RunReportingErrors(const std::function<int()>& command);
// The line the tools print for a unit other than SYSTEM that a script asks for (the
// compiler gives no message of its own for it).
std::string UnknownUnitText(const std::string& unit);
