#include "convert/route_to_track.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "support/streams.h"

namespace convert {
namespace {

using gdbtest::Builder;
using gdbtest::Bytes;
using gdbtest::distinct_links;
using gdbtest::LinkPoint;
using gdbtest::RoutePoint;
using gdbtest::Streams;
using gdbtest::TrackPoint;

constexpr uint8_t SENTINEL = 0x99;

struct Converted {
  bool ok = false;
  Bytes output;
  std::string messages;
  gdb::ReadStatus status = gdb::ReadStatus::ok;
  int next = -1;  // the input byte after the route, or -1
};

// Converts one route record of `length` bytes (the body's size unless
// given) whose body is followed in the input by `after`.
Converted convert(char version, const Bytes& body, Bytes after = {SENTINEL},
                  std::optional<uint32_t> length = std::nullopt,
                  size_t buffer_size = 64) {
  Bytes input = body;
  input.insert(input.end(), after.begin(), after.end());
  Streams s(input, buffer_size);
  std::ostringstream messages;
  ConversionContext context;
  context.version = static_cast<gdb::GdbVersion>(version);
  context.messages = &messages;
  Converted result;
  result.ok = convert_route(
      s.in, s.out, length ? *length : static_cast<uint32_t>(body.size()),
      context);
  result.status = s.in.status();
  result.output = s.output();
  result.messages = messages.str();
  result.next = s.next();
  return result;
}

Bytes track_record(char version, const std::string& name,
                   const std::vector<TrackPoint>& points) {
  return Builder()
      .record('T', gdbtest::track_body(version, name, points))
      .build();
}

// Route A: the first route point has the link points (1, 2), (1, 2), (3, 4);
// the second has K = 0, and the record goes on past that K.
Bytes route_a(char version) {
  return gdbtest::route_body(version, "A",
                             {{"P", {{1, 2}, {1, 2}, {3, 4}}, 0}, {"Q", {}, 0}},
                             {0x00, 0x11, 0x22});
}

TEST(ConvertRoute, RouteAIsTheExpectedTrackInEachVersion) {
  const Bytes k_and_l = {
      0x24, 0x00, 0x00, 0x00, 0x54,                    // length 36, 'T'
      0x41, 0x00,                                      // name "A"
      0x01, 0x02, 0x00, 0x00, 0x00,                    // track header
      0x02, 0x00, 0x00, 0x00,                          // N = 2
      0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,  // (1, 2)
      0x00, 0x00, 0x00, 0x00,                          //
      0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00,  // (3, 4)
      0x00, 0x00, 0x00, 0x00,                          //
      0x00,                                            // trailer
  };
  Bytes m = k_and_l;
  m[0] = 0x27;  // length 39
  m.insert(m.end(), {0x00, 0x00, 0x00});
  ASSERT_EQ(k_and_l.size(), 41u);

  for (char version : {'k', 'l', 'm'}) {
    SCOPED_TRACE(version);
    Converted c = convert(version, route_a(version));
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.output, version == 'm' ? m : k_and_l);
    EXPECT_EQ(c.next, SENTINEL);
    EXPECT_EQ(c.messages, "");
  }
}

TEST(ConvertRoute, RouteWithoutRoutePointsIsAnEmptyTrack) {
  for (char version : {'k', 'l', 'm'}) {
    SCOPED_TRACE(version);
    Converted c = convert(version, gdbtest::route_body(version, "Empty", {}));
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.output, track_record(version, "Empty", {}));
    // S + 10 ('k', 'l') or S + 13 ('m'), with S = 6.
    EXPECT_EQ(c.output[0], version == 'm' ? 19 : 16);
    EXPECT_EQ(c.next, SENTINEL);
  }
}

TEST(ConvertRoute, FlagBytesRepeatsAndRoutePointsAcrossBufferSizes) {
  const std::vector<RoutePoint> points = {
      {"First", {{1, 2, 0x01}, {1, 2}, {3, 4, 0x80}}, 0x01},
      // Repeats the last position of the route point before: one position.
      {"Second", {{3, 4}, {1, 2}, {1, 5, 0xFF}, {1, 5}}, 0},
      {"", {{7, 7}}, 0x02},
  };
  const std::vector<TrackPoint> kept = {{1, 2}, {3, 4}, {1, 2}, {1, 5}, {7, 7}};
  for (char version : {'k', 'l', 'm'}) {
    for (size_t buffer_size : {1, 7, 64}) {
      SCOPED_TRACE(std::string(1, version) + " buffer " +
                   std::to_string(buffer_size));
      Converted c =
          convert(version, gdbtest::route_body(version, "Way", points),
                  {SENTINEL}, std::nullopt, buffer_size);
      ASSERT_TRUE(c.ok);
      EXPECT_EQ(c.output, track_record(version, "Way", kept));
      EXPECT_EQ(c.next, SENTINEL);
    }
  }
}

TEST(ConvertRoute, PointLimitKeepsTheFirstPositionsAndReportsEachDroppedOne) {
  Bytes input = gdbtest::route_body(
      'k', "Long", {{"P", distinct_links(MAX_TRACK_POINTS + 3)}});
  std::vector<TrackPoint> kept;
  for (uint32_t i = 0; i < MAX_TRACK_POINTS; ++i) kept.push_back({i, i});
  Converted c = convert('k', input);
  ASSERT_TRUE(c.ok);
  EXPECT_EQ(c.output, track_record('k', "Long", kept));
  EXPECT_EQ(c.messages, std::string(ROUTE_POINT_LIMIT_MESSAGE) +
                            ROUTE_POINT_LIMIT_MESSAGE +
                            ROUTE_POINT_LIMIT_MESSAGE);
}

TEST(ConvertRoute, FullListReportsEvenARepeatAndTheNextRouteStartsEmpty) {
  std::vector<LinkPoint> links = distinct_links(MAX_TRACK_POINTS);
  links.push_back(links.back());  // a repeat, but the list is full
  Bytes first = gdbtest::route_body('m', "Full", {{"P", links}});
  Bytes second =
      gdbtest::route_body('m', "Next", {{"P", distinct_links(5, 100)}});

  Bytes input = Builder().bytes(first).bytes(second).build();
  Streams s(input);
  std::ostringstream messages;
  ConversionContext context;
  context.version = 'm';
  context.messages = &messages;
  ASSERT_TRUE(
      convert_route(s.in, s.out, static_cast<uint32_t>(first.size()), context));
  EXPECT_EQ(messages.str(), ROUTE_POINT_LIMIT_MESSAGE);
  ASSERT_TRUE(convert_route(s.in, s.out, static_cast<uint32_t>(second.size()),
                            context));
  EXPECT_EQ(messages.str(), ROUTE_POINT_LIMIT_MESSAGE);
  EXPECT_EQ(context.points.count(), 5u);
  EXPECT_EQ(context.points.name, "Next");
}

TEST(ConvertRoute, RouteCutShortAnywhereIsCorruptAndNeverReadsPastItsRecord) {
  // Without a K = 0 and without a tail, the reader needs every byte.
  for (char version : {'k', 'l', 'm'}) {
    Bytes whole = gdbtest::route_body(
        version, "Cut", {{"P", {{1, 2, 1}, {3, 4}}, 1}, {"Q", {{5, 6}}, 0}});
    for (uint32_t length = 0; length < whole.size(); ++length) {
      SCOPED_TRACE(std::string(1, version) + " length " +
                   std::to_string(length));
      Bytes body(whole.begin(), whole.begin() + length);
      // What follows the record: the rest of the route, then 0x00 bytes.
      Bytes after(whole.begin() + length, whole.end());
      after.insert(after.end(), 32, 0x00);
      Converted c = convert(version, body, after);
      EXPECT_FALSE(c.ok);
      EXPECT_EQ(c.status, gdb::ReadStatus::past_limit);
      EXPECT_TRUE(c.output.empty());
    }
  }
}

TEST(ConvertRoute, CountsThatOverrunTheRecordAreCorrupt) {
  struct Case {
    const char* name;
    Bytes body;
  };
  Bytes too_many_points =
      gdbtest::route_body('k', "R", {{"P", {{1, 2}}}});  // then P is raised
  too_many_points[2 + 2 + 9 + 17] = 2;
  Bytes huge_k = gdbtest::route_body('k', "R", {{"P", {{1, 2}}}});
  huge_k[2 + 2 + 9 + 17 + 4 + 2 + 46 + 3] = 0xFF;  // K's top byte
  const Case cases[] = {
      {"more route points than the record holds", too_many_points},
      {"more link points than the record holds", huge_k},
      {"name without its 0x00", {0x41, 0x42}},
      {"empty record", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Converted result = convert('k', c.body, Bytes(64, 0x00));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.status, gdb::ReadStatus::past_limit);
  }
}

TEST(ConvertRoute, InputEndingInsideTheRouteIsTruncation) {
  Bytes whole = route_a('l');
  Converted c = convert('l', Bytes(whole.begin(), whole.end() - 1), {},
                        static_cast<uint32_t>(whole.size()));
  EXPECT_FALSE(c.ok);
  EXPECT_EQ(c.status, gdb::ReadStatus::end_of_input);
}

TEST(TrackRecordLength, IsTheNumberOfBodyBytesWritten) {
  for (char version : {'k', 'l', 'm'}) {
    ConversionContext context;
    context.version = static_cast<gdb::GdbVersion>(version);
    context.points.name = "Name";
    context.points.name_size = 5;
    context.points.positions = {{1, 2}, {3, 4}, {5, 6}};
    gdb::MemorySink sink;
    gdb::ByteWriter out(sink);
    write_track(out, context);
    out.flush();
    EXPECT_EQ(track_record_length(5, 3, context.version), sink.bytes().size());
  }
  EXPECT_EQ(track_record_length(UINT32_MAX, 0, 'k'), uint64_t{UINT32_MAX} + 10);
}

}  // namespace
}  // namespace convert
