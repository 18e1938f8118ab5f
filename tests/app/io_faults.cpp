// A library preloaded (LD_PRELOAD) into the program by resources_test.sh to
// make file operations fail on purpose:
// - IO_FAULT_READ_FILE=name, IO_FAULT_READ_AFTER=n: reads of the file `name`
//   return its first n bytes, then fail with EIO (a read error mid-file).
// - IO_FAULT_RENAME=1: every rename fails with EIO (an output that cannot be
//   renamed into place).
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

}  // namespace

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
  const char* fail = std::getenv("IO_FAULT_RENAME");
  if (fail != nullptr && std::strcmp(fail, "1") == 0) {
    errno = EIO;
    return -1;
  }
  return realRename(from, to);
}
