#include "gdb/byte_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gdb {
namespace {

// Accepts `room` bytes, then fails every write.
class FailingSink : public ByteSink {
 public:
  explicit FailingSink(size_t room) : room_(room) {}
  bool write(const uint8_t* data, size_t size) override {
    ++calls_;
    if (size > room_) return false;
    room_ -= size;
    bytes_.append(reinterpret_cast<const char*>(data), size);
    return true;
  }
  int calls_ = 0;
  std::string bytes_;

 private:
  size_t room_;
};

const uint8_t* bytes_of(const std::string& text) {
  return reinterpret_cast<const uint8_t*>(text.data());
}

TEST(ByteWriter, KeepsTheOrderOfSingleBytesSmallAndLargeBlocks) {
  const std::string large(10, 'L');
  for (size_t buffer_size : {1, 3, 4, 64}) {
    SCOPED_TRACE(buffer_size);
    MemorySink sink;
    ByteWriter out(sink, buffer_size);
    out.put('a');
    out.write(bytes_of("bc"), 2);
    out.write(bytes_of(large), large.size());
    out.put('d');
    out.write(bytes_of(""), 0);
    ASSERT_TRUE(out.flush());
    EXPECT_EQ(std::string(sink.bytes().begin(), sink.bytes().end()),
              "abc" + large + "d");
  }
}

// Records what the writer hands over.
class RecordingSink : public ByteSink {
 public:
  bool write(const uint8_t* data, size_t size) override {
    writes.push_back({data, size});
    bytes.append(reinterpret_cast<const char*>(data), size);
    return true;
  }
  struct Write {
    const uint8_t* data;
    size_t size;
  };
  std::vector<Write> writes;
  std::string bytes;
};

TEST(ByteWriter, SinkGetsWholeBuffersAndLargeBlocksUncopied) {
  const std::string large(23, 'L');
  RecordingSink sink;
  ByteWriter out(sink, 4);
  out.write(bytes_of("ab"), 2);
  out.write(bytes_of(large), large.size());  // "ab" + 2, 20 direct, 1 kept
  out.put('c');
  out.write(bytes_of("defghi"), 6);
  size_t before_flush = sink.writes.size();
  ASSERT_TRUE(out.flush());
  EXPECT_EQ(sink.bytes, "ab" + large + "cdefghi");
  for (size_t i = 0; i < before_flush; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(sink.writes[i].size % 4, 0u);
  }
  // The whole buffers of the large block came straight from it.
  ASSERT_GE(sink.writes.size(), 2u);
  EXPECT_EQ(sink.writes[1].data, bytes_of(large) + 2);
  EXPECT_EQ(sink.writes[1].size, 20u);
}

TEST(ByteWriter, RemembersTheFirstFailureAndDropsLaterWrites) {
  FailingSink sink(4);
  ByteWriter out(sink, 4);
  out.write(bytes_of("abcd"), 4);
  out.put('e');  // drains "abcd"
  EXPECT_FALSE(out.failed());
  out.write(bytes_of("fghijk"), 6);  // fails
  EXPECT_TRUE(out.failed());
  int calls = sink.calls_;
  for (int i = 0; i < 100; ++i) out.put('z');
  EXPECT_FALSE(out.flush());
  EXPECT_EQ(sink.calls_, calls);
  EXPECT_EQ(sink.bytes_, "abcd");
}

}  // namespace
}  // namespace gdb
