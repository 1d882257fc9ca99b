// The seed files for fuzzing: small valid GDB files in each version that
// reach the corners of the format.

#ifndef RTETRK_FUZZ_SEEDS_H_
#define RTETRK_FUZZ_SEEDS_H_

#include <string>
#include <vector>

#include "support/gdb_builder.h"

namespace fuzz {

struct Seed {
  std::string name;  // usable as a file name
  gdbtest::Bytes file;
};

std::vector<Seed> seed_files();

}  // namespace fuzz

#endif  // RTETRK_FUZZ_SEEDS_H_
