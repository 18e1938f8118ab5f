// The output file, written so that a run that fails before its commit leaves
// the old file as it was and nothing beside it.
#ifndef APP_OUTPUT_FILE_H_
#define APP_OUTPUT_FILE_H_

#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

// A regular output file (or a new one) is written to a temporary file in its
// folder, made when the first bytes leave the buffer, and renamed into place
// by commit(). On Linux the temporary file has no name until it is complete
// (O_TMPFILE); it is then linked under a temporary name and renamed at once.
// Elsewhere, or where the file system cannot do that, it is named from the
// start. The temporary name is never longer than the folder allows. An
// existing file keeps its permission bits, and its owner and group where the
// process may set them; a new one gets 0664 less the umask. A symbolic link is
// followed to its target, also when the target does not exist yet, and stays
// a link. An existing file that is not regular (a terminal, a pipe,
// /dev/full) is written directly. Without a commit the temporary file is
// removed.
class OutputFile : private std::streambuf {
 public:
  OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile() override;

  // Settles where `name` is written and checks that a file can be made there;
  // false when not (a missing or unwritable folder). Makes no file yet,
  // except that a file that is not regular is opened.
  bool open(const std::string& name);

  std::ostream& stream() { return stream_; }

  // Writes what is buffered, closes the file and renames it into place; false
  // on any write error (the temporary file is then removed).
  bool commit();

 private:
  enum class Way { direct, unnamed, named };

  int overflow(int byte) override;
  int sync() override;

  bool drain();          // writes the buffer out, making the file first
  bool makeTemporary();  // the temporary file, with the target's attributes
  bool linkIntoPlace();
  void removeTemporary();

  std::vector<char> buffer_;
  std::ostream stream_;
  std::string target_;
  std::string folder_;     // the target's folder, ending with '/'
  std::string temporary_;  // the temporary name, once the file has one
  Way way_ = Way::named;
  int fd_ = -1;
  bool failed_ = false;
  bool exists_ = false;  // the target exists; then the attributes below are its own
  unsigned mode_ = 0;
  unsigned owner_ = 0;
  unsigned group_ = 0;
};

// True when both names exist and are the same file (same device and inode).
bool sameFile(const std::string& first, const std::string& second);

// True when `name` exists and is a folder.
bool isFolder(const std::string& name);

#endif  // APP_OUTPUT_FILE_H_
