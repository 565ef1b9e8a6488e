// Whole-file reading and the one routine through which the game writes files.
#pragma once

#include <string>
#include <string_view>

#include "data/game_error.h"

// A file that cannot be opened, read, created or written. what() names the file and
// the system's reason, e.g. `Cannot open file "Config.dat": Is a directory`.
class FileError : public GameError {
 public:
  // verb: "open", "read", "create" or "write"; code: the errno value.
  FileError(std::string_view verb, const std::string& path, int code);

  const std::string& Path() const { return path_; }
  // The errno value, so that a caller can tell a missing file (ENOENT) from others.
  int Code() const { return code_; }

 private:
  std::string path_;
  int code_;
};

// Whether path names a regular file, following symbolic links: false for a folder, a pipe,
// a dangling link or a path that cannot be looked at. Never throws.
bool IsRegularFile(const std::string& path);

// The whole content of a file. Throws FileError when it is missing, a folder or unreadable.
std::string ReadWholeFile(const std::string& path);

// Replaces the file at path with bytes, atomically: readers see the old file or the whole
// new one, never a part. Writes a temporary file in the same folder, flushes it to disk
// and renames it over the target. On failure the temporary file is removed, the old file
// is left untouched, and FileError is thrown. Temporary files of the same target that a
// process no longer running left behind (a game killed while writing) are removed first.
void WriteFileAtomic(const std::string& path, std::string_view bytes);
