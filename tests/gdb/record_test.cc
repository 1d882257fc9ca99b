#include "gdb/record.h"

#include <gtest/gtest.h>

#include "support/streams.h"

namespace gdb {
namespace {

using gdbtest::Bytes;
using gdbtest::Streams;

TEST(Record, CopyWritesHeaderAndBodyUnchangedAndStopsAtTheRecordEnd) {
  Streams s({0x03, 0x00, 0x00, 0x00, 0x57, 0x01, 0x02, 0x03, 0x99});
  RecordHeader header;
  ASSERT_TRUE(read_record_header(s.in, header));
  EXPECT_EQ(header.length, 3u);
  EXPECT_EQ(header.type, 'W');
  ASSERT_TRUE(copy_record(s.in, s.out, header));
  EXPECT_EQ(s.output(),
            (Bytes{0x03, 0x00, 0x00, 0x00, 0x57, 0x01, 0x02, 0x03}));
  EXPECT_EQ(s.next(), 0x99);
}

TEST(Record, ZeroLengthIsAnEmptyBody) {
  // The next record begins with a byte that is not 0x00; a zero-length body
  // must not read up to the next 0x00.
  Streams s({0x00, 0x00, 0x00, 0x00, 0x57, 0x05, 0x00});
  RecordHeader header;
  ASSERT_TRUE(read_record_header(s.in, header));
  ASSERT_TRUE(copy_record(s.in, s.out, header));
  EXPECT_EQ(s.output(), (Bytes{0x00, 0x00, 0x00, 0x00, 0x57}));
  EXPECT_EQ(s.next(), 0x05);
}

TEST(Record, InputEndingInsideHeaderOrBodyFails) {
  Bytes whole = {0x03, 0x00, 0x00, 0x00, 0x57, 0x01, 0x02, 0x03};
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    Streams s(Bytes(whole.begin(), whole.begin() + cut));
    RecordHeader header;
    bool ok =
        read_record_header(s.in, header) && copy_record(s.in, s.out, header);
    EXPECT_FALSE(ok);
    EXPECT_EQ(s.in.status(), ReadStatus::end_of_input);
  }
}

}  // namespace
}  // namespace gdb
