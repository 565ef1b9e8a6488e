#include "shell/resources.h"

#include "anim/anim_play.h"
#include "gui/screens.h"
#include "world/pattern.h"

namespace {

std::string loadedBaseDir;
bool skyTried = false;

Texture* LoadImage(const std::string& path) {
  return tex_LoadFromFile(path, TEX_NO_COLORKEY, TEX_DEFAULT_2D);
}

// The order of the resource table.
void LoadFontsAndImages(const std::string& baseDir) {
  const std::string gui = baseDir + "Data/GUI/";
  MainFont = font_LoadFromFile(gui + "font.zfi");
  SmallFont = font_LoadFromFile(gui + "sfont.zfi");
  DigitsTexture = LoadImage(gui + "digits.png");
  tex_SetFrameSize(DigitsTexture, 16, 39);
  BackTexture = LoadImage(gui + "back.png");
  LogoTexture = LoadImage(gui + "bklogo.png");
  BallTexture = LoadImage(gui + "ball.png");
  MenuSprite.Tex = LoadImage(gui + "sisak.png");
  if (MenuSprite.Tex) MenuSprite.Name = "sisak.png";
  SetGridFrames(MenuSprite, 40, 40, 50);
}

}  // namespace

void LoadResources(const std::string& baseDir) {
  FreeResources();
  loadedBaseDir = baseDir;
  LoadFontsAndImages(baseDir);
  LoadPatternsFromFolder(baseDir + "Data");
  LoadGlobalImagePatterns(baseDir);
}

void LoadSkyOnce() {
  if (skyTried) return;
  skyTried = true;
  SkyTexture = LoadImage(loadedBaseDir + "Data/Backgrounds/sky.png");
}

void FreeResources() {
  skyTried = false;
  FreeMenuBackground();
  font_Del(MainFont);
  font_Del(SmallFont);
  for (Texture** texture : {&SkyTexture, &DigitsTexture, &BackTexture, &LogoTexture, &BallTexture})
    tex_Del(*texture);
  FreeAnim(MenuSprite);
  FreePatternList(GlobalPatterns);
}
