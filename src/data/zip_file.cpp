#include "data/zip_file.h"

#define ZLIB_CONST
#include <zlib.h>

#include <algorithm>
#include <ctime>
#include <istream>
#include <iterator>
#include <limits>
#include <new>
#include <optional>
#include <ostream>

#include "data/byte_io.h"
#include "data/file_io.h"

namespace {

constexpr uint32_t kMax32 = std::numeric_limits<uint32_t>::max();
constexpr uint16_t kZip64BlockId = 0x0001;
constexpr uint32_t kZip64EndSignature = 0x06064B50;
constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr size_t kZip64LocatorRest = 16;
// Deflate needs at least two bits for a match of 258 bytes, so no stream can inflate to
// more than 1032 times its own size. A stored size beyond that is a lie.
constexpr uint64_t kMaxDeflateRatio = 1032;
constexpr size_t kLocalHeaderRest = 26;  // after the signature
constexpr size_t kCentralHeaderRest = 42;
constexpr size_t kEndRecordRest = 18;

std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  quoted += text;
  quoted += '"';
  return quoted;
}

uint64_t LoadLittleEndian(std::string_view bytes, size_t at, size_t width) {
  uint64_t value = 0;
  for (size_t i = width; i-- > 0;) {
    value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
  }
  return value;
}

// The failure texts of an archive read from source (a path; empty for a stream).
ByteReader::Failure ArchiveFailure(const std::string& source) {
  return [source](std::string_view what) {
    std::string text = "Cannot read ZIP archive";
    if (!source.empty()) text += " " + Quoted(source);
    text += ": ";
    text += what;
    throw ZipError(text + ".");
  };
}

// The next 4-byte word, or nothing when fewer than 4 bytes are left.
std::optional<uint32_t> NextWord(ByteReader& in) {
  if (in.Remaining() < 4) return std::nullopt;
  return in.U32();
}

// The position as a ZIP offset field.
uint32_t Offset(const ByteWriter& out) {
  if (out.Size() > kMax32) throw ZipError("The archive is too large to save (over 4 GiB).");
  return static_cast<uint32_t>(out.Size());
}

TZipHeader ReadHeader(ByteReader& in) {
  TZipHeader h;
  h.VersionNeeded = in.U16();
  h.Flags = in.U16();
  h.Method = in.U16();
  h.ModTime = in.U16();
  h.ModDate = in.U16();
  h.Crc32 = in.U32();
  h.CompressedSize = in.U32();
  h.UncompressedSize = in.U32();
  h.NameLength = in.U16();
  h.ExtraLength = in.U16();
  return h;
}

void WriteHeader(ByteWriter& out, const TZipHeader& h) {
  out.U16(h.VersionNeeded);
  out.U16(h.Flags);
  out.U16(h.Method);
  out.U16(h.ModTime);
  out.U16(h.ModDate);
  out.U32(h.Crc32);
  out.U32(h.CompressedSize);
  out.U32(h.UncompressedSize);
  out.U16(h.NameLength);
  out.U16(h.ExtraLength);
}

// The data of the ZIP64 block of an extra field. A block whose length runs past the
// field ends the search.
std::optional<std::string_view> Zip64Block(std::string_view extra) {
  while (extra.size() >= 4) {
    uint64_t id = LoadLittleEndian(extra, 0, 2);
    size_t size = LoadLittleEndian(extra, 2, 2);
    if (size > extra.size() - 4) break;
    if (id == kZip64BlockId) return extra.substr(4, size);
    extra.remove_prefix(4 + size);
  }
  return std::nullopt;
}

std::string WithoutZip64Block(std::string_view extra) {
  std::string kept;
  while (extra.size() >= 4) {
    size_t size = LoadLittleEndian(extra, 2, 2);
    if (size > extra.size() - 4) break;
    if (LoadLittleEndian(extra, 0, 2) != kZip64BlockId) kept += extra.substr(0, 4 + size);
    extra.remove_prefix(4 + size);
  }
  kept += extra;
  return kept;
}

uint32_t SizeField(const ByteReader& in, uint64_t size, const TZipLocalEntry& entry) {
  if (size > kMax32) in.Fail(Quoted(entry.FileName) + " is larger than 4 GiB");
  return static_cast<uint32_t>(size);
}

// Sizes of 0xFFFFFFFF in a local header stand for the 8-byte sizes of its ZIP64 block,
// which in a local header holds the uncompressed size first, then the compressed one.
void ResolveZip64Sizes(const ByteReader& in, TZipLocalEntry& entry) {
  TZipHeader& h = entry.Header;
  if (h.CompressedSize != kMax32 && h.UncompressedSize != kMax32) return;
  std::optional<std::string_view> block = Zip64Block(entry.Extra);
  if (!block || block->size() < 16) return;
  h.UncompressedSize = SizeField(in, LoadLittleEndian(*block, 0, 8), entry);
  h.CompressedSize = SizeField(in, LoadLittleEndian(*block, 8, 8), entry);
  entry.Zip64 = true;
}

// A member written in one pass: its CRC and sizes follow the data in a descriptor. The
// descriptor's signature can also occur inside the data by chance, so a match only
// counts when the descriptor's compressed size equals the number of bytes before it.
// The sizes are 8 bytes wide when the local header has a ZIP64 block.
void ReadDescribedData(ByteReader& in, TZipLocalEntry& entry) {
  static constexpr char kSignature[] = {'P', 'K', 7, 8};
  entry.Zip64 = Zip64Block(entry.Extra).has_value();
  const size_t width = entry.Zip64 ? 8 : 4;
  const size_t descriptorSize = 8 + 2 * width;
  std::string_view bytes = in.Bytes();
  const size_t start = in.Position();
  for (size_t from = start;;) {
    size_t at = bytes.find(std::string_view(kSignature, 4), from);
    if (at == std::string_view::npos || bytes.size() - at < descriptorSize) {
      in.Fail("no data descriptor follows " + Quoted(entry.FileName));
    }
    if (LoadLittleEndian(bytes, at + 8, width) == at - start) {
      entry.Header.Crc32 = static_cast<uint32_t>(LoadLittleEndian(bytes, at + 4, 4));
      entry.Header.CompressedSize = SizeField(in, at - start, entry);
      entry.Header.UncompressedSize =
          SizeField(in, LoadLittleEndian(bytes, at + 8 + width, width), entry);
      entry.CompressedData = bytes.substr(start, at - start);
      in.Seek(at + descriptorSize);
      return;
    }
    from = at + 1;
  }
}

TZipLocalEntry ReadLocalEntry(ByteReader& in) {
  TZipLocalEntry entry;
  in.Need(kLocalHeaderRest, "a local header");
  entry.Header = ReadHeader(in);
  entry.FileName = in.String(entry.Header.NameLength, "the name of a member");
  entry.Extra = in.String(entry.Header.ExtraLength, "the extra field of " + Quoted(entry.FileName));
  if (entry.HasDataDescriptor()) {
    ReadDescribedData(in, entry);
  } else {
    ResolveZip64Sizes(in, entry);
    entry.CompressedData =
        in.String(entry.Header.CompressedSize, "the data of " + Quoted(entry.FileName));
  }
  return entry;
}

TZipCentralEntry ReadCentralEntry(ByteReader& in) {
  TZipCentralEntry c;
  in.Need(kCentralHeaderRest, "a central directory entry");
  c.VersionMadeBy = in.U16();
  c.Header = ReadHeader(in);
  c.CommentLength = in.U16();
  c.DiskStart = in.U16();
  c.InternalAttributes = in.U16();
  c.ExternalAttributes = in.U32();
  c.LocalHeaderOffset = in.U32();
  c.FileName = in.String(c.Header.NameLength, "a central directory entry");
  c.Extra = in.String(c.Header.ExtraLength, "a central directory entry");
  c.Comment = in.String(c.CommentLength, "a central directory entry");
  return c;
}

TZipEndRecord ReadEndRecord(ByteReader& in) {
  TZipEndRecord end;
  in.Need(kEndRecordRest, "the end record");
  end.Signature = kZipEndSignature;
  end.DiskNumber = in.U16();
  end.CentralDisk = in.U16();
  end.DiskEntries = in.U16();
  end.TotalEntries = in.U16();
  end.CentralSize = in.U32();
  end.CentralOffset = in.U32();
  end.CommentLength = in.U16();
  end.Comment = in.String(end.CommentLength, "the archive comment");
  return end;
}

// zip adds ZIP64 end records when it cannot know the sizes beforehand (streamed input).
// Every value they hold also fits the classic end record that follows them, which alone
// is kept and written back. Returns the word after them.
std::optional<uint32_t> SkipZip64EndRecords(ByteReader& in, std::optional<uint32_t> word) {
  if (word == kZip64EndSignature) {
    in.Need(8, "the ZIP64 end record");
    in.Skip(in.U64(), "the ZIP64 end record");
    word = NextWord(in);
  }
  if (word == kZip64LocatorSignature) {
    in.Skip(kZip64LocatorRest, "the ZIP64 end locator");
    word = NextWord(in);
  }
  return word;
}

// Local headers are only looked for at multiples of 4 bytes; normally the first one is
// at 0. Returns the word that ends the search, nothing at the end of the file.
std::optional<uint32_t> FindFirstLocalHeader(ByteReader& in) {
  for (;;) {
    std::optional<uint32_t> word = NextWord(in);
    if (!word || *word == kZipLocalSignature) return word;
  }
}

// Rewrites a central entry to describe its local entry; only the external attributes
// are kept, and the local offset is filled in on saving.
void DescribeInCentral(TZipCentralEntry& c, const TZipLocalEntry& local) {
  uint32_t external = c.ExternalAttributes;
  c = TZipCentralEntry{};
  c.VersionMadeBy = 20;
  c.Header = local.Header;
  c.ExternalAttributes = external;
  c.FileName = local.FileName;
  c.Extra = local.Extra;
}

void WriteLocalEntry(ByteWriter& out, const TZipLocalEntry& e) {
  TZipHeader h = e.Header;
  if (e.HasDataDescriptor()) h.Crc32 = h.CompressedSize = h.UncompressedSize = 0;
  if (e.Zip64) h.CompressedSize = h.UncompressedSize = kMax32;
  out.U32(kZipLocalSignature);
  WriteHeader(out, h);
  out.Bytes(e.FileName);
  out.Bytes(e.Extra);
  out.Bytes(e.CompressedData);
  if (!e.HasDataDescriptor()) return;
  out.U32(kZipDescriptorSignature);
  out.U32(e.Header.Crc32);
  if (e.Zip64) {
    out.U64(e.Header.CompressedSize);
    out.U64(e.Header.UncompressedSize);
  } else {
    out.U32(e.Header.CompressedSize);
    out.U32(e.Header.UncompressedSize);
  }
}

void WriteCentralEntry(ByteWriter& out, const TZipCentralEntry& c, uint32_t localOffset) {
  out.U32(kZipCentralSignature);
  out.U16(c.VersionMadeBy);
  WriteHeader(out, c.Header);
  out.U16(c.CommentLength);
  out.U16(c.DiskStart);
  out.U16(c.InternalAttributes);
  out.U32(c.ExternalAttributes);
  out.U32(localOffset);
  out.Bytes(c.FileName);
  out.Bytes(c.Extra);
  out.Bytes(c.Comment);
}

void WriteEndRecord(ByteWriter& out, uint16_t count, uint32_t centralStart,
                    std::string_view comment) {
  uint32_t centralSize = Offset(out) - centralStart;
  out.U32(kZipEndSignature);
  out.U16(0);
  out.U16(0);
  out.U16(count);
  out.U16(count);
  out.U32(centralSize);
  out.U32(centralStart);
  out.U16(static_cast<uint16_t>(comment.size()));
  out.Bytes(comment);
}

// The member data is raw deflate. Two header bytes in front make it a zlib stream, which
// the standard zlib reader accepts; its missing Adler-32 trailer is never reached because
// reading stops after size bytes. Returns nothing when fewer bytes come out.
std::optional<std::string> Inflate(std::string_view compressed, uint32_t size) {
  static constexpr unsigned char kZlibHeader[] = {0x78, 0x9C};
  if (size > compressed.size() * kMaxDeflateRatio) return std::nullopt;
  std::string out(size, '\0');
  z_stream z{};
  if (inflateInit(&z) != Z_OK) throw std::bad_alloc();
  z.next_in = kZlibHeader;
  z.avail_in = sizeof kZlibHeader;
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = size;
  bool dataFed = false;
  int result = Z_OK;
  while (z.avail_out > 0 && result == Z_OK) {
    if (z.avail_in == 0 && !dataFed) {
      // Stored sizes are 32-bit, so the data fits one zlib input block.
      z.next_in = reinterpret_cast<const Bytef*>(compressed.data());
      z.avail_in = static_cast<uInt>(compressed.size());
      dataFed = true;
    }
    result = inflate(&z, Z_NO_FLUSH);
  }
  bool complete = z.avail_out == 0;
  inflateEnd(&z);
  if (!complete) return std::nullopt;
  return out;
}

// Raw deflate at the default level: zlib's output without its 2-byte header and its
// 4-byte Adler-32 trailer.
std::string Deflate(std::string_view bytes) {
  uLongf length = compressBound(bytes.size());
  std::string out(length, '\0');
  int result =
      compress2(reinterpret_cast<Bytef*>(out.data()), &length,
                reinterpret_cast<const Bytef*>(bytes.data()), bytes.size(), Z_DEFAULT_COMPRESSION);
  if (result == Z_MEM_ERROR) throw std::bad_alloc();
  if (result != Z_OK) throw ZipError("Cannot compress the data.");
  return out.substr(2, length - 6);
}

// The current local time in MS-DOS form: two-second steps, years from 1980.
void SetDosTimeNow(TZipHeader& h) {
  std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  int year = std::clamp(t.tm_year + 1900 - 1980, 0, 127);
  h.ModTime = static_cast<uint16_t>(t.tm_hour << 11 | t.tm_min << 5 | t.tm_sec / 2);
  h.ModDate = static_cast<uint16_t>(year << 9 | (t.tm_mon + 1) << 5 | t.tm_mday);
}

}  // namespace

EZipFileCRCError::EZipFileCRCError(const std::string& memberName)
    : ZipError("CRC Error in " + Quoted(memberName) + ".") {}

void TZipFile::LoadFromFile(const std::string& path) {
  Load(ReadWholeFile(path), path);
}

void TZipFile::SaveToFile(const std::string& path) const {
  WriteFileAtomic(path, ToBytes());
}

void TZipFile::LoadFromStream(std::istream& stream) {
  std::string bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
  Load(bytes, "");
}

void TZipFile::SaveToStream(std::ostream& stream) const {
  std::string bytes = ToBytes();
  stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!stream) throw ZipError("Cannot write the ZIP archive to its stream.");
}

// Loads into fresh lists and takes them over only when the whole archive was read, so a
// damaged archive leaves the previous content in place.
void TZipFile::Load(std::string_view bytes, const std::string& source) {
  ByteReader in(bytes, ArchiveFailure(source));
  std::vector<TZipLocalEntry> locals;
  std::vector<TZipCentralEntry> centrals;
  TZipEndRecord end;
  std::optional<uint32_t> word = FindFirstLocalHeader(in);
  while (word == kZipLocalSignature) {
    locals.push_back(ReadLocalEntry(in));
    word = NextWord(in);
  }
  while (word == kZipCentralSignature) {
    if (centrals.size() == locals.size()) {
      in.Fail("the central directory lists more members than the archive holds");
    }
    centrals.push_back(ReadCentralEntry(in));
    word = NextWord(in);
  }
  word = SkipZip64EndRecords(in, word);
  if (word == kZipEndSignature) end = ReadEndRecord(in);
  // Members the directory lacks (a file cut short) get entries made from their local
  // headers, so that saving writes a directory that lists every member.
  for (size_t i = centrals.size(); i < locals.size(); ++i) {
    DescribeInCentral(centrals.emplace_back(), locals[i]);
  }
  localEntries_ = std::move(locals);
  centralEntries_ = std::move(centrals);
  endRecord_ = std::move(end);
}

std::string TZipFile::ToBytes() const {
  if (localEntries_.size() > std::numeric_limits<uint16_t>::max()) {
    throw ZipError("The archive has too many members to save (over 65535).");
  }
  ByteWriter out;
  std::vector<uint32_t> offsets;
  for (const TZipLocalEntry& entry : localEntries_) {
    offsets.push_back(Offset(out));
    WriteLocalEntry(out, entry);
  }
  uint32_t centralStart = Offset(out);
  for (size_t i = 0; i < centralEntries_.size(); ++i) {
    WriteCentralEntry(out, centralEntries_[i], offsets[i]);
  }
  WriteEndRecord(out, static_cast<uint16_t>(Count()), centralStart, endRecord_.Comment);
  Offset(out);
  return out.Take();
}

void TZipFile::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw ZipError("Index out of range.");
}

const std::string& TZipFile::Name(int index) const {
  CheckIndex(index);
  return localEntries_[index].FileName;
}

int TZipFile::IndexOf(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    if (SameMemberPath(localEntries_[i].FileName, name)) return i;
  }
  return -1;
}

const TZipLocalEntry& TZipFile::LocalEntry(int index) const {
  CheckIndex(index);
  return localEntries_[index];
}

const TZipCentralEntry& TZipFile::CentralEntry(int index) const {
  CheckIndex(index);
  return centralEntries_[index];
}

// Members are deflated; a stored member (what `zip` does with data that does not shrink,
// such as PNG images) is read as it stands. Other methods are refused rather than
// reported as a CRC error, which would suggest a damaged file.
std::string TZipFile::Data(int index) const {
  CheckIndex(index);
  const TZipLocalEntry& e = localEntries_[index];
  std::optional<std::string> content;
  if (e.Header.Method == 8) {
    content = Inflate(e.CompressedData, e.Header.UncompressedSize);
  } else if (e.Header.Method == 0) {
    if (e.CompressedData.size() == e.Header.UncompressedSize) content = e.CompressedData;
  } else {
    throw ZipError("Unsupported compression method " + std::to_string(e.Header.Method) + " in " +
                   Quoted(e.FileName) + ".");
  }
  // Content shorter than the stored size is damaged even when its CRC happens to match.
  if (!content || Crc32(*content) != e.Header.Crc32) throw EZipFileCRCError(e.FileName);
  return *std::move(content);
}

void TZipFile::SetData(int index, std::string_view bytes) {
  CheckIndex(index);
  TZipLocalEntry& local = localEntries_[index];
  std::string compressed = bytes.size() > kMax32 ? std::string() : Deflate(bytes);
  if (bytes.size() > kMax32 || compressed.size() > kMax32) {
    throw ZipError("Cannot store more than 4 GiB in " + Quoted(local.FileName) + ".");
  }
  // The new sizes fit the header, so a ZIP64 block would only contradict it.
  local.Extra = WithoutZip64Block(local.Extra);
  local.Zip64 = false;
  local.CompressedData = std::move(compressed);
  TZipHeader& h = local.Header;
  h = TZipHeader{};
  h.VersionNeeded = 20;
  h.Method = 8;
  SetDosTimeNow(h);
  h.Crc32 = Crc32(bytes);
  h.CompressedSize = static_cast<uint32_t>(local.CompressedData.size());
  h.UncompressedSize = static_cast<uint32_t>(bytes.size());
  h.NameLength = static_cast<uint16_t>(local.FileName.size());
  h.ExtraLength = static_cast<uint16_t>(local.Extra.size());
  DescribeInCentral(centralEntries_[index], local);
}

void TZipFile::AddMember(const std::string& name, std::string_view bytes) {
  TZipHeader now;
  SetDosTimeNow(now);
  AddMember(name, bytes, now.ModDate, now.ModTime);
}

void TZipFile::AddMember(const std::string& name, std::string_view bytes, uint16_t dosDate,
                         uint16_t dosTime) {
  if (localEntries_.size() >= std::numeric_limits<uint16_t>::max()) {
    throw ZipError("The archive has too many members to add " + Quoted(name) + ".");
  }
  if (name.size() > std::numeric_limits<uint16_t>::max()) {
    throw ZipError("The member name " + Quoted(name.substr(0, 40)) + "... is too long.");
  }
  TZipLocalEntry local;
  local.FileName = name;
  localEntries_.push_back(std::move(local));
  centralEntries_.emplace_back();
  const int index = Count() - 1;
  try {
    SetData(index, bytes);
  } catch (...) {
    localEntries_.pop_back();
    centralEntries_.pop_back();
    throw;
  }
  TZipHeader& h = localEntries_[index].Header;
  h.ModDate = dosDate;
  h.ModTime = dosTime;
  centralEntries_[index].Header = h;
  // An archive built from nothing gets its end record here; sizes and offsets of the
  // central directory are written on saving.
  endRecord_.Signature = kZipEndSignature;
  endRecord_.DiskEntries = endRecord_.TotalEntries = static_cast<uint16_t>(Count());
  endRecord_.CommentLength = static_cast<uint16_t>(endRecord_.Comment.size());
}

uint32_t TZipFile::Crc32(std::string_view bytes) {
  return static_cast<uint32_t>(
      crc32_z(0, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
}

bool SameMemberPath(std::string_view a, std::string_view b) {
  auto same = [](char x, char y) {
    return x == y || (x == '\\' && y == '/') || (x == '/' && y == '\\');
  };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), same);
}

std::string_view MemberFolder(std::string_view name) {
  size_t last = name.find_last_of("\\/");
  return last == std::string_view::npos ? std::string_view() : name.substr(0, last + 1);
}
