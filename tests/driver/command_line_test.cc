#include "driver/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace driver {
namespace {

TEST(CommandLine, GdbIsAddedOnlyToNamesWithoutADot) {
  const std::pair<const char*, const char*> cases[] = {
      {"trip", "trip.gdb"},
      {"trip.dat", "trip.dat"},
      {"out.gdb", "out.gdb"},
      {"my.maps/trip", "my.maps/trip"},
      {"maps/trip", "maps/trip.gdb"},
      {"trip.", "trip."},
      {"", ".gdb"},
  };
  for (const auto& [argument, resolved] : cases) {
    EXPECT_EQ(resolve_file_name(argument), resolved) << argument;
  }
}

struct Case {
  std::vector<const char*> arguments;  // after the tool's name
  Request request;
  // For convert: input, output, capacity, long routes, keep routes.
  std::string input = "";
  std::string output = "";
  uint32_t capacity = convert::MAX_TRACK_POINTS;
  convert::LongRoute long_route = convert::LongRoute::cut;
  bool keep_routes = false;
  // For a usage error: the problem line.
  std::string problem = "";
};

using convert::LongRoute;

TEST(CommandLine, TableOfCommandLines) {
  const Case cases[] = {
      {{"trip", "out"}, Request::convert, "trip.gdb", "out.gdb"},
      {{"--max-points", "4", "trip", "out"},
       Request::convert,
       "trip.gdb",
       "out.gdb",
       4},
      {{"trip", "--max-points=1000000", "out"},
       Request::convert,
       "trip.gdb",
       "out.gdb",
       1000000},
      {{"trip", "out", "--max-points", "0002", "--split"},
       Request::convert,
       "trip.gdb",
       "out.gdb",
       2,
       LongRoute::split},
      {{"--simplify", "--keep-routes", "a.gdb", "b.gdb"},
       Request::convert,
       "a.gdb",
       "b.gdb",
       10000,
       LongRoute::simplify,
       true},
      {{"--max-points", "5", "--max-points", "6", "a.x", "b.y"},
       Request::convert,
       "a.x",
       "b.y",
       6},
      {{"--", "-trip", "--split"},
       Request::convert,
       "-trip.gdb",
       "--split.gdb"},
      {{"-", "out"}, Request::convert, "-.gdb", "out.gdb"},
      {{"--keep-routes", "--", "a", "b"},
       Request::convert,
       "a.gdb",
       "b.gdb",
       10000,
       LongRoute::cut,
       true},
      {{"-h"}, Request::help},
      {{"trip", "out", "--help"}, Request::help},
      {{"--version", "x"}, Request::version},
      {{"--", "--help", "b"}, Request::convert, "--help.gdb", "b.gdb"},

      {{}, Request::usage_error, "", "", 0, LongRoute::cut, false, ""},
      {{"trip"},
       Request::usage_error,
       "",
       "",
       0,
       LongRoute::cut,
       false,
       "Expected two file names, found 1\n"},
      {{"a", "b", "c"},
       Request::usage_error,
       "",
       "",
       0,
       LongRoute::cut,
       false,
       "Expected two file names, found 3\n"},
      {{"--split"},
       Request::usage_error,
       "",
       "",
       0,
       LongRoute::cut,
       false,
       "Expected two file names, found 0\n"},
      {{"--bogus", "a", "b"},
       Request::usage_error,
       "",
       "",
       0,
       LongRoute::cut,
       false,
       "Unknown option '--bogus'\n"},
      {{"-x", "a", "b"},
       Request::usage_error,
       "",
       "",
       0,
       LongRoute::cut,
       false,
       "Unknown option '-x'\n"},
      {{"--split=yes", "a", "b"},
       Request::usage_error,
       "",
       "",
       0,
       LongRoute::cut,
       false,
       "Option '--split' takes no value\n"},
      {{"--help=1"},
       Request::usage_error,
       "",
       "",
       0,
       LongRoute::cut,
       false,
       "Option '--help' takes no value\n"},
      {{"a", "b", "--max-points"},
       Request::usage_error,
       "",
       "",
       0,
       LongRoute::cut,
       false,
       "Option '--max-points' needs a value\n"},
      {{"--split", "--simplify", "a", "b"},
       Request::usage_error,
       "",
       "",
       0,
       LongRoute::cut,
       false,
       "Options '--split' and '--simplify' exclude each other\n"},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv = {"rtetrk"};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    std::string shown;
    for (const char* argument : c.arguments)
      shown += std::string(argument) + " ";
    SCOPED_TRACE(shown);
    CommandLine parsed =
        parse_command_line(static_cast<int>(argv.size()), argv.data());
    ASSERT_EQ(parsed.request, c.request);
    if (c.request == Request::convert) {
      EXPECT_EQ(parsed.files.input, c.input);
      EXPECT_EQ(parsed.files.output, c.output);
      EXPECT_EQ(parsed.options.capacity, c.capacity);
      EXPECT_EQ(parsed.options.long_route, c.long_route);
      EXPECT_EQ(parsed.options.keep_routes, c.keep_routes);
    }
    if (c.request == Request::usage_error) {
      EXPECT_EQ(parsed.problem, c.problem);
    }
  }
}

TEST(CommandLine, MaxPointsTakesOnlyAWholeNumberFromTwoToAMillion) {
  for (const char* value : {"0", "1", "1000001", "99999999999999999999", "",
                            "-5", "+5", "5x", " 5", "1e3", "4.0"}) {
    for (bool joined : {false, true}) {
      std::string option = std::string("--max-points=") + value;
      std::vector<const char*> argv = {"rtetrk", "a", "b"};
      if (joined) {
        argv.push_back(option.c_str());
      } else {
        argv.push_back("--max-points");
        argv.push_back(value);
      }
      CommandLine parsed =
          parse_command_line(static_cast<int>(argv.size()), argv.data());
      EXPECT_EQ(parsed.request, Request::usage_error) << value;
      EXPECT_EQ(parsed.problem,
                std::string("Option '--max-points' takes a whole number from "
                            "2 to 1000000, not '") +
                    value + "'\n");
    }
  }
}

}  // namespace
}  // namespace driver
