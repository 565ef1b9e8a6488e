#include "data/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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
