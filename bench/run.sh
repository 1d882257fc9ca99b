#!/usr/bin/env bash
# Measures rtetrk against a plain file copy.
#
#   bench/run.sh            (from the repository; takes a few minutes)
#
# Builds rtetrk and the file generator, generates GDB files of two profiles
# ("records": mostly waypoints and tracks; "routes": mostly routes with many
# link points) in a temporary directory, and prints:
#   - median times at 256 MiB, side by side in one hyperfine run, of rtetrk,
#     `cat IN > OUT` and `dd bs=128K` (a copy through user space), and the
#     ratios;
#   - rtetrk's peak resident memory (GNU time's %M) at 1 MiB, 64 MiB, 1 GiB;
#   - rtetrk's throughput at 64 MiB, 256 MiB and 1 GiB (linear time keeps it
#     level).
#
# Settings, from the environment:
#   RUNS=10        timed runs at 256 MiB, after WARMUP=2 warm-up runs
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
cd "$(dirname "$0")/.."

RUNS=${RUNS:-10}
WARMUP=${WARMUP:-2}
VERSION=${VERSION:-m}
BUILD_DIR=${BUILD_DIR:-build-bench}
PROFILES=(records routes)
TIMED_SIZE=256M

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

# bytes SIZE: the number of bytes in 1M, 64M, 1G, ...
bytes() {
  local n=${1%[KMG]}
  case $1 in
    *K) echo $((n << 10)) ;;
    *M) echo $((n << 20)) ;;
    *G) echo $((n << 30)) ;;
    *) echo "$n" ;;
  esac
}

# make_input PROFILE SIZE: generates $work/PROFILE-SIZE.gdb and prints its name.
make_input() {
  local file="$work/$1-$2.gdb"
  "$generate" "$1" "$VERSION" "$2" "$file" >&2
  echo "$file"
}

# peak_kib INPUT: rtetrk's peak resident memory in KiB for one conversion.
peak_kib() {
  rm -f "$work/out.gdb"
  /usr/bin/time -f %M -o "$work/time.txt" "$rtetrk" "$1" "$work/out.gdb" >/dev/null
  rm -f "$work/out.gdb"
  cat "$work/time.txt"
}

# hyperfine_medians CSV: prints "NAME MEDIAN_MS" per command.
hyperfine_medians() {
  awk -F, 'NR > 1 { printf "%s %.1f\n", $1, $4 * 1000 }' "$1"
}

# time_rtetrk INPUT RUNS: rtetrk's median time in ms.
time_rtetrk() {
  hyperfine --style none --warmup 1 --runs "$2" \
    --prepare "rm -f '$work/out.gdb'" \
    -n rtetrk "'$rtetrk' '$1' '$work/out.gdb' > /dev/null" \
    --export-csv "$work/one.csv" >/dev/null
  rm -f "$work/out.gdb"
  hyperfine_medians "$work/one.csv" | awk '{ print $2 }'
}

declare -A median rss rate
for profile in "${PROFILES[@]}"; do
  echo "== $profile" >&2
  in=$(make_input "$profile" 1M)
  rss[$profile,1M]=$(peak_kib "$in")
  rm -f "$in"

  in=$(make_input "$profile" 64M)
  rss[$profile,64M]=$(peak_kib "$in")
  rate[$profile,64M]=$(awk -v ms="$(time_rtetrk "$in" 5)" 'BEGIN { printf "%.0f", 64 / ms * 1000 }')
  rm -f "$in"

  in=$(make_input "$profile" "$TIMED_SIZE")
  hyperfine --warmup "$WARMUP" --runs "$RUNS" \
    --prepare "rm -f '$work/out-rtetrk.gdb' '$work/out-cat.gdb' '$work/out-dd.gdb'" \
    -n rtetrk "'$rtetrk' '$in' '$work/out-rtetrk.gdb' > /dev/null" \
    -n cat "cat '$in' > '$work/out-cat.gdb'" \
    -n dd "dd if='$in' of='$work/out-dd.gdb' bs=128K status=none" \
    --export-csv "$work/$profile.csv" >&2
  rm -f "$in" "$work"/out-*.gdb
  while read -r name ms; do median[$profile,$name]=$ms; done \
    < <(hyperfine_medians "$work/$profile.csv")
  rate[$profile,256M]=$(awk -v ms="${median[$profile,rtetrk]}" 'BEGIN { printf "%.0f", 256 / ms * 1000 }')

  in=$(make_input "$profile" 1G)
  rss[$profile,1G]=$(peak_kib "$in")
  rate[$profile,1G]=$(awk -v ms="$(time_rtetrk "$in" 3)" 'BEGIN { printf "%.0f", 1024 / ms * 1000 }')
  rm -f "$in"
done

# --- report ----------------------------------------------------------------
cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo 2>/dev/null || true)
echo
echo "rtetrk benchmark, $(date -u +%Y-%m-%d), ${cpu:-unknown CPU}, $(nproc) cores, $(uname -sr)"
echo "version $VERSION; times: median of $RUNS runs after $WARMUP warm-ups, $TIMED_SIZE input"
echo
printf '%-8s %10s %8s %8s %11s %10s\n' profile "rtetrk ms" "cat ms" "dd ms" rtetrk/cat rtetrk/dd
for profile in "${PROFILES[@]}"; do
  awk -v p="$profile" -v r="${median[$profile,rtetrk]}" -v c="${median[$profile,cat]}" \
    -v d="${median[$profile,dd]}" \
    'BEGIN { printf "%-8s %10.1f %8.1f %8.1f %11.2f %10.2f\n", p, r, c, d, r / c, r / d }'
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
