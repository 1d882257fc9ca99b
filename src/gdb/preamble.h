// The preamble: the bytes from the start of the file to its first record.
//
//   6 bytes   "MsRcf" and a 0x00: the magic
//   5 bytes   not interpreted
//   1 byte    version letter: 'k', 'l' or 'm'
//   8 bytes   not interpreted
//   4 NUL-terminated strings, not interpreted
//
// The output keeps the input's preamble byte for byte.

#ifndef RTETRK_GDB_PREAMBLE_H_
#define RTETRK_GDB_PREAMBLE_H_

#include <cstdint>

#include "gdb/byte_reader.h"
#include "gdb/byte_writer.h"

namespace gdb {

// The version letter of a file. It decides the layout of the route body that
// is read and of the track body that is written.
using GdbVersion = uint8_t;

constexpr GdbVersion VERSION_K = 'k';
constexpr GdbVersion VERSION_L = 'l';
constexpr GdbVersion VERSION_M = 'm';

constexpr char MAGIC[] = "MsRcf";  // stored with its terminating 0x00
constexpr uint32_t PREAMBLE_BYTES_BEFORE_VERSION = 5;
constexpr uint32_t PREAMBLE_BYTES_AFTER_VERSION = 8;
constexpr int PREAMBLE_STRINGS = 4;

bool is_known_version(GdbVersion version);

// Checks the preamble and copies it to the output, storing the version
// letter in `version`. False if the input is not a GDB file: a wrong magic or
// version letter, or an input that ends inside the preamble. A read error
// also gives false, with in.status() == ReadStatus::read_error.
bool copy_preamble(ByteReader& in, ByteWriter& out, GdbVersion& version);

}  // namespace gdb

#endif  // RTETRK_GDB_PREAMBLE_H_
