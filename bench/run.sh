#!/usr/bin/env bash
# Measures rtetrk against a plain file copy.
#
#   bench/run.sh            (from the repository; takes a minute or two)
#
# Builds rtetrk and the file generator, generates GDB files of two profiles
# ("records": mostly waypoints and tracks; "routes": mostly routes with many
# link points) in a temporary directory, and prints:
#   - at 256 MiB, the median times of rtetrk, `cat IN > OUT` and
#     `dd bs=128K` (a copy through user space), measured side by side by
#     hyperfine, and the ratios rtetrk/cat and rtetrk/dd. The measurement is
#     repeated in ROUNDS rounds; the table gives the median round and the
#     lowest and highest ratio, since a shared machine can slow one command
#     of a round down;
#   - rtetrk's peak resident memory (GNU time's %M) at 1 MiB, 64 MiB, 1 GiB;
#   - rtetrk's throughput at 64 MiB, 256 MiB and 1 GiB (linear time keeps it
#     level).
#
# Settings, from the environment:
#   RUNS=10        timed runs of each command a round, after WARMUP=2
#   ROUNDS=3
#   VERSION=m      version letter of the generated files
#   BUILD_DIR=build-bench
#   TMPDIR         where the temporary directory goes; it needs about 2.5 GiB
#
# Needs cmake, a C++ compiler, make, hyperfine and GNU time (Debian packages
# cmake g++ make hyperfine time). Run as root, the script installs those that
# are missing with apt-get.
#
# Every timed command writes a new file: the outputs of the run before are
# removed first (hyperfine --prepare), for rtetrk and the copies alike. On
# ext4, replacing an existing file by renaming onto it, as rtetrk does, makes
# the file system flush the new file's data first, which measures the disk
# rather than the tool.
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."

RUNS=${RUNS:-10}
WARMUP=${WARMUP:-2}
ROUNDS=${ROUNDS:-3}
VERSION=${VERSION:-m}
BUILD_DIR=${BUILD_DIR:-build-bench}
PROFILES=(records routes)

# --- tools -----------------------------------------------------------------
need=()
command -v cmake >/dev/null || need+=(cmake)
command -v c++ >/dev/null || need+=(g++)
command -v make >/dev/null || need+=(make)
command -v hyperfine >/dev/null || need+=(hyperfine)
[ -x /usr/bin/time ] || need+=(time)
if [ "${#need[@]}" -gt 0 ]; then
  if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
    apt-get update
    apt-get install -y "${need[@]}"
  else
    echo "bench/run.sh needs: ${need[*]}" >&2
    echo "install them first, e.g.: sudo apt-get install -y ${need[*]}" >&2
    exit 1
  fi
fi

# --- build -----------------------------------------------------------------
cmake -S . -B "$BUILD_DIR" -DRTETRK_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" --parallel 2 --target rtetrk make_bench_file >/dev/null
rtetrk=$(realpath "$BUILD_DIR/rtetrk")
generate=$(realpath "$BUILD_DIR/bench/make_bench_file")

work=$(mktemp -d "${TMPDIR:-/tmp}/rtetrk-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

# make_input PROFILE SIZE: generates $work/PROFILE-SIZE.gdb and prints its
# name. The file is written out to disk first, so that its write-back does not
# overlap the timings.
make_input() {
  local file="$work/$1-$2.gdb"
  "$generate" "$1" "$VERSION" "$2" "$file" >&2
  sync "$file"
  echo "$file"
}

# peak_kib INPUT: rtetrk's peak resident memory in KiB for one conversion.
peak_kib() {
  rm -f "$work/out.gdb"
  /usr/bin/time -f %M -o "$work/time.txt" "$rtetrk" "$1" "$work/out.gdb" >/dev/null
  rm -f "$work/out.gdb"
  cat "$work/time.txt"
}

# medians CSV: prints "NAME MEDIAN_MS" for each command of a hyperfine CSV.
medians() {
  awk -F, 'NR > 1 { printf "%s %.1f\n", $1, $4 * 1000 }' "$1"
}

# median: the median of the numbers on standard input.
median() {
  sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# mib_per_s MIB MS
mib_per_s() {
  awk -v mib="$1" -v ms="$2" 'BEGIN { printf "%.0f", mib / ms * 1000 }'
}

# time_rtetrk INPUT RUNS: rtetrk's median time in ms.
time_rtetrk() {
  hyperfine --style none --warmup 1 --runs "$2" \
    --prepare "rm -f '$work/out.gdb'" \
    -n rtetrk "'$rtetrk' '$1' '$work/out.gdb' > /dev/null" \
    --export-csv "$work/one.csv" >/dev/null
  rm -f "$work/out.gdb"
  medians "$work/one.csv" | awk '{ print $2 }'
}

# compare INPUT CSV: times rtetrk, cat and dd on INPUT, side by side.
compare() {
  local out="$work/out"
  hyperfine --style basic --warmup "$WARMUP" --runs "$RUNS" \
    --prepare "rm -f '$out-rtetrk.gdb' '$out-cat.gdb' '$out-dd.gdb'" \
    -n rtetrk "'$rtetrk' '$1' '$out-rtetrk.gdb' > /dev/null" \
    -n cat "cat '$1' > '$out-cat.gdb'" \
    -n dd "dd if='$1' of='$out-dd.gdb' bs=128K status=none" \
    --export-csv "$2" >&2
  rm -f "$out"-*.gdb
}

declare -A took ratio_cat ratio_dd rss rate
for profile in "${PROFILES[@]}"; do
  echo "== $profile" >&2
  in=$(make_input "$profile" 1M)
  rss[$profile,1M]=$(peak_kib "$in")
  rm -f "$in"

  in=$(make_input "$profile" 64M)
  rss[$profile,64M]=$(peak_kib "$in")
  rate[$profile,64M]=$(mib_per_s 64 "$(time_rtetrk "$in" 5)")
  rm -f "$in"

  in=$(make_input "$profile" 256M)
  : >"$work/rounds.txt"
  for ((round = 1; round <= ROUNDS; round++)); do
    compare "$in" "$work/round.csv"
    medians "$work/round.csv" | awk '{ m[$1] = $2 } END {
      printf "%.1f %.1f %.1f %.3f %.3f\n", m["rtetrk"], m["cat"], m["dd"],
        m["rtetrk"] / m["cat"], m["rtetrk"] / m["dd"] }' >>"$work/rounds.txt"
  done
  rm -f "$in"
  # The round with the median rtetrk/cat ratio.
  read -r took[$profile,rtetrk] took[$profile,cat] took[$profile,dd] \
    ratio_cat[$profile] ratio_dd[$profile] \
    < <(sort -g -k4 "$work/rounds.txt" | sed -n "$(((ROUNDS + 1) / 2))p")
  ratio_cat[$profile,range]=$(sort -g -k4 "$work/rounds.txt" | awk '
    NR == 1 { low = $4 } { high = $4 } END { printf "%.2f-%.2f", low, high }')
  rate[$profile,256M]=$(mib_per_s 256 "$(awk '{ print $1 }' "$work/rounds.txt" | median)")

  in=$(make_input "$profile" 1G)
  rss[$profile,1G]=$(peak_kib "$in")
  rate[$profile,1G]=$(mib_per_s 1024 "$(time_rtetrk "$in" 3)")
  rm -f "$in"
done

# --- report ----------------------------------------------------------------
cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo 2>/dev/null || true)
echo
echo "rtetrk benchmark, $(date -u +%Y-%m-%d), ${cpu:-unknown CPU}, $(nproc) cores, $(uname -sr)"
echo "version $VERSION, 256 MiB inputs; median times of $RUNS runs after $WARMUP warm-ups,"
echo "the round with the median rtetrk/cat of $ROUNDS rounds, and the range of rtetrk/cat"
echo
printf '%-8s %9s %7s %7s %10s %11s %9s\n' profile "rtetrk ms" "cat ms" "dd ms" rtetrk/cat "(range)" rtetrk/dd
for profile in "${PROFILES[@]}"; do
  printf '%-8s %9s %7s %7s %10.2f %11s %9.2f\n' "$profile" "${took[$profile,rtetrk]}" \
    "${took[$profile,cat]}" "${took[$profile,dd]}" "${ratio_cat[$profile]}" \
    "(${ratio_cat[$profile,range]})" "${ratio_dd[$profile]}"
done
echo "targets: rtetrk/cat at most 1.2 (records) and 1.5 (routes)"
echo
printf '%-8s %28s %32s\n' profile "peak RSS KiB: 1M / 64M / 1G" "rtetrk MiB/s: 64M / 256M / 1G"
for profile in "${PROFILES[@]}"; do
  printf '%-8s %28s %32s\n' "$profile" \
    "${rss[$profile,1M]} / ${rss[$profile,64M]} / ${rss[$profile,1G]}" \
    "${rate[$profile,64M]} / ${rate[$profile,256M]} / ${rate[$profile,1G]}"
done
echo "target: peak RSS at most 4096 KiB at every size"
