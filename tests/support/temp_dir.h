// A scoped temporary directory and small file helpers for tests.

#ifndef RTETRK_TESTS_SUPPORT_TEMP_DIR_H_
#define RTETRK_TESTS_SUPPORT_TEMP_DIR_H_

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <system_error>

#include "support/gdb_builder.h"

namespace gdbtest {

// A fresh directory under the system's temporary directory, removed with
// everything in it at the end of the scope. File names in and out are UTF-8,
// as the tool's own are.
class ScopedTempDir {
 public:
  ScopedTempDir() {
    std::random_device random;
    const std::filesystem::path parent = std::filesystem::temp_directory_path();
    for (int i = 0; i < 100 && path_.empty(); ++i) {
      std::filesystem::path candidate =
          parent / ("rtetrk-test-" + std::to_string(random()));
      // False when the name is taken already.
      if (std::filesystem::create_directory(candidate)) path_ = candidate;
    }
    if (path_.empty()) throw std::runtime_error("no temporary directory");
  }
  ~ScopedTempDir() {
    // Read-only entries can't be removed on every system: make them
    // writable first.
    namespace fs = std::filesystem;
    std::error_code error;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, error);
    for (fs::recursive_directory_iterator it(path_, error), end;
         !error && it != end; it.increment(error)) {
      // Links are left alone: some point outside the directory.
      if (!it->is_symlink(error)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add,
                        error);
      }
      error.clear();
    }
    fs::remove_all(path_, error);
  }
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string operator/(const std::string& name) const {
    return (path_ / std::filesystem::u8path(name)).u8string();
  }

 private:
  std::filesystem::path path_;
};

// The names in a directory.
inline std::set<std::string> listing(const std::filesystem::path& directory) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    names.insert(entry.path().filename().u8string());
  }
  return names;
}

// Makes a symbolic link; false where the system or its library can't.
inline bool make_symlink(const std::filesystem::path& target,
                         const std::filesystem::path& link) {
  std::error_code error;
  std::filesystem::create_symlink(target, link, error);
  return !error;
}

inline void write_file(const std::string& path, const Bytes& bytes) {
  std::ofstream out(std::filesystem::u8path(path),
                    std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

// The file's bytes, or nothing if it does not exist.
inline std::optional<Bytes> read_file(const std::string& path) {
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  if (!in) return std::nullopt;
  return Bytes(std::istreambuf_iterator<char>(in),
               std::istreambuf_iterator<char>());
}

}  // namespace gdbtest

#endif  // RTETRK_TESTS_SUPPORT_TEMP_DIR_H_
