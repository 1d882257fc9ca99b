#include "gdb/byte_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

namespace gdb {
namespace {

const std::string TEN = "0123456789";

MemorySource source_of(const std::string& text) {
  return MemorySource(reinterpret_cast<const uint8_t*>(text.data()),
                      text.size());
}

std::string read_all(ByteReader& in) {
  std::string got;
  uint8_t byte;
  while (in.get(byte)) got.push_back(static_cast<char>(byte));
  return got;
}

// Gives `good` bytes, then fails.
class FailingSource : public ByteSource {
 public:
  explicit FailingSource(size_t good) : good_(good) {}
  size_t read(uint8_t* buffer, size_t size) override {
    size_t count = std::min(size, good_);
    for (size_t i = 0; i < count; ++i) buffer[i] = 'x';
    good_ -= count;
    failed_ = count == 0;
    return count;
  }
  bool failed() const override { return failed_; }

 private:
  size_t good_;
  bool failed_ = false;
};

TEST(ByteReader, ReadsEveryByteThenReportsEndOfInputForEveryBufferSize) {
  for (size_t buffer_size : {1, 2, 3, 9, 10, 11, 64}) {
    SCOPED_TRACE(buffer_size);
    MemorySource source = source_of(TEN);
    ByteReader in(source, buffer_size);
    EXPECT_EQ(read_all(in), TEN);
    EXPECT_EQ(in.status(), ReadStatus::end_of_input);
    EXPECT_EQ(in.position(), TEN.size());
    uint8_t byte;
    EXPECT_FALSE(in.get(byte));
  }
}

TEST(ByteReader, LimitStopsReadsAndClearingItResumesWhereItStopped) {
  for (size_t buffer_size : {1, 2, 3, 4, 64}) {
    SCOPED_TRACE(buffer_size);
    MemorySource source = source_of(TEN);
    ByteReader in(source, buffer_size);
    uint8_t byte;
    ASSERT_TRUE(in.get(byte));
    in.set_limit(3);
    EXPECT_EQ(in.limit_remaining(), 3u);
    const uint8_t* data;
    size_t size;
    ASSERT_TRUE(in.available(data, size));
    EXPECT_LE(size, 3u);
    for (char expected : std::string("123")) {
      ASSERT_TRUE(in.get(byte));
      EXPECT_EQ(byte, expected);
    }
    EXPECT_EQ(in.limit_remaining(), 0u);
    in.clear_limit();
    EXPECT_EQ(read_all(in), "456789");
  }
}

TEST(ByteReader, ReadPastLimitFailsAndStaysFailedAfterClearing) {
  MemorySource source = source_of(TEN);
  ByteReader in(source, 4);
  in.set_limit(2);
  uint8_t byte;
  ASSERT_TRUE(in.get(byte));
  ASSERT_TRUE(in.get(byte));
  EXPECT_FALSE(in.get(byte));
  EXPECT_EQ(in.status(), ReadStatus::past_limit);
  in.clear_limit();
  EXPECT_FALSE(in.get(byte));
  EXPECT_EQ(in.status(), ReadStatus::past_limit);
}

TEST(ByteReader, CopiesWhatIsConsumedBetweenStartAndStop) {
  const std::string text = "abcdefghijklmnopqrstuvwxyz";
  // Ways to consume the 21 bytes "c" to "w".
  using Consume = std::function<bool(ByteReader&)>;
  const Consume consumers[] = {
      [](ByteReader& in) {  // a byte, then a chunk at a time
        uint8_t byte;
        if (!in.get(byte)) return false;
        const uint8_t* data;
        size_t size;
        for (int skipped = 0; skipped < 20;) {
          if (!in.available(data, size)) return false;
          size_t count = std::min<size_t>(size, 20 - skipped);
          in.advance(count);
          skipped += static_cast<int>(count);
        }
        return true;
      },
      [](ByteReader& in) {  // fixed-size reads, skips and a peek
        uint8_t bytes[8];
        if (!in.read(bytes, 5) || !in.skip(6)) return false;
        if (in.peek(2)) {
          in.advance(2);
        } else if (!in.skip(2)) {
          return false;
        }
        return in.read(bytes, 8);
      },
  };
  for (const Consume& consume : consumers) {
    for (size_t buffer_size : {1, 3, 7, 64}) {
      SCOPED_TRACE(buffer_size);
      MemorySource source = source_of(text);
      ByteReader in(source, buffer_size);
      MemorySink sink;
      ByteWriter copy(sink, 4);
      uint8_t byte;
      ASSERT_TRUE(in.get(byte) && in.get(byte));  // "ab" is not copied
      in.start_copy(copy);
      ASSERT_TRUE(consume(in));
      in.stop_copy();
      ASSERT_TRUE(in.get(byte));  // "x" is not copied
      ASSERT_TRUE(copy.flush());
      EXPECT_EQ(std::string(sink.bytes().begin(), sink.bytes().end()),
                text.substr(2, 21));
    }
  }
}

TEST(ByteReader, ReadAndSkipTakeExactlyTheirBytesAtEveryBufferSize) {
  const std::string text = "abcdefghijklmnopqrstuvwxyz";
  for (size_t buffer_size : {1, 2, 3, 4, 5, 8, 64}) {
    SCOPED_TRACE(buffer_size);
    MemorySource source = source_of(text);
    ByteReader in(source, buffer_size);
    std::string got;
    uint8_t bytes[6];
    ASSERT_TRUE(in.read(bytes, 3));  // abc
    got.append(bytes, bytes + 3);
    ASSERT_TRUE(in.skip(4));  // defg
    ASSERT_TRUE(in.read(bytes, 0) && in.skip(0));
    uint8_t byte;
    ASSERT_TRUE(in.get(byte));  // h
    got.push_back(static_cast<char>(byte));
    ASSERT_TRUE(in.read(bytes, 6));  // ijklmn
    got.append(bytes, bytes + 6);
    ASSERT_TRUE(in.skip(9));  // opqrstuvw
    EXPECT_EQ(got, "abchijklmn");
    EXPECT_EQ(in.position(), 23u);
    EXPECT_FALSE(in.read(bytes, 4));  // only xyz are left
    EXPECT_EQ(in.status(), ReadStatus::end_of_input);
  }
}

TEST(ByteReader, ReadAndSkipFailAtTheLimitWhereverTheBufferEnds) {
  for (size_t buffer_size : {1, 3, 64}) {
    SCOPED_TRACE(buffer_size);
    uint8_t bytes[4];
    MemorySource source = source_of(TEN);
    ByteReader in(source, buffer_size);
    in.set_limit(6);
    ASSERT_TRUE(in.read(bytes, 4) && in.skip(2));
    EXPECT_FALSE(in.skip(1));
    EXPECT_EQ(in.status(), ReadStatus::past_limit);

    MemorySource again = source_of(TEN);
    ByteReader reader(again, buffer_size);
    reader.set_limit(3);
    EXPECT_FALSE(reader.read(bytes, 4));
    EXPECT_EQ(reader.status(), ReadStatus::past_limit);
  }
}

TEST(ByteReader, PeekShowsOnlyBufferedBytesInsideTheLimitAndConsumesNothing) {
  MemorySource source = source_of(TEN);
  ByteReader in(source, 4);
  EXPECT_EQ(in.peek(1), nullptr);  // nothing is buffered before the first read
  uint8_t byte;
  ASSERT_TRUE(in.get(byte));  // buffers "0123" and consumes "0"
  const uint8_t* bytes = in.peek(3);
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(std::string(bytes, bytes + 3), "123");
  EXPECT_EQ(in.peek(4), nullptr);  // "4" is not buffered yet
  EXPECT_NE(in.peek(0), nullptr);
  in.set_limit(2);
  EXPECT_NE(in.peek(2), nullptr);
  EXPECT_EQ(in.peek(3), nullptr);
  EXPECT_EQ(in.position(), 1u);
  EXPECT_EQ(in.status(), ReadStatus::ok);
  in.advance(2);
  EXPECT_EQ(in.peek(1), nullptr);
  in.clear_limit();
  ASSERT_TRUE(in.get(byte));
  EXPECT_EQ(byte, '3');
}

TEST(ByteReader, ReadErrorIsToldApartFromEndOfInput) {
  FailingSource source(5);
  ByteReader in(source, 2);
  EXPECT_EQ(read_all(in), "xxxxx");
  EXPECT_EQ(in.status(), ReadStatus::read_error);
}

TEST(ByteReader, MarkCorruptStopsFurtherReads) {
  MemorySource source = source_of(TEN);
  ByteReader in(source);
  uint8_t byte;
  ASSERT_TRUE(in.get(byte));
  in.mark_corrupt();
  EXPECT_FALSE(in.get(byte));
  EXPECT_EQ(in.status(), ReadStatus::corrupt);
}

}  // namespace
}  // namespace gdb
