#include "gui/gui_resources.h"

Font* MainFont = nullptr;
Font* SmallFont = nullptr;
Texture* SkyTexture = nullptr;
Texture* DigitsTexture = nullptr;
Texture* BackTexture = nullptr;
Texture* LogoTexture = nullptr;
Texture* BallTexture = nullptr;
TSpr MenuSprite;
