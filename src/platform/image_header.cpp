#include "platform/image_header.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace {

uint32_t BigEndian(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i)
    v = (v << 8) | p[i];
  return v;
}

uint32_t LittleEndian(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i)
    v = (v << 8) | p[i];
  return v;
}

bool StartsWith(const uint8_t* data, size_t size, const char* magic, size_t length) {
  return size >= length && std::equal(magic, magic + length, reinterpret_cast<const char*>(data));
}

bool IsUpper(const std::string& hint, const char* name) {
  if (hint.size() != std::char_traits<char>::length(name)) return false;
  for (size_t i = 0; i < hint.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(hint[i])) != name[i]) return false;
  return true;
}

// A start-of-frame marker: C0 to CF except DHT (C4), JPG (C8) and DAC (CC).
bool IsStartOfFrame(uint8_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Walks the JPEG segments up to the first frame header, which holds height, then width.
bool JpegSize(const uint8_t* data, size_t size, int64_t& width, int64_t& height) {
  size_t at = 2;
  while (at + 4 <= size) {
    if (data[at] != 0xFF) return false;
    uint8_t marker = data[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    size_t length = BigEndian(data + at + 2, 2);
    if (IsStartOfFrame(marker)) {
      if (at + 9 > size) return false;
      height = BigEndian(data + at + 5, 2);
      width = BigEndian(data + at + 7, 2);
      return true;
    }
    if (length < 2) return false;
    at += 2 + length;
  }
  return false;
}

}  // namespace

bool ImageHeaderSize(const uint8_t* data, size_t size, const std::string& hint, int64_t& width,
                     int64_t& height) {
  if (StartsWith(data, size, "\x89PNG\r\n\x1a\n", 8)) {
    if (size < 24) return false;
    width = BigEndian(data + 16, 4);
    height = BigEndian(data + 20, 4);
    return true;
  }
  if (StartsWith(data, size, "\xFF\xD8", 2)) return JpegSize(data, size, width, height);
  if (StartsWith(data, size, "BM", 2)) {
    if (size < 26) return false;
    width = int32_t(LittleEndian(data + 18, 4));
    height = std::llabs(int32_t(LittleEndian(data + 22, 4)));  // negative: rows top down
    return true;
  }
  if (StartsWith(data, size, "GIF8", 4)) {
    if (size < 10) return false;
    width = LittleEndian(data + 6, 2);
    height = LittleEndian(data + 8, 2);
    return true;
  }
  if (IsUpper(hint, "TGA")) {
    if (size < 16) return false;
    width = LittleEndian(data + 12, 2);
    height = LittleEndian(data + 14, 2);
    return true;
  }
  return false;
}

std::string ImageSizeProblem(int64_t width, int64_t height) {
  if (width <= kMaxImageSide && height <= kMaxImageSide && width * height <= kMaxImagePixels)
    return "";
  return "The image is too large: " + std::to_string(width) + " x " + std::to_string(height) +
         " pixels.";
}
