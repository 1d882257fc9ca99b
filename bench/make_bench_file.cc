// Writes a large GDB file for measuring the converter:
//
//   make_bench_file PROFILE VERSION SIZE FILE [SEED]
//
// PROFILE is "records" or "routes", VERSION is k, l or m, SIZE is a number
// of bytes with an optional K, M or G (binary multiples). Prints what the file
// holds.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>

#include "bench/bench_file.h"

namespace {

constexpr size_t WRITE_BUFFER_BYTES = 1 << 20;

std::optional<uint64_t> parse_count(std::string_view text, bool suffix) {
  uint64_t value = 0;
  size_t i = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value > (UINT64_MAX - 9) / 10) return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(text[i] - '0');
  }
  if (i == 0) return std::nullopt;
  if (i == text.size()) return value;
  if (!suffix || i + 1 != text.size()) return std::nullopt;
  const char* units = "KMG";
  const char* unit = std::strchr(units, text[i]);
  if (!unit || text[i] == '\0') return std::nullopt;
  int shift = 10 * static_cast<int>(unit - units + 1);
  if (value > (UINT64_MAX >> shift)) return std::nullopt;
  return value << shift;
}

int usage() {
  std::fprintf(stderr,
               "usage: make_bench_file records|routes k|l|m SIZE[K|M|G] FILE "
               "[SEED]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) return usage();
  std::optional<bench::Profile> profile = bench::parse_profile(argv[1]);
  std::string_view version_text = argv[2];
  std::optional<uint64_t> size = parse_count(argv[3], true);
  std::optional<uint64_t> seed =
      argc == 6 ? parse_count(argv[5], false) : std::optional<uint64_t>(1);
  if (!profile || version_text.size() != 1 ||
      !gdb::is_known_version(static_cast<gdb::GdbVersion>(version_text[0])) ||
      !size || !seed) {
    return usage();
  }
  if (*size < bench::min_bench_file_size()) {
    std::fprintf(stderr, "make_bench_file: SIZE must be at least %" PRIu64 "\n",
                 bench::min_bench_file_size());
    return 2;
  }
  std::FILE* file = std::fopen(argv[4], "wb");
  if (!file) {
    std::perror(argv[4]);
    return 1;
  }
  std::setvbuf(file, nullptr, _IONBF, 0);
  gdb::FileSink sink(file);
  gdb::ByteWriter out(sink, WRITE_BUFFER_BYTES);
  bench::BenchStats stats = bench::write_bench_file(
      out, *profile, static_cast<gdb::GdbVersion>(version_text[0]), *size,
      *seed);
  bool ok = out.flush();
  if (std::fclose(file) != 0 || !ok) {
    std::perror(argv[4]);
    return 1;
  }
  std::printf("%s: %" PRIu64 " bytes, %" PRIu64 " waypoints, %" PRIu64
              " tracks, %" PRIu64 " routes (%" PRIu64
              " over the point limit), %" PRIu64 " link points (%" PRIu64
              " flagged, %" PRIu64 " repeated)\n",
              argv[4], *size, stats.waypoints, stats.tracks, stats.routes,
              stats.routes_over_limit, stats.link_points,
              stats.flagged_link_points, stats.repeated_link_points);
  return 0;
}
