// Large, valid GDB files for measuring the converter.
//
// write_bench_file() streams a file of an exact size record by record: each
// record is generated twice from the same random state, once to count its
// bytes and once to write them after its header, so nothing but the writer's
// buffer is held in memory whatever the size.
//
// The same profile, version, size and seed always give the same bytes.

#ifndef RTETRK_BENCH_BENCH_FILE_H_
#define RTETRK_BENCH_BENCH_FILE_H_

#include <cstdint>
#include <optional>
#include <string_view>

#include "gdb/gdb_stream.h"

namespace bench {

enum class Profile {
  // Mostly waypoint and track records of varied sizes, a few small routes.
  records,
  // Mostly routes with many link points each; some link points flagged,
  // some repeated, some routes with more kept positions than a track holds.
  routes,
};

std::optional<Profile> parse_profile(std::string_view name);

// What a generated file holds, and what converting it with the default
// options must print.
struct BenchStats {
  uint64_t waypoints = 0;  // 'W' records, the final filler included
  uint64_t tracks = 0;     // 'T' records
  uint64_t routes = 0;     // 'R' records
  uint64_t link_points = 0;
  uint64_t flagged_link_points = 0;   // followed by 8 optional bytes
  uint64_t repeated_link_points = 0;  // equal to the link point before
  uint64_t routes_over_limit = 0;     // more kept positions than a track holds
  // Point-limit messages that converting the file prints, at the default
  // track capacity.
  uint64_t limit_messages = 0;
};

// The smallest file that write_bench_file() can make for a version.
uint64_t min_bench_file_size();

// Writes a GDB file of exactly `size` bytes (at least min_bench_file_size())
// to `out`: a preamble, records of the profile, a filler waypoint that takes
// up what is left, and the end record. Nothing is flushed.
BenchStats write_bench_file(gdb::ByteWriter& out, Profile profile,
                            gdb::GdbVersion version, uint64_t size,
                            uint64_t seed = 1);

}  // namespace bench

#endif  // RTETRK_BENCH_BENCH_FILE_H_
