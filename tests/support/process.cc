#include "support/process.h"

#include <cerrno>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace gdbtest {

namespace fs = std::filesystem;

namespace {

// Where a program's standard output goes: a name of this process's own, so
// that tests run side by side keep theirs apart.
fs::path output_file_in(const fs::path& directory) {
#ifdef _WIN32
  const unsigned long id = GetCurrentProcessId();
#else
  const long id = getpid();
#endif
  return directory / ("rtetrk-test-stdout-" + std::to_string(id) + ".txt");
}

std::string take_file(const fs::path& path) {
  std::string text;
  {
    std::ifstream in(path, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in),
                std::istreambuf_iterator<char>());
  }
  std::error_code error;
  fs::remove(path, error);
  return text;
}

#ifdef _WIN32
// One argument as the C runtime splits a command line again: in quotes, with
// a backslash before each quote and doubled backslashes where they precede a
// quote.
std::wstring command_line_argument(const std::wstring& argument) {
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') backslashes = backslashes * 2 + 1;
    out.append(backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}
#endif

}  // namespace

#ifdef _WIN32

namespace {

// Starts `program` and returns its process handle; throws if it can't.
HANDLE start_program(const std::string& program,
                     const std::vector<std::string>& arguments,
                     const fs::path& directory, DWORD flags,
                     STARTUPINFOW& startup) {
  std::wstring program_name = fs::u8path(program).wstring();
  std::wstring command_line = command_line_argument(program_name);
  for (const std::string& argument : arguments) {
    command_line +=
        L" " + command_line_argument(fs::u8path(argument).wstring());
  }
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(program_name.c_str(), command_line.data(), nullptr,
                      nullptr, TRUE, flags, nullptr, directory.c_str(),
                      &startup, &process)) {
    throw std::runtime_error("cannot start " + program);
  }
  CloseHandle(process.hThread);
  return process.hProcess;
}

}  // namespace

ProcessResult run_program(const std::string& program,
                          const std::vector<std::string>& arguments,
                          const fs::path& directory) {
  const fs::path output_path = output_file_in(directory);
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  HANDLE output =
      CreateFileW(output_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                  &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (output == INVALID_HANDLE_VALUE) {
    throw std::runtime_error("cannot create the output file");
  }
  STARTUPINFOW startup = {};
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = INVALID_HANDLE_VALUE;
  startup.hStdOutput = output;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  HANDLE process;
  try {
    process = start_program(program, arguments, directory, 0, startup);
  } catch (...) {
    CloseHandle(output);
    take_file(output_path);
    throw;
  }
  CloseHandle(output);
  WaitForSingleObject(process, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  return {static_cast<int>(code), take_file(output_path)};
}

ConsoleProgram::ConsoleProgram(const std::string& program,
                               const std::vector<std::string>& arguments,
                               const fs::path& directory)
    : directory_(directory) {
  STARTUPINFOW startup = {};
  process_ =
      start_program(program, arguments, directory, CREATE_NEW_CONSOLE, startup);
  id_ = GetProcessId(process_);
}

ConsoleProgram::~ConsoleProgram() {
  if (!wait(0)) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, INFINITE);
  }
  CloseHandle(process_);
}

bool ConsoleProgram::interrupt(const std::string& presser) {
  return run_program(presser, {std::to_string(id_)}, directory_).status == 0;
}

std::optional<int> ConsoleProgram::wait(unsigned long milliseconds) {
  if (WaitForSingleObject(process_, milliseconds) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return static_cast<int>(code);
}

#else

ProcessResult run_program(const std::string& program,
                          const std::vector<std::string>& arguments,
                          const fs::path& directory) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments) {
    argv.push_back(const_cast<char*>(argument.c_str()));
  }
  argv.push_back(nullptr);
  const fs::path output_path = output_file_in(directory);
  pid_t child = fork();
  if (child == -1) throw std::runtime_error("fork failed");
  if (child == 0) {
    // Only async-signal-safe calls between fork and exec.
    int output = open(output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (output == -1 || dup2(output, STDOUT_FILENO) == -1 ||
        chdir(directory.c_str()) != 0) {
      _exit(127);
    }
    close(output);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int raw = 0;
  while (waitpid(child, &raw, 0) == -1) {
    if (errno != EINTR) throw std::runtime_error("waitpid failed");
  }
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, take_file(output_path)};
}

#endif

}  // namespace gdbtest
