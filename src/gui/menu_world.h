// The menu background: nine balls bouncing in a physics world of their own.
#pragma once

#include "platform/physics.h"

// Builds the ball world once at start (the first ball gets a push in a random direction,
// a whole number of degrees from 0 to 359). A world built before is freed first.
void CreateMenuWorld(int randomDegrees);
// Advances the ball world by one millisecond (each menu tick).
void StepMenuWorld();
// Frees the ball world with all it holds (at exit).
void FreeMenuWorld();
// Position of ball i (0 to 8), for drawing and tests.
void MenuBallPosition(int i, double& x, double& y);
// Ball i (0 to 8) of the ball world; nullptr while there is no world or for another i.
const phys::cpBody* MenuBall(int i);
