#include "gdb/preamble.h"

#include "gdb/primitives.h"

namespace gdb {

namespace {

// Reads the first string of the input as far as it can match the magic.
// Reading stops at the first byte that differs, so that a large file that is
// not a GDB file is not read to its first 0x00.
bool read_magic(ByteReader& in) {
  for (char expected : MAGIC) {  // the terminating 0x00 included
    uint8_t byte;
    if (!in.get(byte) || byte != static_cast<uint8_t>(expected)) return false;
  }
  return true;
}

}  // namespace

bool is_known_version(GdbVersion version) {
  return version == VERSION_K || version == VERSION_L || version == VERSION_M;
}

bool copy_preamble(ByteReader& in, ByteWriter& out, GdbVersion& version) {
  if (!read_magic(in)) return false;
  write_cstring(out, MAGIC);
  if (!copy_bytes(in, out, PREAMBLE_BYTES_BEFORE_VERSION)) return false;
  if (!in.get(version)) return false;
  out.put(version);
  if (!is_known_version(version)) return false;
  if (!copy_bytes(in, out, PREAMBLE_BYTES_AFTER_VERSION)) return false;
  for (int i = 0; i < PREAMBLE_STRINGS; ++i) {
    if (!copy_cstring(in, out)) return false;
  }
  return true;
}

}  // namespace gdb
