// The fonts and images every screen draws with, and the global patterns, loaded once when
// the window exists.
#pragma once

#include <string>

#include "gui/gui_resources.h"

// Loads the two fonts and the menus' five images below baseDir (which ends in "/"), then
// every global pattern: the descriptions anywhere below baseDir + "Data", then the polygon
// and sprite images. A file that is missing or cannot be decoded leaves its resource
// empty. Frees whatever an earlier call loaded.
void LoadResources(const std::string& baseDir);

// Loads the sky of the level runs from the folder LoadResources was given, on the first
// call after it. No menu shows the sky, and it is the largest image to decode, so the
// first level start reads it rather than the program's start.
void LoadSkyOnce();

// Frees the fonts, images and global patterns. Call it before the program returns from
// main: the engine's texture store is a static that may be gone by the time the static
// resource variables and pattern lists would be destroyed.
void FreeResources();
