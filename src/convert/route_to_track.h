// Route to track conversion.
//
// A route record is read to its end and replaced by a track record with the
// route's name and one track point per kept position: the positions of the
// route's link points, in stored order, with consecutive repeats dropped and
// at most the track capacity (MAX_TRACK_POINTS unless chosen) kept.
//
// A route with more kept positions than the capacity is cut at the capacity,
// or, as chosen in the TrackOptions, split into several connected tracks or
// simplified into one track of the capacity. The route record itself can be
// kept, with its track records following it.
//
// Route body, as read:
//
//   name              NUL-terminated; becomes the track's name
//   2 bytes           skipped
//   position block    skipped
//   position block    skipped
//   P                 u32: number of route points
//   P route points    reading stops at the first one whose K is 0
//   rest              skipped to the end of the record
//
// Route point:
//
//   name              NUL-terminated, skipped
//   46 bytes          skipped
//   K                 u32: number of link points; 0 ends the route here
//   K link points     each a position block holding the position
//   1 byte            skipped
//   position block    skipped
//   position block    skipped
//   trailer           'k': none, 'l': 8 bytes, 'm': 10 bytes
//
// A position block is 8 bytes (two u32 coordinates in a link point), a flag
// byte, and 8 more bytes only when the flag byte is not 0.
//
// Track body, as written:
//
//   name              NUL-terminated
//   01 02 00 00 00    TRACK_HEADER_BYTES
//   N                 u32: number of track points
//   N track points    first coordinate, second coordinate, 00 00 00 00
//   trailer           'k' and 'l': 00; 'm': 00 00 00 00

#ifndef RTETRK_CONVERT_ROUTE_TO_TRACK_H_
#define RTETRK_CONVERT_ROUTE_TO_TRACK_H_

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "gdb/gdb_stream.h"

namespace convert {

constexpr uint32_t MAX_TRACK_POINTS = 10000;
constexpr uint8_t TRACK_HEADER_BYTES[] = {0x01, 0x02, 0x00, 0x00, 0x00};

constexpr char ROUTE_POINT_LIMIT_MESSAGE[] =
    "Route point limit reached - track truncated!\n";

// A position as the file stores it: two 32-bit coordinates, copied bit for
// bit and only ever compared for equality.
struct Position {
  uint32_t first = 0;
  uint32_t second = 0;

  bool operator==(const Position& other) const {
    return first == other.first && second == other.second;
  }
};

constexpr uint32_t MIN_TRACK_CAPACITY = 2;
constexpr uint32_t MAX_TRACK_CAPACITY = 1000000;

// What becomes of a route with more kept positions than the capacity.
enum class LongRoute {
  cut,       // one track of the first positions, with the limit message
  split,     // several tracks, each starting where the one before ended
  simplify,  // one track of the capacity that keeps the route's shape
};

struct TrackOptions {
  uint32_t capacity = MAX_TRACK_POINTS;  // MIN_ to MAX_TRACK_CAPACITY
  LongRoute long_route = LongRoute::cut;
  bool keep_routes = false;  // copy each route before its track records
};

// The name and kept positions of the route being converted.
struct PointList {
  // Room for a full track and the position that starts the next one.
  PointList() { positions.reserve(MAX_TRACK_POINTS + 1); }

  // Empties the list for the next route; the position store stays allocated.
  void clear();
  uint32_t count() const { return static_cast<uint32_t>(positions.size()); }

  std::string name;                 // without its terminating 0x00
  std::vector<Position> positions;  // see append_point for how many
  uint32_t tracks_written = 0;      // tracks of this route already written
};

// The state of one run, created once and passed by reference.
struct ConversionContext {
  gdb::GdbVersion version = 0;  // set from the preamble
  TrackOptions options;
  PointList points;  // the current route
  // Receives the point-limit message; with no stream it is not printed.
  std::ostream* messages = nullptr;
  // While a route is read for splitting, where each full track is written
  // as soon as the next position needs a new one; with none, all positions
  // are kept until the route has been read.
  gdb::ByteWriter* split_output = nullptr;
};

// Reads the route record whose header has just been read, with a body of
// `length` bytes, and writes its track record (or records) in its place.
// With keep_routes the route record, header included, is written first,
// unchanged. False if the route is truncated or corrupt, or a track is too
// long to be framed; the reader's status() says which.
bool convert_route(gdb::ByteReader& in, gdb::ByteWriter& out, uint32_t length,
                   ConversionContext& context);

// Consumes exactly the `length` bytes of a route body and fills the context's
// PointList. Every read is kept inside the body: a name, count, link point or
// skip that would run past its end makes the route corrupt (false, with
// ReadStatus::past_limit).
bool read_route(gdb::ByteReader& in, uint32_t length,
                ConversionContext& context);

// Offers one link point's position to the PointList. A position that
// repeats the last stored one is dropped. When cutting, a position that finds
// the list at the capacity is dropped with the limit message, whether or not
// it repeats. When splitting with a split_output, a full track is written
// there as soon as a new position needs the next track; otherwise every
// kept position is stored. False if a track could not be framed.
bool append_point(ConversionContext& context, const Position& position);

// The body length of a track with a name of `name_size` bytes (its 0x00
// included) and `count` track points. It can exceed 32 bits only for a name
// of nearly 4 GiB, and such a track cannot be framed.
uint64_t track_record_length(uint32_t name_size, uint32_t count,
                             gdb::GdbVersion version);

// Writes the track body from the PointList.
void write_track(gdb::ByteWriter& out, const ConversionContext& context);

// Writes a whole track record, header and body, named `name` (without its
// 0x00) and holding `count` positions. False, with nothing written, if its
// length does not fit the 32-bit length field.
bool write_track_record(gdb::ByteWriter& out, std::string_view name,
                        const Position* positions, uint32_t count,
                        gdb::GdbVersion version);

}  // namespace convert

#endif  // RTETRK_CONVERT_ROUTE_TO_TRACK_H_
