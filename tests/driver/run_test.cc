#include "driver/run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <sstream>

#include "driver/messages.h"
#include "support/access.h"
#include "support/temp_dir.h"

namespace driver {
namespace {

namespace fs = std::filesystem;
using gdbtest::Builder;
using gdbtest::Bytes;
using gdbtest::distinct_links;
using gdbtest::listing;
using gdbtest::ScopedTempDir;

struct Result {
  int status;
  std::string messages;
};

Result run_tool(const std::vector<std::string>& arguments) {
  std::vector<const char*> argv = {"rtetrk"};
  for (const std::string& argument : arguments)
    argv.push_back(argument.c_str());
  std::ostringstream messages;
  int status = run(static_cast<int>(argv.size()), argv.data(), messages);
  return {status, messages.str()};
}

const Bytes OLD_OUTPUT = {'o', 'l', 'd'};

TEST(Run, ConvertsTheExampleInEachVersion) {
  for (char version : {'k', 'l', 'm'}) {
    SCOPED_TRACE(version);
    ScopedTempDir dir;
    gdbtest::write_file(dir / "trip.gdb", gdbtest::example_file(version));
    Result r = run_tool({dir / "trip", dir / "out"});
    EXPECT_EQ(r.status, EXIT_OK);
    EXPECT_EQ(r.messages, DONE_MESSAGE);
    EXPECT_EQ(gdbtest::read_file(dir / "out.gdb"),
              gdbtest::example_file(version, true));
    EXPECT_EQ(listing(dir.path()),
              (std::set<std::string>{"trip.gdb", "out.gdb"}));
  }
}

TEST(Run, ReplacesAnExistingOutputAndConvertsInPlace) {
  ScopedTempDir dir;
  gdbtest::write_file(dir / "trip.gdb", gdbtest::example_file());
  gdbtest::write_file(dir / "out.gdb", OLD_OUTPUT);
  EXPECT_EQ(run_tool({dir / "trip", dir / "out"}).status, EXIT_OK);
  EXPECT_EQ(gdbtest::read_file(dir / "out.gdb"),
            gdbtest::example_file('m', true));

  Result r = run_tool({dir / "trip.gdb", dir / "trip"});
  EXPECT_EQ(r.status, EXIT_OK);
  EXPECT_EQ(r.messages, DONE_MESSAGE);
  EXPECT_EQ(gdbtest::read_file(dir / "trip.gdb"),
            gdbtest::example_file('m', true));
  EXPECT_EQ(listing(dir.path()),
            (std::set<std::string>{"trip.gdb", "out.gdb"}));
}

TEST(Run, UsageErrorsHelpAndVersionTouchNoFile) {
  ScopedTempDir dir;
  gdbtest::write_file(dir / "trip.gdb", gdbtest::example_file());
  const std::string usage = USAGE_MESSAGE;
  const std::string trip = dir / "trip";
  const std::string out = dir / "out";
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string messages;
  };
  const Case cases[] = {
      {{}, EXIT_USAGE, usage},
      {{trip}, EXIT_USAGE, "Expected two file names, found 1\n" + usage},
      {{trip, out, out},
       EXIT_USAGE,
       "Expected two file names, found 3\n" + usage},
      {{trip, out, "--max-points", "1"},
       EXIT_USAGE,
       "Option '--max-points' takes a whole number from 2 to 1000000, not "
       "'1'\n" +
           usage},
      {{"--split", trip, "--simplify", out},
       EXIT_USAGE,
       "Options '--split' and '--simplify' exclude each other\n" + usage},
      {{trip, "--frobnicate", out},
       EXIT_USAGE,
       "Unknown option '--frobnicate'\n" + usage},
      {{trip, out, "--help"}, EXIT_OK, usage + HELP_OPTIONS},
      {{"--version", trip, out},
       EXIT_OK,
       std::string("rtetrk ") + RTETRK_VERSION + "\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.messages);
    Result r = run_tool(c.arguments);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.messages, c.messages);
    EXPECT_EQ(listing(dir.path()), (std::set<std::string>{"trip.gdb"}));
  }
}

// A route through six positions, with a repeat and a flagged link point.
Bytes route_record(char version) {
  const std::vector<gdbtest::LinkPoint> first = {
      {0, 0}, {1, 0, 1}, {1, 0}, {2, 0}};
  const std::vector<gdbtest::LinkPoint> second = {{3, 0}, {3, 3}, {3, 6}};
  return Builder()
      .record('R', gdbtest::route_body(version, "Trip",
                                       {{"A", first}, {"B", second, 1}}))
      .build();
}

// A waypoint, `middle` (the route unless given), a track and the end record.
Bytes file_around(char version, const Bytes& middle) {
  return Builder()
      .bytes(gdbtest::preamble(version))
      .record('W', Builder().cstring("Home").fill(24).build())
      .bytes(middle)
      .record('T', gdbtest::track_body(version, "Old", {{7, 7}}))
      .record('V', Builder().u8(0).build())
      .build();
}

TEST(Run, OptionsShapeTheTracksOfALongRoute) {
  using gdbtest::TrackPoint;
  const std::string limit = convert::ROUTE_POINT_LIMIT_MESSAGE;
  struct Case {
    std::vector<std::string> options;
    bool keep_route;
    // The tracks that follow the route, by name.
    std::vector<std::pair<std::string, std::vector<TrackPoint>>> tracks;
    std::string messages;
  };
  const Case cases[] = {
      {{},
       false,
       {{"Trip", {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 3}, {3, 6}}}},
       ""},
      {{"--max-points", "4"},
       false,
       {{"Trip", {{0, 0}, {1, 0}, {2, 0}, {3, 0}}}},
       limit + limit},
      {{"--max-points=4", "--split"},
       false,
       {{"Trip", {{0, 0}, {1, 0}, {2, 0}, {3, 0}}},
        {"Trip #2", {{3, 0}, {3, 3}, {3, 6}}}},
       ""},
      // Both positions between on the first leg have area 0; the earlier
      // goes first.
      {{"--simplify", "--max-points", "4"},
       false,
       {{"Trip", {{0, 0}, {3, 0}, {3, 3}, {3, 6}}}},
       ""},
      {{"--keep-routes"},
       true,
       {{"Trip", {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 3}, {3, 6}}}},
       ""},
      {{"--keep-routes", "--split", "--max-points", "3"},
       true,
       {{"Trip", {{0, 0}, {1, 0}, {2, 0}}},
        {"Trip #2", {{2, 0}, {3, 0}, {3, 3}}},
        {"Trip #3", {{3, 3}, {3, 6}}}},
       ""},
  };
  for (char version : {'k', 'l', 'm'}) {
    for (const Case& c : cases) {
      std::string shown(1, version);
      for (const std::string& option : c.options) shown += " " + option;
      SCOPED_TRACE(shown);
      ScopedTempDir dir;
      gdbtest::write_file(dir / "trip.gdb",
                          file_around(version, route_record(version)));
      // The options between the file names.
      std::vector<std::string> arguments = {dir / "trip"};
      arguments.insert(arguments.end(), c.options.begin(), c.options.end());
      arguments.push_back(dir / "out");
      Result r = run_tool(arguments);
      EXPECT_EQ(r.status, EXIT_OK);
      EXPECT_EQ(r.messages, c.messages + DONE_MESSAGE);

      Builder middle;
      if (c.keep_route) middle.bytes(route_record(version));
      for (const auto& [name, points] : c.tracks) {
        middle.record('T', gdbtest::track_body(version, name, points));
      }
      EXPECT_EQ(gdbtest::read_file(dir / "out.gdb"),
                file_around(version, middle.build()));
    }
  }
}

TEST(Run, FilesThatCannotBeOpenedAreReportedAndNothingIsCreated) {
  ScopedTempDir dir;
  gdbtest::write_file(dir / "trip.gdb", gdbtest::example_file());
  fs::create_directory(dir.path() / "folder.gdb");
  struct Case {
    std::string input;
    std::string output;
    const char* message;
  };
  const Case cases[] = {
      {dir / "missing", dir / "out", CANT_OPEN_INPUT_MESSAGE},
      {dir / "folder", dir / "out", CANT_OPEN_INPUT_MESSAGE},
      {dir / "trip", dir / "nowhere/out", CANT_OPEN_OUTPUT_MESSAGE},
      {dir / "trip", dir / "folder", CANT_OPEN_OUTPUT_MESSAGE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input + " " + c.output);
    Result r = run_tool({c.input, c.output});
    EXPECT_EQ(r.status, EXIT_FAILED);
    EXPECT_EQ(r.messages, c.message);
    EXPECT_EQ(listing(dir.path()),
              (std::set<std::string>{"trip.gdb", "folder.gdb"}));
    EXPECT_TRUE(fs::is_empty(dir.path() / "folder.gdb"));
  }
}

// Runs on `input` twice, with no output file and with an existing one, and
// checks that the run fails with `message` and leaves the output as it was.
void expect_failure_leaves_output_alone(const Bytes& input,
                                        const char* message) {
  for (bool existing : {false, true}) {
    ScopedTempDir dir;
    gdbtest::write_file(dir / "in.gdb", input);
    if (existing) gdbtest::write_file(dir / "out.gdb", OLD_OUTPUT);
    Result r = run_tool({dir / "in", dir / "out"});
    EXPECT_EQ(r.status, EXIT_FAILED);
    EXPECT_EQ(r.messages, message);
    EXPECT_EQ(gdbtest::read_file(dir / "out.gdb"),
              existing ? std::optional<Bytes>(OLD_OUTPUT) : std::nullopt);
    EXPECT_EQ(listing(dir.path()).size(), existing ? 2u : 1u);
  }
}

TEST(Run, InputThatIsNotAGdbFileFailsAndLeavesTheOutputAlone) {
  Bytes wrong_version = gdbtest::example_file('k');
  wrong_version[11] = 'n';
  Bytes wrong_magic = gdbtest::example_file('k');
  wrong_magic[4] = 'F';
  const std::pair<const char*, Bytes> cases[] = {
      {"empty", {}},
      {"wrong magic", wrong_magic},
      {"wrong version", wrong_version},
      {"no terminator", {'M', 's', 'R', 'c', 'f'}},
  };
  for (const auto& [name, input] : cases) {
    SCOPED_TRACE(name);
    expect_failure_leaves_output_alone(input, NOT_GDB_MESSAGE);
  }
}

TEST(Run, InputCutAtEveryOffsetFailsAndLeavesTheOutputAlone) {
  const Bytes whole = gdbtest::example_file('l');
  const size_t preamble_size =
      gdbtest::preamble('l', {"rtetrk", "example", "", "trip"}).size();
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    expect_failure_leaves_output_alone(
        Bytes(whole.begin(), whole.begin() + cut),
        cut < preamble_size ? NOT_GDB_MESSAGE : TRUNCATED_MESSAGE);
  }
}

TEST(Run, NothingAfterTheEndRecordIsReadOrWritten) {
  ScopedTempDir dir;
  Bytes file = Builder()
                   .bytes(gdbtest::preamble('k'))
                   .record('W', {})  // empty body: the next byte is a header's
                   .record('V', {0x01, 0x02})
                   .build();
  gdbtest::write_file(dir / "only.gdb", file);
  Bytes with_tail = file;
  with_tail.insert(with_tail.end(), {0x05, 0x00, 0x00, 0x00, 'R', 0x00});
  gdbtest::write_file(dir / "tail.gdb", with_tail);

  EXPECT_EQ(run_tool({dir / "only", dir / "out1"}).status, EXIT_OK);
  EXPECT_EQ(gdbtest::read_file(dir / "out1.gdb"), file);
  Result r = run_tool({dir / "tail", dir / "out2"});
  EXPECT_EQ(r.status, EXIT_OK);
  EXPECT_EQ(r.messages, DONE_MESSAGE);
  EXPECT_EQ(gdbtest::read_file(dir / "out2.gdb"), file);
}

TEST(Run, EndRecordOfLengthZeroEndsTheRunAtOnce) {
  Bytes file = Builder().bytes(gdbtest::preamble('m')).record('V', {}).build();
  ScopedTempDir dir;
  gdbtest::write_file(dir / "in.gdb", file);
  EXPECT_EQ(run_tool({dir / "in", dir / "out"}).status, EXIT_OK);
  EXPECT_EQ(gdbtest::read_file(dir / "out.gdb"), file);
}

TEST(Run, LimitMessagesComeBeforeTheClosingOrFailureMessage) {
  const uint32_t over = convert::MAX_TRACK_POINTS + 2;
  Bytes route = gdbtest::route_body('k', "Long", {{"P", distinct_links(over)}});
  std::string two_limits = std::string(convert::ROUTE_POINT_LIMIT_MESSAGE) +
                           convert::ROUTE_POINT_LIMIT_MESSAGE;

  ScopedTempDir dir;
  gdbtest::write_file(dir / "in.gdb", Builder()
                                          .bytes(gdbtest::preamble('k'))
                                          .record('R', route)
                                          .record('V', {0})
                                          .build());
  Result r = run_tool({dir / "in", dir / "out"});
  EXPECT_EQ(r.status, EXIT_OK);
  EXPECT_EQ(r.messages, two_limits + DONE_MESSAGE);

  // The same route with its last byte missing from the record.
  Bytes cut = Builder()
                  .bytes(gdbtest::preamble('k'))
                  .u32(static_cast<uint32_t>(route.size() - 1))
                  .u8('R')
                  .bytes(route)
                  .record('V', {0})
                  .build();
  gdbtest::write_file(dir / "cut.gdb", cut);
  r = run_tool({dir / "cut", dir / "out2"});
  EXPECT_EQ(r.status, EXIT_FAILED);
  EXPECT_EQ(r.messages, two_limits + TRUNCATED_MESSAGE);
  EXPECT_FALSE(fs::exists(dir.path() / "out2.gdb"));
}

TEST(Run, OutputLinkThatLoopsIsRefused) {
  ScopedTempDir dir;
  gdbtest::write_file(dir / "trip.gdb", gdbtest::example_file());
  if (!gdbtest::make_symlink("b.gdb", dir.path() / "a.gdb") ||
      !gdbtest::make_symlink("a.gdb", dir.path() / "b.gdb")) {
    GTEST_SKIP() << "no symbolic links on this system";
  }
  Result r = run_tool({dir / "trip", dir / "a"});
  EXPECT_EQ(r.status, EXIT_FAILED);
  EXPECT_EQ(r.messages, CANT_OPEN_OUTPUT_MESSAGE);
  EXPECT_TRUE(fs::is_symlink(dir.path() / "a.gdb"));
  EXPECT_EQ(listing(dir.path()),
            (std::set<std::string>{"trip.gdb", "a.gdb", "b.gdb"}));
}

TEST(Run, FilesWithoutPermissionCannotBeOpened) {
  ScopedTempDir dir;
  gdbtest::write_file(dir / "trip.gdb", gdbtest::example_file());
  gdbtest::write_file(dir / "secret.gdb", gdbtest::example_file());
  gdbtest::write_file(dir / "locked.gdb", OLD_OUTPUT);
  // On Windows: the read-only attribute.
  fs::permissions(dir / "locked.gdb", fs::perms::owner_read);
  fs::create_directory(dir.path() / "closed");
  gdbtest::ReadOnlyDirectory closed(dir.path() / "closed");

  struct Case {
    const char* name;
    bool applies;  // false when this user may do it all the same
    std::string input;
    std::string output;
    const char* message;
  };
  std::vector<Case> cases = {
      {"read-only output", !gdbtest::can_write(dir / "locked.gdb"),
       dir / "trip", dir / "locked", CANT_OPEN_OUTPUT_MESSAGE},
      {"read-only directory", !gdbtest::can_create_in(closed.path()),
       dir / "trip", dir / "closed/out", CANT_OPEN_OUTPUT_MESSAGE},
  };
#ifndef _WIN32
  // Windows has no permission bit that takes reading away.
  fs::permissions(dir / "secret.gdb", fs::perms::none);
  cases.push_back({"unreadable input", !gdbtest::can_read(dir / "secret.gdb"),
                   dir / "secret", dir / "out", CANT_OPEN_INPUT_MESSAGE});
#endif
  int checked = 0;
  for (const Case& c : cases) {
    if (!c.applies) {
      std::cout << "not checked, this user may do it all the same: " << c.name
                << "\n";
      continue;
    }
    SCOPED_TRACE(c.name);
    ++checked;
    Result r = run_tool({c.input, c.output});
    EXPECT_EQ(r.status, EXIT_FAILED);
    EXPECT_EQ(r.messages, c.message);
  }
  EXPECT_EQ(gdbtest::read_file(dir / "locked.gdb"), OLD_OUTPUT);
  EXPECT_TRUE(fs::is_empty(closed.path()));
  EXPECT_EQ(listing(dir.path()),
            (std::set<std::string>{"trip.gdb", "secret.gdb", "locked.gdb",
                                   "closed"}));
  if (checked == 0) GTEST_SKIP() << "this user may read and write anything";
}

#ifdef _WIN32
TEST(Run, FilesHeldOpenElsewhereAreLeftAlone) {
  // Another program holds a file open: without sharing it can't be opened
  // at all; shared, the output is written but can't replace the held file.
  struct Case {
    const char* held;
    bool shared;
    const char* message;
  };
  const Case cases[] = {
      {"trip.gdb", false, CANT_OPEN_INPUT_MESSAGE},
      {"out.gdb", false, CANT_OPEN_OUTPUT_MESSAGE},
      {"out.gdb", true, CANT_WRITE_OUTPUT_MESSAGE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.held) + (c.shared ? " shared" : " alone"));
    ScopedTempDir dir;
    gdbtest::write_file(dir / "trip.gdb", gdbtest::example_file());
    gdbtest::write_file(dir / "out.gdb", OLD_OUTPUT);
    {
      gdbtest::HeldOpen held(fs::u8path(dir / c.held), c.shared);
      Result r = run_tool({dir / "trip", dir / "out"});
      EXPECT_EQ(r.status, EXIT_FAILED);
      EXPECT_EQ(r.messages, c.message);
    }
    EXPECT_EQ(gdbtest::read_file(dir / "out.gdb"), OLD_OUTPUT);
    EXPECT_EQ(listing(dir.path()),
              (std::set<std::string>{"trip.gdb", "out.gdb"}));
  }
}
#endif

TEST(Run, LongFileNamesAreUsedWhole) {
  ScopedTempDir dir;
  // A path of over 1000 characters, with names of 200.
  fs::path deep = dir.path();
  for (int i = 0; i < 5; ++i)
    deep /= std::string(200, static_cast<char>('a' + i));
  fs::create_directories(deep);
  std::string input = (deep / std::string(200, 'i')).string();
  std::string output = (deep / std::string(200, 'o')).string();
  gdbtest::write_file(input + ".gdb", gdbtest::example_file());
  EXPECT_EQ(run_tool({input, output}).status, EXIT_OK);
  EXPECT_EQ(gdbtest::read_file(output + ".gdb"),
            gdbtest::example_file('m', true));
}

}  // namespace
}  // namespace driver
