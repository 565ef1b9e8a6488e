// The three loaders, each from disk or from a package member, and the frame-list reader.
#include "anim/anim_files.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "anim/disk_path.h"
#include "anim/rig_reader.h"
#include "data/ascii_case.h"
#include "data/file_io.h"
#include "data/real_text.h"
#include "data/zip_file.h"

namespace {

// The decoder's format hint: the extension in upper case.
std::string FormatHint(const std::string& name) {
  return UpperAscii(file_GetExtension(name));
}

// The file name with its extension, without its folder.
std::string FileNameOf(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Images beside an animation on disk.
class DiskFolder final : public AnimFolder {
 public:
  explicit DiskFolder(const std::string& animPath) : folder_(file_GetDirectory(animPath)) {}

  std::string PathOf(const std::string& name) const override { return folder_ + name; }

  // The file's own place, so that two spellings of one file share its texture.
  std::string KeyOf(const std::string& path) const override {
    std::error_code ec;
    std::filesystem::path found = std::filesystem::weakly_canonical(FindDiskFile(path), ec);
    if (ec || !IsRegularFile(found.string())) return "";
    return "file:" + found.string();
  }

  Texture* Load(const std::string& path) const override {
    return tex_LoadFromFile(FindDiskFile(path), TEX_NO_COLORKEY, TEX_DEFAULT_2D);
  }

 private:
  std::string folder_;
};

// Images beside an animation in a package: members of the same folder.
class PackageFolder final : public AnimFolder {
 public:
  PackageFolder(const TZipFile& zip, const std::string& memberName)
      : zip_(zip), folder_(MemberFolder(memberName)) {}

  std::string PathOf(const std::string& name) const override { return folder_ + name; }

  // Packages of different levels may hold different images under one name; the stored
  // CRC-32 and size tell them apart.
  std::string KeyOf(const std::string& path) const override {
    int index = zip_.IndexOf(path);
    if (index < 0) return "";
    std::string name = zip_.Name(index);
    std::replace(name.begin(), name.end(), '\\', '/');
    const TZipHeader& header = zip_.LocalEntry(index).Header;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%08x:%u:", unsigned(header.Crc32),
                  unsigned(header.UncompressedSize));
    return "zip:" + std::string(stamp) + name;
  }

  // A damaged member throws the package's error, as every read of it does.
  Texture* Load(const std::string& path) const override {
    int index = zip_.IndexOf(path);
    if (index < 0) return nullptr;
    std::string bytes = zip_.Data(index);
    return tex_LoadFromMemory(bytes.data(), bytes.size(), FormatHint(path), TEX_NO_COLORKEY,
                              TEX_DEFAULT_2D);
  }

 private:
  const TZipFile& zip_;
  std::string folder_;
};

// Up to eight whole numbers separated by single blanks; one that cannot be read, and
// every missing one, counts as 0.
TSprFrame ReadFrameLine(const std::string& line) {
  int32_t fields[8] = {};
  size_t start = 0;
  for (int i = 0; i < 8 && start <= line.size(); ++i) {
    size_t blank = line.find(' ', start);
    size_t end = blank == std::string::npos ? line.size() : blank;
    fields[i] = TextToInteger(std::string_view(line).substr(start, end - start)).value_or(0);
    start = end + 1;
  }
  return {float(fields[0]), float(fields[1]), float(fields[2]), float(fields[3]),
          fields[4],        fields[5],        fields[6],        fields[7]};
}

// Line 1 names the image; every further line is a frame, an empty one a frame of zeros.
void ReadFrameList(TSpr& spr, const std::vector<std::string>& lines, const AnimFolder& folder) {
  if (lines.empty()) return;
  spr.Name = lines[0];
  spr.Tex = folder.Load(folder.PathOf(lines[0]));
  for (size_t i = 1; i < lines.size(); ++i)
    spr.Frames.push_back(ReadFrameLine(lines[i]));
}

}  // namespace

AnimKind AnimKindOf(const std::string& fileName) {
  std::string extension = FormatHint(fileName);
  if (extension == "RGS") return AnimKind::Rig;
  if (extension == "SPR") return AnimKind::Frames;
  return AnimKind::Image;
}

void LoadAnimFromText(TSpr& spr, AnimKind kind, std::string_view text, LineEnds ends,
                      const AnimFolder& folder, const std::string& sourceName) {
  TSpr loaded;
  std::vector<std::string> lines = SplitAnimLines(text, ends);
  if (kind == AnimKind::Frames) ReadFrameList(loaded, lines, folder);
  if (kind == AnimKind::Rig) loaded.Rig = ReadRig(lines, folder, sourceName);
  spr = std::move(loaded);
}

void LoadAnimFile(TSpr& spr, const std::string& path) {
  std::string bytes = ReadWholeFile(FindDiskFile(path));
  AnimKind kind = AnimKindOf(path);
  if (kind != AnimKind::Image) {
    LoadAnimFromText(spr, kind, bytes, LineEnds::File, DiskFolder(path), path);
    return;
  }
  TSpr loaded;
  loaded.Tex = tex_LoadFromMemory(bytes.data(), bytes.size(), FormatHint(path), TEX_NO_COLORKEY,
                                  TEX_DEFAULT_2D);
  loaded.Name = FileNameOf(path);
  spr = std::move(loaded);
}

void LoadAnimFromPackage(TSpr& spr, const TZipFile& zip, const std::string& memberName) {
  int index = zip.IndexOf(memberName);
  if (index < 0) throw ZipError("No member \"" + memberName + "\" in the package.");
  std::string bytes = zip.Data(index);
  AnimKind kind = AnimKindOf(memberName);
  if (kind != AnimKind::Image) {
    LoadAnimFromText(spr, kind, bytes, LineEnds::Package, PackageFolder(zip, memberName),
                     memberName);
    return;
  }
  TSpr loaded;
  loaded.Tex = tex_LoadFromMemory(bytes.data(), bytes.size(), FormatHint(memberName),
                                  TEX_NO_COLORKEY, TEX_DEFAULT_2D);
  loaded.Name = FileNameOf(memberName);
  spr = std::move(loaded);
}
