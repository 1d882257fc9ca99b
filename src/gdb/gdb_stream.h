// The GDB stream: byte-level reading and writing, record framing and the
// preamble. Other subsystems include this header.

#ifndef RTETRK_GDB_GDB_STREAM_H_
#define RTETRK_GDB_GDB_STREAM_H_

#include "gdb/byte_reader.h"  // IWYU pragma: export
#include "gdb/byte_writer.h"  // IWYU pragma: export
#include "gdb/le.h"           // IWYU pragma: export
#include "gdb/preamble.h"     // IWYU pragma: export
#include "gdb/primitives.h"   // IWYU pragma: export
#include "gdb/record.h"       // IWYU pragma: export

#endif  // RTETRK_GDB_GDB_STREAM_H_
