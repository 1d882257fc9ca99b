#include "convert/route_to_track.h"

#include "convert/simplify.h"

namespace convert {

namespace {

constexpr uint32_t ROUTE_BYTES_AFTER_NAME = 2;
constexpr uint32_t ROUTE_POINT_BYTES_AFTER_NAME = 46;
constexpr uint32_t ROUTE_POINT_BYTES_AFTER_LINKS = 1;
constexpr uint32_t POSITION_BYTES = 8;
constexpr uint8_t TRACK_POINT_PADDING[] = {0x00, 0x00, 0x00, 0x00};
constexpr uint32_t TRACK_POINT_BYTES =
    POSITION_BYTES + sizeof TRACK_POINT_PADDING;

// Bytes that close a route point with link points.
uint32_t route_point_trailer_bytes(gdb::GdbVersion version) {
  switch (version) {
    case gdb::VERSION_L:
      return 8;
    case gdb::VERSION_M:
      return 10;
    default:
      return 0;
  }
}

// Zero bytes that close a track body.
uint32_t track_trailer_bytes(gdb::GdbVersion version) {
  return version == gdb::VERSION_M ? 4 : 1;
}

bool skip_position_block(gdb::ByteReader& in) {
  return gdb::skip_bytes(in, POSITION_BYTES) && gdb::skip_optional_8(in) != 0;
}

// A link point is a position block whose first 8 bytes are the position.
// Both coordinates are read together and the position is stored whole, so
// that it takes one load and one store on its way to the point list.
bool read_link_point(gdb::ByteReader& in, Position& position) {
  uint8_t bytes[POSITION_BYTES];
  if (!in.read(bytes, POSITION_BYTES) || gdb::skip_optional_8(in) == 0) {
    return false;
  }
  position = Position{gdb::decode_u32le(bytes),
                      gdb::decode_u32le(bytes + gdb::U32_BYTES)};
  return true;
}

// Reads one route point. `more` is cleared when its K is 0, which ends the
// route.
bool read_route_point(gdb::ByteReader& in, ConversionContext& context,
                      bool& more) {
  uint32_t link_points;
  if (gdb::read_cstring(in, nullptr) < 0 ||
      !gdb::skip_bytes(in, ROUTE_POINT_BYTES_AFTER_NAME) ||
      !gdb::read_u32le(in, link_points)) {
    return false;
  }
  if (link_points == 0) {
    more = false;
    return true;
  }
  for (uint32_t i = 0; i < link_points; ++i) {
    Position position;
    if (!read_link_point(in, position)) return false;
    if (!append_point(context, position)) {
      in.mark_corrupt();
      return false;
    }
  }
  return gdb::skip_bytes(in, ROUTE_POINT_BYTES_AFTER_LINKS) &&
         skip_position_block(in) && skip_position_block(in) &&
         gdb::skip_bytes(in, route_point_trailer_bytes(context.version));
}

// Reads the route body up to where the route's path ends.
bool read_route_fields(gdb::ByteReader& in, ConversionContext& context) {
  if (gdb::read_cstring(in, &context.points.name) < 0) return false;

  uint32_t route_points;
  if (!gdb::skip_bytes(in, ROUTE_BYTES_AFTER_NAME) ||
      !skip_position_block(in) || !skip_position_block(in) ||
      !gdb::read_u32le(in, route_points)) {
    return false;
  }
  bool more = true;
  for (uint32_t i = 0; i < route_points && more; ++i) {
    if (!read_route_point(in, context, more)) return false;
  }
  return true;
}

// The name of a route's track number `number`, counted from 1: the route's
// name for the first, "<name> #<number>" for the others.
std::string split_track_name(const std::string& name, uint32_t number) {
  if (number == 1) return name;
  return name + " #" + std::to_string(number);
}

// Writes the next track of a split route from the first `count` stored
// positions.
bool write_split_track(gdb::ByteWriter& out, ConversionContext& context,
                       const Position* positions, uint32_t count) {
  PointList& points = context.points;
  ++points.tracks_written;
  return write_track_record(
      out, split_track_name(points.name, points.tracks_written), positions,
      count, context.version);
}

// Writes full tracks while more positions are stored than one track holds.
// Each next track starts with the last position of the one before, which
// stays stored with what has not been written.
bool write_full_tracks(gdb::ByteWriter& out, ConversionContext& context) {
  std::vector<Position>& positions = context.points.positions;
  const uint32_t capacity = context.options.capacity;
  size_t first = 0;
  while (positions.size() - first > capacity) {
    if (!write_split_track(out, context, &positions[first], capacity)) {
      return false;
    }
    first += capacity - 1;
  }
  positions.erase(positions.begin(),
                  positions.begin() + static_cast<std::ptrdiff_t>(first));
  return true;
}

// Writes the track records of the route held in the context.
bool write_tracks(gdb::ByteWriter& out, ConversionContext& context) {
  std::vector<Position>& positions = context.points.positions;
  switch (context.options.long_route) {
    case LongRoute::split:
      return write_full_tracks(out, context) &&
             write_split_track(out, context, positions.data(),
                               context.points.count());
    case LongRoute::simplify:
      simplify_path(positions, context.options.capacity);
      break;
    case LongRoute::cut:
      break;
  }
  return write_track_record(out, context.points.name, positions.data(),
                            context.points.count(), context.version);
}

// Writes a track body: name, header, count, track points and trailer.
void write_track_body(gdb::ByteWriter& out, std::string_view name,
                      const Position* positions, uint32_t count,
                      gdb::GdbVersion version) {
  gdb::write_cstring(out, name);
  out.write(TRACK_HEADER_BYTES, sizeof TRACK_HEADER_BYTES);
  gdb::write_u32le(out, count);
  // Each track point is put together whole and written in one piece; its
  // padding after the two coordinates stays 0.
  uint8_t point[TRACK_POINT_BYTES] = {};
  for (const Position* position = positions; position != positions + count;
       ++position) {
    gdb::encode_u32le(position->first, point);
    gdb::encode_u32le(position->second, point + gdb::U32_BYTES);
    out.write(point, TRACK_POINT_BYTES);
  }
  for (uint32_t i = 0; i < track_trailer_bytes(version); ++i) out.put(0);
}

// append_point for a list that already holds the capacity.
bool append_beyond_capacity(ConversionContext& context,
                            const Position& position) {
  std::vector<Position>& positions = context.points.positions;
  if (context.options.long_route == LongRoute::cut) {
    if (context.messages) *context.messages << ROUTE_POINT_LIMIT_MESSAGE;
    return true;
  }
  if (positions.back() == position) return true;
  positions.push_back(position);
  if (context.split_output) {
    return write_full_tracks(*context.split_output, context);
  }
  return true;
}

}  // namespace

void PointList::clear() {
  name.clear();
  positions.clear();
  tracks_written = 0;
}

bool append_point(ConversionContext& context, const Position& position) {
  std::vector<Position>& positions = context.points.positions;
  if (positions.size() >= context.options.capacity) {
    return append_beyond_capacity(context, position);
  }
  if (!positions.empty() && positions.back() == position) return true;
  positions.push_back(position);
  return true;
}

bool read_route(gdb::ByteReader& in, uint32_t length,
                ConversionContext& context) {
  context.points.clear();
  in.set_limit(length);
  // What follows the route's path is skipped; when the path ends exactly at
  // the end of the record there is nothing left to skip.
  bool ok = read_route_fields(in, context) &&
            gdb::skip_bytes(in, static_cast<uint32_t>(in.limit_remaining()));
  in.clear_limit();
  return ok;
}

uint64_t track_record_length(uint32_t name_size, uint32_t count,
                             gdb::GdbVersion version) {
  return uint64_t{name_size} + sizeof TRACK_HEADER_BYTES + gdb::U32_BYTES +
         uint64_t{TRACK_POINT_BYTES} * count + track_trailer_bytes(version);
}

void write_track(gdb::ByteWriter& out, const ConversionContext& context) {
  const PointList& points = context.points;
  write_track_body(out, points.name, points.positions.data(), points.count(),
                   context.version);
}

bool write_track_record(gdb::ByteWriter& out, std::string_view name,
                        const Position* positions, uint32_t count,
                        gdb::GdbVersion version) {
  // A name read from a record is shorter than 4 GiB; one built from it for a
  // split track may not be, and then the track cannot be framed either.
  uint64_t length =
      name.size() >= UINT32_MAX
          ? UINT64_MAX
          : track_record_length(static_cast<uint32_t>(name.size() + 1), count,
                                version);
  if (length > UINT32_MAX) return false;
  gdb::write_record_header(out, static_cast<uint32_t>(length),
                           gdb::TRACK_RECORD);
  write_track_body(out, name, positions, count, version);
  return true;
}

bool convert_route(gdb::ByteReader& in, gdb::ByteWriter& out, uint32_t length,
                   ConversionContext& context) {
  const TrackOptions& options = context.options;
  bool ok;
  if (options.keep_routes) {
    // The route's bytes are copied as they are read; its tracks follow.
    gdb::write_record_header(out, length, gdb::ROUTE_RECORD);
    in.start_copy(out);
    ok = read_route(in, length, context);
    in.stop_copy();
  } else {
    // A split route's tracks are written as they fill, so that only one
    // track's positions are held at a time.
    if (options.long_route == LongRoute::split) context.split_output = &out;
    ok = read_route(in, length, context);
    context.split_output = nullptr;
  }
  if (ok && !write_tracks(out, context)) {
    in.mark_corrupt();
    ok = false;
  }
  return ok;
}

}  // namespace convert
