// Writes the small example GDB file: make_example examples/trip.gdb
#include <cstdio>

#include "support/gdb_builder.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_example FILE\n");
    return 2;
  }
  gdbtest::Bytes bytes = gdbtest::example_file();
  std::FILE* file = std::fopen(argv[1], "wb");
  if (!file) return 1;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok ? 0 : 1;
}
