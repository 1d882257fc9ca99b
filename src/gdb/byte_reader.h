// Buffered, forward-only reading of a byte stream.
//
// ByteReader pulls bytes from a ByteSource through a fixed buffer. The format
// code reads single bytes through the inline get() and fixed-size fields
// through read() and skip(), which take the bytes straight from the buffer
// when they are all there and fall back to refilling only at the buffer's
// end. Bulk copies and string scans work on whole buffered chunks through
// available() and advance().
//
// A reader can be given a limit: from set_limit(n) on, at most n more bytes
// can be read. The route reader uses it to keep every read inside the record
// being read.
//
// A reader can also copy what it consumes: from start_copy(out) to
// stop_copy(), every byte read, skipped or copied through the reader is
// written to `out` as well, a buffer at a time.
//
// The first failure (end of input, the limit reached, a read error, or
// corruption flagged by the format code) is kept in status(); from then on
// every read fails, so no loop can run on after the input has gone bad.

#ifndef RTETRK_GDB_BYTE_READER_H_
#define RTETRK_GDB_BYTE_READER_H_

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "gdb/byte_writer.h"

namespace gdb {

// Where a ByteReader gets its bytes from.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to `size` bytes into `buffer` and returns how many were read.
  // 0 means the input has ended or a read failed; failed() tells which.
  virtual size_t read(uint8_t* buffer, size_t size) = 0;
  virtual bool failed() const = 0;
};

// Reads an open stdio stream. Does not own or close it.
class FileSource : public ByteSource {
 public:
  explicit FileSource(std::FILE* file) : file_(file) {}
  size_t read(uint8_t* buffer, size_t size) override;
  bool failed() const override;

 private:
  std::FILE* file_;
};

// Reads bytes held in memory. The bytes must outlive the source.
class MemorySource : public ByteSource {
 public:
  MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t read(uint8_t* buffer, size_t size) override;
  bool failed() const override { return false; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t offset_ = 0;
};

enum class ReadStatus {
  ok,
  end_of_input,  // the input ended where more bytes were needed
  past_limit,    // a read would have gone past the limit
  corrupt,       // the format code found the bytes impossible to use
  read_error,    // the source failed
};

class ByteReader {
 public:
  static constexpr size_t DEFAULT_BUFFER_SIZE = 128 * 1024;

  // Does not own the source, which must outlive the reader.
  explicit ByteReader(ByteSource& source,
                      size_t buffer_size = DEFAULT_BUFFER_SIZE);

  ByteReader(const ByteReader&) = delete;
  ByteReader& operator=(const ByteReader&) = delete;

  // Reads one byte. False on failure; status() says why.
  bool get(uint8_t& byte) {
    if (next_ == end_ && !fill()) return false;
    byte = *next_++;
    return true;
  }

  // Reads exactly `count` bytes into `data`. False on failure; the bytes
  // read before it are then consumed.
  bool read(uint8_t* data, size_t count) {
    if (const uint8_t* bytes = take(count)) {
      if (count != 0) std::memcpy(data, bytes, count);
      return true;
    }
    return read_slow(data, count);
  }

  // Reads and discards exactly `count` bytes. False on failure.
  bool skip(uint64_t count) { return take(count) || skip_slow(count); }

  // If the next `count` bytes are all in the buffer (and inside the limit),
  // returns where they are, without consuming them; they stay valid until
  // the next read. Otherwise returns nullptr, and the bytes are to be read
  // with the calls that refill the buffer. This lets the format code decode
  // a field whose size depends on its own contents in one step, with the
  // byte-by-byte reads left for the buffer's end.
  const uint8_t* peek(uint64_t count) const {
    return count <= static_cast<uint64_t>(end_ - next_) ? next_ : nullptr;
  }

  // Hands the next `count` bytes to `take(data, size)`, a buffered chunk at
  // a time, consuming each chunk after it has been handed over. False on
  // failure, after the chunks before it.
  template <typename Take>
  bool consume_chunks(uint64_t count, Take take) {
    const uint8_t* data;
    size_t size;
    while (count != 0) {
      if (!available(data, size)) return false;
      if (size > count) size = static_cast<size_t>(count);
      take(data, size);
      next_ += size;
      count -= size;
    }
    return true;
  }

  // Makes at least one byte available and points `data` and `size` at all
  // the bytes that can be read now without touching the source. Nothing is
  // consumed; false on failure.
  bool available(const uint8_t*& data, size_t& size) {
    if (next_ == end_ && !fill()) return false;
    data = next_;
    size = static_cast<size_t>(end_ - next_);
    return true;
  }

  // Consumes `count` of the bytes that available() has just shown.
  void advance(size_t count) {
    assert(count <= static_cast<size_t>(end_ - next_));
    next_ += count;
  }

  // From now on at most `count` more bytes can be read; a read beyond them
  // fails with ReadStatus::past_limit.
  void set_limit(uint64_t count);
  void clear_limit();
  // How many bytes can still be read before the limit.
  uint64_t limit_remaining() const { return limit_ - position(); }

  // From now on every byte consumed is also written to `copy`, until
  // stop_copy(), which writes the last of them.
  void start_copy(ByteWriter& copy);
  void stop_copy();

  // Marks the input as corrupt: every later read fails.
  void mark_corrupt() { fail(ReadStatus::corrupt); }

  // Number of bytes consumed so far.
  uint64_t position() const {
    return buffer_start_ + static_cast<uint64_t>(next_ - buffer_.data());
  }

  ReadStatus status() const { return status_; }

 private:
  bool fill();
  // Consumes `count` bytes if they are all buffered, and returns where they
  // are; nullptr otherwise.
  const uint8_t* take(uint64_t count) {
    const uint8_t* bytes = peek(count);
    if (bytes) next_ += count;
    return bytes;
  }
  // read() and skip() for bytes that are not all buffered yet.
  bool read_slow(uint8_t* data, size_t count);
  bool skip_slow(uint64_t count);
  void fail(ReadStatus status);
  // Sets end_ to the end of the buffered bytes, cut at the limit.
  void clip();
  // Writes the bytes consumed since the last call to the copy.
  void write_copy();

  ByteSource& source_;
  std::vector<uint8_t> buffer_;
  const uint8_t* next_;          // next byte to hand out
  const uint8_t* end_;           // end of what may be handed out now
  const uint8_t* filled_;        // end of the bytes read into the buffer
  uint64_t buffer_start_ = 0;    // stream position of buffer_[0]
  uint64_t limit_ = UINT64_MAX;  // stream position that may not be read
  ReadStatus status_ = ReadStatus::ok;
  ByteWriter* copy_ = nullptr;       // receives consumed bytes while set
  const uint8_t* copied_ = nullptr;  // end of the bytes already copied
};

}  // namespace gdb

#endif  // RTETRK_GDB_BYTE_READER_H_
