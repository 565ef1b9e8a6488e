// Makes the game's writing of one file fail halfway, so tests can see what a killed game or
// a full disk leaves behind. Preloaded into the game with
//   TOVI2_FAULT_FILE=Config.dat TOVI2_FAULT=kill   (or full)
// it lets the first write into that file, or into a temporary copy of it
// ("Config.dat.tmp..."), put down half of its bytes; then "kill" ends the process with SIGKILL, and
// "full" fails every later write into it with ENOSPC, as a full disk would.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

// Whether fd is open on the file named in TOVI2_FAULT_FILE or on a temporary copy of it.
static int Targeted(int fd) {
  const char* name = getenv("TOVI2_FAULT_FILE");
  if (!name) return 0;
  char link[64], path[4096];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  ssize_t n = readlink(link, path, sizeof path - 1);
  if (n <= 0) return 0;
  path[n] = '\0';
  const char* base = strrchr(path, '/');
  base = base ? base + 1 : path;
  size_t length = strlen(name);
  return strncmp(base, name, length) == 0 &&
         (base[length] == '\0' || strncmp(base + length, ".tmp", 4) == 0);
}

ssize_t write(int fd, const void* buffer, size_t count) {
  typedef ssize_t (*WriteFn)(int, const void*, size_t);
  static WriteFn real;
  static int faulted;
  if (!real) real = (WriteFn)dlsym(RTLD_NEXT, "write");
  if (count < 2 || !Targeted(fd)) return real(fd, buffer, count);
  if (faulted) {
    errno = ENOSPC;
    return -1;
  }
  faulted = 1;
  ssize_t put = real(fd, buffer, count / 2);
  const char* fault = getenv("TOVI2_FAULT");
  if (fault && strcmp(fault, "kill") == 0) kill(getpid(), SIGKILL);
  return put;
}
