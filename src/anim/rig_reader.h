// The reader of keyframed cut-out animations (".RGS").
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "anim/anim.h"

class AnimFolder;

// The root of the rig in the lines of a ".RGS" text, linked and evaluated once at the
// root's Frame. An empty root when the first line is not exactly "RigSprite".
// Throws AnimError.
std::unique_ptr<RigPart> ReadRig(const std::vector<std::string>& lines, const AnimFolder& folder,
                                 const std::string& sourceName);
