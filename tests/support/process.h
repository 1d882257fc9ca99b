// Runs a program as a separate process, for end-to-end tests.

#ifndef RTETRK_TESTS_SUPPORT_PROCESS_H_
#define RTETRK_TESTS_SUPPORT_PROCESS_H_

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace gdbtest {

struct ProcessResult {
  int status;  // the exit status; -1 if the process did not exit by itself
  std::string output;  // all it wrote to standard output, as written
};

// Runs `program` with `arguments` (UTF-8) in `directory` and waits for it.
// Standard output goes through a file in `directory`, removed before this
// returns.
ProcessResult run_program(const std::string& program,
                          const std::vector<std::string>& arguments,
                          const std::filesystem::path& directory);

#ifdef _WIN32
// A program started in a console of its own, to be sent Ctrl-C as a user
// at that console would. Its standard output goes to that console. Ended by
// force if it still runs at the end of the scope.
class ConsoleProgram {
 public:
  ConsoleProgram(const std::string& program,
                 const std::vector<std::string>& arguments,
                 const std::filesystem::path& directory);
  ~ConsoleProgram();
  ConsoleProgram(const ConsoleProgram&) = delete;
  ConsoleProgram& operator=(const ConsoleProgram&) = delete;

  // Presses Ctrl-C in the program's console with `presser`, the program
  // built from press_ctrl_c.cc; false if that failed.
  bool interrupt(const std::string& presser);
  // The exit status, once the program has ended within `milliseconds`.
  std::optional<int> wait(unsigned long milliseconds);

 private:
  std::filesystem::path directory_;
  void* process_;
  unsigned long id_;
};
#endif

}  // namespace gdbtest

#endif  // RTETRK_TESTS_SUPPORT_PROCESS_H_
