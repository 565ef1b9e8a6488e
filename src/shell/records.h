// The end of a run: the finishing time, the level's top ten and the result line.
#pragma once

// The run ends in a finish (the script routine Victory); only in "Game".
void FinishRun();
// The run ends in a failure (the script routine GameOver); only in "Game".
void FailRun();
