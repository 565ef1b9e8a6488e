// Level packages: a folder of level text and pattern descriptions, plus the images the
// generator draws for it, zipped into Levels/<folder>.zle the way the game reads them:
// member names with "\" between folders, text with CR LF line ends (the game splits
// package text at CR), every member deflated. A fixed time stamp keeps the bytes equal
// from build to build.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>

#include "data/file_io.h"
#include "data/zip_file.h"
#include "make_assets.h"

namespace fs = std::filesystem;

namespace {

// 1 May 2024, 12:00, in MS-DOS form.
constexpr uint16_t kDosDate = (2024 - 1980) << 9 | 5 << 5 | 1;
constexpr uint16_t kDosTime = 12 << 11;

struct DrawnMember {
  const char* member;
  std::function<paint::Canvas()> draw;
};

// The images each package brings, by package folder.
const std::map<std::string, std::vector<DrawnMember>>& DrawnMembers() {
  static const std::map<std::string, std::vector<DrawnMember>> members = {
      {"06-Boulder",
       {{"Data\\Polygons\\crystal.png", DrawCrystalTexture},
        {"Data\\Polygons\\cavewall.png", DrawCaveWall},
        {"Data\\Sprites\\gem.png", DrawGemSprite}}},
  };
  return members;
}

bool IsText(const fs::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return ext == ".vle" || ext == ".dat" || ext == ".spr" || ext == ".rgs" || ext == ".txt";
}

// Every line ended by CR LF, whatever the source file used.
std::string WithCrLf(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') continue;
    if (text[i] == '\n') out += '\r';
    out += text[i];
  }
  if (!out.empty() && out.back() != '\n') out += "\r\n";
  return out;
}

std::string MemberName(const fs::path& relative) {
  std::string name = relative.generic_string();
  std::replace(name.begin(), name.end(), '/', '\\');
  return name;
}

// The package's own files, sorted by member name so that the order never depends on the
// file system; hidden files are left out.
std::vector<std::pair<std::string, fs::path>> SourceFiles(const fs::path& folder) {
  std::vector<std::pair<std::string, fs::path>> files;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    fs::path relative = fs::relative(entry.path(), folder);
    if (relative.filename().string().starts_with(".")) continue;
    files.emplace_back(MemberName(relative), entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string BuildPackage(const fs::path& folder) {
  TZipFile zip;
  for (const auto& [member, path] : SourceFiles(folder)) {
    std::string bytes = ReadWholeFile(path.string());
    zip.AddMember(member, IsText(path) ? WithCrLf(bytes) : bytes, kDosDate, kDosTime);
  }
  auto drawn = DrawnMembers().find(folder.filename().string());
  if (drawn != DrawnMembers().end()) {
    for (const DrawnMember& m : drawn->second)
      zip.AddMember(m.member, EncodePng(m.draw()), kDosDate, kDosTime);
  }
  std::ostringstream bytes;
  zip.SaveToStream(bytes);
  return bytes.str();
}

}  // namespace

void MakePackages(AssetOutput& out, const std::string& packageSources) {
  if (!fs::is_directory(packageSources)) {
    throw std::runtime_error("No package folder \"" + packageSources + "\".");
  }
  std::vector<fs::path> folders;
  for (const fs::directory_entry& entry : fs::directory_iterator(packageSources)) {
    if (entry.is_directory()) folders.push_back(entry.path());
  }
  std::sort(folders.begin(), folders.end());
  for (const fs::path& folder : folders)
    out.SaveBytes("Levels/" + folder.filename().string() + ".zle", BuildPackage(folder));
}
