// Files that data names on disk. Names written on Windows use "\" between folders and
// may differ in letter case from the files as they were unpacked here.
#pragma once

#include <string>

// The disk path of a file named by data: every "\" becomes "/", and each part of the
// path that does not exist with its exact letter case is replaced by the entry of its
// folder that matches it ignoring the case of A to Z (the first by name when several
// do). The mapped name unchanged from the first part that nothing matches.
std::string FindDiskFile(const std::string& name);
