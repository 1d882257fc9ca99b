// Runs the built tool as a separate process.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/messages.h"
#include "support/gdb_frames.h"
#include "support/process.h"
#include "support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>

#include <chrono>
#include <functional>
#include <thread>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace driver {
namespace {

namespace fs = std::filesystem;
using gdbtest::Builder;
using gdbtest::Bytes;
using gdbtest::ScopedTempDir;

struct Result {
  int status;
  std::string stdout_text;
};

// Messages end in CR LF on Windows, as every console program's there do.
// They are compared with "\n" endings.
std::string with_newlines(const std::string& text) {
#ifdef _WIN32
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      continue;
    }
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
      ADD_FAILURE() << "a line ends in LF alone: " << text;
    }
    out += text[i];
  }
  return out;
#else
  return text;
#endif
}

// The tool that was built with the tests, or the copy that the environment
// variable RTETRK_BINARY names.
std::string tool_binary() {
  const char* path = std::getenv("RTETRK_BINARY");
  return path && *path ? path : RTETRK_BINARY;
}

// Runs the tool in `dir` with `arguments`.
Result run_tool(const ScopedTempDir& dir,
                const std::vector<std::string>& arguments) {
  gdbtest::ProcessResult r =
      gdbtest::run_program(tool_binary(), arguments, dir.path());
  return {r.status, with_newlines(r.output)};
}

TEST(Cli, ConvertsTheShippedExample) {
  ScopedTempDir dir;
  Result r = run_tool(dir, {RTETRK_EXAMPLE, "out"});
  EXPECT_EQ(r.status, EXIT_OK);
  EXPECT_EQ(r.stdout_text, DONE_MESSAGE);
  EXPECT_EQ(gdbtest::read_file(dir / "out.gdb"),
            gdbtest::example_file('m', true));
}

TEST(Cli, ShippedExampleIsTheBuildersExample) {
  EXPECT_EQ(gdbtest::read_file(RTETRK_EXAMPLE), gdbtest::example_file());
}

// The benchmark's generator writes files of the size asked for that the
// tool converts.
TEST(Cli, GeneratedBenchmarkFilesConvert) {
  for (std::string profile : {"records", "routes"}) {
    SCOPED_TRACE(profile);
    ScopedTempDir dir;
    ASSERT_EQ(gdbtest::run_program(RTETRK_MAKE_BENCH_FILE,
                                   {profile, "l", "300K", "in.gdb"}, dir.path())
                  .status,
              EXIT_OK);
    Result r = run_tool(dir, {"in", "out"});
    EXPECT_EQ(r.status, EXIT_OK);
    // The routes file has a route over the point limit, whose messages
    // come first.
    const std::string done = DONE_MESSAGE;
    ASSERT_GE(r.stdout_text.size(), done.size());
    EXPECT_EQ(r.stdout_text.substr(r.stdout_text.size() - done.size()), done);
    EXPECT_EQ(std::filesystem::file_size(dir / "in.gdb"), 300u * 1024);
    std::optional<Bytes> output = gdbtest::read_file(dir / "out.gdb");
    ASSERT_TRUE(output);
    auto counts = gdbtest::record_counts(*output);
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->count('R'), 0u);
  }
  ScopedTempDir dir;
  EXPECT_EQ(gdbtest::run_program(RTETRK_MAKE_BENCH_FILE,
                                 {"routes", "x", "1M", "f.gdb"}, dir.path())
                .status,
            2);
}

TEST(Cli, ExitStatusesAndMessagesReachTheCaller) {
  ScopedTempDir dir;
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string messages;
  };
  const Case cases[] = {
      {{}, EXIT_USAGE, USAGE_MESSAGE},
      {{"missing", "out"}, EXIT_FAILED, CANT_OPEN_INPUT_MESSAGE},
      {{"--help"}, EXIT_OK, std::string(USAGE_MESSAGE) + HELP_OPTIONS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.empty() ? "" : c.arguments[0]);
    Result r = run_tool(dir, c.arguments);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.stdout_text, c.messages);
  }
}

TEST(Cli, FileNamesAreUsedAsGiven) {
  // Names outside ASCII (some beyond 16 bits) and with spaces, as a console
  // passes them; converted to a new file, onto an existing one and in place.
  struct Case {
    std::string input_argument;
    std::string output_argument;
    std::string input_file;
    std::string output_file;
    bool existing_output;
  };
  const Case cases[] = {
      {"Rückweg", "Rückweg-Track", "Rückweg.gdb", "Rückweg-Track.gdb", false},
      {"Путь", "Путь.gdb", "Путь.gdb", "Путь.gdb", false},
      {"Mein Weg", "Mein Weg", "Mein Weg.gdb", "Mein Weg.gdb", false},
      {"Tour 🚲.gdb", "Ziel ✓", "Tour 🚲.gdb", "Ziel ✓.gdb", true},
      {"Über/trip", "Über/trip", "Über/trip.gdb", "Über/trip.gdb", false},
  };
  const Bytes old_output = {'o', 'l', 'd'};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input_argument + " -> " + c.output_argument);
    ScopedTempDir dir;
    const fs::path folder = fs::u8path(dir / c.input_file).parent_path();
    fs::create_directories(folder);
    gdbtest::write_file(dir / c.input_file, gdbtest::example_file());
    if (c.existing_output) gdbtest::write_file(dir / c.output_file, old_output);

    Result r = run_tool(dir, {c.input_argument, c.output_argument});
    EXPECT_EQ(r.status, EXIT_OK);
    EXPECT_EQ(r.stdout_text, DONE_MESSAGE);
    EXPECT_EQ(gdbtest::read_file(dir / c.output_file),
              gdbtest::example_file('m', true));
    std::set<std::string> expected = {
        fs::u8path(c.input_file).filename().u8string(),
        fs::u8path(c.output_file).filename().u8string()};
    EXPECT_EQ(gdbtest::listing(folder), expected);
    if (c.input_file != c.output_file) {
      EXPECT_EQ(gdbtest::read_file(dir / c.input_file),
                gdbtest::example_file());
    }
  }
}

#ifdef _WIN32
// True once `done()` is, checked for at most ten seconds.
bool soon(const std::function<bool()>& done) {
  for (int i = 0; i < 1000; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(Cli, CtrlCLeavesNoTemporaryBehind) {
  // Ctrl-Break takes the same path, but Wine can't send it.
  ScopedTempDir dir;
  // The input is a named pipe that gives the magic and then nothing more,
  // so the tool waits for input with its temporary open. Without waiting,
  // ConnectNamedPipe tells at once whether the tool has opened it.
  const std::string pipe_name =
      "\\\\.\\pipe\\" + dir.path().filename().u8string();
  HANDLE pipe =
      CreateNamedPipeW(fs::u8path(pipe_name).c_str(), PIPE_ACCESS_OUTBOUND,
                       PIPE_TYPE_BYTE | PIPE_NOWAIT, 1, 4096, 4096, 0, nullptr);
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  {
    // Started outside `dir`: the console may outlast the tool a little, in
    // the tool's working directory, which can't be removed meanwhile.
    gdbtest::ConsoleProgram tool(tool_binary(), {pipe_name, dir / "out"},
                                 dir.path().parent_path());
    ASSERT_TRUE(soon([&] {
      return !ConnectNamedPipe(pipe, nullptr) &&
             GetLastError() == ERROR_PIPE_CONNECTED;
    }));
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(pipe, "MsRcf", 6, &written, nullptr));
    ASSERT_TRUE(soon([&] { return !gdbtest::listing(dir.path()).empty(); }))
        << "no temporary was made";
    ASSERT_TRUE(tool.interrupt(RTETRK_PRESS_CTRL_C));
    std::optional<int> status = tool.wait(10000);
    ASSERT_TRUE(status) << "the tool did not stop";
    EXPECT_NE(*status, EXIT_OK);
  }
  CloseHandle(pipe);
  EXPECT_EQ(gdbtest::listing(dir.path()), std::set<std::string>{});
}
#else
// The cases below need a POSIX shell: resource limits, named pipes, signals
// and pipes that close early.

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

#endif

}  // namespace
}  // namespace driver
