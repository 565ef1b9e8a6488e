// Level files (".vle", block/parameter text) and level packages (".zle", ZIP archives
// holding the level text with the level's own patterns and images).
#pragma once

#include <memory>
#include <string>

#include "data/game_error.h"
#include "world/screen_size.h"

class TLevel;
class TDat;
class TZipFile;

// A value of the level text that must be a number and is not (a top-ten time). what()
// names the value and the line.
class EConvertError : public GameError {
 public:
  using GameError::GameError;
};

// The level text. With a target the text goes into it and nothing is written; otherwise
// it is written to fileName (through a temporary file). Throws FileError.
void SaveLevel(const TLevel& level, const std::string& fileName, TDat* target = nullptr);
// Reads the level text into an empty level, from the source tree when given (fileName
// is then ignored), else from the file. Also fills the top ten and BestTime. Throws
// FileError, and EConvertError for a bad top-ten time (the level is then left empty and
// the top ten unchanged). A text whose Type is not "Level" leaves the level empty and
// closes the current package; the game shows that level as it is, and the result is
// false only so that a tool can say so.
bool LoadLevel(TLevel& level, const std::string& fileName, std::unique_ptr<TDat> source = nullptr);
// Whether the name is a level file's: its extension is "vle" in any letter case. A level
// file on disk is read as text, anything else as a package; in a package it is the
// level member.
bool IsLevelFileName(const std::string& name);
// Opens a package (it stays open as the current package), loads its patterns and the
// level from its first ".VLE" member. Throws FileError and ZipError. False, as from
// LoadLevel, when that member's Type is not "Level".
bool LoadLevelPackage(TLevel& level, const std::string& fileName);
// Replaces the level member of the current package with the level text and writes the
// whole archive to fileName (through a temporary file). Nothing without a level member.
void SaveLevelPackage(const TLevel& level, const std::string& fileName);

// The package opened last, or nullptr.
TZipFile* CurrentPackage();
// Closes the current package and frees the package patterns.
void FreeLevelPackage();
