// Little-endian encoding of the fixed-size integers of a GDB file.
//
// Every multi-byte integer in the file is stored least significant byte
// first. All byte arithmetic on integers lives here, so that the reader, the
// writer and the tests share one definition.

#ifndef RTETRK_GDB_LE_H_
#define RTETRK_GDB_LE_H_

#include <cstdint>
#include <cstring>

namespace gdb {

constexpr int U32_BYTES = 4;

// On a little-endian machine the bytes are the value's own: one load or
// store does it.
#if defined(__BYTE_ORDER__) && defined(__ORDER_LITTLE_ENDIAN__) && \
    __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define RTETRK_LITTLE_ENDIAN_HOST 1
#endif

inline uint32_t decode_u32le(const uint8_t* p) {
#ifdef RTETRK_LITTLE_ENDIAN_HOST
  uint32_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
#else
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
#endif
}

inline void encode_u32le(uint32_t value, uint8_t* p) {
#ifdef RTETRK_LITTLE_ENDIAN_HOST
  std::memcpy(p, &value, sizeof value);
#else
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
  p[2] = static_cast<uint8_t>(value >> 16);
  p[3] = static_cast<uint8_t>(value >> 24);
#endif
}

}  // namespace gdb

#endif  // RTETRK_GDB_LE_H_
