// Little-endian fields of the game's binary files (packages, compiled scripts, replays).
// Sizes and counts in such a file are never trusted: every read is checked against the
// bytes left before anything is allocated, and a short file fails with a text that names
// what was cut off.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

// Reads fields in order from bytes that it does not own.
class ByteReader {
 public:
  // Throws a format's own error for a failure text such as "the header runs past the end
  // of the file"; the text has no final full stop.
  using Failure = std::function<void(std::string_view text)>;

  // Without a failure function, failures throw GameError with the text and a full stop.
  explicit ByteReader(std::string_view bytes, Failure fail = nullptr);

  // All the bytes, also those already read.
  std::string_view Bytes() const { return bytes_; }
  // The offset of the next read from the first byte.
  size_t Position() const { return pos_; }
  // The number of bytes not yet read.
  size_t Remaining() const { return bytes_.size() - pos_; }
  // Whether every byte has been read.
  bool AtEnd() const { return pos_ == bytes_.size(); }
  // Moves the next read to pos; fails when pos lies past the end.
  void Seek(size_t pos);

  // Throws the format's error for text; never returns.
  [[noreturn]] void Fail(std::string_view text) const;
  // Fails with "WHAT runs past the end of the file" unless count more bytes are left.
  void Need(size_t count, std::string_view what) const;

  // Unsigned and signed integers, least significant byte first. A read without a Need
  // for its record names the width of the value that is short.
  uint8_t U8();
  uint16_t U16();
  uint32_t U32();
  int32_t I32();
  uint64_t U64();
  // IEEE 754 single and double precision, stored as the bits of a U32 and a U64.
  float F32();
  double F64();

  // Moves past count bytes, after Need(count, what).
  void Skip(size_t count, std::string_view what);
  // The next count bytes, after Need(count, what); the view lives as long as the bytes.
  std::string_view Span(size_t count, std::string_view what);
  // The same as an owned string, allocated only once the bytes are known to be there.
  std::string String(size_t count, std::string_view what);

 private:
  [[noreturn]] void FailShort(std::string_view what) const;
  uint64_t Field(size_t width);

  std::string_view bytes_;
  Failure fail_;
  size_t pos_ = 0;
};

// Appends little-endian fields to a growing string of bytes.
class ByteWriter {
 public:
  // Integers, least significant byte first.
  void U8(uint8_t value) { Put(value, 1); }
  void U16(uint16_t value) { Put(value, 2); }
  void U32(uint32_t value) { Put(value, 4); }
  void I32(int32_t value) { Put(static_cast<uint32_t>(value), 4); }
  void U64(uint64_t value) { Put(value, 8); }
  // The bits of IEEE 754 single and double precision, as ByteReader reads them.
  void F32(float value);
  void F64(double value);
  // Bytes as they stand.
  void Bytes(std::string_view bytes) { out_ += bytes; }

  // The number of bytes written so far.
  size_t Size() const { return out_.size(); }
  // Hands over the bytes; the writer is then empty.
  std::string Take() { return std::move(out_); }

 private:
  void Put(uint64_t value, size_t width);

  std::string out_;
};
