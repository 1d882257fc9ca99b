// The run: command line, files, record loop, messages and exit status.

#ifndef RTETRK_DRIVER_RUN_H_
#define RTETRK_DRIVER_RUN_H_

#include <cstdint>
#include <ostream>

#include "convert/route_to_track.h"
#include "gdb/gdb_stream.h"

namespace driver {

// How a conversion ended.
enum class Outcome {
  converted,
  not_gdb,               // the input has no valid preamble
  truncated_or_corrupt,  // the input ends early or a record is broken
  read_error,
  write_error,
};

// Reads and handles one record: a route is replaced by a track, anything
// else is copied unchanged. Stores the record's type letter in `type`.
// False if the input failed inside the record.
bool process_record(gdb::ByteReader& in, gdb::ByteWriter& out,
                    convert::ConversionContext& context, uint8_t& type);

// Converts a whole GDB stream: the preamble, then record by record up to and
// including the end record. Nothing after the end record is read. The
// writer's buffered bytes are not flushed.
Outcome convert_stream(gdb::ByteReader& in, gdb::ByteWriter& out,
                       convert::ConversionContext& context);

// Runs the tool on a command line and returns its exit status. Every message
// goes to `messages`. File names are UTF-8 on Windows and the system's own
// bytes elsewhere.
int run(int argc, const char* const* argv, std::ostream& messages);

}  // namespace driver

#endif  // RTETRK_DRIVER_RUN_H_
