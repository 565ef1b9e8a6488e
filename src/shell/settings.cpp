#include "shell/settings.h"

#include <filesystem>

std::string BaseDir;
TDat Config;
TSettings Settings;

const SettingInfo kSettingTable[9] = {
    {"FullScreen", true, &TSettings::FullScreen, nullptr},
    {"VSync", true, &TSettings::VSync, nullptr},
    {"ShowRecNames", true, &TSettings::ShowRecNames, nullptr},
    {"ShowLastAppleTime", true, &TSettings::ShowLastAppleTime, nullptr},
    {"HideSprites", true, &TSettings::HideSprites, nullptr},
    {"Left", false, nullptr, &TSettings::Left},
    {"Right", false, nullptr, &TSettings::Right},
    {"Jump", false, nullptr, &TSettings::Jump},
    {"Restart", false, nullptr, &TSettings::Restart},
};

void InitBaseDir() {
  BaseDir = std::filesystem::current_path().string();
  if (BaseDir.empty() || BaseDir.back() != '/') BaseDir += '/';
}

namespace {

std::string ConfigPath() {
  return BaseDir + "Config.dat";
}

// Each setting is read with its current value as the default, so a missing entry keeps
// the built-in one. Key codes keep their low 8 bits only.
void ReadSettings() {
  for (const SettingInfo& s : kSettingTable) {
    const TDatParam& p = Config.Param(s.key);
    if (s.isFlag) {
      Settings.*s.flag = p.AsBool(Settings.*s.flag);
    } else {
      Settings.*s.code = p.AsInteger(Settings.*s.code) & 0xFF;
    }
  }
}

void WriteDefaults() {
  for (const SettingInfo& s : kSettingTable) {
    if (s.isFlag) {
      Config.SetParam(s.key, Settings.*s.flag ? "True" : "False");
    } else {
      Config.SetParam(s.key, std::to_string(Settings.*s.code));
    }
  }
}

}  // namespace

void LoadSettings() {
  std::error_code ec;
  if (std::filesystem::exists(ConfigPath(), ec)) {
    Config.LoadFromFile(ConfigPath());
    ReadSettings();
  } else {
    WriteDefaults();
    SaveConfig();
  }
}

void SaveConfig() {
  Config.SaveParamsToFile(ConfigPath());
}
