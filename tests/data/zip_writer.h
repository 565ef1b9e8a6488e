// Test helper: ZIP archives written by hand, record by record, in the form the game
// writes them, so that tests can build any archive and patch any field.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zip_writer {

using namespace std::string_literals;

struct TestMember {
  std::string name;
  std::string content;
  uint16_t method = 8;
  bool descriptor = false;
  bool zip64 = false;  // a ZIP64 block in the local extra field and 8-byte descriptor sizes
};

inline void PutLE(std::string& out, uint64_t value, int width) {
  for (int i = 0; i < width; ++i) {
    out += static_cast<char>(value >> (8 * i) & 0xFF);
  }
}

// bytes with a little-endian field replaced.
inline std::string Patched(std::string bytes, size_t at, uint64_t value, int width = 4) {
  std::string field;
  PutLE(field, value, width);
  return bytes.replace(at, width, field);
}

inline std::string RawDeflate(const std::string& bytes) {
  z_stream z{};
  deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, bytes.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.avail_in = static_cast<uInt>(bytes.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

inline uint32_t Crc(const std::string& bytes) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

// Builds an archive with every record in the form the game writes; recordEnds receives
// the offset after each member and after each central entry.
inline std::string BuildArchive(const std::vector<TestMember>& members, const std::string& comment,
                                std::vector<size_t>* recordEnds = nullptr) {
  std::string out, central;
  for (const TestMember& m : members) {
    std::string data = m.method == 8 ? RawDeflate(m.content) : m.content;
    std::string extra = m.zip64 ? "\x01\x00\x10\x00"s + std::string(16, '\0') : "";
    std::string head;
    PutLE(head, m.method == 8 ? 20 : 10, 2);
    PutLE(head, m.descriptor ? 8 : 0, 2);
    PutLE(head, m.method, 2);
    PutLE(head, 0x6000, 2);  // 12:00:00
    PutLE(head, 0x5A21, 2);  // 2025-01-01
    uint32_t zeroSize = m.zip64 ? 0xFFFFFFFF : 0;
    PutLE(head, m.descriptor ? 0 : Crc(m.content), 4);
    PutLE(head, m.descriptor ? zeroSize : data.size(), 4);
    PutLE(head, m.descriptor ? zeroSize : m.content.size(), 4);
    PutLE(head, m.name.size(), 2);
    PutLE(head, extra.size(), 2);
    size_t offset = out.size();
    out += "PK\x03\x04"s + head + m.name + extra + data;
    if (m.descriptor) {
      out += "PK\x07\x08";
      PutLE(out, Crc(m.content), 4);
      PutLE(out, data.size(), m.zip64 ? 8 : 4);
      PutLE(out, m.content.size(), m.zip64 ? 8 : 4);
    }
    if (recordEnds) recordEnds->push_back(out.size());
    std::string shared = Patched(head, 10, Crc(m.content));
    shared = Patched(shared, 14, data.size());
    shared = Patched(shared, 18, m.content.size());
    shared = Patched(shared, 24, 0, 2);  // no extra field in the directory
    central += "PK\x01\x02\x14\x00"s + shared + "\x00\x00\x00\x00\x00\x00\x20\x00\x00\x00"s;
    PutLE(central, offset, 4);
    central += m.name;
  }
  size_t centralStart = out.size();
  for (size_t i = 0, at = 0; i < members.size(); ++i) {
    at += 46 + members[i].name.size();
    if (recordEnds) recordEnds->push_back(centralStart + at);
  }
  out += central + "PK\x05\x06\x00\x00\x00\x00"s;
  PutLE(out, members.size(), 2);
  PutLE(out, members.size(), 2);
  PutLE(out, central.size(), 4);
  PutLE(out, centralStart, 4);
  PutLE(out, comment.size(), 2);
  return out + comment;
}

}  // namespace zip_writer
