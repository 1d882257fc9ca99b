#include "convert/route_to_track.h"

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

bool read_link_point(gdb::ByteReader& in, Position& position) {
  return gdb::read_u32le(in, position.first) &&
         gdb::read_u32le(in, position.second) && gdb::skip_optional_8(in) != 0;
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
    append_point(context, position);
  }
  return gdb::skip_bytes(in, ROUTE_POINT_BYTES_AFTER_LINKS) &&
         skip_position_block(in) && skip_position_block(in) &&
         gdb::skip_bytes(in, route_point_trailer_bytes(context.version));
}

// Reads the route body up to where the route's path ends.
bool read_route_fields(gdb::ByteReader& in, ConversionContext& context) {
  PointList& points = context.points;
  int64_t name_size = gdb::read_cstring(in, &points.name);
  if (name_size < 0) return false;
  // The limit keeps the name inside a record, so it fits in 32 bits.
  points.name_size = static_cast<uint32_t>(name_size);

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

}  // namespace

void PointList::clear() {
  name.clear();
  name_size = 0;
  positions.clear();
}

void append_point(ConversionContext& context, const Position& position) {
  std::vector<Position>& positions = context.points.positions;
  if (positions.size() >= MAX_TRACK_POINTS) {
    if (context.messages) *context.messages << ROUTE_POINT_LIMIT_MESSAGE;
    return;
  }
  if (!positions.empty() && positions.back() == position) return;
  positions.push_back(position);
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
  gdb::write_cstring(out, points.name);
  out.write(TRACK_HEADER_BYTES, sizeof TRACK_HEADER_BYTES);
  gdb::write_u32le(out, points.count());
  for (const Position& position : points.positions) {
    gdb::write_u32le(out, position.first);
    gdb::write_u32le(out, position.second);
    out.write(TRACK_POINT_PADDING, sizeof TRACK_POINT_PADDING);
  }
  for (uint32_t i = 0; i < track_trailer_bytes(context.version); ++i) {
    out.put(0);
  }
}

bool convert_route(gdb::ByteReader& in, gdb::ByteWriter& out, uint32_t length,
                   ConversionContext& context) {
  if (!read_route(in, length, context)) return false;
  uint64_t track_length = track_record_length(
      context.points.name_size, context.points.count(), context.version);
  if (track_length > UINT32_MAX) {
    in.mark_corrupt();
    return false;
  }
  gdb::write_record_header(out, static_cast<uint32_t>(track_length),
                           gdb::TRACK_RECORD);
  write_track(out, context);
  return true;
}

}  // namespace convert
