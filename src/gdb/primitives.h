// The byte-level operations that all GDB reading and writing is made of.
//
// Readers return false (or -1, or 0 for skip_optional_8) when the input
// fails them; the reader's status() then says why. Writers never fail
// visibly: the ByteWriter remembers a failed write for its flush().

#ifndef RTETRK_GDB_PRIMITIVES_H_
#define RTETRK_GDB_PRIMITIVES_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "gdb/byte_reader.h"
#include "gdb/byte_writer.h"
#include "gdb/le.h"

namespace gdb {

// Reads through the next 0x00. Returns the number of bytes consumed, the
// 0x00 included (1 for an empty string), or -1 if the input failed first.
// With a destination, the string's characters (without the 0x00) are stored
// there.
int64_t read_cstring(ByteReader& in, std::string* destination);

// Writes the characters of `text`, then one 0x00.
void write_cstring(ByteWriter& out, std::string_view text);

// Reads and discards exactly `count` bytes.
inline bool skip_bytes(ByteReader& in, uint32_t count) {
  return in.skip(count);
}

// Reads `count` bytes and writes them unchanged.
bool copy_bytes(ByteReader& in, ByteWriter& out, uint32_t count);

// Reads bytes through the next 0x00 and writes them, the 0x00 included.
bool copy_cstring(ByteReader& in, ByteWriter& out);

inline bool read_u32le(ByteReader& in, uint32_t& value) {
  uint8_t bytes[U32_BYTES];
  if (!in.read(bytes, U32_BYTES)) return false;
  value = decode_u32le(bytes);
  return true;
}

inline void write_u32le(ByteWriter& out, uint32_t value) {
  uint8_t bytes[U32_BYTES];
  encode_u32le(value, bytes);
  out.write(bytes, U32_BYTES);
}

// The bytes that a non-zero flag byte announces.
constexpr uint32_t OPTIONAL_BYTES = 8;

// Reads a flag byte and, when it is not 0, the 8 bytes that it announces.
// Returns the number of bytes consumed (1 or 9), or 0 if the input failed.
inline int skip_optional_8(ByteReader& in) {
  // When the most it can take is buffered, the count is chosen without a
  // branch on the flag, whose value is often unpredictable.
  if (const uint8_t* bytes = in.peek(1 + OPTIONAL_BYTES)) {
    int count = bytes[0] != 0 ? 1 + OPTIONAL_BYTES : 1;
    in.advance(static_cast<size_t>(count));
    return count;
  }
  uint8_t flag;
  if (!in.get(flag)) return 0;
  if (flag == 0) return 1;
  return in.skip(OPTIONAL_BYTES) ? 1 + OPTIONAL_BYTES : 0;
}

}  // namespace gdb

#endif  // RTETRK_GDB_PRIMITIVES_H_
