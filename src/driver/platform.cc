#include "driver/platform.h"

#include <cerrno>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace driver {

namespace fs = std::filesystem;

#ifdef _WIN32

namespace {

std::wstring wide_from_utf8(const std::string& text) {
  if (text.empty()) return {};
  int size = MultiByteToWideChar(CP_UTF8, 0, text.data(),
                                 static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                      wide.data(), size);
  return wide;
}

std::string utf8_from_wide(const std::wstring& wide) {
  if (wide.empty()) return {};
  int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(),
                                 static_cast<int>(wide.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string text(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                      text.data(), size, nullptr, nullptr);
  return text;
}

}  // namespace

fs::path path_from_utf8(const std::string& name) {
  return fs::path(wide_from_utf8(name));
}

std::FILE* open_file(const fs::path& path, const char* mode) {
  std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode));
  return _wfopen(path.c_str(), wide_mode.c_str());
}

std::FILE* create_new_file(const fs::path& path) {
  // CreateFileW rather than _wopen: only it can share the open file for
  // deletion, which the removal on a signal needs.
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    errno = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS
                ? EEXIST
                : EACCES;
    return nullptr;
  }
  int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle),
                                   _O_WRONLY | _O_BINARY);
  if (descriptor == -1) {
    CloseHandle(handle);
    DeleteFileW(path.c_str());
    return nullptr;
  }
  std::FILE* file = _fdopen(descriptor, "wb");
  if (!file) {
    _close(descriptor);
    DeleteFileW(path.c_str());
  }
  return file;
}

void remove_file(const fs::path::value_type* name) { _wremove(name); }

std::vector<std::string> utf8_arguments(int argc, const wchar_t* const* argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(utf8_from_wide(argv[i]));
  return arguments;
}

#else

fs::path path_from_utf8(const std::string& name) { return fs::path(name); }

std::FILE* open_file(const fs::path& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

std::FILE* create_new_file(const fs::path& path) {
  // "x": fail rather than reuse a file that is already there.
  return std::fopen(path.c_str(), "wbx");
}

void remove_file(const fs::path::value_type* name) { std::remove(name); }

#endif

}  // namespace driver
