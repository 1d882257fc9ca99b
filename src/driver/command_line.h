// The command line: options and an input and an output file name.
//
//   rtetrk [options] infile[.gdb] outfile[.gdb]
//
// Options may stand before, between or after the file names; "--" ends
// them, so that a file name may begin with '-'. A long option's value
// follows as the next argument or after '='.

#ifndef RTETRK_DRIVER_COMMAND_LINE_H_
#define RTETRK_DRIVER_COMMAND_LINE_H_

#include <string>

#include "convert/route_to_track.h"

namespace driver {

constexpr char DEFAULT_EXTENSION[] = ".gdb";

struct FileNames {
  std::string input;
  std::string output;
};

// What the command line asks for.
enum class Request {
  convert,
  help,
  version,
  usage_error,
};

struct CommandLine {
  Request request = Request::usage_error;
  FileNames files;                // resolved; set for convert
  convert::TrackOptions options;  // set for convert
  // For a usage error, the line that names the problem (with its '\n');
  // empty when no argument was given at all.
  std::string problem;
};

CommandLine parse_command_line(int argc, const char* const* argv);

// The argument with ".gdb" appended when it holds no '.' anywhere (directory
// names included); otherwise the argument unchanged.
std::string resolve_file_name(const std::string& argument);

}  // namespace driver

#endif  // RTETRK_DRIVER_COMMAND_LINE_H_
