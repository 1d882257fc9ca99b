// Record framing.
//
// Every record after the preamble has the same frame:
//
//   offset 0, 4 bytes  length: unsigned, little-endian, the number of body
//                      bytes that follow the type byte
//   offset 4, 1 byte   type: an ASCII letter naming the kind of record
//   offset 5, length   body
//
// A length of 0 is an empty body.

#ifndef RTETRK_GDB_RECORD_H_
#define RTETRK_GDB_RECORD_H_

#include <cstdint>

#include "gdb/byte_reader.h"
#include "gdb/byte_writer.h"

namespace gdb {

constexpr uint32_t RECORD_HEADER_BYTES = 5;

// Record types that get special handling.
constexpr uint8_t ROUTE_RECORD = 'R';  // replaced by a track
constexpr uint8_t TRACK_RECORD = 'T';  // what a route becomes
constexpr uint8_t END_RECORD = 'V';    // the last record that is read

struct RecordHeader {
  uint32_t length = 0;  // body bytes after the type byte
  uint8_t type = 0;
};

// False if the input fails before all five bytes are read.
bool read_record_header(ByteReader& in, RecordHeader& header);

void write_record_header(ByteWriter& out, uint32_t length, uint8_t type);

// Writes the header unchanged and copies the body that follows it in the
// input. False if the input ends inside the body.
bool copy_record(ByteReader& in, ByteWriter& out, const RecordHeader& header);

}  // namespace gdb

#endif  // RTETRK_GDB_RECORD_H_
