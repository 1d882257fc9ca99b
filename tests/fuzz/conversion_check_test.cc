#include "fuzz/conversion_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "fuzz/seeds.h"

namespace fuzz {
namespace {

using convert::LongRoute;

RunSettings with_buffers(size_t read_buffer, size_t write_buffer) {
  RunSettings settings;
  settings.read_buffer = read_buffer;
  settings.write_buffer = write_buffer;
  return settings;
}

RunSettings with_options(LongRoute long_route, uint32_t capacity,
                         bool keep_routes) {
  RunSettings settings = with_buffers(3, 7);
  settings.options.long_route = long_route;
  settings.options.capacity = capacity;
  settings.options.keep_routes = keep_routes;
  return settings;
}

std::string describe(const RunSettings& s) {
  return "buffers " + std::to_string(s.read_buffer) + "/" +
         std::to_string(s.write_buffer) + ", long routes " +
         std::to_string(static_cast<int>(s.options.long_route)) +
         ", capacity " + std::to_string(s.options.capacity) +
         (s.options.keep_routes ? ", routes kept" : "");
}

// Settings that reach the corners of the conversion: every buffer size, and
// every way of handling a long route with the smallest capacities.
std::vector<RunSettings> settings_to_try() {
  std::vector<RunSettings> all;
  for (size_t read_buffer : READ_BUFFER_SIZES) {
    for (size_t write_buffer : WRITE_BUFFER_SIZES) {
      all.push_back(with_buffers(read_buffer, write_buffer));
    }
  }
  for (LongRoute long_route :
       {LongRoute::cut, LongRoute::split, LongRoute::simplify}) {
    for (uint32_t capacity : {2u, 3u, convert::MAX_TRACK_POINTS}) {
      for (bool keep_routes : {false, true}) {
        all.push_back(with_options(long_route, capacity, keep_routes));
      }
    }
  }
  return all;
}

TEST(ConversionCheck, EverySeedConvertsWithAnySettings) {
  std::set<uint8_t> versions;
  const std::vector<RunSettings> settings = settings_to_try();
  for (const Seed& seed : seed_files()) {
    SCOPED_TRACE(seed.name);
    versions.insert(seed.file.at(11));
    const Bytes& file = seed.file;
    for (const RunSettings& s : settings) {
      SCOPED_TRACE(describe(s));
      EXPECT_EQ(run_conversion(file.data(), file.size(), s).outcome,
                driver::Outcome::converted);
      EXPECT_EQ(check_conversion(file.data(), file.size(), s), "");
    }
  }
  EXPECT_EQ(versions, (std::set<uint8_t>{'k', 'l', 'm'}));
}

TEST(ConversionCheck, FailingOutputIsAWriteError) {
  RunSettings settings = with_buffers(1, 1);
  settings.output_capacity = 10;  // shorter than any preamble
  for (const Seed& seed : seed_files()) {
    SCOPED_TRACE(seed.name);
    const Bytes& file = seed.file;
    EXPECT_EQ(run_conversion(file.data(), file.size(), settings).outcome,
              driver::Outcome::write_error);
    EXPECT_EQ(check_conversion(file.data(), file.size(), settings), "");
  }
}

// Every cut of a seed, and every byte of it replaced, still passes the
// checks; small buffers make the cuts fall across buffer boundaries.
TEST(ConversionCheck, HoldsForSeedsCutOrChangedAnywhere) {
  const RunSettings settings[] = {
      with_buffers(3, 7),
      with_options(LongRoute::split, 2, true),
      with_options(LongRoute::simplify, 3, false),
  };
  for (const RunSettings& s : settings) {
    SCOPED_TRACE(describe(s));
    for (const Seed& seed : seed_files()) {
      if (seed.file.size() > 1000) continue;
      SCOPED_TRACE(seed.name);
      const Bytes& file = seed.file;
      for (size_t at = 0; at < file.size(); ++at) {
        SCOPED_TRACE(at);
        ASSERT_EQ(check_conversion(file.data(), at, s), "");
        for (uint8_t value : Bytes{0x00, 0x01, 0xFF, 'R', 'V'}) {
          Bytes changed = file;
          changed[at] = value;
          ASSERT_EQ(check_conversion(changed.data(), changed.size(), s), "")
              << "byte set to " << int{value};
        }
      }
    }
  }
}

// Found by fuzzing: a path that comes back to its last position earlier on.
// Simplified to its two ends, it is a valid track, which a check that
// matched the track's end to the first equal position rejected.
TEST(ConversionCheck, SimplifiedPathMayPassItsLastPositionEarlier) {
  const gdbtest::Bytes file =
      gdbtest::Builder()
          .bytes(gdbtest::preamble('k'))
          .record('R',
                  gdbtest::route_body(
                      'k', "Back",
                      {{"P", {{0, 0}, {10, 0}, {5, 5}, {20, 20}, {5, 5}}}}))
          .record('V', {0})
          .build();
  RunSettings settings = with_options(LongRoute::simplify, 2, false);
  RunResult run = run_conversion(file.data(), file.size(), settings);
  ASSERT_EQ(run.outcome, driver::Outcome::converted);
  const gdbtest::Bytes track =
      gdbtest::Builder()
          .record('T', gdbtest::track_body('k', "Back", {{0, 0}, {5, 5}}))
          .build();
  EXPECT_NE(std::search(run.output.begin(), run.output.end(), track.begin(),
                        track.end()),
            run.output.end());
  EXPECT_EQ(check_conversion(file.data(), file.size(), settings), "");
}

}  // namespace
}  // namespace fuzz
