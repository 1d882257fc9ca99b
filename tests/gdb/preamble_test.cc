#include "gdb/preamble.h"

#include <gtest/gtest.h>

#include "support/streams.h"

namespace gdb {
namespace {

using gdbtest::Builder;
using gdbtest::Bytes;
using gdbtest::Streams;

// Magic, five bytes, 'l', eight bytes, then the strings 41 00, 42 00, 00 and
// 43 00.
Bytes valid_preamble(uint8_t version = 'l') {
  return Builder()
      .cstring("MsRcf")
      .bytes({1, 2, 3, 4, 5})
      .u8(version)
      .bytes({0, 1, 2, 3, 4, 5, 6, 7})
      .bytes({0x41, 0x00, 0x42, 0x00, 0x00, 0x43, 0x00})
      .build();
}

TEST(Preamble, IsCopiedExactlyAndTheNextByteStartsTheFirstRecord) {
  Bytes input = valid_preamble();
  input.push_back(0x99);
  Streams s(input);
  GdbVersion version = 0;
  ASSERT_TRUE(copy_preamble(s.in, s.out, version));
  EXPECT_EQ(version, 'l');
  EXPECT_EQ(s.output(), valid_preamble());
  EXPECT_EQ(s.next(), 0x99);
}

TEST(Preamble, AcceptsEachKnownVersion) {
  for (uint8_t version : {'k', 'l', 'm'}) {
    Streams s(valid_preamble(version));
    GdbVersion got = 0;
    EXPECT_TRUE(copy_preamble(s.in, s.out, got));
    EXPECT_EQ(got, version);
  }
}

TEST(Preamble, WrongMagicIsRejectedBeforeAnythingIsWritten) {
  const Bytes magics[] = {
      {0x4D, 0x73, 0x52, 0x63, 0x58, 0x00},        // MsRcX
      {0x4D, 0x73, 0x52, 0x63, 0x66, 0x58, 0x00},  // MsRcfX
      {0x4D, 0x73, 0x52, 0x63, 0x00},              // MsRc
      {},
  };
  for (const Bytes& magic : magics) {
    SCOPED_TRACE(testing::PrintToString(magic));
    const Bytes valid = valid_preamble();
    Bytes input = magic;
    input.insert(input.end(), valid.begin() + 6, valid.end());
    Streams s(input);
    GdbVersion version = 0;
    EXPECT_FALSE(copy_preamble(s.in, s.out, version));
    EXPECT_TRUE(s.output().empty());
  }
}

TEST(Preamble, UnknownVersionIsRejected) {
  for (uint8_t version : {'j', 'n', 'K', '\0'}) {
    Streams s(valid_preamble(version));
    GdbVersion got = 0;
    EXPECT_FALSE(copy_preamble(s.in, s.out, got));
    EXPECT_EQ(s.in.status(), ReadStatus::ok);
  }
}

TEST(Preamble, InputEndingAnywhereInsideIsRejected) {
  Bytes whole = valid_preamble();
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    Streams s(Bytes(whole.begin(), whole.begin() + cut));
    GdbVersion version = 0;
    EXPECT_FALSE(copy_preamble(s.in, s.out, version));
    EXPECT_EQ(s.in.status(), ReadStatus::end_of_input);
  }
}

}  // namespace
}  // namespace gdb
