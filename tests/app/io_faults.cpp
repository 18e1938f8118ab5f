// A library preloaded (LD_PRELOAD) into the program by resources_test.sh to
// make file operations fail on purpose:
// - IO_FAULT_READ_FILE=name, IO_FAULT_READ_AFTER=n: reads of the file `name`
//   return its first n bytes, then fail with EIO (a read error mid-file).
// - IO_FAULT_RENAME=1: every rename fails with EIO (an output that cannot be
//   renamed into place).
// - IO_FAULT_NO_TMPFILE=1: unnamed files (O_TMPFILE) cannot be made, as on a
//   file system without them.
// - IO_FAULT_PAUSE_WRITE=marker: a write to a regular file other than standard
//   output and error makes the file `marker` and waits for a signal instead.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using ReadFunction = ssize_t (*)(int, void*, size_t);
using RenameFunction = int (*)(const char*, const char*);

// True when `fd` is open on the file named by IO_FAULT_READ_FILE.
bool isFaultyFile(int fd) {
  const char* name = std::getenv("IO_FAULT_READ_FILE");
  struct stat wanted {};
  struct stat actual {};
  return name != nullptr && stat(name, &wanted) == 0 && fstat(fd, &actual) == 0 &&
         wanted.st_dev == actual.st_dev && wanted.st_ino == actual.st_ino;
}

using OpenFunction = int (*)(const char*, int, ...);

bool isSet(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && std::strcmp(value, "1") == 0;
}

// Makes the file named by `variable`, when it is set, and waits for a signal.
void pauseIfAsked(const char* variable) {
  const char* marker = std::getenv(variable);
  if (marker == nullptr) {
    return;
  }
  static auto realOpen = reinterpret_cast<OpenFunction>(dlsym(RTLD_NEXT, "open"));
  close(realOpen(marker, O_WRONLY | O_CREAT, 0600));
  for (;;) {
    pause();
  }
}

bool isRegularFile(int fd) {
  struct stat status {};
  return fd > 2 && fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
}

int openWith(const char* name, const char* path, int flags, va_list arguments) {
  mode_t mode = 0;
  if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
    mode = va_arg(arguments, mode_t);
  }
  if ((flags & O_TMPFILE) == O_TMPFILE && isSet("IO_FAULT_NO_TMPFILE")) {
    errno = EOPNOTSUPP;
    return -1;
  }
  return reinterpret_cast<OpenFunction>(dlsym(RTLD_NEXT, name))(path, flags, mode);
}

}  // namespace

extern "C" int open(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const int fd = openWith("open", path, flags, arguments);
  va_end(arguments);
  return fd;
}

extern "C" int open64(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const int fd = openWith("open64", path, flags, arguments);
  va_end(arguments);
  return fd;
}

using WriteFunction = ssize_t (*)(int, const void*, size_t);

// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name)
extern "C" ssize_t write(int fd, const void* buffer, size_t count) {
  static auto realWrite = reinterpret_cast<WriteFunction>(dlsym(RTLD_NEXT, "write"));
  if (std::getenv("IO_FAULT_PAUSE_WRITE") != nullptr && isRegularFile(fd)) {
    pauseIfAsked("IO_FAULT_PAUSE_WRITE");
  }
  return realWrite(fd, buffer, count);
}

// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name)
extern "C" ssize_t read(int fd, void* buffer, size_t count) {
  static auto realRead = reinterpret_cast<ReadFunction>(dlsym(RTLD_NEXT, "read"));
  if (!isFaultyFile(fd)) {
    return realRead(fd, buffer, count);
  }
  const char* after = std::getenv("IO_FAULT_READ_AFTER");
  const off_t limit = after == nullptr ? 0 : std::atoll(after);
  const off_t position = lseek(fd, 0, SEEK_CUR);
  if (position < 0 || position >= limit) {
    errno = EIO;
    return -1;
  }
  const auto allowed = static_cast<size_t>(limit - position);
  return realRead(fd, buffer, count < allowed ? count : allowed);
}

// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name)
extern "C" int rename(const char* from, const char* to) {
  static auto realRename = reinterpret_cast<RenameFunction>(dlsym(RTLD_NEXT, "rename"));
  if (isSet("IO_FAULT_RENAME")) {
    errno = EIO;
    return -1;
  }
  return realRename(from, to);
}
