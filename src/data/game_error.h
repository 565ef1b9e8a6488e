// The root of the game's own errors.
#pragma once

#include <stdexcept>

// Every failure the game shows the player as text: load errors of files, packages,
// animations, and later scripts and replays. what() is that text.
class GameError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
