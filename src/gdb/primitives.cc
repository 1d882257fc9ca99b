#include "gdb/primitives.h"

#include <cstring>

namespace gdb {

namespace {

// Hands the bytes up to and including the next 0x00 to `take`, chunk by
// chunk. Returns the number of bytes consumed, or -1 if the input failed.
template <typename Take>
int64_t scan_cstring(ByteReader& in, Take take) {
  int64_t consumed = 0;
  const uint8_t* data;
  size_t size;
  while (in.available(data, size)) {
    const void* nul = std::memchr(data, 0, size);
    size_t count =
        nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - data) + 1
            : size;
    take(data, count);
    in.advance(count);
    consumed += static_cast<int64_t>(count);
    if (nul) return consumed;
  }
  return -1;
}

}  // namespace

int64_t read_cstring(ByteReader& in, std::string* destination) {
  if (destination) destination->clear();
  return scan_cstring(in, [destination](const uint8_t* data, size_t size) {
    if (!destination) return;
    // The last chunk ends with the 0x00, which is not part of the string.
    size_t text = (size != 0 && data[size - 1] == 0) ? size - 1 : size;
    destination->append(reinterpret_cast<const char*>(data), text);
  });
}

void write_cstring(ByteWriter& out, std::string_view text) {
  out.write(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  out.put(0);
}

bool copy_bytes(ByteReader& in, ByteWriter& out, uint32_t count) {
  return in.consume_chunks(count, [&out](const uint8_t* data, size_t size) {
    out.write(data, size);
  });
}

bool copy_cstring(ByteReader& in, ByteWriter& out) {
  return scan_cstring(in, [&out](const uint8_t* data, size_t size) {
           out.write(data, size);
         }) >= 0;
}

}  // namespace gdb
