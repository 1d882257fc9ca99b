#include "fuzz/conversion_check.h"

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string_view>

namespace fuzz {

namespace {

using driver::Outcome;

// A memory source that notices being asked for more after it has ended.
class CheckedSource : public gdb::ByteSource {
 public:
  CheckedSource(const uint8_t* data, size_t size) : source_(data, size) {}
  size_t read(uint8_t* buffer, size_t size) override {
    if (ended_) read_after_end_ = true;
    size_t count = source_.read(buffer, size);
    if (count == 0) ended_ = true;
    return count;
  }
  bool failed() const override { return false; }
  bool read_after_end() const { return read_after_end_; }

 private:
  gdb::MemorySource source_;
  bool ended_ = false;
  bool read_after_end_ = false;
};

// Keeps what it is handed up to an optional capacity; a write beyond it
// keeps what fits and fails.
class BoundedSink : public gdb::ByteSink {
 public:
  explicit BoundedSink(std::optional<size_t> capacity) : capacity_(capacity) {}
  bool write(const uint8_t* data, size_t size) override {
    size_t count =
        capacity_ ? std::min(size, *capacity_ - bytes_.size()) : size;
    bytes_.insert(bytes_.end(), data, data + count);
    if (count < size) failed_ = true;
    return count == size;
  }
  Bytes& bytes() { return bytes_; }
  bool failed() const { return failed_; }

 private:
  std::optional<size_t> capacity_;
  Bytes bytes_;
  bool failed_ = false;
};

// The one place where a run's context is set up.
convert::ConversionContext make_context(const RunSettings& settings,
                                        std::ostream& messages) {
  convert::ConversionContext context;
  context.options = settings.options;
  context.messages = &messages;
  return context;
}

// The file layout, read here independently of the tool's own reader.
//
// Preamble: "MsRcf" 00, 5 bytes, version letter, 8 bytes, four
// NUL-terminated strings. Record: u32 body length, type letter, body.

constexpr uint8_t MAGIC_BYTES[] = {'M', 's', 'R', 'c', 'f', 0};
constexpr size_t VERSION_OFFSET = 11;
constexpr size_t PREAMBLE_FIXED_BYTES = 20;
constexpr size_t HEADER_BYTES = 5;
constexpr size_t TRACK_POINT_BYTES = 12;  // two coordinates, 00 00 00 00
constexpr uint8_t TRACK_HEADER[] = {0x01, 0x02, 0x00, 0x00, 0x00};

bool is_version(uint8_t letter) {
  return letter == 'k' || letter == 'l' || letter == 'm';
}

// Where the first record begins, or nothing if the file has no valid
// preamble.
std::optional<size_t> preamble_end(const uint8_t* file, size_t size) {
  if (size < PREAMBLE_FIXED_BYTES ||
      std::memcmp(file, MAGIC_BYTES, sizeof MAGIC_BYTES) != 0 ||
      !is_version(file[VERSION_OFFSET])) {
    return std::nullopt;
  }
  size_t at = PREAMBLE_FIXED_BYTES;
  for (int i = 0; i < 4; ++i) {
    const void* nul = std::memchr(file + at, 0, size - at);
    if (!nul) return std::nullopt;
    at = static_cast<size_t>(static_cast<const uint8_t*>(nul) - file) + 1;
  }
  return at;
}

struct Frame {
  size_t start;  // offset of the header
  size_t end;    // offset just after the body
  uint8_t type;
  size_t body() const { return start + HEADER_BYTES; }
};

// The records from `at` up to and including the first 'V'. False if the
// bytes end before that record does.
bool walk_records(const uint8_t* file, size_t size, size_t at,
                  std::vector<Frame>& frames) {
  for (;;) {
    if (size - at < HEADER_BYTES) return false;
    uint32_t length = gdb::decode_u32le(file + at);
    uint8_t type = file[at + 4];
    if (size - at - HEADER_BYTES < length) return false;
    frames.push_back({at, at + HEADER_BYTES + length, type});
    at = frames.back().end;
    if (type == 'V') return true;
  }
}

// What a route body yields, read by offsets into the body.
//
// Route: name, 2 bytes, two position blocks, u32 P, P route points, rest.
// Route point: name, 46 bytes, u32 K; when K is not 0: K link points, 1 byte,
// two position blocks and 0 ('k'), 8 ('l') or 10 ('m') bytes. The path ends
// at the first K of 0. A position block is 8 bytes and a flag byte, then 8
// more bytes when the flag is not 0; a link point's first 8 bytes are its
// position.
struct RouteModel {
  std::string_view name;
  std::vector<uint64_t> positions;  // the 8 bytes of each kept position
  uint64_t dropped = 0;             // link points past a cut track's capacity
};

class RouteParser {
 public:
  RouteParser(const uint8_t* body, size_t length)
      : body_(body), length_(length) {}

  // Nothing when a part of the route does not fit in the body. When cutting,
  // only the positions that fit in one track are kept.
  std::optional<RouteModel> parse(uint8_t version,
                                  const convert::TrackOptions& options) {
    std::optional<uint32_t> limit;
    if (options.long_route == convert::LongRoute::cut) {
      limit = options.capacity;
    }
    RouteModel route;
    size_t name_start = at_;
    if (!cstring()) return std::nullopt;
    route.name =
        std::string_view(reinterpret_cast<const char*>(body_ + name_start),
                         at_ - name_start - 1);
    uint32_t route_points;
    if (!skip(2) || !block() || !block() || !u32(route_points)) {
      return std::nullopt;
    }
    size_t trailer = version == 'l' ? 8 : version == 'm' ? 10 : 0;
    for (uint32_t i = 0; i < route_points; ++i) {
      uint32_t links;
      if (!cstring() || !skip(46) || !u32(links)) return std::nullopt;
      if (links == 0) break;
      for (uint32_t j = 0; j < links; ++j) {
        if (length_ - at_ < 8) return std::nullopt;
        uint64_t position = 0;
        std::memcpy(&position, body_ + at_, 8);
        if (!block()) return std::nullopt;
        keep(route, position, limit);
      }
      if (!skip(1) || !block() || !block() || !skip(trailer)) {
        return std::nullopt;
      }
    }
    return route;
  }

 private:
  static void keep(RouteModel& route, uint64_t position,
                   std::optional<uint32_t> limit) {
    if (limit && route.positions.size() == *limit) {
      ++route.dropped;
    } else if (route.positions.empty() || route.positions.back() != position) {
      route.positions.push_back(position);
    }
  }
  bool skip(size_t count) {
    if (length_ - at_ < count) return false;
    at_ += count;
    return true;
  }
  bool block() {
    if (length_ - at_ < 9) return false;
    bool more = body_[at_ + 8] != 0;
    at_ += 9;
    return !more || skip(8);
  }
  bool u32(uint32_t& value) {
    if (length_ - at_ < 4) return false;
    value = gdb::decode_u32le(body_ + at_);
    at_ += 4;
    return true;
  }
  bool cstring() {
    const void* nul = std::memchr(body_ + at_, 0, length_ - at_);
    if (!nul) return false;
    at_ = static_cast<size_t>(static_cast<const uint8_t*>(nul) - body_) + 1;
    return true;
  }

  const uint8_t* body_;
  size_t length_;
  size_t at_ = 0;
};

std::optional<RouteModel> model_route(const uint8_t* file, const Frame& frame,
                                      const convert::TrackOptions& options) {
  uint8_t version = file[VERSION_OFFSET];
  return RouteParser(file + frame.body(), frame.end - frame.body())
      .parse(version, options);
}

// A track that a route must become.
struct ExpectedTrack {
  std::string_view name;  // the route's
  uint32_t number = 1;    // from 2 on, " #<number>" follows the name
  const uint64_t* positions;
  size_t count;
  // When simplifying, the track holds `subset` of the positions, in order,
  // the first and the last among them; otherwise exactly the positions.
  std::optional<size_t> subset;
};

std::vector<ExpectedTrack> expected_tracks(
    const RouteModel& route, const convert::TrackOptions& options) {
  const std::vector<uint64_t>& all = route.positions;
  const size_t capacity = options.capacity;
  std::vector<ExpectedTrack> tracks;
  if (options.long_route == convert::LongRoute::split) {
    // Full tracks, each next one starting with the last position of the
    // one before.
    size_t first = 0;
    uint32_t number = 1;
    for (; all.size() - first > capacity; first += capacity - 1) {
      tracks.push_back(
          {route.name, number++, all.data() + first, capacity, std::nullopt});
    }
    tracks.push_back({route.name, number, all.data() + first,
                      all.size() - first, std::nullopt});
  } else if (options.long_route == convert::LongRoute::simplify &&
             all.size() > capacity) {
    tracks.push_back({route.name, 1, all.data(), all.size(), capacity});
  } else {
    tracks.push_back({route.name, 1, all.data(), all.size(), std::nullopt});
  }
  return tracks;
}

// Whether `track` holds `count` of the expected positions, in order, with
// their first and last. A position can come back later in a path, so the
// first and last are matched at the ends and only those between them as a
// subsequence of the positions between.
bool is_shape_subset(const uint8_t* track, uint32_t count,
                     const ExpectedTrack& expected) {
  auto same = [](const uint8_t* point, const uint64_t& position) {
    return std::memcmp(point, &position, 8) == 0;
  };
  if (count < 2 || expected.count < count) return false;
  const uint8_t* last = track + TRACK_POINT_BYTES * (count - 1);
  if (!same(track, expected.positions[0]) ||
      !same(last, expected.positions[expected.count - 1])) {
    return false;
  }
  size_t next = 1;
  for (const uint8_t* point = track + TRACK_POINT_BYTES; point != last;
       point += TRACK_POINT_BYTES, ++next) {
    while (next < expected.count - 1 &&
           !same(point, expected.positions[next])) {
      ++next;
    }
    if (next == expected.count - 1) return false;
  }
  return true;
}

// Checks the body of a track against what it must be.
std::string check_track(const uint8_t* body, size_t length, uint8_t version,
                        const ExpectedTrack& expected) {
  std::string number =
      expected.number > 1 ? " #" + std::to_string(expected.number) : "";
  size_t name_size = expected.name.size() + number.size() + 1;
  size_t fixed = name_size + sizeof TRACK_HEADER + 4;
  if (length < fixed ||
      std::memcmp(body, expected.name.data(), expected.name.size()) != 0 ||
      std::memcmp(body + expected.name.size(), number.data(), number.size()) !=
          0 ||
      body[name_size - 1] != 0) {
    return "the track does not begin with the name it should have";
  }
  if (std::memcmp(body + name_size, TRACK_HEADER, sizeof TRACK_HEADER) != 0) {
    return "the track's fixed bytes after the name are wrong";
  }
  uint32_t count = gdb::decode_u32le(body + name_size + sizeof TRACK_HEADER);
  size_t trailer = version == 'm' ? 4 : 1;
  if (length != fixed + TRACK_POINT_BYTES * uint64_t{count} + trailer) {
    return "the track's length does not match its point count";
  }
  const uint8_t* point = body + fixed;
  if (expected.subset) {
    if (count != *expected.subset || !is_shape_subset(point, count, expected)) {
      return "the simplified track is not a part of the route's path";
    }
  } else {
    bool same = count == expected.count;
    for (uint32_t i = 0; same && i < count; ++i) {
      same = std::memcmp(point + TRACK_POINT_BYTES * i, &expected.positions[i],
                         8) == 0;
    }
    if (!same) return "the track does not hold the positions it should";
  }
  for (uint32_t i = 0; i < count; ++i, point += TRACK_POINT_BYTES) {
    if (gdb::decode_u32le(point + 8) != 0) {
      return "a track point is not padded with zeros";
    }
  }
  for (size_t i = 0; i < trailer; ++i) {
    if (point[i] != 0) return "the track's trailer is not zero";
  }
  return "";
}

// How many limit messages `messages` holds, or nothing if it holds anything
// else.
std::optional<uint64_t> limit_messages(const std::string& messages) {
  std::string_view limit = convert::ROUTE_POINT_LIMIT_MESSAGE;
  uint64_t count = 0;
  for (size_t at = 0; at < messages.size(); at += limit.size(), ++count) {
    if (messages.compare(at, limit.size(), limit) != 0) return std::nullopt;
  }
  return count;
}

// Whether every route up to the end record can be read inside its record.
bool routes_fit(const uint8_t* file, const std::vector<Frame>& records) {
  return std::all_of(records.begin(), records.end(), [file](const Frame& r) {
    return r.type != 'R' || model_route(file, r, {}).has_value();
  });
}

bool is_input_failure(gdb::ReadStatus status) {
  return status == gdb::ReadStatus::end_of_input ||
         status == gdb::ReadStatus::past_limit ||
         status == gdb::ReadStatus::corrupt;
}

// The checks for a run that reported success.
std::string check_converted(const uint8_t* file, size_t size,
                            const RunSettings& settings, const RunResult& run) {
  if (run.status != gdb::ReadStatus::ok) return "success after a failed read";
  if (run.output_failed) return "success after a failed write";
  std::optional<size_t> preamble = preamble_end(file, size);
  if (!preamble) return "success without a valid preamble";
  std::vector<Frame> records;
  if (!walk_records(file, size, *preamble, records)) {
    return "success on a file that ends before its end record";
  }
  if (run.consumed != records.back().end) {
    return "the input was not read exactly up to the end of its 'V' record";
  }

  const Bytes& out = run.output;
  if (out.size() < *preamble ||
      !std::equal(file, file + *preamble, out.data())) {
    return "the output does not begin with the input's preamble";
  }
  std::vector<Frame> written;
  if (!walk_records(out.data(), out.size(), *preamble, written) ||
      written.back().end != out.size()) {
    return "the output's records do not frame exactly up to a final 'V'";
  }

  const convert::TrackOptions& options = settings.options;
  uint8_t version = file[VERSION_OFFSET];
  uint64_t dropped = 0;
  size_t next = 0;  // the next record of the output
  for (const Frame& in : records) {
    if (in.type != 'R' || options.keep_routes) {
      if (next == written.size() ||
          in.end - in.start != written[next].end - written[next].start ||
          !std::equal(file + in.start, file + in.end,
                      out.data() + written[next].start)) {
        return in.type == 'R' ? "a kept route was not copied unchanged"
                              : "a record other than a route was not copied "
                                "unchanged";
      }
      ++next;
      if (in.type != 'R') continue;
    }
    std::optional<RouteModel> route = model_route(file, in, options);
    if (!route) return "a route that does not fit in its record was converted";
    for (const ExpectedTrack& expected : expected_tracks(*route, options)) {
      if (next == written.size() || written[next].type != 'T') {
        return "a route was not followed by its tracks";
      }
      const Frame& o = written[next++];
      std::string track = check_track(out.data() + o.body(), o.end - o.body(),
                                      version, expected);
      if (!track.empty()) return track;
    }
    dropped += route->dropped;
  }
  if (next != written.size()) return "the output has records of its own";
  if (limit_messages(run.messages) != dropped) {
    return "the limit message was not printed once per dropped link point";
  }

  // Kept routes would be converted again.
  if (!options.keep_routes) {
    RunResult again = run_conversion(out.data(), out.size(), settings);
    if (again.outcome != Outcome::converted || again.output != out ||
        !again.messages.empty()) {
      return "converting the output again does not give the same bytes";
    }
  }
  return "";
}

}  // namespace

RunResult run_conversion(const uint8_t* file, size_t size,
                         const RunSettings& settings) {
  CheckedSource source(file, size);
  gdb::ByteReader in(source, settings.read_buffer);
  BoundedSink sink(settings.output_capacity);
  gdb::ByteWriter out(sink, settings.write_buffer);
  std::ostringstream messages;
  convert::ConversionContext context = make_context(settings, messages);

  RunResult result;
  result.outcome = driver::convert_stream(in, out, context);
  // As in the tool, a conversion is only done once its output is flushed.
  // The output of a failed run is flushed too, to be looked at.
  bool flushed = out.flush();
  if (result.outcome == Outcome::converted && !flushed) {
    result.outcome = Outcome::write_error;
  }
  result.status = in.status();
  result.output = std::move(sink.bytes());
  result.output_failed = sink.failed();
  result.consumed = in.position();
  result.read_after_end = source.read_after_end();
  result.messages = messages.str();
  return result;
}

RunSettings settings_from_bytes(const uint8_t* bytes, size_t file_size) {
  RunSettings settings;
  settings.read_buffer = READ_BUFFER_SIZES[bytes[0] & 0x0F];
  settings.write_buffer = WRITE_BUFFER_SIZES[(bytes[0] >> 4) & 0x03];
  if ((bytes[0] >> 6) == 3) settings.output_capacity = file_size / 2;
  switch (bytes[1] & 0x03) {
    case 1:
      settings.options.long_route = convert::LongRoute::split;
      break;
    case 2:
      settings.options.long_route = convert::LongRoute::simplify;
      break;
    default:
      settings.options.long_route = convert::LongRoute::cut;
  }
  settings.options.keep_routes = (bytes[1] & 0x04) != 0;
  settings.options.capacity = TRACK_CAPACITIES[(bytes[1] >> 3) & 0x0F];
  return settings;
}

std::string check_conversion(const uint8_t* file, size_t size,
                             const RunSettings& settings) {
  RunResult run = run_conversion(file, size, settings);
  if (run.consumed > size) return "the reader handed out more than the input";
  if (run.read_after_end) return "the input was read again after its end";
  if (!limit_messages(run.messages)) return "an unexpected message was printed";
  // A link point takes at least 9 bytes in a route and 12 in a track; the
  // rest of a route is never smaller than the rest of its track. A kept
  // route adds its own size. Split tracks each repeat the route's name, so
  // their size is bounded by the checks of each track instead.
  const convert::TrackOptions& options = settings.options;
  uint64_t thirds = options.keep_routes ? 7 : 4;
  if (options.long_route != convert::LongRoute::split &&
      3 * static_cast<uint64_t>(run.output.size()) >
          thirds * static_cast<uint64_t>(size) + 3 * 64) {
    return "the output is larger than the bound for the options";
  }
  if (run.output_failed && run.outcome == Outcome::converted) {
    return "success after a failed write";
  }

  std::optional<size_t> preamble = preamble_end(file, size);
  switch (run.outcome) {
    case Outcome::converted:
      return check_converted(file, size, settings, run);
    case Outcome::not_gdb:
      return preamble ? "a valid preamble was reported as not GDB" : "";
    case Outcome::truncated_or_corrupt: {
      if (!preamble) return "a file without a valid preamble was truncated";
      if (!is_input_failure(run.status)) {
        return "truncated or corrupt, but no read failed";
      }
      std::vector<Frame> records;
      if (walk_records(file, size, *preamble, records) &&
          routes_fit(file, records)) {
        return "a file whose records and routes all fit was truncated";
      }
      return "";
    }
    case Outcome::read_error:
      return "a read error from memory";
    case Outcome::write_error:
      if (!preamble) return "a write error before the preamble was checked";
      return run.output_failed ? "" : "a write error without a failed write";
  }
  return "an outcome that the tool does not know";
}

std::string check_fuzz_input(const uint8_t* data, size_t size) {
  if (size < SETTINGS_BYTES) return "";
  const uint8_t* file = data + SETTINGS_BYTES;
  size_t file_size = size - SETTINGS_BYTES;
  return check_conversion(file, file_size,
                          settings_from_bytes(data, file_size));
}

}  // namespace fuzz
