#include "data/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <system_error>

namespace {

std::string ErrorText(std::string_view verb, const std::string& path, int code) {
  std::string text = "Cannot ";
  text += verb;
  text += " file \"" + path + "\": " + std::system_category().message(code);
  return text;
}

// Closes a descriptor on every path out of a function.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }
  // Closes now and reports the result: on some file systems a failed write shows here.
  int Close() {
    int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

void AppendAll(int fd, const std::string& path, std::string& out) {
  char chunk[65536];
  for (;;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n == 0) return;
    if (n < 0) {
      if (errno == EINTR) continue;
      throw FileError("read", path, errno);
    }
    out.append(chunk, static_cast<size_t>(n));
  }
}

// A temporary file beside the target, so that the final rename stays on one file system.
int CreateTemporary(const std::string& path, std::string& tempPath) {
  static unsigned counter = 0;
  for (;;) {
    tempPath = path + ".tmp" + std::to_string(::getpid()) + "." + std::to_string(counter++);
    int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
}

// The process ID in a temporary name of the file `name` ("NAME.tmpPID.N"); 0 for any other
// name.
pid_t TemporaryOwner(std::string_view entry, std::string_view name) {
  const std::string_view mark = ".tmp";
  if (entry.size() <= name.size() + mark.size() || entry.substr(0, name.size()) != name ||
      entry.substr(name.size(), mark.size()) != mark)
    return 0;
  entry.remove_prefix(name.size() + mark.size());
  const size_t dot = entry.find('.');
  if (dot == 0 || dot == std::string_view::npos || dot > 9 || dot + 1 == entry.size()) return 0;
  if (entry.find_first_not_of("0123456789") != dot ||
      entry.substr(dot + 1).find_first_not_of("0123456789") != std::string_view::npos)
    return 0;
  pid_t pid = 0;
  for (char c : entry.substr(0, dot))
    pid = pid * 10 + (c - '0');
  return pid;
}

// A game killed in the middle of a write leaves its temporary file behind. The next write
// of the same file removes those of processes that no longer run; a live one may be
// another copy of the game writing right now, and its file stays.
void RemoveStaleTemporaries(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* entry = ::readdir(dir)) {
    const pid_t owner = TemporaryOwner(entry->d_name, name);
    if (owner <= 0 || owner == ::getpid()) continue;
    if (::kill(owner, 0) != 0 && errno == ESRCH) ::unlinkat(::dirfd(dir), entry->d_name, 0);
  }
  ::closedir(dir);
}

// A replaced file keeps the permissions the player gave it.
void KeepPermissions(int fd, const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::fchmod(fd, st.st_mode & 07777);
}

int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return 0;
}

// Fills and closes the temporary file; returns 0 or the errno of the first failure.
int FillTemporary(Descriptor& fd, std::string_view bytes) {
  if (int code = WriteAll(fd.Get(), bytes)) return code;
  if (::fsync(fd.Get()) != 0) return errno;
  if (fd.Close() != 0) return errno;
  return 0;
}

// Makes the rename itself durable; the new file is already in place, so a failure here
// is not reported.
void SyncFolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

FileError::FileError(std::string_view verb, const std::string& path, int code)
    : GameError(ErrorText(verb, path, code)), path_(path), code_(code) {}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string ReadWholeFile(const std::string& path) {
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) throw FileError("open", path, errno);
  struct stat st;
  if (::fstat(fd.Get(), &st) != 0) throw FileError("open", path, errno);
  if (S_ISDIR(st.st_mode)) throw FileError("open", path, EISDIR);
  std::string bytes;
  if (S_ISREG(st.st_mode)) bytes.reserve(static_cast<size_t>(st.st_size));
  AppendAll(fd.Get(), path, bytes);
  return bytes;
}

void WriteFileAtomic(const std::string& path, std::string_view bytes) {
  RemoveStaleTemporaries(path);
  std::string tempPath;
  Descriptor fd(CreateTemporary(path, tempPath));
  if (fd.Get() < 0) throw FileError("create", path, errno);
  KeepPermissions(fd.Get(), path);
  int code = FillTemporary(fd, bytes);
  if (code == 0 && ::rename(tempPath.c_str(), path.c_str()) != 0) code = errno;
  if (code != 0) {
    ::unlink(tempPath.c_str());
    throw FileError("write", path, code);
  }
  SyncFolderOf(path);
}
