#include "app/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "app/signals.h"

namespace {

constexpr std::size_t bufferSize = 1 << 20;
constexpr int linkHops = 40;  // as many as the system follows
constexpr int nameAttempts = 100;

#if defined(__linux__) && defined(O_TMPFILE)
constexpr bool unnamedFiles = true;
constexpr int unnamedFlags = O_TMPFILE | O_WRONLY | O_CLOEXEC;
#else
constexpr bool unnamedFiles = false;
constexpr int unnamedFlags = 0;
#endif

// The folder part of `path`, ending with '/'; empty for a bare name.
std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string folderPath(const std::string& folder) { return folder.empty() ? "." : folder; }

// The name a dangling symbolic link leads to, link after link; `name` itself
// where the links go round or cannot be read.
std::string danglingTarget(const std::string& name) {
  std::string path = name;
  for (int hop = 0; hop < linkHops; ++hop) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) {
      return errno == ENOENT ? path : name;
    }
    if (!S_ISLNK(status.st_mode)) {
      return name;
    }
    char text[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), text, sizeof text);
    if (length <= 0 || static_cast<std::size_t>(length) == sizeof text) {
      return name;
    }
    const std::string target(text, static_cast<std::size_t>(length));
    path = target.front() == '/' ? target : folderOf(path) + target;
  }
  return name;
}

// The file a name finally refers to, following symbolic links, also to a
// target that does not exist yet.
std::string resolvedTarget(const std::string& name) {
  struct stat status {};
  if (lstat(name.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
    return name;
  }
  if (stat(name.c_str(), &status) != 0) {
    return danglingTarget(name);
  }
  char* resolved = realpath(name.c_str(), nullptr);
  if (resolved == nullptr) {
    return name;  // a link of /proc to a pipe, say: written directly
  }
  std::string target(resolved);
  std::free(resolved);
  return target;
}

mode_t newFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0664 & ~mask;
}

// True when an unnamed file can be made in `folder` and later linked by name.
bool unnamedWorks(const std::string& folder) {
  if (!unnamedFiles || access("/proc/self/fd", X_OK) != 0) {
    return false;
  }
  const int fd = open(folderPath(folder).c_str(), unnamedFlags, 0600);
  if (fd < 0) {
    return false;
  }
  close(fd);
  return true;
}

// Six letters or digits, different at every call.
std::string randomSuffix() {
  static std::uint64_t counter = 0;
  std::uint64_t state =
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
      (static_cast<std::uint64_t>(getpid()) << 32U) ^ ++counter;
  state = (state ^ (state >> 30U)) * 0xbf58476d1ce4e5b9ULL;
  state = (state ^ (state >> 27U)) * 0x94d049bb133111ebULL;
  state ^= state >> 31U;
  static constexpr char letters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix;
  for (int i = 0; i < 6; ++i) {
    suffix += letters[state % (sizeof letters - 1)];
    state /= sizeof letters - 1;
  }
  return suffix;
}

// ".NAME.XXXXXX" beside `target`, NAME cut so that the whole fits the
// folder's limit on a name.
std::string temporaryName(const std::string& folder, const std::string& target) {
  long limit = pathconf(folderPath(folder).c_str(), _PC_NAME_MAX);
  if (limit < 16) {
    limit = NAME_MAX;
  }
  const std::string base = target.substr(folder.size());
  const std::size_t room = static_cast<std::size_t>(limit) - 8;  // ".", ".", six more
  return folder + "." + base.substr(0, room) + "." + randomSuffix();
}

}  // namespace

OutputFile::OutputFile() : buffer_(bufferSize), stream_(this) {
  setp(buffer_.data(), buffer_.data() + buffer_.size());
}

OutputFile::~OutputFile() {
  if (fd_ >= 0) {
    close(fd_);
  }
  removeTemporary();
}

bool OutputFile::open(const std::string& name) {
  target_ = resolvedTarget(name);
  struct stat status {};
  exists_ = stat(target_.c_str(), &status) == 0;
  if (exists_ && !S_ISREG(status.st_mode)) {
    way_ = Way::direct;
    fd_ = ::open(target_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666);
    return fd_ >= 0;
  }
  mode_ = exists_ ? (status.st_mode & 07777) : newFileMode();
  owner_ = exists_ ? status.st_uid : geteuid();
  group_ = exists_ ? status.st_gid : getegid();
  folder_ = folderOf(target_);
  way_ = unnamedWorks(folder_) ? Way::unnamed : Way::named;
  return way_ == Way::unnamed ||
         faccessat(AT_FDCWD, folderPath(folder_).c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

bool OutputFile::commit() {
  if (!drain() || (fd_ < 0 && !makeTemporary())) {
    return false;
  }
  if (way_ == Way::direct) {
    const bool closed = close(fd_) == 0;
    fd_ = -1;
    return closed;
  }
  const HeldSignals held;
  if (way_ == Way::unnamed && !linkIntoPlace()) {
    return false;
  }
  const bool closed = close(fd_) == 0;
  fd_ = -1;
  if (!closed || std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    removeTemporary();
    return false;
  }
  removeOnSignal("");
  temporary_.clear();
  return true;
}

int OutputFile::overflow(int byte) {
  if (!drain()) {
    return traits_type::eof();
  }
  if (!traits_type::eq_int_type(byte, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(byte);
    pbump(1);
  }
  return traits_type::not_eof(byte);
}

int OutputFile::sync() { return drain() ? 0 : -1; }

bool OutputFile::drain() {
  if (failed_) {
    return false;
  }
  const char* next = pbase();
  if (next == pptr()) {
    return true;
  }
  if (fd_ < 0 && !makeTemporary()) {
    failed_ = true;
    return false;
  }
  while (next < pptr()) {
    const ssize_t written = write(fd_, next, static_cast<std::size_t>(pptr() - next));
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      failed_ = true;
      return false;
    }
    next += written;
  }
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  return true;
}

bool OutputFile::makeTemporary() {
  const HeldSignals held;
  if (way_ == Way::unnamed) {
    fd_ = ::open(folderPath(folder_).c_str(), unnamedFlags, 0600);
  }
  for (int attempt = 0; way_ == Way::named && fd_ < 0 && attempt < nameAttempts; ++attempt) {
    const std::string name = temporaryName(folder_, target_);
    fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd_ >= 0) {
      temporary_ = name;
      removeOnSignal(name);
    } else if (errno != EEXIST) {
      break;
    }
  }
  if (fd_ < 0) {
    return false;
  }
  if (exists_ && (owner_ != geteuid() || group_ != getegid()) && fchown(fd_, owner_, group_) != 0) {
    // Not allowed to give the file away: keep at least its group where it may.
    const int kept = fchown(fd_, static_cast<uid_t>(-1), group_);
    static_cast<void>(kept);
  }
  return fchmod(fd_, mode_) == 0;
}

// Gives the unnamed file a temporary name; with the signals held.
bool OutputFile::linkIntoPlace() {
  const std::string self = "/proc/self/fd/" + std::to_string(fd_);
  for (int attempt = 0; attempt < nameAttempts; ++attempt) {
    const std::string name = temporaryName(folder_, target_);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      temporary_ = name;
      removeOnSignal(name);
      return true;
    }
    if (errno != EEXIST) {
      return false;
    }
  }
  return false;
}

void OutputFile::removeTemporary() {
  if (temporary_.empty()) {
    return;
  }
  const HeldSignals held;
  unlink(temporary_.c_str());
  removeOnSignal("");
  temporary_.clear();
}

bool sameFile(const std::string& first, const std::string& second) {
  struct stat a {};
  struct stat b {};
  return stat(first.c_str(), &a) == 0 && stat(second.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
         a.st_ino == b.st_ino;
}

bool isFolder(const std::string& name) {
  struct stat status {};
  return stat(name.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}
