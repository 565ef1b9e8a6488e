// The program folder and the settings file "Config.dat".
#pragma once

#include <string>

#include "data/dat_file.h"
#include "world/screen_size.h"

// The program folder: the current directory at start, with a trailing "/". Every path of
// the game ("Config.dat", "Data/", "Levels/", "Rec/") is relative to it.
extern std::string BaseDir;

// The settings document. The screens keep "SelPlayer", "SelLevel" and the text block
// "Players" in it besides the nine settings below.
extern TDat Config;

// The nine settings, each mirroring one top-level parameter of Config.
struct TSettings {
  bool FullScreen = true;
  bool VSync = false;
  bool ShowRecNames = true;
  bool ShowLastAppleTime = false;
  bool HideSprites = false;
  int Left = 203;  // key codes, 8 bits
  int Right = 205;
  int Jump = 200;
  int Restart = 19;
};
extern TSettings Settings;

// The settings' keys in file order, for those that list them (the headless state dump).
struct SettingInfo {
  const char* key;
  bool isFlag;
  bool TSettings::*flag;
  int TSettings::*code;
};
extern const SettingInfo kSettingTable[9];

// Sets BaseDir from the current directory.
void InitBaseDir();
// Reads "Config.dat" from BaseDir, or creates it with the defaults when it does not exist.
// Throws FileError when it exists but cannot be read or written.
void LoadSettings();
// Writes Config to BaseDir + "Config.dat" (through a temporary file).
void SaveConfig();
