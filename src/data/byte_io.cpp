#include "data/byte_io.h"

#include <bit>
#include <utility>

#include "data/game_error.h"

ByteReader::ByteReader(std::string_view bytes, Failure fail)
    : bytes_(bytes), fail_(std::move(fail)) {}

void ByteReader::Seek(size_t pos) {
  if (pos > bytes_.size()) Fail("a position runs past the end of the file");
  pos_ = pos;
}

// A failure function that returns is a programming error; the text still reaches the
// player instead of the read going on.
void ByteReader::Fail(std::string_view text) const {
  if (fail_) fail_(text);
  throw GameError(std::string(text) + ".");
}

void ByteReader::Need(size_t count, std::string_view what) const {
  if (count > Remaining()) FailShort(what);
}

void ByteReader::FailShort(std::string_view what) const {
  Fail(std::string(what) + " runs past the end of the file");
}

uint8_t ByteReader::U8() {
  return static_cast<uint8_t>(Field(1));
}

uint16_t ByteReader::U16() {
  return static_cast<uint16_t>(Field(2));
}

uint32_t ByteReader::U32() {
  return static_cast<uint32_t>(Field(4));
}

int32_t ByteReader::I32() {
  return static_cast<int32_t>(U32());
}

uint64_t ByteReader::U64() {
  return Field(8);
}

float ByteReader::F32() {
  return std::bit_cast<float>(U32());
}

double ByteReader::F64() {
  return std::bit_cast<double>(U64());
}

void ByteReader::Skip(size_t count, std::string_view what) {
  Need(count, what);
  pos_ += count;
}

std::string_view ByteReader::Span(size_t count, std::string_view what) {
  Need(count, what);
  std::string_view span = bytes_.substr(pos_, count);
  pos_ += count;
  return span;
}

std::string ByteReader::String(size_t count, std::string_view what) {
  return std::string(Span(count, what));
}

uint64_t ByteReader::Field(size_t width) {
  // The text is only made when it is needed: fields are read by the thousand.
  if (width > Remaining()) FailShort("a " + std::to_string(width) + "-byte value");
  uint64_t value = 0;
  for (size_t i = width; i-- > 0;) {
    value = value << 8 | static_cast<uint8_t>(bytes_[pos_ + i]);
  }
  pos_ += width;
  return value;
}

void ByteWriter::F32(float value) {
  U32(std::bit_cast<uint32_t>(value));
}

void ByteWriter::F64(double value) {
  U64(std::bit_cast<uint64_t>(value));
}

void ByteWriter::Put(uint64_t value, size_t width) {
  for (size_t i = 0; i < width; ++i) {
    out_ += static_cast<char>(value >> (8 * i) & 0xFF);
  }
}
