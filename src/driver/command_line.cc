#include "driver/command_line.h"

#include <optional>
#include <string_view>
#include <vector>

namespace driver {

namespace {

CommandLine usage_error(std::string problem) {
  CommandLine command_line;
  command_line.problem = std::move(problem) + "\n";
  return command_line;
}

// A whole number in decimal digits from `low` to `high`; nothing otherwise.
std::optional<uint32_t> parse_number(std::string_view text, uint32_t low,
                                     uint32_t high) {
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
    if (value > high) return std::nullopt;
  }
  if (value < low) return std::nullopt;
  return static_cast<uint32_t>(value);
}

}  // namespace

CommandLine parse_command_line(int argc, const char* const* argv) {
  if (argc <= 1) return CommandLine{};

  CommandLine result;
  convert::TrackOptions& options = result.options;
  bool split = false;
  bool simplify = false;
  std::vector<std::string> files;
  bool options_ended = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view argument = argv[i];
    if (options_ended || argument.size() < 2 || argument[0] != '-') {
      files.emplace_back(argument);
      continue;
    }
    if (argument == "--") {
      options_ended = true;
      continue;
    }
    // A long option, with its value if it was given after '='.
    std::string_view name = argument;
    std::optional<std::string_view> value;
    size_t equals = argument.find('=');
    if (argument.compare(0, 2, "--") == 0 && equals != std::string_view::npos) {
      name = argument.substr(0, equals);
      value = argument.substr(equals + 1);
    }
    std::string quoted = "'" + std::string(name) + "'";

    if (name == "-h" || name == "--help" || name == "--version") {
      if (value) return usage_error("Option " + quoted + " takes no value");
      result.request = name == "--version" ? Request::version : Request::help;
      return result;
    }

    if (name == "--max-points") {
      if (!value) {
        if (i + 1 == argc)
          return usage_error("Option " + quoted + " needs a value");
        value = argv[++i];
      }
      std::optional<uint32_t> capacity = parse_number(
          *value, convert::MIN_TRACK_CAPACITY, convert::MAX_TRACK_CAPACITY);
      if (!capacity) {
        return usage_error("Option " + quoted + " takes a whole number from " +
                           std::to_string(convert::MIN_TRACK_CAPACITY) +
                           " to " +
                           std::to_string(convert::MAX_TRACK_CAPACITY) +
                           ", not '" + std::string(*value) + "'");
      }
      options.capacity = *capacity;
      continue;
    }
    bool* flag = name == "--split"         ? &split
                 : name == "--simplify"    ? &simplify
                 : name == "--keep-routes" ? &options.keep_routes
                                           : nullptr;
    if (!flag) return usage_error("Unknown option " + quoted);
    if (value) return usage_error("Option " + quoted + " takes no value");
    *flag = true;
  }

  if (split && simplify) {
    return usage_error("Options '--split' and '--simplify' exclude each other");
  }
  if (files.size() != 2) {
    return usage_error("Expected two file names, found " +
                       std::to_string(files.size()));
  }
  options.long_route = split      ? convert::LongRoute::split
                       : simplify ? convert::LongRoute::simplify
                                  : convert::LongRoute::cut;
  result.request = Request::convert;
  result.files = {resolve_file_name(files[0]), resolve_file_name(files[1])};
  return result;
}

std::string resolve_file_name(const std::string& argument) {
  if (argument.find('.') != std::string::npos) return argument;
  return argument + DEFAULT_EXTENSION;
}

}  // namespace driver
