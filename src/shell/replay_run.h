// The screen "Replay": the recording played back in a rebuilt level, replay files loaded
// and merged, and the names shown over the creatures.
#pragma once

#include <string>

// `LoadReplay`: reads the replay file at path, loads the level it was made on as
// CurrentLevel (not yet prepared) and makes the file's tracks and length the recording.
// False with the reason in error when the file is damaged, its level is missing or the
// level has changed since.
bool LoadReplay(const std::string& path, std::string& error);
// `MergeReplay`: adds the creatures of a second replay of the same level as translucent
// copies beside those of the loaded one; the names are the two replays' file names.
// False with the reason in error.
bool MergeReplay(const std::string& path, const std::string& firstName,
                 const std::string& secondName, std::string& error);
// CurrentLevel rebuilt from LevelTemplate with the clocks at 0 and every track unbound;
// no start script runs. The start of a replay and of each of its loops.
void RebuildReplayLevel();
// One tick of playback: GameTicks advances, the replay loops at RunTicks, and the
// recording is applied at the new time.
void StepReplay();
// `DrawReplayNames`: every creature's Name in green 50 units above it, fading with the
// distance to the Player. Needs the level's camera set.
void DrawReplayNames();
