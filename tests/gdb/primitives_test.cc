#include "gdb/primitives.h"

#include <gtest/gtest.h>

#include "support/streams.h"

namespace gdb {
namespace {

using gdbtest::Bytes;
using gdbtest::Streams;

TEST(Primitives, CopyCstringStopsAfterTheNulAndCopyBytesAfterTheCount) {
  for (size_t buffer_size : {1, 2, 64}) {
    SCOPED_TRACE(buffer_size);
    Streams s({0x41, 0x42, 0x00, 0x43}, buffer_size);
    EXPECT_TRUE(copy_cstring(s.in, s.out));
    EXPECT_EQ(s.output(), (Bytes{0x41, 0x42, 0x00}));
    EXPECT_EQ(s.next(), 0x43);

    Streams t({0x41, 0x42, 0x00, 0x43}, buffer_size);
    EXPECT_TRUE(copy_bytes(t.in, t.out, 2));
    EXPECT_EQ(t.output(), (Bytes{0x41, 0x42}));
    EXPECT_EQ(t.next(), 0x00);
  }
}

TEST(Primitives, ReadCstringCountsTheNulAndReportsAnUnendedString) {
  struct Case {
    Bytes input;
    int64_t count;
    std::string text;
  };
  const Case cases[] = {
      {{0x00}, 1, ""},
      {{0x41, 0x42, 0x00, 0x43}, 3, "AB"},
      {{0x41, 0x42}, -1, ""},
      {{}, -1, ""},
  };
  for (const Case& c : cases) {
    for (size_t buffer_size : {1, 64}) {
      SCOPED_TRACE(testing::PrintToString(c.input) + " buffer " +
                   std::to_string(buffer_size));
      Streams s(c.input, buffer_size);
      std::string text = "old";
      EXPECT_EQ(read_cstring(s.in, &text), c.count);
      if (c.count > 0) {
        EXPECT_EQ(text, c.text);
      } else {
        EXPECT_EQ(s.in.status(), ReadStatus::end_of_input);
      }
    }
  }
}

TEST(Primitives, CopiesFailWhenTheInputEndsFirst) {
  Streams s({0x41, 0x42});
  EXPECT_FALSE(copy_cstring(s.in, s.out));
  Streams t({0x41, 0x42});
  EXPECT_FALSE(copy_bytes(t.in, t.out, 3));
  Streams u({0x41, 0x42});
  EXPECT_FALSE(skip_bytes(u.in, 3));
  EXPECT_EQ(u.in.status(), ReadStatus::end_of_input);
}

TEST(Primitives, ZeroCountConsumesNothing) {
  Streams s({0x41, 0x00});
  EXPECT_TRUE(skip_bytes(s.in, 0));
  EXPECT_TRUE(copy_bytes(s.in, s.out, 0));
  EXPECT_TRUE(s.output().empty());
  EXPECT_EQ(s.next(), 0x41);
}

TEST(Primitives, SkipOptional8ReadsEightMoreBytesAfterAnyNonZeroFlag) {
  struct Case {
    Bytes input;
    int consumed;
    int next;
  };
  const Case cases[] = {
      {{0x00, 0x33}, 1, 0x33},
      {{0x02, 1, 2, 3, 4, 5, 6, 7, 8, 0x33}, 9, 0x33},
      {{0x80, 1, 2, 3, 4, 5, 6, 7, 8, 0x33}, 9, 0x33},
      {{0x01, 1, 2, 3, 4, 5, 6, 7}, 0, -1},  // ends inside the 8 bytes
      {{}, 0, -1},
  };
  // Small buffers end inside the block, where the byte-by-byte path reads it.
  for (size_t buffer_size : {1, 2, 9, 10, 64}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::PrintToString(c.input) + " buffer " +
                   std::to_string(buffer_size));
      Streams s(c.input, buffer_size);
      EXPECT_EQ(skip_optional_8(s.in), c.consumed);
      EXPECT_EQ(s.next(), c.next);
    }
  }
}

TEST(Primitives, SkipOptional8StaysInsideTheLimit) {
  struct Case {
    Bytes input;
    uint64_t limit;
    int consumed;
    ReadStatus status;
  };
  const Case cases[] = {
      // A zero flag that is the last byte before the limit.
      {{0x00, 1, 2, 3, 4, 5, 6, 7, 8}, 1, 1, ReadStatus::ok},
      // The optional bytes end at the limit.
      {{0x05, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 9, 9, ReadStatus::ok},
      // The limit cuts the optional bytes.
      {{0x05, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 8, 0, ReadStatus::past_limit},
  };
  for (size_t buffer_size : {1, 4, 64}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::PrintToString(c.input) + " limit " +
                   std::to_string(c.limit) + " buffer " +
                   std::to_string(buffer_size));
      Streams s(c.input, buffer_size);
      s.in.set_limit(c.limit);
      EXPECT_EQ(skip_optional_8(s.in), c.consumed);
      EXPECT_EQ(s.in.status(), c.status);
      if (c.consumed != 0) {
        EXPECT_EQ(s.in.position(), uint64_t(c.consumed));
      }
    }
  }
}

TEST(Primitives, U32IsLittleEndian) {
  Streams s({0x01, 0x02, 0x03, 0x84, 0x05});
  uint32_t value = 0;
  ASSERT_TRUE(read_u32le(s.in, value));
  EXPECT_EQ(value, 0x84030201u);
  EXPECT_FALSE(read_u32le(s.in, value));

  write_u32le(s.out, 0x84030201u);
  write_cstring(s.out, "Z");
  EXPECT_EQ(s.output(), (Bytes{0x01, 0x02, 0x03, 0x84, 0x5A, 0x00}));
}

}  // namespace
}  // namespace gdb
