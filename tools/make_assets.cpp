// make_assets OUTDIR [PACKAGE_SOURCES]
//
// Draws every image of the game into the program folder OUTDIR (Data/GUI,
// Data/Backgrounds, Data/Polygons, Data/Sprites, Data/Creatures, Data/Objects) and, when
// PACKAGE_SOURCES is given, builds one level package Levels/<name>.zle from each of its
// folders. Nothing is random: every run writes the same bytes.
#include "make_assets.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <stdexcept>

#include "data/file_io.h"
#include "platform/engine.h"

namespace fs = std::filesystem;

void AssetOutput::Save(const std::string& relativePath, const paint::Canvas& canvas) {
  std::string path = PathOf(relativePath);
  fs::create_directories(fs::path(path).parent_path());
  if (!img_SavePng(path, canvas.Width(), canvas.Height(), canvas.ToRgba8())) {
    throw std::runtime_error("Cannot write image \"" + path + "\": " + zgl_GetError());
  }
  written_.push_back(relativePath);
}

void AssetOutput::SaveBytes(const std::string& relativePath, const std::string& bytes) {
  std::string path = PathOf(relativePath);
  fs::create_directories(fs::path(path).parent_path());
  WriteFileAtomic(path, bytes);
  written_.push_back(relativePath);
}

std::string AssetOutput::PathOf(const std::string& relativePath) const {
  return root_ + "/" + relativePath;
}

std::string EncodePng(const paint::Canvas& canvas) {
  std::string scratch = (fs::temp_directory_path() / "make_assets-XXXXXX.png").string();
  int fd = ::mkstemps(scratch.data(), 4);
  if (fd < 0) throw std::runtime_error("Cannot create a scratch file in the temporary folder.");
  ::close(fd);
  bool saved = img_SavePng(scratch, canvas.Width(), canvas.Height(), canvas.ToRgba8());
  std::string bytes = saved ? ReadWholeFile(scratch) : std::string();
  fs::remove(scratch);
  if (!saved) throw std::runtime_error("Cannot encode a PNG image: " + zgl_GetError());
  return bytes;
}

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fputs("usage: make_assets OUTDIR [PACKAGE_SOURCES]\n", stderr);
    return 1;
  }
  try {
    AssetOutput out(argv[1]);
    MakeGuiImages(out);
    MakeWorldImages(out);
    MakeSpriteImages(out);
    MakeCreatureImages(out);
    MakeObjectImages(out);
    MakeMechanismImages(out);
    if (argc == 3) MakePackages(out, argv[2]);
    std::printf("make_assets: %zu files in %s\n", out.Written().size(), argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_assets: %s\n", e.what());
    return 1;
  }
  return 0;
}
