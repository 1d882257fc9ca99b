// Runs the whole conversion over bytes in memory and checks what any run
// must satisfy, whatever the input.
//
// The fuzz target calls check_fuzz_input() on every input; the test suite
// calls the same checks on the seed files and on inputs that once failed
// them.
//
// A fuzz input is two settings bytes followed by the file. The first sets
// up the streams:
//
//   bits 0-3  the reader's buffer size (READ_BUFFER_SIZES)
//   bits 4-5  the writer's buffer size (WRITE_BUFFER_SIZES)
//   bits 6-7  3: the output fails after half as many bytes as the file has;
//             otherwise the output never fails
//
// Small buffers make every field of the file straddle a buffer boundary
// somewhere. The second byte chooses the conversion's options:
//
//   bits 0-1  what becomes of a long route: 1 split, 2 simplify, else cut
//   bit 2     keep the routes
//   bits 3-6  the track capacity (TRACK_CAPACITIES)
//   bit 7     not used
//
// Two zero bytes give the tool's own buffer sizes and default options.

#ifndef RTETRK_FUZZ_CONVERSION_CHECK_H_
#define RTETRK_FUZZ_CONVERSION_CHECK_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "driver/run.h"

namespace fuzz {

using Bytes = std::vector<uint8_t>;

constexpr size_t READ_BUFFER_SIZES[16] = {gdb::ByteReader::DEFAULT_BUFFER_SIZE,
                                          1,
                                          2,
                                          3,
                                          4,
                                          5,
                                          6,
                                          7,
                                          8,
                                          9,
                                          13,
                                          16,
                                          17,
                                          31,
                                          64,
                                          256};
constexpr size_t WRITE_BUFFER_SIZES[4] = {gdb::ByteWriter::DEFAULT_BUFFER_SIZE,
                                          1, 7, 64};
constexpr uint32_t TRACK_CAPACITIES[16] = {
    convert::MAX_TRACK_POINTS, 2, 3, 4, 5, 6, 7, 8, 16, 100, 1000, 9999, 10001,
    65536, convert::MAX_TRACK_CAPACITY - 1, convert::MAX_TRACK_CAPACITY};
constexpr size_t SETTINGS_BYTES = 2;

// How one conversion is run.
struct RunSettings {
  size_t read_buffer = gdb::ByteReader::DEFAULT_BUFFER_SIZE;
  size_t write_buffer = gdb::ByteWriter::DEFAULT_BUFFER_SIZE;
  // The output fails once it has been handed more than this many bytes.
  std::optional<size_t> output_capacity;
  convert::TrackOptions options;
};

// What one conversion did.
struct RunResult {
  // As the tool reports it: a conversion whose output cannot be flushed is a
  // write error.
  driver::Outcome outcome = driver::Outcome::converted;
  gdb::ReadStatus status = gdb::ReadStatus::ok;
  Bytes output;  // every byte that reached the output
  bool output_failed = false;
  uint64_t consumed = 0;        // input bytes the reader handed out
  bool read_after_end = false;  // the source was asked again after its end
  std::string messages;         // printed during the conversion
};

// Converts `file` through the same code as the tool, with memory for the
// input and the output.
RunResult run_conversion(const uint8_t* file, size_t size,
                         const RunSettings& settings);

// The settings that a fuzz input's settings bytes select for a file of
// `file_size` bytes.
RunSettings settings_from_bytes(const uint8_t* bytes, size_t file_size);

// Converts `file` and checks the outcome, the output and the reading against
// the file. Returns an empty string when everything holds, else a short
// description of the first check that failed.
std::string check_conversion(const uint8_t* file, size_t size,
                             const RunSettings& settings);

// check_conversion() for a fuzz input: its settings bytes, then the file. An
// input too short for the settings is not checked.
std::string check_fuzz_input(const uint8_t* data, size_t size);

}  // namespace fuzz

#endif  // RTETRK_FUZZ_CONVERSION_CHECK_H_
