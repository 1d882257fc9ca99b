#include "bench/bench_file.h"

#include <algorithm>
#include <array>
#include <string>

#include "convert/route_to_track.h"

namespace bench {

namespace {

// splitmix64: small, fast and the same on every platform.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}

  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }
  // A value from `low` to `high`, both included.
  uint32_t between(uint32_t low, uint32_t high) {
    return low + static_cast<uint32_t>(next() % (uint64_t{high} - low + 1));
  }
  // True once in `n` times on average.
  bool one_in(uint32_t n) { return next() % n == 0; }

 private:
  uint64_t state_;
};

// Bytes for the parts of records that are not interpreted: varied, so that
// nothing in the converter can get away with expecting zeros.
constexpr size_t NOISE_BYTES = 4096;

const std::array<uint8_t, NOISE_BYTES>& noise() {
  static const std::array<uint8_t, NOISE_BYTES> bytes = [] {
    std::array<uint8_t, NOISE_BYTES> made{};
    Random random(0x6E6F697365);
    for (uint8_t& byte : made) byte = static_cast<uint8_t>(random.next());
    return made;
  }();
  return bytes;
}

// Counts the bytes of a record body without writing them.
class Counter {
 public:
  void write(const uint8_t*, size_t size) { count_ += size; }
  uint64_t count() const { return count_; }

 private:
  uint64_t count_ = 0;
};

// Writes a record body.
class Writer {
 public:
  explicit Writer(gdb::ByteWriter& out) : out_(out) {}
  void write(const uint8_t* data, size_t size) { out_.write(data, size); }

 private:
  gdb::ByteWriter& out_;
};

// Emits the fields of one record body into a Counter or a Writer. Given the
// same random state, both see exactly the same bytes.
template <typename Sink>
class Body {
 public:
  Body(Sink& sink, Random& random) : sink_(sink), random_(random) {}

  void u8(uint8_t value) { sink_.write(&value, 1); }
  void u32(uint32_t value) {
    uint8_t bytes[gdb::U32_BYTES];
    gdb::encode_u32le(value, bytes);
    sink_.write(bytes, sizeof bytes);
  }
  void cstring(std::string_view text) {
    sink_.write(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    u8(0);
  }
  // `count` bytes that are not interpreted.
  void noise_bytes(uint64_t count) {
    size_t offset = static_cast<size_t>(random_.next() % NOISE_BYTES);
    while (count != 0) {
      size_t chunk =
          static_cast<size_t>(std::min<uint64_t>(count, NOISE_BYTES - offset));
      sink_.write(noise().data() + offset, chunk);
      count -= chunk;
      offset = 0;
    }
  }
  // 8 bytes, a flag byte, and 8 more bytes when the flag is not 0.
  void position_block(uint8_t flag) {
    noise_bytes(8);
    u8(flag);
    if (flag != 0) noise_bytes(8);
  }
  Random& random() { return random_; }

 private:
  Sink& sink_;
  Random& random_;
};

constexpr uint32_t TRACK_POINT_LIMIT = convert::MAX_TRACK_POINTS;

uint32_t route_point_trailer_bytes(gdb::GdbVersion version) {
  return version == gdb::VERSION_L ? 8 : version == gdb::VERSION_M ? 10 : 0;
}

std::string numbered(std::string_view prefix, uint64_t number) {
  return std::string(prefix) + std::to_string(number);
}

// Follows what converting a route keeps, to predict its messages.
class KeptPositions {
 public:
  void offer(bool repeat, BenchStats& stats) {
    if (kept_ == TRACK_POINT_LIMIT) {
      ++stats.limit_messages;
      over_limit_ = true;
    } else if (!repeat) {
      ++kept_;
    }
  }
  bool over_limit() const { return over_limit_; }

 private:
  uint32_t kept_ = 0;
  bool over_limit_ = false;
};

struct RouteShape {
  uint32_t route_points_low, route_points_high;
  uint32_t link_points_low, link_points_high;
  uint32_t repeat_one_in;  // 0: only the first link point of a route point
                           // repeats the last one of the route point before
};

// A route body. Consecutive route points share their junction, so the first
// link point of each route point after the first repeats the last one before
// it. Some routes end early at a route point without link points, and some
// carry bytes after their last route point.
template <typename Sink>
void route_body(Body<Sink>& b, gdb::GdbVersion version, uint64_t number,
                const RouteShape& shape, BenchStats* stats) {
  Random& random = b.random();
  BenchStats ignored;
  BenchStats& s = stats ? *stats : ignored;
  KeptPositions kept;

  b.cstring(numbered("Route ", number));
  b.noise_bytes(2);
  b.position_block(0);
  b.position_block(random.one_in(2) ? 0 : 1);
  uint32_t route_points =
      random.between(shape.route_points_low, shape.route_points_high);
  bool ends_early = random.one_in(8);
  b.u32(route_points);
  uint32_t x = static_cast<uint32_t>(random.next());
  uint32_t y = static_cast<uint32_t>(random.next());
  for (uint32_t p = 0; p < route_points; ++p) {
    b.cstring(numbered("RP", p));
    b.noise_bytes(46);
    if (ends_early && p + 1 == route_points) {
      b.u32(0);  // the route's path ends here; the rest is skipped
      break;
    }
    uint32_t link_points =
        random.between(shape.link_points_low, shape.link_points_high);
    b.u32(link_points);
    for (uint32_t k = 0; k < link_points; ++k) {
      bool repeat = (k == 0 && p != 0) || (shape.repeat_one_in != 0 && k != 0 &&
                                           random.one_in(shape.repeat_one_in));
      if (!repeat) {
        // A step that is never zero, so only real repeats are repeats.
        x += 1 + random.between(0, 2000);
        y -= 1 + random.between(0, 2000);
      }
      b.u32(x);
      b.u32(y);
      uint8_t flag =
          random.one_in(8) ? static_cast<uint8_t>(random.between(1, 255)) : 0;
      b.u8(flag);
      if (flag != 0) b.noise_bytes(8);
      ++s.link_points;
      if (flag != 0) ++s.flagged_link_points;
      if (repeat) ++s.repeated_link_points;
      kept.offer(repeat, s);
    }
    b.noise_bytes(1);
    uint8_t flag = random.one_in(4) ? 1 : 0;
    b.position_block(flag);
    b.position_block(flag);
    b.noise_bytes(route_point_trailer_bytes(version));
  }
  b.noise_bytes(random.one_in(2) ? random.between(1, 40) : 0);
  if (kept.over_limit()) ++s.routes_over_limit;
}

template <typename Sink>
void waypoint_body(Body<Sink>& b, uint64_t number) {
  b.cstring(numbered("WPT", number));
  b.noise_bytes(b.random().between(40, 300));
}

// A track body in the layout that the converter writes.
template <typename Sink>
void track_body(Body<Sink>& b, gdb::GdbVersion version, uint64_t number) {
  Random& random = b.random();
  b.cstring(numbered("Track ", number));
  for (uint8_t byte : convert::TRACK_HEADER_BYTES) b.u8(byte);
  uint32_t points = random.between(10, 2000);
  b.u32(points);
  for (uint32_t i = 0; i < points; ++i) {
    b.u32(static_cast<uint32_t>(random.next()));
    b.u32(static_cast<uint32_t>(random.next()));
    b.u32(0);
  }
  for (int i = version == gdb::VERSION_M ? 4 : 1; i > 0; --i) b.u8(0);
}

enum class Kind { waypoint, track, route, long_route };

// One route in 25 of the routes profile, from the fourth on, has more
// positions than a track holds, by a few hundred.
constexpr uint64_t LONG_ROUTE_EVERY = 25;
constexpr uint64_t FIRST_LONG_ROUTE = 3;

Kind next_kind(Profile profile, Random& random, const BenchStats& stats) {
  uint32_t roll = random.between(0, 99);
  if (profile == Profile::records) {
    return roll < 1 ? Kind::route : roll < 75 ? Kind::waypoint : Kind::track;
  }
  if (roll >= 90) return Kind::waypoint;
  return stats.routes % LONG_ROUTE_EVERY == FIRST_LONG_ROUTE ? Kind::long_route
                                                             : Kind::route;
}

template <typename Sink>
void record_body(Body<Sink>& b, Profile profile, Kind kind,
                 gdb::GdbVersion version, const BenchStats& numbers,
                 BenchStats* stats) {
  static constexpr RouteShape FEW_LINKS = {2, 8, 5, 60, 16};
  static constexpr RouteShape MANY_LINKS = {2, 30, 10, 400, 16};
  // 26 route points of 410 to 420 link points, with only the junctions
  // repeated: between 10226 (when the last route point ends the route) and
  // 10895 kept positions.
  static constexpr RouteShape OVER_LIMIT = {26, 26, 410, 420, 0};
  switch (kind) {
    case Kind::waypoint:
      return waypoint_body(b, numbers.waypoints);
    case Kind::track:
      return track_body(b, version, numbers.tracks);
    case Kind::route:
      return route_body(b, version, numbers.routes,
                        profile == Profile::records ? FEW_LINKS : MANY_LINKS,
                        stats);
    case Kind::long_route:
      return route_body(b, version, numbers.routes, OVER_LIMIT, stats);
  }
}

uint8_t type_of(Kind kind) {
  switch (kind) {
    case Kind::waypoint:
      return 'W';
    case Kind::track:
      return gdb::TRACK_RECORD;
    default:
      return gdb::ROUTE_RECORD;
  }
}

void count(Kind kind, BenchStats& stats) {
  switch (kind) {
    case Kind::waypoint:
      ++stats.waypoints;
      break;
    case Kind::track:
      ++stats.tracks;
      break;
    default:
      ++stats.routes;
      break;
  }
}

const std::string_view PREAMBLE_STRINGS[] = {"rtetrk", "benchmark", "",
                                             "generated"};
constexpr uint8_t END_BODY[] = {0x00};
// The filler waypoint has a body of at least one byte.
constexpr uint64_t MIN_FILLER_BYTES = gdb::RECORD_HEADER_BYTES + 1;

uint64_t preamble_bytes() {
  uint64_t bytes = sizeof gdb::MAGIC + gdb::PREAMBLE_BYTES_BEFORE_VERSION + 1 +
                   gdb::PREAMBLE_BYTES_AFTER_VERSION;
  for (std::string_view text : PREAMBLE_STRINGS) bytes += text.size() + 1;
  return bytes;
}

void write_preamble(gdb::ByteWriter& out, gdb::GdbVersion version) {
  gdb::write_cstring(out, gdb::MAGIC);
  for (uint32_t i = 0; i < gdb::PREAMBLE_BYTES_BEFORE_VERSION; ++i) out.put(1);
  out.put(version);
  for (uint32_t i = 0; i < gdb::PREAMBLE_BYTES_AFTER_VERSION; ++i) out.put(2);
  for (std::string_view text : PREAMBLE_STRINGS) gdb::write_cstring(out, text);
}

constexpr uint64_t END_RECORD_BYTES =
    gdb::RECORD_HEADER_BYTES + sizeof END_BODY;

}  // namespace

std::optional<Profile> parse_profile(std::string_view name) {
  if (name == "records") return Profile::records;
  if (name == "routes") return Profile::routes;
  return std::nullopt;
}

uint64_t min_bench_file_size() {
  return preamble_bytes() + MIN_FILLER_BYTES + END_RECORD_BYTES;
}

BenchStats write_bench_file(gdb::ByteWriter& out, Profile profile,
                            gdb::GdbVersion version, uint64_t size,
                            uint64_t seed) {
  BenchStats stats;
  write_preamble(out, version);
  // Bytes for the records before the end record, filler included.
  uint64_t room = size - preamble_bytes() - END_RECORD_BYTES;
  Random random(seed);
  Writer writer(out);
  for (;;) {
    Random start = random;
    Kind kind = next_kind(profile, random, stats);
    Counter counter;
    Body<Counter> counted(counter, random);
    record_body(counted, profile, kind, version, stats, nullptr);
    uint64_t record_bytes = gdb::RECORD_HEADER_BYTES + counter.count();
    if (record_bytes + MIN_FILLER_BYTES > room) break;

    random = start;
    next_kind(profile, random, stats);
    gdb::write_record_header(out, static_cast<uint32_t>(counter.count()),
                             type_of(kind));
    Body<Writer> written(writer, random);
    BenchStats numbers = stats;
    record_body(written, profile, kind, version, numbers, &stats);
    count(kind, stats);
    room -= record_bytes;
  }
  uint64_t filler = room - gdb::RECORD_HEADER_BYTES;
  gdb::write_record_header(out, static_cast<uint32_t>(filler), 'W');
  Body<Writer> written(writer, random);
  written.noise_bytes(filler);
  ++stats.waypoints;
  gdb::write_record_header(out, sizeof END_BODY, gdb::END_RECORD);
  out.write(END_BODY, sizeof END_BODY);
  return stats;
}

}  // namespace bench
