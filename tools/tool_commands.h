// Subcommands of tovi2-tool, one per file kind. Each takes the arguments after its own
// name, writes machine-readable output to standard output, and returns the exit status
// (1 on any error, with the system's own error text on standard error).
#pragma once

#include <string>
#include <vector>

using ToolArgs = std::vector<std::string>;

int DatCommand(const ToolArgs& args);
int ZipCommand(const ToolArgs& args);
int AnimCommand(const ToolArgs& args);
int LevelCommand(const ToolArgs& args);
int ScriptCommand(const ToolArgs& args);
int ReplayCommand(const ToolArgs& args);
