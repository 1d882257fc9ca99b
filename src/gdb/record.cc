#include "gdb/record.h"

#include "gdb/primitives.h"

namespace gdb {

bool read_record_header(ByteReader& in, RecordHeader& header) {
  return read_u32le(in, header.length) && in.get(header.type);
}

void write_record_header(ByteWriter& out, uint32_t length, uint8_t type) {
  write_u32le(out, length);
  out.put(type);
}

bool copy_record(ByteReader& in, ByteWriter& out, const RecordHeader& header) {
  write_record_header(out, header.length, header.type);
  return copy_bytes(in, out, header.length);
}

}  // namespace gdb
