// Taking access away from files and directories in tests, on each system.

#ifndef RTETRK_TESTS_SUPPORT_ACCESS_H_
#define RTETRK_TESTS_SUPPORT_ACCESS_H_

#include <filesystem>

namespace gdbtest {

// While it lives, no entry can be added to the directory. On POSIX its write
// permission is cleared; on Windows, where a folder's read-only attribute
// stops no one, its access list is set to allow reading only (Wine turns
// that list into permission bits). Restores full access at the end.
class ReadOnlyDirectory {
 public:
  explicit ReadOnlyDirectory(std::filesystem::path directory);
  ~ReadOnlyDirectory();
  ReadOnlyDirectory(const ReadOnlyDirectory&) = delete;
  ReadOnlyDirectory& operator=(const ReadOnlyDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Whether this user can create a file in the directory all the same (root
// can); leaves nothing behind.
bool can_create_in(const std::filesystem::path& directory);

// Whether this user can open the file for reading, or for reading and
// writing, all the same.
bool can_read(const std::filesystem::path& file);
bool can_write(const std::filesystem::path& file);

#ifdef _WIN32
// Holds a file open as another program would, for as long as it lives.
// Without sharing, nobody else can open the file; with it (as most programs
// open files), others can read and write it, but Windows still won't let the
// file be replaced or removed.
class HeldOpen {
 public:
  HeldOpen(const std::filesystem::path& file, bool shared);
  ~HeldOpen();
  HeldOpen(const HeldOpen&) = delete;
  HeldOpen& operator=(const HeldOpen&) = delete;

 private:
  void* handle_;
};
#endif

}  // namespace gdbtest

#endif  // RTETRK_TESTS_SUPPORT_ACCESS_H_
