// Runs the built tool as a separate process.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include "driver/messages.h"
#include "support/temp_dir.h"

namespace driver {
namespace {

using gdbtest::Builder;
using gdbtest::Bytes;
using gdbtest::ScopedTempDir;

struct Result {
  int status;
  std::string stdout_text;
};

std::string shell_quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

// The tool that was built with the tests, or the copy that the environment
// variable RTETRK_BINARY names.
std::string tool_binary() {
  const char* path = std::getenv("RTETRK_BINARY");
  return path && *path ? path : RTETRK_BINARY;
}

// Runs `command` with bash in `dir`, where the tool is "$RTETRK".
Result shell(const ScopedTempDir& dir, const std::string& command) {
  std::string stdout_path = dir / "stdout.txt";
  std::string script = "cd " + shell_quoted(dir.path().string()) +
                       " && RTETRK=" + shell_quoted(tool_binary()) + " && " +
                       command;
  std::string line =
      "bash -c " + shell_quoted(script) + " > " + shell_quoted(stdout_path);
  int raw = std::system(line.c_str());
  std::optional<Bytes> text = gdbtest::read_file(stdout_path);
  std::filesystem::remove(stdout_path);
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1,
          text ? std::string(text->begin(), text->end()) : ""};
}

TEST(Cli, ConvertsTheShippedExample) {
  ScopedTempDir dir;
  Result r = shell(dir, "\"$RTETRK\" " + shell_quoted(RTETRK_EXAMPLE) + " out");
  EXPECT_EQ(r.status, EXIT_OK);
  EXPECT_EQ(r.stdout_text, DONE_MESSAGE);
  EXPECT_EQ(gdbtest::read_file(dir / "out.gdb"),
            gdbtest::example_file('m', true));
}

TEST(Cli, ShippedExampleIsTheBuildersExample) {
  EXPECT_EQ(gdbtest::read_file(RTETRK_EXAMPLE), gdbtest::example_file());
}

TEST(Cli, ExitStatusesReachTheCaller) {
  ScopedTempDir dir;
  Result usage = shell(dir, "\"$RTETRK\"");
  EXPECT_EQ(usage.status, EXIT_USAGE);
  EXPECT_EQ(usage.stdout_text, USAGE_MESSAGE);
  Result missing = shell(dir, "\"$RTETRK\" missing out");
  EXPECT_EQ(missing.status, EXIT_FAILED);
  EXPECT_EQ(missing.stdout_text, CANT_OPEN_INPUT_MESSAGE);
}

TEST(Cli, SpecialInputsGiveTheirMessageAndNeverHang) {
  enum class Kind { file, unreadable, directory, dev_null, fifo };
  const Bytes preamble = gdbtest::preamble('k');
  Bytes part_of_record = preamble;
  part_of_record.insert(part_of_record.end(), {0x10, 0x00, 0x00, 0x00, 'W', 1});
  struct Case {
    const char* name;
    Kind kind;
    Bytes bytes;  // the file's, or what the FIFO gives before it closes
    const char* message;
  };
  const Case cases[] = {
      {"directory", Kind::directory, {}, CANT_OPEN_INPUT_MESSAGE},
      {"empty file", Kind::file, {}, NOT_GDB_MESSAGE},
      {"unreadable file", Kind::unreadable, preamble, CANT_OPEN_INPUT_MESSAGE},
      {"/dev/null", Kind::dev_null, {}, NOT_GDB_MESSAGE},
      {"FIFO closed at once", Kind::fifo, {}, NOT_GDB_MESSAGE},
      {"FIFO closed in the magic",
       Kind::fifo,
       {'M', 's', 'R'},
       NOT_GDB_MESSAGE},
      {"FIFO closed in a record", Kind::fifo, part_of_record,
       TRUNCATED_MESSAGE},
      {"FIFO with a whole file", Kind::fifo, gdbtest::example_file('k'),
       DONE_MESSAGE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Root may read any file.
    if (c.kind == Kind::unreadable && geteuid() == 0) continue;
    ScopedTempDir dir;
    std::string in = dir / "in.gdb";
    // The tool and the FIFO's writer are killed if they hang.
    std::string command = "timeout -s KILL 20 \"$RTETRK\" in out";
    switch (c.kind) {
      case Kind::file:
        gdbtest::write_file(in, c.bytes);
        break;
      case Kind::unreadable:
        gdbtest::write_file(in, c.bytes);
        std::filesystem::permissions(in, std::filesystem::perms::none);
        break;
      case Kind::directory:
        std::filesystem::create_directory(in);
        break;
      case Kind::dev_null:
        std::filesystem::create_symlink("/dev/null", in);
        break;
      case Kind::fifo:
        gdbtest::write_file(dir / "bytes", c.bytes);
        command =
            "mkfifo in.gdb && { timeout -s KILL 20 cat bytes >in.gdb & }"
            " && " +
            command;
        break;
    }
    Result r = shell(dir, command);
    bool done = c.message == DONE_MESSAGE;
    EXPECT_EQ(r.status, done ? EXIT_OK : EXIT_FAILED);
    EXPECT_EQ(r.stdout_text, c.message);
    EXPECT_EQ(gdbtest::read_file(dir / "out.gdb"),
              done ? std::optional<Bytes>(gdbtest::example_file('k', true))
                   : std::nullopt);
  }
}

TEST(Cli, FailedWriteIsReportedAndLeavesTheOutputAlone) {
  // A file size limit of 64 KiB makes writes past it fail (the tool ignores
  // SIGXFSZ). The waypoint makes the output larger than that.
  Bytes input = Builder()
                    .bytes(gdbtest::preamble('k'))
                    .record('W', Bytes(200 * 1024, 0x33))
                    .record('V', {0})
                    .build();
  for (bool existing : {false, true}) {
    SCOPED_TRACE(existing);
    ScopedTempDir dir;
    gdbtest::write_file(dir / "in.gdb", input);
    if (existing) gdbtest::write_file(dir / "out.gdb", {'o', 'l', 'd'});
    Result r = shell(dir, "ulimit -f 64; \"$RTETRK\" in out");
    EXPECT_EQ(r.status, EXIT_FAILED);
    EXPECT_EQ(r.stdout_text, CANT_WRITE_OUTPUT_MESSAGE);
    EXPECT_EQ(gdbtest::read_file(dir / "out.gdb"),
              existing ? std::optional<Bytes>({'o', 'l', 'd'}) : std::nullopt);
    EXPECT_EQ(gdbtest::listing(dir.path()),
              (existing ? std::set<std::string>{"in.gdb", "out.gdb"}
                        : std::set<std::string>{"in.gdb"}));
  }
}

TEST(Cli, ReadErrorIsReportedAsSuch) {
  // Reading /proc/self/mem at offset 0 fails with an I/O error.
  if (!std::filesystem::exists("/proc/self/mem")) GTEST_SKIP();
  ScopedTempDir dir;
  std::filesystem::create_symlink("/proc/self/mem", dir.path() / "mem.gdb");
  Result r = shell(dir, "\"$RTETRK\" mem out");
  EXPECT_EQ(r.status, EXIT_FAILED);
  EXPECT_EQ(r.stdout_text, CANT_READ_INPUT_MESSAGE);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.gdb"));
}

TEST(Cli, TerminatedRunLeavesNoTemporaryBehind) {
  ScopedTempDir dir;
  // The input is a FIFO that gives the magic and then nothing more, so the
  // tool waits for input with its temporary open.
  Result r = shell(dir, R"(
    mkfifo in.gdb
    "$RTETRK" in out & tool=$!
    ( sleep 20; kill -KILL $tool ) 2>/dev/null & watchdog=$!
    exec 3>in.gdb
    printf 'MsRcf\0' >&3
    for i in $(seq 200); do
      ls -A | grep -q '^\.rtetrk-' && break
      sleep 0.05
    done
    ls -A | grep -q '^\.rtetrk-' || exit 3  # no temporary was made
    kill -TERM $tool
    wait $tool; status=$?
    kill $watchdog 2>/dev/null
    exit $status)");
  EXPECT_EQ(r.status, 128 + SIGTERM);
  EXPECT_EQ(gdbtest::listing(dir.path()), std::set<std::string>{"in.gdb"});
}

TEST(Cli, OutputIsCheckedBeforeAnyInputIsRead) {
  ScopedTempDir dir;
  // The FIFO gives no byte until the tool ends: a tool that read before it
  // checked the output would wait for the watchdog.
  Result r = shell(dir, R"(
    mkfifo in.gdb
    "$RTETRK" in nowhere/out & tool=$!
    ( sleep 20; kill -KILL $tool ) 2>/dev/null & watchdog=$!
    exec 3>in.gdb
    wait $tool; status=$?
    kill $watchdog 2>/dev/null
    exit $status)");
  EXPECT_EQ(r.status, EXIT_FAILED);
  EXPECT_EQ(r.stdout_text, CANT_OPEN_OUTPUT_MESSAGE);
}

TEST(Cli, ClosedStandardOutputDoesNotStopTheConversion) {
  // Every position past the limit prints a message; `head` closes the pipe
  // after the first one.
  std::vector<gdbtest::LinkPoint> links = gdbtest::distinct_links(200000);
  Bytes input =
      Builder()
          .bytes(gdbtest::preamble('k'))
          .record('R', gdbtest::route_body('k', "Long", {{"P", links}}))
          .record('V', {0})
          .build();
  ScopedTempDir dir;
  gdbtest::write_file(dir / "in.gdb", input);
  Result r =
      shell(dir, "\"$RTETRK\" in out | head -n 1; exit ${PIPESTATUS[0]}");
  EXPECT_EQ(r.status, EXIT_OK);
  std::optional<Bytes> output = gdbtest::read_file(dir / "out.gdb");
  ASSERT_TRUE(output);
  // Preamble, track header and name, N, 10000 positions, trailer, end record.
  EXPECT_EQ(output->size(),
            gdbtest::preamble('k').size() + 5 + 5 + 5 + 4 + 12 * 10000 + 1 + 6);
}

#if defined(__SANITIZE_ADDRESS__)
#define RTETRK_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RTETRK_SANITIZED 1
#endif
#endif

TEST(Cli, RouteNameLargerThanMemoryFailsCleanly) {
#ifdef RTETRK_SANITIZED
  GTEST_SKIP() << "the sanitizer runtime needs more address space";
#endif
  ScopedTempDir dir;
  Bytes input =
      Builder()
          .bytes(gdbtest::preamble('k'))
          .record('R', gdbtest::route_body('k', std::string(32 << 20, 'N'), {}))
          .record('V', {0})
          .build();
  gdbtest::write_file(dir / "in.gdb", input);
  gdbtest::write_file(dir / "small.gdb", gdbtest::example_file());
  // Under a 24 MB address space limit, a small file still converts.
  Result r = shell(dir,
                   "ulimit -v 24000; \"$RTETRK\" small small-out && "
                   "\"$RTETRK\" in out");
  EXPECT_EQ(r.status, EXIT_FAILED);
  EXPECT_EQ(r.stdout_text, std::string(DONE_MESSAGE) + OUT_OF_MEMORY_MESSAGE);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.gdb"));
  EXPECT_EQ(gdbtest::listing(dir.path()),
            (std::set<std::string>{"in.gdb", "small.gdb", "small-out.gdb"}));
}

}  // namespace
}  // namespace driver
