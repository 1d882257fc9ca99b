#include <csignal>
#include <iostream>

#include "driver/run.h"

#ifdef _WIN32
#include <string>
#include <vector>

#include "driver/platform.h"
#endif

namespace {

int run_tool(int argc, const char* const* argv) {
  // A closed standard output or a file size limit must not kill the run
  // halfway: messages then go nowhere, and a write past the size limit
  // fails and is reported like any failed write.
#ifdef SIGPIPE
  std::signal(SIGPIPE, SIG_IGN);
#endif
#ifdef SIGXFSZ
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  int status = driver::run(argc, argv, std::cout);
  std::cout.flush();
  return status;
}

}  // namespace

#ifdef _WIN32
// Windows hands a program its arguments as UTF-16; the narrow ones that main
// gets would have lost every character outside the code page. Standard
// output stays in text mode, so each message ends in CR LF there.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments = driver::utf8_arguments(argc, argv);
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) {
    pointers.push_back(argument.c_str());
  }
  pointers.push_back(nullptr);
  return run_tool(argc, pointers.data());
}
#else
int main(int argc, char** argv) { return run_tool(argc, argv); }
#endif
