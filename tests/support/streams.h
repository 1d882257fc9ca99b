// An in-memory reader and writer over fixed input bytes, for unit tests.

#ifndef RTETRK_TESTS_SUPPORT_STREAMS_H_
#define RTETRK_TESTS_SUPPORT_STREAMS_H_

#include <utility>

#include "gdb/byte_reader.h"
#include "gdb/byte_writer.h"
#include "support/gdb_builder.h"

namespace gdbtest {

struct Streams {
  explicit Streams(Bytes input,
                   size_t buffer_size = gdb::ByteReader::DEFAULT_BUFFER_SIZE)
      : bytes(std::move(input)),
        source(bytes.data(), bytes.size()),
        in(source, buffer_size),
        out(sink) {}

  // Everything written so far.
  Bytes output() {
    out.flush();
    return sink.bytes();
  }
  // The next input byte, or -1.
  int next() {
    uint8_t byte;
    return in.get(byte) ? byte : -1;
  }

  Bytes bytes;
  gdb::MemorySource source;
  gdb::ByteReader in;
  gdb::MemorySink sink;
  gdb::ByteWriter out;
};

}  // namespace gdbtest

#endif  // RTETRK_TESTS_SUPPORT_STREAMS_H_
