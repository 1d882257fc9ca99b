// Buffered, forward-only writing of a byte stream.
//
// ByteWriter collects bytes in a fixed buffer and hands full buffers to a
// ByteSink; until flush(), every write the sink gets is a whole number of
// buffers. Of a block larger than the room left, the whole buffers' worth
// that follow the top-up go to the sink without being copied. The first
// failed write is remembered: later writes are dropped, and flush() reports
// the failure once. The code that produces the bytes therefore needs no
// checks of its own.

#ifndef RTETRK_GDB_BYTE_WRITER_H_
#define RTETRK_GDB_BYTE_WRITER_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace gdb {

// Where a ByteWriter puts its bytes.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Writes all `size` bytes; false if that failed.
  virtual bool write(const uint8_t* data, size_t size) = 0;
};

// Writes to an open stdio stream. Does not own, flush or close it.
class FileSink : public ByteSink {
 public:
  explicit FileSink(std::FILE* file) : file_(file) {}
  bool write(const uint8_t* data, size_t size) override;

 private:
  std::FILE* file_;
};

// Appends to a byte vector in memory.
class MemorySink : public ByteSink {
 public:
  bool write(const uint8_t* data, size_t size) override;
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

class ByteWriter {
 public:
  static constexpr size_t DEFAULT_BUFFER_SIZE = 128 * 1024;

  // Does not own the sink, which must outlive the writer.
  explicit ByteWriter(ByteSink& sink, size_t buffer_size = DEFAULT_BUFFER_SIZE);

  ByteWriter(const ByteWriter&) = delete;
  ByteWriter& operator=(const ByteWriter&) = delete;

  void put(uint8_t byte) {
    if (next_ == end_) drain();
    *next_++ = byte;
  }

  // Writes `size` bytes; inline while they fit in the buffer.
  void write(const uint8_t* data, size_t size) {
    if (size <= static_cast<size_t>(end_ - next_)) {
      if (size != 0) std::memcpy(next_, data, size);
      next_ += size;
      return;
    }
    write_slow(data, size);
  }

  // Hands every buffered byte to the sink. False if any write so far failed.
  bool flush();

  bool failed() const { return failed_; }

 private:
  // Empties the buffer into the sink (or drops it after a failure).
  void drain();
  // Writes a block that does not fit in the rest of the buffer.
  void write_slow(const uint8_t* data, size_t size);

  ByteSink& sink_;
  std::vector<uint8_t> buffer_;
  uint8_t* next_;
  uint8_t* end_;
  bool failed_ = false;
};

}  // namespace gdb

#endif  // RTETRK_GDB_BYTE_WRITER_H_
