#include "driver/command_line.h"

namespace driver {

std::optional<FileNames> parse_command_line(int argc, const char* const* argv) {
  if (argc != 3) return std::nullopt;
  return FileNames{resolve_file_name(argv[1]), resolve_file_name(argv[2])};
}

std::string resolve_file_name(const std::string& argument) {
  if (argument.find('.') != std::string::npos) return argument;
  return argument + DEFAULT_EXTENSION;
}

}  // namespace driver
