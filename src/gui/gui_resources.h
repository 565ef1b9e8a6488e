// The fonts and images that the screens and the level run draw with. The program loads
// them once at start (shell/resources.h); an image that could not be loaded is nullptr.
#pragma once

#include "anim/anim.h"
#include "platform/engine.h"

extern Font* MainFont;
extern Font* SmallFont;
extern Texture* SkyTexture;     // the scrolling background of a level run
extern Texture* DigitsTexture;  // the time display: cells of 16 x 39 pixels
extern Texture* BackTexture;
extern Texture* LogoTexture;
extern Texture* BallTexture;
extern TSpr MenuSprite;  // the menu cursor: 50 frames of 40 x 40 pixels
