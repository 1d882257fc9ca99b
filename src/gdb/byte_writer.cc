#include "gdb/byte_writer.h"

#include <algorithm>
#include <cstring>

namespace gdb {

bool FileSink::write(const uint8_t* data, size_t size) {
  return std::fwrite(data, 1, size, file_) == size;
}

bool MemorySink::write(const uint8_t* data, size_t size) {
  bytes_.insert(bytes_.end(), data, data + size);
  return true;
}

ByteWriter::ByteWriter(ByteSink& sink, size_t buffer_size)
    : sink_(sink), buffer_(std::max<size_t>(buffer_size, 1)) {
  next_ = buffer_.data();
  end_ = next_ + buffer_.size();
}

void ByteWriter::drain() {
  size_t count = static_cast<size_t>(next_ - buffer_.data());
  if (count != 0 && !failed_ && !sink_.write(buffer_.data(), count)) {
    failed_ = true;
  }
  next_ = buffer_.data();
}

void ByteWriter::write_slow(const uint8_t* data, size_t size) {
  // The sink gets whole buffers, which keeps its writes aligned: top up the
  // buffer, hand whole buffers of the block over without copying them, and
  // keep the rest.
  size_t room = static_cast<size_t>(end_ - next_);
  std::memcpy(next_, data, room);
  next_ = end_;
  data += room;
  size -= room;
  drain();
  size_t whole = size - size % buffer_.size();
  if (whole != 0 && !failed_ && !sink_.write(data, whole)) failed_ = true;
  size -= whole;
  if (size != 0) std::memcpy(next_, data + whole, size);
  next_ += size;
}

bool ByteWriter::flush() {
  drain();
  return !failed_;
}

}  // namespace gdb
