#include "gdb/byte_reader.h"

#include <algorithm>
#include <cstring>

namespace gdb {

size_t FileSource::read(uint8_t* buffer, size_t size) {
  return std::fread(buffer, 1, size, file_);
}

bool FileSource::failed() const { return std::ferror(file_) != 0; }

size_t MemorySource::read(uint8_t* buffer, size_t size) {
  size_t count = std::min(size, size_ - offset_);
  if (count != 0) std::memcpy(buffer, data_ + offset_, count);
  offset_ += count;
  return count;
}

ByteReader::ByteReader(ByteSource& source, size_t buffer_size)
    : source_(source), buffer_(std::max<size_t>(buffer_size, 1)) {
  next_ = end_ = filled_ = buffer_.data();
}

void ByteReader::set_limit(uint64_t count) {
  uint64_t here = position();
  limit_ = count > UINT64_MAX - here ? UINT64_MAX : here + count;
  clip();
}

void ByteReader::clear_limit() {
  limit_ = UINT64_MAX;
  clip();
}

void ByteReader::start_copy(ByteWriter& copy) {
  copy_ = &copy;
  copied_ = next_;
}

void ByteReader::stop_copy() {
  if (copy_) write_copy();
  copy_ = nullptr;
}

void ByteReader::write_copy() {
  copy_->write(copied_, static_cast<size_t>(next_ - copied_));
  copied_ = next_;
}

bool ByteReader::fill() {
  if (status_ != ReadStatus::ok) return false;
  if (position() >= limit_) {
    fail(ReadStatus::past_limit);
    return false;
  }
  // Here next_ == end_ and the limit lies beyond: the buffer is used up.
  if (copy_) write_copy();
  buffer_start_ += static_cast<uint64_t>(filled_ - buffer_.data());
  size_t count = source_.read(buffer_.data(), buffer_.size());
  next_ = buffer_.data();
  filled_ = next_ + count;
  copied_ = next_;
  if (count == 0) {
    fail(source_.failed() ? ReadStatus::read_error : ReadStatus::end_of_input);
    return false;
  }
  clip();
  return true;
}

bool ByteReader::read_slow(uint8_t* data, size_t count) {
  return consume_chunks(count, [&data](const uint8_t* bytes, size_t size) {
    std::memcpy(data, bytes, size);
    data += size;
  });
}

bool ByteReader::skip_slow(uint64_t count) {
  return consume_chunks(count, [](const uint8_t*, size_t) {});
}

void ByteReader::fail(ReadStatus status) {
  if (status_ == ReadStatus::ok) status_ = status;
  end_ = next_;
}

void ByteReader::clip() {
  if (status_ != ReadStatus::ok) {
    end_ = next_;
    return;
  }
  uint64_t buffered = static_cast<uint64_t>(filled_ - buffer_.data());
  uint64_t allowed = limit_ - buffer_start_;
  end_ = buffer_.data() + std::min(buffered, allowed);
}

}  // namespace gdb
