// Little-endian fields of binary files: known bytes read and written, and short files that
// fail with the name of what was cut off, before anything is allocated.
#include "data/byte_io.h"

#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <string>
#include <vector>

#include "data/game_error.h"

using namespace std::string_literals;

namespace {

// One of every field, in the order KnownBytes holds them.
struct Fields {
  uint8_t u8;
  uint16_t u16;
  uint32_t u32;
  int32_t i32;
  uint64_t u64;
  uint32_t f32Bits;  // floats are compared bit for bit, so that a NaN payload counts
  uint64_t f64Bits;
  std::string text;

  bool operator==(const Fields&) const = default;
};

const Fields kFields = {
    0x81, 0x0302, 0x07060504, -2, 0x0F0E0D0C0B0A0908, 0x7FC00001, 0x3FF8000000000000, "ab\0c"s};

const std::string kKnownBytes =
    "\x81"
    "\x02\x03"
    "\x04\x05\x06\x07"
    "\xFE\xFF\xFF\xFF"
    "\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F"
    "\x01\x00\xC0\x7F"
    "\x00\x00\x00\x00\x00\x00\xF8\x3F"
    "ab\0c"s;

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const GameError& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace

TEST(ByteIo, fields_of_every_width_read_and_write_as_known_bytes) {
  ByteReader in(kKnownBytes);
  Fields read;
  read.u8 = in.U8();
  read.u16 = in.U16();
  read.u32 = in.U32();
  read.i32 = in.I32();
  read.u64 = in.U64();
  read.f32Bits = std::bit_cast<uint32_t>(in.F32());
  read.f64Bits = std::bit_cast<uint64_t>(in.F64());
  read.text = in.String(4, "the text");
  EXPECT_EQ(read, kFields);
  EXPECT_TRUE(in.AtEnd());

  ByteWriter out;
  out.U8(kFields.u8);
  out.U16(kFields.u16);
  out.U32(kFields.u32);
  out.I32(kFields.i32);
  out.U64(kFields.u64);
  out.F32(std::bit_cast<float>(kFields.f32Bits));
  out.F64(std::bit_cast<double>(kFields.f64Bits));
  out.Bytes(kFields.text);
  EXPECT_EQ(out.Take(), kKnownBytes);
}

TEST(ByteIo, short_bytes_fail_naming_what_is_cut_off) {
  const struct {
    const char* what;
    size_t skipFirst;  // bytes of kKnownBytes read before the failing call
    std::function<void(ByteReader&)> read;
    std::string error;
  } cases[] = {
      {"a record", 31, [](ByteReader& in) { in.Need(5, "the header"); },
       "the header runs past the end of the file."},
      {"a field without a record", 32, [](ByteReader& in) { in.U32(); },
       "a 4-byte value runs past the end of the file."},
      {"a string one byte too long", 31, [](ByteReader& in) { in.String(5, "the name"); },
       "the name runs past the end of the file."},
      // A terabyte would abort under the address sanitizer if it were allocated first.
      {"a count far beyond the file", 0,
       [](ByteReader& in) { in.String(size_t{1} << 41, "the key list"); },
       "the key list runs past the end of the file."},
      {"a span after the end", 35, [](ByteReader& in) { in.Span(1, "the checksum"); },
       "the checksum runs past the end of the file."},
      {"a skip", 0, [](ByteReader& in) { in.Skip(36, "the padding"); },
       "the padding runs past the end of the file."},
      {"a seek", 0, [](ByteReader& in) { in.Seek(36); },
       "a position runs past the end of the file."},
  };
  ASSERT_EQ(kKnownBytes.size(), 35u);
  for (const auto& c : cases) {
    ByteReader in(kKnownBytes);
    in.Skip(c.skipFirst, "the start");
    EXPECT_EQ(ErrorOf([&] { c.read(in); }), c.error) << c.what;
    EXPECT_EQ(in.Position(), c.skipFirst) << c.what;
  }
}

TEST(ByteIo, a_format_throws_its_own_error_with_its_own_text) {
  struct ReplayError : GameError {
    using GameError::GameError;
  };
  const std::string bytes = "\x01\x02";
  ByteReader in(bytes, [](std::string_view text) {
    throw ReplayError("Cannot read replay \"a.cre\": " + std::string(text) + ".");
  });
  in.U8();
  try {
    in.Need(4, "the key list");
    FAIL() << "no error";
  } catch (const ReplayError& e) {
    EXPECT_STREQ(e.what(),
                 "Cannot read replay \"a.cre\": the key list runs past the end of the file.");
  }
  EXPECT_EQ(in.Remaining(), 1u);
}
