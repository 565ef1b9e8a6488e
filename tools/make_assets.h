// The asset generator: draws every image of the shipped game into a program folder and
// assembles the level packages. Each theme has its own file; all of them draw through
// make_assets_paint.h and write through AssetOutput.
#pragma once

#include <string>
#include <vector>

#include "make_assets_paint.h"

// The program folder being filled.
class AssetOutput {
 public:
  explicit AssetOutput(std::string root) : root_(std::move(root)) {}

  // Writes the canvas as a PNG under the program folder ("Data/GUI/back.png"), creating
  // its folders. Throws std::runtime_error when it cannot be written.
  void Save(const std::string& relativePath, const paint::Canvas& canvas);
  // Writes bytes the same way.
  void SaveBytes(const std::string& relativePath, const std::string& bytes);
  // The disk path of a file in the program folder.
  std::string PathOf(const std::string& relativePath) const;
  // Every file written so far, relative to the program folder, in writing order.
  const std::vector<std::string>& Written() const { return written_; }

 private:
  std::string root_;
  std::vector<std::string> written_;
};

// The PNG form of a canvas. Throws std::runtime_error when it cannot be encoded.
std::string EncodePng(const paint::Canvas& canvas);

// Data/GUI: back.png, bklogo.png, ball.png, sisak.png, digits.png.
void MakeGuiImages(AssetOutput& out);
// Data/Backgrounds/sky.png and the polygon fill textures of Data/Polygons.
void MakeWorldImages(AssetOutput& out);
// Decoration sprites of Data/Sprites and the parts of their animations.
void MakeSpriteImages(AssetOutput& out);
// The player creature's frame strip in Data/Creatures.
void MakeCreatureImages(AssetOutput& out);
// The touchable objects of Data/Objects: food, exit, spikes.
void MakeObjectImages(AssetOutput& out);
// The mechanism objects of Data/Objects (lever, spring, portal, key) and the sprites that
// show their state (lever_pulled, padlock).
void MakeMechanismImages(AssetOutput& out);
// Every folder of packageSources becomes Levels/<folder>.zle: its text files (with CR LF
// line ends, as packages hold them) and the images that the generator draws for it.
void MakePackages(AssetOutput& out, const std::string& packageSources);

// A soft cumulus cloud about width pixels wide, centred on c; shared by the sky and the
// cloud sprite.
void DrawCloud(paint::Canvas& canvas, paint::Vec c, float width, uint32_t seed, float alpha);

// Images that packages bring, drawn by the world and sprite themes.
paint::Canvas DrawCrystalTexture();
paint::Canvas DrawCaveWall();
paint::Canvas DrawGemSprite();
