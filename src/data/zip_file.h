// Level packages: ZIP archives held wholly in memory. Members are found by walking the
// local headers from the front of the file; the central directory and the end record are
// kept only so that they can be written back.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "data/game_error.h"

// Every failure of an archive other than a file error: a damaged archive, an index out of
// range, a member that cannot be read. what() is the text the game shows.
class ZipError : public GameError {
 public:
  using GameError::GameError;
};

// A member whose inflated content does not match its stored CRC-32 or size.
// what() is "CRC Error in \"NAME\".".
class EZipFileCRCError : public ZipError {
 public:
  explicit EZipFileCRCError(const std::string& memberName);
};

inline constexpr uint32_t kZipLocalSignature = 0x04034B50;
inline constexpr uint32_t kZipCentralSignature = 0x02014B50;
inline constexpr uint32_t kZipEndSignature = 0x06054B50;
inline constexpr uint32_t kZipDescriptorSignature = 0x08074B50;
inline constexpr uint16_t kZipDescriptorFlag = 0x0008;  // general flag bit 3

// The 26 bytes that follow a local header's signature; a central entry repeats them.
struct TZipHeader {
  uint16_t VersionNeeded = 0;
  uint16_t Flags = 0;
  uint16_t Method = 0;   // 8 = deflated, 0 = stored
  uint16_t ModTime = 0;  // MS-DOS form
  uint16_t ModDate = 0;
  uint32_t Crc32 = 0;
  uint32_t CompressedSize = 0;
  uint32_t UncompressedSize = 0;
  uint16_t NameLength = 0;
  uint16_t ExtraLength = 0;

  bool operator==(const TZipHeader&) const = default;
};

// A member as the local walk found it.
struct TZipLocalEntry {
  uint32_t Signature = kZipLocalSignature;
  // CRC-32 and sizes are always the real ones, also when the file gave them in a data
  // descriptor or in a ZIP64 extra field.
  TZipHeader Header;
  std::string FileName;  // exactly as stored, "\" or "/" between folders
  std::string Extra;
  std::string CompressedData;
  // The file gave this member's sizes in ZIP64 form (header sizes 0xFFFFFFFF, 8-byte
  // descriptor sizes); the sizes are written back in that form.
  bool Zip64 = false;

  bool HasDataDescriptor() const { return (Header.Flags & kZipDescriptorFlag) != 0; }
};

// A central directory header, parallel to the local entry of the same index.
struct TZipCentralEntry {
  uint32_t Signature = kZipCentralSignature;
  uint16_t VersionMadeBy = 0;
  TZipHeader Header;
  uint16_t CommentLength = 0;
  uint16_t DiskStart = 0;
  uint16_t InternalAttributes = 0;
  uint32_t ExternalAttributes = 0;
  uint32_t LocalHeaderOffset = 0;  // recomputed on saving
  std::string FileName;
  std::string Extra;
  std::string Comment;
};

// The end-of-central-directory record with the archive comment.
struct TZipEndRecord {
  uint32_t Signature = 0;  // 0 when the archive had no end record
  uint16_t DiskNumber = 0;
  uint16_t CentralDisk = 0;
  uint16_t DiskEntries = 0;
  uint16_t TotalEntries = 0;
  uint32_t CentralSize = 0;
  uint32_t CentralOffset = 0;
  uint16_t CommentLength = 0;
  std::string Comment;
};

// A whole ZIP archive in memory. Sizes and counts in the file are never trusted: a record
// that promises more bytes than the file holds makes loading fail with a ZipError that
// says what is damaged, and the archive keeps its previous content.
class TZipFile {
 public:
  // Replaces the content with the archive in the file. Throws FileError or ZipError.
  void LoadFromFile(const std::string& path);
  // Replaces the file atomically: a failed save leaves the old file as it was.
  // Throws FileError, or ZipError for an archive too large for 32-bit offsets.
  void SaveToFile(const std::string& path) const;
  // Replaces the content with the archive in the rest of the stream. Throws ZipError.
  void LoadFromStream(std::istream& stream);
  // Members with a data descriptor are written with zero CRC and sizes in the local
  // header, followed by the descriptor. Throws ZipError.
  void SaveToStream(std::ostream& stream) const;

  // The number of members.
  int Count() const { return static_cast<int>(localEntries_.size()); }
  // The stored name of a member. Throws ZipError "Index out of range.".
  const std::string& Name(int index) const;
  // The first member whose name equals name, counting "\" and "/" as the same
  // separator; letter case must match. -1 when there is none.
  int IndexOf(std::string_view name) const;
  // The content of a member, inflated and checked against its CRC-32 and size.
  // Throws ZipError "Index out of range.", EZipFileCRCError, or ZipError for a
  // compression method other than deflate and store.
  std::string Data(int index) const;
  // Replaces the content of a member with bytes, deflated, and rewrites its local and
  // central headers. Throws ZipError "Index out of range." or for more than 4 GiB.
  void SetData(int index, std::string_view bytes);
  // Appends a member holding bytes, deflated, stamped with the current local time, and
  // its central entry; the end record counts it. Throws ZipError for more than 65535
  // members or 4 GiB.
  void AddMember(const std::string& name, std::string_view bytes);
  // The same with a fixed MS-DOS date and time, so that a package built twice from the
  // same files is the same bytes.
  void AddMember(const std::string& name, std::string_view bytes, uint16_t dosDate,
                 uint16_t dosTime);

  // The records as loaded or rewritten. Throw ZipError "Index out of range.".
  const TZipLocalEntry& LocalEntry(int index) const;
  const TZipCentralEntry& CentralEntry(int index) const;
  const TZipEndRecord& EndRecord() const { return endRecord_; }

  // CRC-32 of ISO 3309 (reflected polynomial 0xEDB88320); 0 for no bytes.
  static uint32_t Crc32(std::string_view bytes);

 private:
  void Load(std::string_view bytes, const std::string& source);
  std::string ToBytes() const;
  void CheckIndex(int index) const;

  std::vector<TZipLocalEntry> localEntries_;
  std::vector<TZipCentralEntry> centralEntries_;
  TZipEndRecord endRecord_;
};

// True when a and b are the same member path, "\" and "/" counting as the same
// separator. Letter case must match.
bool SameMemberPath(std::string_view a, std::string_view b);
// The folder part of a member name up to and including its last "\" or "/"; empty for a
// member at the top of the archive.
std::string_view MemberFolder(std::string_view name);
