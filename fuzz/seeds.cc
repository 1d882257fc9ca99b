#include "fuzz/seeds.h"

#include "convert/route_to_track.h"

namespace fuzz {

namespace {

using gdbtest::Builder;
using gdbtest::Bytes;
using gdbtest::LinkPoint;
using gdbtest::RoutePoint;

// A file of the preamble, the given records and an end record.
Bytes file_of(char version, const std::vector<std::pair<char, Bytes>>& records,
              const Bytes& end_body = {0}) {
  Builder b;
  b.bytes(gdbtest::preamble(version));
  for (const auto& [type, body] : records) b.record(type, body);
  return b.record('V', end_body).build();
}

void add_version_seeds(char version, std::vector<Seed>& seeds) {
  std::string v(1, version);
  auto route = [version](std::string_view name,
                         const std::vector<RoutePoint>& points,
                         const Bytes& tail = {}) {
    return gdbtest::route_body(version, name, points, tail);
  };

  seeds.push_back({v + "-example", gdbtest::example_file(version)});
  seeds.push_back({v + "-no-records", file_of(version, {})});
  // The route's path stops at the second route point; the rest of the
  // record, a third route point among it, is skipped.
  Bytes after_stop = Builder()
                         .cstring("Q")
                         .fill(46)
                         .u32(1)
                         .u32(7)
                         .u32(8)
                         .u8(0)
                         .fill(12)
                         .build();
  seeds.push_back(
      {v + "-stops-early",
       file_of(version,
               {{'R', route("Early", {{"A", {{1, 2}, {3, 4}}}, {"B", {}}},
                            after_stop)}})});
  // Flags on link points and on the route points' position blocks.
  seeds.push_back(
      {v + "-flags",
       file_of(version, {{'R', route("F", {{"A", {{1, 2, 1}, {3, 4, 0xFF}}, 1},
                                           {"B", {{5, 6, 0x80}}, 0x7F}})}})});
  // Repeats inside a route point and across route points.
  seeds.push_back(
      {v + "-repeats",
       file_of(version,
               {{'R', route("Rep", {{"A", {{1, 2}, {1, 2}, {1, 5}, {1, 5}}},
                                    {"B", {{1, 5}, {1, 2}}}})}})});
  // Empty bodies, a route without route points and a route without a name.
  seeds.push_back(
      {v + "-empty-records",
       file_of(version, {{'W', {}}, {'T', {}}, {'R', route("", {})}, {'W', {}}},
               {})});
  // Two routes in a row; bytes after the end record are not read.
  Bytes two =
      file_of(version, {{'R', route("One", {{"A", {{9, 9}}}})},
                        {'R', route("Two", {{"A", {{9, 9}, {8, 8}}}})}});
  two.insert(two.end(), {0x05, 0x00, 0x00, 0x00, 'R', 0x00});
  seeds.push_back({v + "-two-routes-and-tail", two});
}

}  // namespace

std::vector<Seed> seed_files() {
  std::vector<Seed> seeds;
  for (char version : {'k', 'l', 'm'}) add_version_seeds(version, seeds);
  // One more distinct link point than a track can hold.
  seeds.push_back(
      {"k-point-limit",
       file_of('k',
               {{'R', gdbtest::route_body(
                          'k', "Long",
                          {{"A", gdbtest::distinct_links(
                                     convert::MAX_TRACK_POINTS + 1)}})}})});
  return seeds;
}

}  // namespace fuzz
