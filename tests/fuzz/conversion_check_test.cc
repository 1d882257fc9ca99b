#include "fuzz/conversion_check.h"

#include <gtest/gtest.h>

#include <set>

#include "fuzz/seeds.h"

namespace fuzz {
namespace {

TEST(ConversionCheck, EverySeedConvertsWithAnyBufferSizes) {
  std::set<uint8_t> versions;
  for (const Seed& seed : seed_files()) {
    SCOPED_TRACE(seed.name);
    versions.insert(seed.file.at(11));
    for (size_t read_buffer : READ_BUFFER_SIZES) {
      for (size_t write_buffer : WRITE_BUFFER_SIZES) {
        SCOPED_TRACE(std::to_string(read_buffer) + "/" +
                     std::to_string(write_buffer));
        RunSettings settings{read_buffer, write_buffer, std::nullopt};
        const Bytes& file = seed.file;
        EXPECT_EQ(run_conversion(file.data(), file.size(), settings).outcome,
                  driver::Outcome::converted);
        EXPECT_EQ(check_conversion(file.data(), file.size(), settings), "");
      }
    }
  }
  EXPECT_EQ(versions, (std::set<uint8_t>{'k', 'l', 'm'}));
}

TEST(ConversionCheck, FailingOutputIsAWriteError) {
  for (const Seed& seed : seed_files()) {
    SCOPED_TRACE(seed.name);
    const Bytes& file = seed.file;
    // Shorter than any preamble.
    RunSettings settings{1, 1, 10};
    EXPECT_EQ(run_conversion(file.data(), file.size(), settings).outcome,
              driver::Outcome::write_error);
    EXPECT_EQ(check_conversion(file.data(), file.size(), settings), "");
  }
}

// Every cut of a seed, and every byte of it replaced, still passes the
// checks; small buffers make the cuts fall across buffer boundaries.
TEST(ConversionCheck, HoldsForSeedsCutOrChangedAnywhere) {
  const RunSettings small{3, 7, std::nullopt};
  for (const Seed& seed : seed_files()) {
    if (seed.file.size() > 1000) continue;
    SCOPED_TRACE(seed.name);
    const Bytes& file = seed.file;
    for (size_t at = 0; at < file.size(); ++at) {
      SCOPED_TRACE(at);
      ASSERT_EQ(check_conversion(file.data(), at, small), "");
      for (uint8_t value : Bytes{0x00, 0x01, 0xFF, 'R', 'V'}) {
        Bytes changed = file;
        changed[at] = value;
        ASSERT_EQ(check_conversion(changed.data(), changed.size(), small), "")
            << "byte set to " << int{value};
      }
    }
  }
}

}  // namespace
}  // namespace fuzz
