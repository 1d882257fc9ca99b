#include "support/access.h"

#include <fstream>
#include <stdexcept>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <sddl.h>
#endif

namespace gdbtest {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
// Replaces the access list of `path` by one written in the security
// descriptor language; the entries apply to everyone.
bool set_access_list(const fs::path& path, const wchar_t* description) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
          description, SDDL_REVISION_1, &descriptor, nullptr)) {
    return false;
  }
  BOOL done =
      SetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, descriptor);
  LocalFree(descriptor);
  return done != 0;
}
#endif

}  // namespace

ReadOnlyDirectory::ReadOnlyDirectory(fs::path directory)
    : path_(std::move(directory)) {
#ifdef _WIN32
  // Reading and listing only, and nothing inherited from the parent.
  if (!set_access_list(path_, L"D:P(A;OICI;GRGX;;;WD)")) {
    throw std::runtime_error("cannot set the access list");
  }
#else
  fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_exec);
#endif
}

ReadOnlyDirectory::~ReadOnlyDirectory() {
#ifdef _WIN32
  set_access_list(path_, L"D:P(A;OICI;GA;;;WD)");
#else
  std::error_code error;
  fs::permissions(path_, fs::perms::owner_all, error);
#endif
}

bool can_create_in(const fs::path& directory) {
  fs::path probe = directory / "probe";
  bool created = static_cast<bool>(std::ofstream(probe));
  std::error_code error;
  fs::remove(probe, error);
  return created;
}

bool can_read(const fs::path& file) {
  return static_cast<bool>(std::ifstream(file, std::ios::binary));
}

bool can_write(const fs::path& file) {
  return static_cast<bool>(
      std::fstream(file, std::ios::binary | std::ios::in | std::ios::out));
}

#ifdef _WIN32
HeldOpen::HeldOpen(const fs::path& file, bool shared)
    : handle_(CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE,
                          shared ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0,
                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                          nullptr)) {
  if (handle_ == INVALID_HANDLE_VALUE) {
    throw std::runtime_error("cannot hold the file open");
  }
}

HeldOpen::~HeldOpen() { CloseHandle(handle_); }
#endif

}  // namespace gdbtest
