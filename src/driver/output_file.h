// The output file, written safely.
//
// The bytes go into a temporary file in the output's own directory, which is
// moved onto the output's name only by commit(). Until then the output path
// is untouched: a run that fails leaves an absent output absent and an
// existing one with its old bytes, and the temporary is removed. Because the
// input is only replaced at the very end, input and output may name the same
// file.
//
// A symbolic link as the output name is followed, so that the file it points
// to is the one replaced; a link that cannot be followed to its end (a loop)
// is refused. An existing output that is not a regular file (a FIFO or a
// device) cannot be replaced; it is written directly.
//
// While the temporary exists, SIGINT, SIGTERM and SIGHUP (on Windows SIGINT
// and SIGBREAK: Ctrl-C and Ctrl-Break) remove it before they end the
// process. Only one OutputFile may be open at a time.

#ifndef RTETRK_DRIVER_OUTPUT_FILE_H_
#define RTETRK_DRIVER_OUTPUT_FILE_H_

#include <cstdio>
#include <filesystem>
#include <optional>

namespace driver {

class OutputFile {
 public:
  OutputFile() = default;
  // Closes and removes the temporary unless the output was committed.
  ~OutputFile();

  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Makes sure that `path` can be written and creates the temporary beside
  // it. False if the output is a directory, an existing output cannot be
  // written, or the temporary cannot be created.
  bool open(const std::filesystem::path& path);

  // The stream to write to; valid from a successful open() to commit().
  std::FILE* stream() const { return file_; }

  // Closes the stream and moves the temporary onto the output's name. False
  // if closing or moving failed; the output path is then as it was.
  bool commit();

 private:
  void discard();

  std::filesystem::path target_;
  // Empty when writing directly. Its c_str() is what the signal handler
  // removes.
  std::filesystem::path temporary_;
  std::optional<std::filesystem::perms> permissions_;  // of an existing output
  std::FILE* file_ = nullptr;
};

}  // namespace driver

#endif  // RTETRK_DRIVER_OUTPUT_FILE_H_
