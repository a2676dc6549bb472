#!/usr/bin/env bash
# Runs the benchmarks and prints the figures the README quotes, each ratio
# measured within this one run:
#   1. CRC throughput per kernel on in-memory buffers (Google Benchmark);
#   2. whole-file CRC of a cached 512 MiB file against GNU cksum on the same
#      file (same polynomial and bit order; cksum also folds in the length, so
#      only its speed compares);
#   3. a whole scan of a generated installation (10,000 .bgl files, 200 stock
#      files of 1 MiB that need a CRC) against its floor: the same folder walk,
#      header reads and reads of the stock files' bytes, computing nothing;
#   4. reading the Local value of every area of a 20 MB Scenery.cfg: time and
#      peak memory, against a Scenery.cfg of the simulator's own size;
#   5. the section validation of files whose directory entries all point into
#      one block (as many entries as records), 25 KB to 10 MB: time per MB,
#      against the literal record walk (a walk per entry) where it ends soon;
#   6. the x86_64 trawlex.exe under 64-bit Wine scanning the installation of 3
#      against a Windows floor program on the same folder (FindFirstFileA, then
#      per file CreateFileA, one ReadFile of 64 KiB, every byte of the stock
#      files with a reference value, CloseHandle; nothing computed).
#   the search for originals over that installation as a folder, and over a
#   cabinet of its 200 MiB of stock files (stored and MSZIP), against reading
#   the same bytes and (MSZIP) against cabextract -t of the same cabinet; and
#   300 and 1,000 entries claiming the same 64 MiB folder against one entry.
# Times are the best of several runs. Needs about 1.9 GB in $TMPDIR, gcab and cabextract.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/bench
work=${TMPDIR:-/tmp}/trawlex-bench
runs=${RUNS:-5}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRAWLEX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target crc32_benchmark crc_file scan_bench >/dev/null
rm -rf "$work" && mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

echo "== machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores"

echo "== 1. CRC throughput in memory (Google Benchmark's M/s and G/s are binary units: MiB/s and GiB/s)"
"$build"/benchmarks/crc32_benchmark --benchmark_min_time=0.3 2>/dev/null | grep crc32/

best() {  # best wall time in seconds of "$@" over $runs runs
  local best="" t0 t1 t
  for _ in $(seq "$runs"); do
    t0=$(date +%s.%N); "$@" >/dev/null; t1=$(date +%s.%N)
    t=$(echo "$t1 - $t0" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  echo "$best"
}

echo "== 2. whole-file CRC of a cached 512 MiB file against $(cksum --version | head -1)"
big="$work/big.bin"
head -c 536870912 /dev/urandom >"$big"
cat "$big" >/dev/null
cksum_time=$(best cksum "$big")
printf '%-24s %8.3f s\n' "cksum" "$cksum_time"
kernels=$(for k in bytewise slicing16 pclmul vpclmul256 vpclmul; do
  if "$build"/benchmarks/crc_file "$k" 16 /dev/null >/dev/null 2>&1; then echo "$k"; fi; done)
for k in $kernels; do
  for block in 16384 65536; do
    t=$(best "$build"/benchmarks/crc_file "$k" "$block" "$big")
    printf '%-24s %8.3f s   %5.2f x cksum speed\n' "$k, $block-byte reads" "$t" "$(echo "$cksum_time / $t" | bc -l)"
  done
done
rm -f "$big"

echo "== 3. whole scan against its floor (10,000 files, 200 stock files of 1 MiB; reads of up to 64 KiB, the checks' window)"
host=$("$build"/benchmarks/scan_bench make "$work/install" 1048576)
bestOf() {  # best seconds and the peak KiB of that run, of scan_bench "$@"
  local best="" rss=""
  for _ in $(seq "$runs"); do
    read -r t r < <("$build"/benchmarks/scan_bench "$@")
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; rss=$r; fi
  done
  echo "$best $rss"
}
"$build"/benchmarks/scan_bench floor "$host" >/dev/null  # warm the page cache
read -r floor_time floor_rss < <(bestOf floor "$host")
printf '%-24s %8.3f s   peak %6d KiB\n' "floor" "$floor_time" "$floor_rss"
for k in $kernels; do
  read -r t r < <(bestOf scan "$host" "$k")
  printf '%-24s %8.3f s   peak %6d KiB   %5.2f x floor\n' "scan, $k" "$t" "$r" "$(echo "$t / $floor_time" | bc -l)"
done

echo "== the search for originals over the same installation as a folder (every candidate read) against reading its bytes"
read -r read_time read_rss < <(bestOf readall "$host")
read -r t r < <(bestOf originals "$host")
printf '%-24s %8.3f s   peak %6d KiB\n' "read every byte" "$read_time" "$read_rss"
printf '%-24s %8.3f s   peak %6d KiB   %5.2f x reading\n' "--originals search" "$t" "$r" "$(echo "$t / $read_time" | bc -l)"

echo "== the search for originals in a cabinet of 200 MiB (the 200 stock files of 1 MiB, made by gcab) against reading the cabinet"
for compression in stored mszip; do
  mkdir -p "$work/cab-$compression"
  flag=""; [ "$compression" = mszip ] && flag=--zip
  (cd "$host" && find . -name '*.bgl' -size 1024k -print0 | sort -z |
     xargs -0 gcab --create $flag "$work/cab-$compression/FS2002.CAB")
  cabinet="$work/cab-$compression/FS2002.CAB"
  cat "$cabinet" >/dev/null
  read_time=$(best cat "$cabinet")
  read -r t r < <(bestOf originals "$cabinet")
  printf '%-24s %8.3f s   (%d MiB cabinet)\n' "read the cabinet ($compression)" "$read_time" "$(( $(stat -c %s "$cabinet") >> 20 ))"
  printf '%-24s %8.3f s   peak %6d KiB   %5.2f x reading\n' "--originals, $compression" "$t" "$r" "$(echo "$t / $read_time" | bc -l)"
  if [ "$compression" = mszip ]; then
    cabextract_time=$(best cabextract -q -t "$cabinet")
    printf '%-24s %8.3f s   %5.2f x --originals\n' "cabextract -t" "$cabextract_time" "$(echo "$cabextract_time / $t" | bc -l)"
  fi
  rm -rf "$work/cab-$compression"
done

echo "== entries overlapping in one folder: 300 (and 1,000) entries claiming the same 64 MiB MSZIP folder, against one entry"
for entries in 1 300 1000; do
  "$build"/benchmarks/scan_bench overlap "$work/overlap-$entries.cab" "$entries"
  read -r t r < <(bestOf originals "$work/overlap-$entries.cab")
  [ "$entries" = 1 ] && once=$t
  printf '%-24s %8.3f s   peak %6d KiB   %5.2f x one entry\n' "$entries entries" "$t" "$r" "$(echo "$t / $once" | bc -l)"
  rm -f "$work/overlap-$entries.cab"
done

echo "== peak memory against file size (scan with the selected kernel)"
for size in 1048576 4194304; do
  rm -rf "$work/install-$size"
  h=$("$build"/benchmarks/scan_bench make "$work/install-$size" "$size")
  k=$(echo "$kernels" | tail -1)
  read -r _ r < <("$build"/benchmarks/scan_bench scan "$h" "$k")
  printf 'stock files of %8d bytes: peak %6d KiB\n' "$size" "$r"
  rm -rf "$work/install-$size"
done

echo "== 4. Scenery.cfg read once for all 399 areas"
for size in 40000 20000000; do
  "$build"/benchmarks/scan_bench makecfg "$work/Scenery-$size.cfg" "$size"
  read -r t r < <("$build"/benchmarks/scan_bench config "$work/Scenery-$size.cfg")
  printf 'Scenery.cfg of %8d bytes: %8.3f s   peak %6d KiB\n' "$size" "$t" "$r"
done

echo "== 5. section validation, every directory entry into one block"
for size in 25000 100000 1000000 10000000; do
  read -r t r < <("$build"/benchmarks/scan_bench shared "$size" remembering)
  line=$(printf '%9d bytes: %8.4f s  %8.4f s per MB  peak %6d KiB' "$size" "$t" "$(echo "$t * 1000000 / $size" | bc -l)" "$r")
  if [ "$size" -le 100000 ]; then
    read -r lt _ < <("$build"/benchmarks/scan_bench shared "$size" literal)
    line="$line   literal walk $(printf '%8.3f' "$lt") s"
  fi
  echo "$line"
done

echo "== 6. trawlex.exe under 64-bit Wine against the Windows floor, on the installation of 3"
wine_build=build/bench-win
cmake -S . -B "$wine_build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/x86_64-w64-mingw32-win32.cmake \
      -DTRAWLEX_BUILD_TESTS=OFF >/dev/null
cmake --build "$wine_build" --target trawlex windows_floor >/dev/null
export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine_loader=/usr/lib/wine/wine64
"$wine_loader" wineboot -i >/dev/null 2>&1
wineserver -w  # the server wineboot started ends first: a second one would not start
wineserver -p >/dev/null 2>&1  # one server for every run, started once, holding no output of ours
cp "$wine_build/src/trawlex.exe" "$host/Tools/trawlex.exe"
windows_host="Z:$(echo "$host" | tr / '\\')"
floor_run() { "$wine_loader" "$wine_build/benchmarks/windows_floor.exe" "$windows_host"; }
trawlex_run() { "$wine_loader" "$host/Tools/trawlex.exe" </dev/null || true; }  # 1: it finds bad files
floor_run >/dev/null; trawlex_run >/dev/null  # warm the page cache and Wine
floor_time=$(best floor_run)
trawlex_time=$(best trawlex_run)
printf '%-24s %8.3f s\n' "Windows floor" "$floor_time"
printf '%-24s %8.3f s   %5.2f x floor\n' "trawlex.exe" "$trawlex_time" "$(echo "$trawlex_time / $floor_time" | bc -l)"
wineserver -k || true
