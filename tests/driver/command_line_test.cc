#include "driver/command_line.h"

#include <gtest/gtest.h>

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

TEST(CommandLine, ExactlyTwoFileNames) {
  const char* const argv[] = {"rtetrk", "trip", "out", "more"};
  EXPECT_FALSE(parse_command_line(1, argv));
  EXPECT_FALSE(parse_command_line(2, argv));
  EXPECT_FALSE(parse_command_line(4, argv));
  std::optional<FileNames> names = parse_command_line(3, argv);
  ASSERT_TRUE(names);
  EXPECT_EQ(names->input, "trip.gdb");
  EXPECT_EQ(names->output, "out.gdb");
}

}  // namespace
}  // namespace driver
