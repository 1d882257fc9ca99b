#include "bench/bench_file.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "convert/route_to_track.h"
#include "driver/run.h"
#include "support/gdb_frames.h"

namespace bench {
namespace {

using gdbtest::Bytes;

Bytes generate(Profile profile, char version, uint64_t size,
               BenchStats* stats = nullptr, uint64_t seed = 1) {
  gdb::MemorySink sink;
  gdb::ByteWriter out(sink);
  BenchStats made = write_bench_file(
      out, profile, static_cast<gdb::GdbVersion>(version), size, seed);
  EXPECT_TRUE(out.flush());
  if (stats) *stats = made;
  return sink.bytes();
}

size_t count_of(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos;
       at = text.find(part, at + part.size())) {
    ++count;
  }
  return count;
}

// A generated file has exactly the size asked for and frames correctly, and
// its conversion succeeds: every route becomes a track, everything else
// stays, and the point-limit messages are the ones the file calls for.
TEST(BenchFile, GeneratedFilesHaveTheirSizeAndConvert) {
  struct Case {
    Profile profile;
    uint64_t size;
  };
  // The routes file is large enough for a route over the point limit.
  const Case cases[] = {{Profile::records, 200 * 1024},
                        {Profile::routes, 512 * 1024}};
  for (const Case& c : cases) {
    for (char version : {'k', 'l', 'm'}) {
      SCOPED_TRACE(std::string(1, version) + " " + std::to_string(c.size));
      BenchStats stats;
      Bytes input = generate(c.profile, version, c.size, &stats);
      EXPECT_EQ(input.size(), c.size);
      auto in_counts = gdbtest::record_counts(input);
      ASSERT_TRUE(in_counts);
      EXPECT_EQ((*in_counts)['W'], stats.waypoints);
      EXPECT_EQ((*in_counts)['T'], stats.tracks);
      EXPECT_EQ((*in_counts)['R'], stats.routes);
      EXPECT_GT(stats.routes, 0u);
      EXPECT_GT(stats.flagged_link_points, 0u);
      EXPECT_GT(stats.repeated_link_points, 0u);
      if (c.profile == Profile::routes) {
        EXPECT_GT(stats.routes_over_limit, 0u);
      }

      gdb::MemorySource source(input.data(), input.size());
      gdb::ByteReader in(source);
      gdb::MemorySink sink;
      gdb::ByteWriter out(sink);
      convert::ConversionContext context;
      std::ostringstream messages;
      context.messages = &messages;
      ASSERT_EQ(driver::convert_stream(in, out, context),
                driver::Outcome::converted);
      ASSERT_TRUE(out.flush());
      EXPECT_EQ(count_of(messages.str(), convert::ROUTE_POINT_LIMIT_MESSAGE),
                stats.limit_messages);
      auto out_counts = gdbtest::record_counts(sink.bytes());
      ASSERT_TRUE(out_counts);
      EXPECT_EQ((*out_counts)['R'], 0u);
      EXPECT_EQ((*out_counts)['T'], stats.tracks + stats.routes);
      EXPECT_EQ((*out_counts)['W'], stats.waypoints);
    }
  }
}

TEST(BenchFile, SameSeedSameBytesAndTheSmallestFileIsValid) {
  Bytes first = generate(Profile::routes, 'm', 100 * 1024);
  EXPECT_EQ(generate(Profile::routes, 'm', 100 * 1024), first);
  EXPECT_NE(generate(Profile::routes, 'm', 100 * 1024, nullptr, 2), first);

  Bytes smallest = generate(Profile::records, 'k', min_bench_file_size());
  EXPECT_EQ(smallest.size(), min_bench_file_size());
  auto counts = gdbtest::record_counts(smallest);
  ASSERT_TRUE(counts);
  EXPECT_EQ(*counts, (std::map<char, uint64_t>{{'W', 1}, {'V', 1}}));
}

}  // namespace
}  // namespace bench
