// The end of a run: the result line of the level menu and the level's top ten, which
// travels inside the level file and is written back whenever it changes.
#pragma once

// The run ends in a finish (the script routine `Victory`): the time becomes the result
// line, enters the top ten when it is among the ten best (the level file is then
// rewritten) and the level menu opens. Only in "Game"; elsewhere nothing happens.
void FinishRun();
// The run ends in a failure (the script routine `GameOver`): "You Failed to Finish!" and
// the level menu. Only in "Game"; elsewhere nothing happens.
void FailRun();
