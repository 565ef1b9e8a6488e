#include "tool_commands.h"

int DatCommand(const ToolArgs&) { return 1; }
