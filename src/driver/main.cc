#include <iostream>

#include "driver/run.h"

int main(int argc, char** argv) {
  int status = driver::run(argc, argv, std::cout);
  std::cout.flush();
  return status;
}
