// libFuzzer target: the whole conversion of one input, with every check of
// conversion_check.h. A failed check aborts with its description.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/conversion_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string failure = fuzz::check_fuzz_input(data, size);
  if (!failure.empty()) {
    std::fprintf(stderr, "conversion check failed: %s\n", failure.c_str());
    std::abort();
  }
  return 0;
}
