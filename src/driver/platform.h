// Files by name, on each system the tool is built for.
//
// Inside the tool, file names are UTF-8 strings. On Windows, where the
// system's own names are UTF-16, they are converted to wide names before a
// file is opened: the narrow file functions there go through a code page
// and lose every character outside it. Elsewhere a name's bytes are used
// unchanged.

#ifndef RTETRK_DRIVER_PLATFORM_H_
#define RTETRK_DRIVER_PLATFORM_H_

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace driver {

// The path named by a UTF-8 file name. On Windows an invalid sequence
// becomes U+FFFD.
std::filesystem::path path_from_utf8(const std::string& name);

// Opens a file as std::fopen does, with a byte-only `mode` such as "rb".
// Null on failure.
std::FILE* open_file(const std::filesystem::path& path, const char* mode);

// Creates `path` and opens it for binary writing. Fails, with errno set to
// EEXIST, if anything exists by that name already. On Windows the file may
// be removed while it is open: it then goes when it is closed.
std::FILE* create_new_file(const std::filesystem::path& path);

// Removes a file by its system name; may be called from a signal handler.
void remove_file(const std::filesystem::path::value_type* name);

#ifdef _WIN32
// The wide command line arguments of wmain, converted to UTF-8. An unpaired
// surrogate becomes U+FFFD.
std::vector<std::string> utf8_arguments(int argc, const wchar_t* const* argv);
#endif

}  // namespace driver

#endif  // RTETRK_DRIVER_PLATFORM_H_
