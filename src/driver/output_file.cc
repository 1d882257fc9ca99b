#include "driver/output_file.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <exception>
#include <iterator>
#include <random>
#include <string>
#include <system_error>

#include "driver/platform.h"

namespace driver {

namespace fs = std::filesystem;

namespace {

constexpr int MAX_LINKS_FOLLOWED = 40;
constexpr int TEMPORARY_NAME_TRIES = 100;

// The file that a name finally refers to, following symbolic links; for a
// dangling link, the name it points to.
fs::path follow_links(fs::path path) {
  std::error_code error;
  for (int i = 0; i < MAX_LINKS_FOLLOWED && fs::is_symlink(path, error); ++i) {
    fs::path link = fs::read_symlink(path, error);
    if (error) break;
    path = link.is_absolute() ? link : path.parent_path() / link;
  }
  return path;
}

// A fresh, hidden name in the directory of `target`.
fs::path temporary_name(const fs::path& target, std::mt19937_64& random) {
  fs::path directory = target.parent_path();
  std::string name = ".rtetrk-" + std::to_string(random()) + ".tmp";
  return directory.empty() ? fs::path(name) : directory / name;
}

// Signals that end the process while a temporary exists. Their handler
// removes the temporary, then lets the signal end the process as it would
// have. On Windows, Ctrl-C and Ctrl-Break arrive as SIGINT and SIGBREAK.
constexpr int CLEANUP_SIGNALS[] = {
    SIGINT,
    SIGTERM,
#ifdef SIGHUP
    SIGHUP,
#endif
#ifdef SIGBREAK
    SIGBREAK,
#endif
};
using SignalHandler = void (*)(int);
using NativeChar = fs::path::value_type;
SignalHandler previous_handlers[std::size(CLEANUP_SIGNALS)];
std::atomic<const NativeChar*> temporary_to_remove{nullptr};

extern "C" void remove_temporary_and_reraise(int signal) {
  if (const NativeChar* path = temporary_to_remove.exchange(nullptr)) {
    remove_file(path);
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void remove_temporary_on_signal(const NativeChar* path) {
  temporary_to_remove = path;
  for (size_t i = 0; i < std::size(CLEANUP_SIGNALS); ++i) {
    previous_handlers[i] =
        std::signal(CLEANUP_SIGNALS[i], remove_temporary_and_reraise);
    // A signal that the caller chose to ignore stays ignored.
    if (previous_handlers[i] == SIG_IGN)
      std::signal(CLEANUP_SIGNALS[i], SIG_IGN);
  }
}

void keep_temporary_on_signal() {
  temporary_to_remove = nullptr;
  for (size_t i = 0; i < std::size(CLEANUP_SIGNALS); ++i) {
    if (previous_handlers[i] != SIG_ERR) {
      std::signal(CLEANUP_SIGNALS[i], previous_handlers[i]);
    }
  }
}

std::mt19937_64 seeded_generator() {
  auto now = static_cast<uint64_t>(
      std::chrono::steady_clock::now().time_since_epoch().count());
  unsigned entropy[2] = {0, 0};
  try {
    std::random_device device;
    entropy[0] = device();
    entropy[1] = device();
  } catch (const std::exception&) {
    // Without a random device the clock alone makes the names; the exclusive
    // create still keeps them apart.
  }
  std::seed_seq seed{entropy[0], entropy[1], static_cast<unsigned>(now),
                     static_cast<unsigned>(now >> 32)};
  return std::mt19937_64(seed);
}

}  // namespace

OutputFile::~OutputFile() { discard(); }

bool OutputFile::open(const fs::path& path) {
  target_ = follow_links(path);
  std::error_code error;
  // Still a link after following: a loop, or a chain too long to follow.
  if (fs::is_symlink(target_, error)) return false;
  fs::file_status status = fs::status(target_, error);
  if (error && status.type() != fs::file_type::not_found) return false;
  if (fs::is_directory(status)) return false;

  if (fs::exists(status) && !fs::is_regular_file(status)) {
    file_ = open_file(target_, "wb");
    return file_ != nullptr;
  }
  if (fs::exists(status)) {
    // An existing output must be writable, as if it were opened for
    // writing; "r+b" checks that without changing it.
    std::FILE* probe = open_file(target_, "r+b");
    if (!probe) return false;
    std::fclose(probe);
    permissions_ = status.permissions();
  }

  std::mt19937_64 random = seeded_generator();
  for (int i = 0; i < TEMPORARY_NAME_TRIES; ++i) {
    fs::path candidate = temporary_name(target_, random);
    file_ = create_new_file(candidate);
    if (file_) {
      temporary_ = candidate;
      remove_temporary_on_signal(temporary_.c_str());
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool OutputFile::commit() {
  if (!file_) return false;
  int closed = std::fclose(file_);
  file_ = nullptr;
  if (closed != 0) return false;
  if (temporary_.empty()) return true;

  std::error_code error;
  if (permissions_) fs::permissions(temporary_, *permissions_, error);
  fs::rename(temporary_, target_, error);
  if (error) return false;
  keep_temporary_on_signal();
  temporary_.clear();
  return true;
}

void OutputFile::discard() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temporary_.empty()) {
    std::error_code error;
    fs::remove(temporary_, error);
    keep_temporary_on_signal();
    temporary_.clear();
  }
}

}  // namespace driver
