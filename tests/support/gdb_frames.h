// Walks the record frames of a whole GDB file, for checking files that are
// too large to spell out byte by byte.

#ifndef RTETRK_TESTS_SUPPORT_GDB_FRAMES_H_
#define RTETRK_TESTS_SUPPORT_GDB_FRAMES_H_

#include <cstdint>
#include <cstring>
#include <map>
#include <optional>

#include "support/gdb_builder.h"

namespace gdbtest {

// The number of records of each type, if `file` is a preamble followed by
// records whose lengths frame them exactly, the last one of type 'V' ending
// the file.
inline std::optional<std::map<char, uint64_t>> record_counts(
    const Bytes& file) {
  size_t at = 0;
  auto skip_cstring = [&]() {
    while (at < file.size() && file[at] != 0) ++at;
    return at++ < file.size();
  };
  if (file.size() < 6 || std::memcmp(file.data(), "MsRcf", 6) != 0) {
    return std::nullopt;
  }
  at = 6 + 5 + 1 + 8;
  for (int i = 0; i < 4; ++i) {
    if (!skip_cstring()) return std::nullopt;
  }
  std::map<char, uint64_t> counts;
  while (file.size() - at >= 5) {
    uint64_t length = 0;
    for (int i = 3; i >= 0; --i) length = length << 8 | file[at + i];
    char type = static_cast<char>(file[at + 4]);
    at += 5;
    if (file.size() - at < length) return std::nullopt;
    at += length;
    ++counts[type];
    if (type == 'V') {
      if (at != file.size()) return std::nullopt;
      return counts;
    }
  }
  return std::nullopt;
}

}  // namespace gdbtest

#endif  // RTETRK_TESTS_SUPPORT_GDB_FRAMES_H_
