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

void ByteWriter::write(const uint8_t* data, size_t size) {
  size_t room = static_cast<size_t>(end_ - next_);
  if (size <= room) {
    if (size != 0) std::memcpy(next_, data, size);
    next_ += size;
    return;
  }
  drain();
  if (size >= buffer_.size()) {
    // Large blocks go straight to the sink rather than through the buffer.
    if (!failed_ && !sink_.write(data, size)) failed_ = true;
    return;
  }
  std::memcpy(next_, data, size);
  next_ += size;
}

bool ByteWriter::flush() {
  drain();
  return !failed_;
}

}  // namespace gdb
