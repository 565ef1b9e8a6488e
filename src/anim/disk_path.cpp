#include "anim/disk_path.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

namespace fs = std::filesystem;

namespace {

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return LowerAscii(x) == LowerAscii(y);
         });
}

bool Exists(const fs::path& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec)) && !ec;
}

// The entry of folder whose name matches part ignoring case; the first by name, so that
// the choice does not depend on the order the file system lists them in.
std::optional<std::string> MatchInFolder(const fs::path& folder, const std::string& part) {
  std::error_code ec;
  std::optional<std::string> best;
  for (fs::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (SameIgnoringCase(name, part) && (!best || name < *best)) best = name;
  }
  return best;
}

}  // namespace

std::string FindDiskFile(const std::string& name) {
  std::string mapped = name;
  std::replace(mapped.begin(), mapped.end(), '\\', '/');
  if (mapped.empty() || Exists(mapped)) return mapped;
  fs::path built = mapped.front() == '/' ? fs::path("/") : fs::path();
  for (const fs::path& element : fs::path(mapped).relative_path()) {
    std::string part = element.string();
    if (part.empty()) continue;
    fs::path exact = built / part;
    if (part == "." || part == ".." || Exists(exact)) {
      built = exact;
      continue;
    }
    std::optional<std::string> match = MatchInFolder(built, part);
    if (!match) return mapped;
    built /= *match;
  }
  return built.string();
}
