#include <csignal>
#include <iostream>

#include "driver/run.h"

int main(int argc, char** argv) {
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
