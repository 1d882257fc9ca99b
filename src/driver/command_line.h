// The command line: an input and an output file name.

#ifndef RTETRK_DRIVER_COMMAND_LINE_H_
#define RTETRK_DRIVER_COMMAND_LINE_H_

#include <optional>
#include <string>

namespace driver {

constexpr char DEFAULT_EXTENSION[] = ".gdb";

struct FileNames {
  std::string input;
  std::string output;
};

// The two file names, resolved; nothing when there are not exactly two
// arguments after the tool's own name.
std::optional<FileNames> parse_command_line(int argc, const char* const* argv);

// The argument with ".gdb" appended when it holds no '.' anywhere (directory
// names included); otherwise the argument unchanged.
std::string resolve_file_name(const std::string& argument);

}  // namespace driver

#endif  // RTETRK_DRIVER_COMMAND_LINE_H_
