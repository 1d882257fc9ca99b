// Builds GDB files byte by byte for tests, fuzz seeds and examples.
//
// Lengths and counts are filled in by the builder; the skipped parts of a
// route are filled with non-zero bytes so that a reader that lands on them by
// mistake does not see a plausible 0.

#ifndef RTETRK_TESTS_SUPPORT_GDB_BUILDER_H_
#define RTETRK_TESTS_SUPPORT_GDB_BUILDER_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gdbtest {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t FILLER = 0xA5;

class Builder {
 public:
  Builder& u8(uint8_t value) {
    bytes_.push_back(value);
    return *this;
  }
  Builder& u32(uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
      bytes_.push_back(static_cast<uint8_t>(value >> shift));
    }
    return *this;
  }
  Builder& fill(size_t count, uint8_t value = FILLER) {
    bytes_.insert(bytes_.end(), count, value);
    return *this;
  }
  Builder& bytes(const Bytes& more) {
    bytes_.insert(bytes_.end(), more.begin(), more.end());
    return *this;
  }
  // The characters and a terminating 0x00.
  Builder& cstring(std::string_view text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    bytes_.push_back(0);
    return *this;
  }
  // A record: length, type letter, body.
  Builder& record(char type, const Bytes& body) {
    u32(static_cast<uint32_t>(body.size()));
    u8(static_cast<uint8_t>(type));
    return bytes(body);
  }
  const Bytes& build() const { return bytes_; }

 private:
  Bytes bytes_;
};

// Magic, 5 bytes, version letter, 8 bytes and four strings.
inline Bytes preamble(char version, const std::vector<std::string>& strings = {
                                        "A", "B", "", "C"}) {
  Builder b;
  b.cstring("MsRcf")
      .fill(5, 0x01)
      .u8(static_cast<uint8_t>(version))
      .fill(8, 0x02);
  for (const std::string& text : strings) b.cstring(text);
  return b.build();
}

struct LinkPoint {
  uint32_t first = 0;
  uint32_t second = 0;
  uint8_t flag = 0;  // not 0: 8 more bytes follow the flag
};

struct RoutePoint {
  std::string name = "P";
  // No link points: K = 0, which ends the route after this point's K.
  std::vector<LinkPoint> links;
  uint8_t block_flag = 0;  // flag of this point's two position blocks
};

// `count` link points with distinct positions (from + i, i).
inline std::vector<LinkPoint> distinct_links(uint32_t count,
                                             uint32_t from = 0) {
  std::vector<LinkPoint> links;
  for (uint32_t i = 0; i < count; ++i) links.push_back({from + i, i});
  return links;
}

inline void position_block(Builder& b, uint8_t flag) {
  b.fill(8).u8(flag);
  if (flag != 0) b.fill(8);
}

inline uint32_t route_point_trailer(char version) {
  return version == 'l' ? 8 : version == 'm' ? 10 : 0;
}

// A route body with one route point per entry of `points`; `tail` follows
// the last route point.
inline Bytes route_body(char version, std::string_view name,
                        const std::vector<RoutePoint>& points,
                        const Bytes& tail = {}) {
  Builder b;
  b.cstring(name).fill(2);
  position_block(b, 0);
  position_block(b, 0x01);
  b.u32(static_cast<uint32_t>(points.size()));
  for (const RoutePoint& point : points) {
    b.cstring(point.name)
        .fill(46)
        .u32(static_cast<uint32_t>(point.links.size()));
    if (point.links.empty()) break;
    for (const LinkPoint& link : point.links) {
      b.u32(link.first).u32(link.second).u8(link.flag);
      if (link.flag != 0) b.fill(8);
    }
    b.fill(1);
    position_block(b, point.block_flag);
    position_block(b, point.block_flag);
    b.fill(route_point_trailer(version));
  }
  return b.bytes(tail).build();
}

struct TrackPoint {
  uint32_t first = 0;
  uint32_t second = 0;
};

// The track body that a route with `name` and these kept positions becomes.
inline Bytes track_body(char version, std::string_view name,
                        const std::vector<TrackPoint>& points) {
  Builder b;
  b.cstring(name).u8(1).u8(2).fill(3, 0).u32(
      static_cast<uint32_t>(points.size()));
  for (const TrackPoint& point : points) {
    b.u32(point.first).u32(point.second).fill(4, 0);
  }
  return b.fill(version == 'm' ? 4 : 1, 0).build();
}

// A small valid file: a waypoint, a route with repeats and flagged blocks, a
// track and the end record. The shipped example is this file; with
// `converted`, it is what the tool makes of it.
inline Bytes example_file(char version = 'm', bool converted = false) {
  std::vector<RoutePoint> points = {
      {"Start", {{100, 200}, {100, 200, 1}, {150, 260}, {210, 300}}, 0},
      {"Bridge", {{210, 300}, {260, 380, 2}, {330, 420}}, 1},
      {"End", {}, 0},
  };
  std::vector<TrackPoint> kept = {
      {100, 200}, {150, 260}, {210, 300}, {260, 380}, {330, 420}};
  Builder b;
  b.bytes(preamble(version, {"rtetrk", "example", "", "trip"}));
  b.record('W', Builder().cstring("Home").fill(24, 0x10).build());
  if (converted) {
    b.record('T', track_body(version, "Trip", kept));
  } else {
    b.record('R', route_body(version, "Trip", points));
  }
  b.record('T', track_body(version, "Earlier", {{1, 2}, {3, 4}}));
  b.record('V', Builder().u8(0).fill(3, 0x20).build());
  return b.build();
}

}  // namespace gdbtest

#endif  // RTETRK_TESTS_SUPPORT_GDB_BUILDER_H_
