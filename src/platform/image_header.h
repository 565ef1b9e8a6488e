// The pixel size an image file claims in its header, read before anything is decoded, so
// that a file that claims a gigantic image is refused instead of being allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The largest image the game decodes: no side over this many pixels...
inline constexpr int64_t kMaxImageSide = 16384;
// ...and no more pixels than this in all (256 MiB of RGBA).
inline constexpr int64_t kMaxImagePixels = int64_t(1) << 26;

// The width and height in the header of a PNG, JPEG, BMP or GIF file (found by their magic
// bytes) or of a TGA file (found by the extension hint "TGA", in any letter case) among the
// first `size` bytes; false when the bytes show none of these or end before the size.
bool ImageHeaderSize(const uint8_t* data, size_t size, const std::string& hint, int64_t& width,
                     int64_t& height);

// "" when an image of that size may be decoded, else the reason it may not.
std::string ImageSizeProblem(int64_t width, int64_t height);
