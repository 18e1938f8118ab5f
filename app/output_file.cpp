#include "app/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr std::size_t bufferSize = 1 << 20;

// The file a name finally refers to, following symbolic links.
std::string resolvedTarget(const std::string& name) {
  struct stat status {};
  if (lstat(name.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
    return name;
  }
  char* resolved = realpath(name.c_str(), nullptr);
  if (resolved == nullptr) {
    return name;
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

// Creates an empty temporary file in the folder of `target`, with the bits
// the finished file is to have.
std::string createTemporary(const std::string& target, mode_t mode) {
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string pattern = folder + (slash == std::string::npos ? "/." : ".") + base + ".XXXXXX";
  const int fd = mkstemp(pattern.data());
  if (fd < 0) {
    return "";
  }
  fchmod(fd, mode);
  close(fd);
  return pattern;
}

}  // namespace

OutputFile::~OutputFile() {
  if (!temporary_.empty()) {
    stream_.close();
    std::remove(temporary_.c_str());
  }
}

bool OutputFile::open(const std::string& name) {
  target_ = resolvedTarget(name);
  buffer_.resize(bufferSize);
  stream_.rdbuf()->pubsetbuf(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  struct stat status {};
  const bool exists = stat(target_.c_str(), &status) == 0;
  if (exists && !S_ISREG(status.st_mode)) {
    stream_.open(target_, std::ios::binary | std::ios::trunc);
    return stream_.is_open();
  }
  temporary_ = createTemporary(target_, exists ? (status.st_mode & 07777) : newFileMode());
  if (temporary_.empty()) {
    return false;
  }
  stream_.open(temporary_, std::ios::binary | std::ios::trunc);
  return stream_.is_open();
}

bool OutputFile::commit() {
  stream_.flush();
  const bool written = stream_.good();
  stream_.close();
  if (!written || stream_.fail()) {
    return false;
  }
  if (temporary_.empty()) {
    return true;
  }
  if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    return false;
  }
  temporary_.clear();
  return true;
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
