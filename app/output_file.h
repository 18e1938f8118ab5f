// The output file, written so that a failed run leaves the old file as it was.
#ifndef APP_OUTPUT_FILE_H_
#define APP_OUTPUT_FILE_H_

#include <fstream>
#include <string>
#include <vector>

// A regular output file is written to a temporary file beside it and renamed
// into place by commit(); an existing file's permission bits are kept, a new
// one gets 0664 less the umask. An existing file that is not regular (a
// terminal, a pipe, /dev/full) is written directly. Without a commit the
// temporary file is removed.
class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  // False when the file cannot be created (for example in a missing folder).
  bool open(const std::string& name);

  std::ostream& stream() { return stream_; }

  // Flushes, closes and renames into place; false on any write error.
  bool commit();

 private:
  std::ofstream stream_;
  std::vector<char> buffer_;
  std::string target_;
  std::string temporary_;  // empty when writing directly
};

// True when both names exist and are the same file (same device and inode).
bool sameFile(const std::string& first, const std::string& second);

// True when `name` exists and is a folder.
bool isFolder(const std::string& name);

#endif  // APP_OUTPUT_FILE_H_
