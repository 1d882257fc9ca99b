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
                  size_t buffer_size = 64, TrackOptions options = {}) {
  Bytes input = body;
  input.insert(input.end(), after.begin(), after.end());
  Streams s(input, buffer_size);
  std::ostringstream messages;
  ConversionContext context;
  context.version = static_cast<gdb::GdbVersion>(version);
  context.options = options;
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

// Link points at (i, 0) for each i in `xs`.
std::vector<LinkPoint> links_at(const std::vector<uint32_t>& xs) {
  std::vector<LinkPoint> links;
  for (uint32_t x : xs) links.push_back({x, 0});
  return links;
}

std::vector<TrackPoint> points_at(uint32_t from, uint32_t to) {
  std::vector<TrackPoint> points;
  for (uint32_t x = from; x <= to; ++x) points.push_back({x, 0});
  return points;
}

TEST(ConvertRoute, SplitTracksConnectAndStartOnlyWhenAPositionNeedsOne) {
  TrackOptions split;
  split.capacity = 4;
  split.long_route = LongRoute::split;
  struct Case {
    const char* what;
    std::vector<RoutePoint> route;
    std::vector<std::vector<TrackPoint>> tracks;
  };
  const Case cases[] = {
      {"fits in one track",
       {{"P", links_at({0, 1, 1, 2, 3})}},
       {points_at(0, 3)}},
      {"fills three tracks exactly, repeats after each",
       {{"P", links_at({0, 1, 2, 3, 3})},
        {"Q", links_at({3, 4, 5, 6, 6, 7, 8, 9, 9, 9})}},
       {points_at(0, 3), points_at(3, 6), points_at(6, 9)}},
      {"one position more starts a fourth",
       {{"P", links_at({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10})}},
       {points_at(0, 3), points_at(3, 6), points_at(6, 9), points_at(9, 10)}},
      {"empty route", {}, {{}}},
  };
  for (const Case& c : cases) {
    for (char version : {'k', 'l', 'm'}) {
      for (bool keep_routes : {false, true}) {
        for (size_t buffer_size : {1, 64}) {
          SCOPED_TRACE(std::string(c.what) + " " + version +
                       (keep_routes ? " keeping routes" : "") + " buffer " +
                       std::to_string(buffer_size));
          Bytes route = gdbtest::route_body(version, "Way", c.route);
          Builder expected;
          if (keep_routes) expected.record('R', route);
          for (size_t i = 0; i < c.tracks.size(); ++i) {
            std::string name = i == 0 ? "Way" : "Way #" + std::to_string(i + 1);
            expected.record('T',
                            gdbtest::track_body(version, name, c.tracks[i]));
          }
          TrackOptions options = split;
          options.keep_routes = keep_routes;
          Converted result = convert(version, route, {SENTINEL}, std::nullopt,
                                     buffer_size, options);
          ASSERT_TRUE(result.ok);
          EXPECT_EQ(result.output, expected.build());
          EXPECT_EQ(result.messages, "");
          EXPECT_EQ(result.next, SENTINEL);
        }
      }
    }
  }
}

TEST(ConvertRoute, SplitRouteNumbersItsTracksPastNine) {
  TrackOptions options;
  options.capacity = 2;
  options.long_route = LongRoute::split;
  Bytes route = gdbtest::route_body('m', "R", {{"P", distinct_links(12)}});
  Converted result = convert('m', route, {SENTINEL}, std::nullopt, 64, options);
  ASSERT_TRUE(result.ok);
  Builder expected;
  for (uint32_t i = 0; i < 11; ++i) {
    std::string name = i == 0 ? "R" : "R #" + std::to_string(i + 1);
    expected.record('T',
                    gdbtest::track_body('m', name, {{i, i}, {i + 1, i + 1}}));
  }
  EXPECT_EQ(result.output, expected.build());
}

TEST(ConvertRoute, KeptRouteIsCopiedUnchangedBeforeItsTrack) {
  const std::vector<RoutePoint> points = {
      {"First", {{1, 2, 0x01}, {1, 2}, {3, 4, 0x80}}, 0x01},
      {"Second", {{5, 6}, {7, 8}}, 0},
      {"", {}, 0},
  };
  TrackOptions options;
  options.keep_routes = true;
  options.capacity = 3;
  for (char version : {'k', 'l', 'm'}) {
    for (size_t buffer_size : {1, 5, 64}) {
      SCOPED_TRACE(std::string(1, version) + " buffer " +
                   std::to_string(buffer_size));
      Bytes route = gdbtest::route_body(version, "Kept", points, {0xEE, 0xEF});
      Converted c = convert(version, route, {SENTINEL}, std::nullopt,
                            buffer_size, options);
      ASSERT_TRUE(c.ok);
      EXPECT_EQ(c.output,
                Builder()
                    .record('R', route)
                    .record('T', gdbtest::track_body(version, "Kept",
                                                     {{1, 2}, {3, 4}, {5, 6}}))
                    .build());
      EXPECT_EQ(c.messages, ROUTE_POINT_LIMIT_MESSAGE);
      EXPECT_EQ(c.next, SENTINEL);
    }
  }
}

TEST(ConvertRoute, SimplifiedRouteKeepsItsCornerAndEndsAtTheCapacity) {
  // Along the first coordinate with a slight bend at 5, then a sharp corner
  // at (10, 0), then up the second coordinate.
  std::vector<LinkPoint> links;
  for (uint32_t x = 0; x <= 10; ++x) links.push_back({x, x == 5 ? 1u : 0u});
  for (uint32_t y = 2; y <= 10; y += 2) links.push_back({10, y});
  links.push_back({10, 10});  // a repeat, dropped before simplifying
  Bytes route = gdbtest::route_body('l', "Bend", {{"P", links}});
  for (bool keep_routes : {false, true}) {
    TrackOptions options;
    options.capacity = 3;
    options.long_route = LongRoute::simplify;
    options.keep_routes = keep_routes;
    Converted c = convert('l', route, {SENTINEL}, std::nullopt, 64, options);
    ASSERT_TRUE(c.ok);
    Builder expected;
    if (keep_routes) expected.record('R', route);
    expected.record(
        'T', gdbtest::track_body('l', "Bend", {{0, 0}, {10, 0}, {10, 10}}));
    EXPECT_EQ(c.output, expected.build());
    EXPECT_EQ(c.messages, "");
  }
}

TEST(TrackRecordLength, IsTheNumberOfBodyBytesWritten) {
  for (char version : {'k', 'l', 'm'}) {
    ConversionContext context;
    context.version = static_cast<gdb::GdbVersion>(version);
    context.points.name = "Name";
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
