#!/bin/sh
# The main job at the size of a real disk, under Wine, each figure beside a
# plain copy of the same cache folder in the same run:
#   sh scripts/bench.sh scale [ENTRIES ...]
# (default ZV_BENCH_SIZES, else 20000 50000 100000; ZV_BENCH_ARCH win32 or
# win64, default win32; the Rebuild Tree needs a display: DISPLAY, else
# ZV_TEST_DISPLAY, else an Xvfb of its own on :93).
# Per size it writes a Chromium simple cache natively (the host's
# scalecache_writer from build/bench; ZV_BENCH_WRITER=wine writes the same
# files through Wine with scale_bench.exe write), then
# times reading every file of it once (scale_bench.exe read: Wine's own cost
# per file), `xcopy /e /i /q` of its folder, `/cachelist /cache:`, `/rebuild
# /cache:` with translation off and on, and the Rebuild Tree's opening; each
# with its peak resident memory. The last lines give every figure's ratio to
# the copy and how each ratio grows from the smallest to the largest size.
# Its data and prefix live in build/<arch>/scalebench (ZV_BENCH_WORK); the
# data goes at the end. Wine creates each file in one folder after a look
# through all those there, so writing a cache through it and copying it grow
# with the square of its files (an hour each at 50,000): ZV_BENCH_CACHES=DIR
# keeps each written cache as DIR/<entries> and takes it from there in a later
# run, and ZV_BENCH_COPY_MAX=N leaves the copy (and the ratios to it) out
# above N entries, where the other figures are given beside /cachelist only;
# with ZV_BENCH_COPY_SECONDS=S the copy runs there for S seconds and is
# stopped, and the files it copied by then bound the whole copy's time from
# below (and each job's wall ratio to it from above). Every job but the copy
# runs ZV_BENCH_ROUNDS times (default 3), the best of them kept.
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${ZV_BUILD_DIR:-$ROOT/build}
. "$ROOT/scripts/lib.sh"
ARCH=${ZV_BENCH_ARCH:-win32}
ROUNDS=${ZV_BENCH_ROUNDS:-3}
[ $# -gt 0 ] || set -- ${ZV_BENCH_SIZES:-20000 50000 100000}
[ -f "$BUILD/$ARCH/CMakeCache.txt" ] || zv_configure_windows "$ARCH"
cmake --build "$BUILD/$ARCH" --target zvtorsel scale_bench >/dev/null
# The native writer, in the optimised host build of scripts/bench.sh.
WRITER=${ZV_BENCH_WRITER:-native}
if [ "$WRITER" = native ]; then
    [ -n "$ZV_HOST_M32" ] || zv_choose_archs
    cmake -S "$ROOT" -B "$BUILD/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release \
          -DZV_BENCH=ON -DZV_SANITIZE=OFF -DZV_HOST_M32="$ZV_HOST_M32" >/dev/null
    cmake --build "$BUILD/bench" --target scalecache_writer >/dev/null
fi
WORK=${ZV_BENCH_WORK:-$BUILD/$ARCH/scalebench}
COPY_MAX=${ZV_BENCH_COPY_MAX:-}
COPY_SECONDS=${ZV_BENCH_COPY_SECONDS:-}
# The programs of this run, copied: a build during the run changes nothing.
BIN=$WORK/bin
rm -rf "$BIN" && mkdir -p "$BIN"
cp "$BUILD/$ARCH/bin/zvtorsel.exe" "$BUILD/$ARCH/bin/scale_bench.exe" "$BUILD/$ARCH/bin/"*.dll "$BIN/"
[ "$WRITER" != native ] || cp "$BUILD/bench/bin/scalecache_writer" "$BIN/"
WINE=$(zv_wine_loader "$ARCH")
export WINEPREFIX="$WORK/prefix" WINEDEBUG=-all LC_ALL=ja_JP.UTF-8 TZ=UTC
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
rm -rf "$WORK/data"
mkdir -p "$WORK/data" "$WINEPREFIX"
XVFB=
if [ -z "${DISPLAY:-${ZV_TEST_DISPLAY:-}}" ]; then
    Xvfb :93 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB=$!
    DISPLAY=:93
fi
export DISPLAY=${DISPLAY:-$ZV_TEST_DISPLAY}
wineserver -p >/dev/null 2>&1 || true
finish() {
    WINEPREFIX="$WORK/prefix" wineserver -k 2>/dev/null || true
    if [ -n "$GROUP" ]; then
        for try in 1 2 3 4 5; do
            for pid in $(cat "$GROUP/tasks"); do echo "$pid" >/sys/fs/cgroup/cpuacct/tasks; done 2>/dev/null
            rmdir "$GROUP" 2>/dev/null && break
            sleep 1
        done
    fi
    [ -z "$XVFB" ] || kill "$XVFB" 2>/dev/null || true
    rm -rf "$WORK/data" "$BIN"
}
trap finish EXIT
[ -d "$WINEPREFIX/drive_c" ] || "$WINE" wineboot -i </dev/null >"$WORK/wineboot.log" 2>&1
"$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1

# Z: paths of the data inside Wine.
winpath() { echo "Z:$1" | tr / '\\'; }

# write_cache FOLDER ENTRIES: the benchmark's cache, FOLDER ending with "/".
write_cache() {
    if [ "$WRITER" = native ]; then
        "$BIN/scalecache_writer" "$1" "$2"
    else
        (cd "$BIN" && "$WINE" ./scale_bench.exe write "$(winpath "$1")" "$2")
    fi
}

# The processor time (user and system, in clock ticks) that this prefix's
# own wineserver has spent: its share of every job is counted with the job.
TICK=$(getconf CLK_TCK)
server_ticks() {
    for pid in $(pgrep -x wineserver; pgrep -x wineserver64); do
        if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
            awk '{ print $14 + $15 }' "/proc/$pid/stat"
            return
        fi
    done
    echo 0
}

# Wine's processes of a job (cmd.exe, xcopy.exe, the program) are no
# children that a shell waits for: their processor time is read from a
# processor accounting group of this run (as root; else it counts as 0).
GROUP=/sys/fs/cgroup/cpuacct/zvbench-$$
mkdir "$GROUP" 2>/dev/null || GROUP=
group_ns() { if [ -n "$GROUP" ]; then cat "$GROUP/cpuacct.usage"; else echo 0; fi; }
# Its own processes, for a job of the Rebuild Tree.
in_group() {
    if [ -z "$GROUP" ]; then "$@"; else sh -c 'echo $$ >"$0/tasks" && exec "$@"' "$GROUP" "$@"; fi
}

# Runs a Wine program in $BIN; sets SECONDS_ (wall), CPU_ (processor seconds
# of its processes and of the wineserver: what the load of a shared machine
# does not stretch) and PEAK_ (MB, the largest of its processes).
timed() {
    before=$(server_ticks) groupbefore=$(group_ns)
    (cd "$BIN" && in_group /usr/bin/time -f '%e %M' -o "$WORK/time.txt" "$WINE" "$@" </dev/null >"$WORK/out.txt" 2>&1) ||
        { echo "failed: $*" >&2; tail -5 "$WORK/out.txt" >&2; exit 1; }
    after=$(server_ticks) groupafter=$(group_ns)
    SECONDS_=$(awk '{ printf "%.2f", $1 }' "$WORK/time.txt")
    PEAK_=$(awk '{ printf "%.1f", $2 / 1024 }' "$WORK/time.txt")
    CPU_=$(awk -v s=$((after - before)) -v t="$TICK" -v g=$((groupafter - groupbefore)) 'BEGIN { printf "%.2f", g / 1e9 + s / t }')
}

# partial_copy FOLDER SECONDS: xcopy of FOLDER stopped after SECONDS; sets
# HALF_ and PARTIAL_ to the files it had copied by half the time and by the
# end.
partial_copy() {
    (cd "$BIN" && exec "$WINE" cmd /c xcopy /e /i /q "$(winpath "$1")" "$(winpath "$WORK/data/copy/")" \
        </dev/null >/dev/null 2>&1) &
    copier=$!
    sleep $(($2 / 2))
    HALF_=$(find "$WORK/data/copy" -type f 2>/dev/null | wc -l)
    sleep $(($2 - $2 / 2))
    PARTIAL_=$(find "$WORK/data/copy" -type f 2>/dev/null | wc -l)
    WINEPREFIX="$WORK/prefix" wineserver -k 2>/dev/null || true
    wait "$copier" 2>/dev/null || true
    wineserver -p >/dev/null 2>&1 || true
}

# best_of COMMAND...: timed ROUNDS times, the rebuild folder emptied before
# each; SECONDS_ and CPU_ the least of the rounds, PEAK_ the largest. Single
# runs of one job vary by half on a shared machine.
best_of() {
    bestwall= bestcpu= bestpeak=
    round=0
    while [ $round -lt "$ROUNDS" ]; do
        round=$((round + 1))
        rm -rf "$WORK/data/rebuild" && mkdir -p "$WORK/data/rebuild"
        timed "$@"
        if [ -z "$bestwall" ] || awk -v a="$SECONDS_" -v b="$bestwall" 'BEGIN { exit !(a < b) }'; then bestwall=$SECONDS_; fi
        if [ -z "$bestcpu" ] || awk -v a="$CPU_" -v b="$bestcpu" 'BEGIN { exit !(a < b) }'; then bestcpu=$CPU_; fi
        if [ -z "$bestpeak" ] || awk -v a="$PEAK_" -v b="$bestpeak" 'BEGIN { exit !(a > b) }'; then bestpeak=$PEAK_; fi
    done
    SECONDS_=$bestwall CPU_=$bestcpu PEAK_=$bestpeak
}

setting() {
    "$WINE" reg add 'HKCU\Software\z.v\zvkestor\Rebuild' /v "$1" /t REG_DWORD /d "$2" /f >/dev/null 2>&1
}

# The program's own memory without a cache to speak of: the base that the
# memory per entry is counted from.
mkdir -p "$WORK/data/base"
write_cache "$WORK/data/base/" 10 >/dev/null
timed ./zvtorsel.exe /cachelist /cache:"$(winpath "$WORK/data/base/")" /log:"$(winpath "$WORK/data/base.txt")"
BASE=$PEAK_
echo "base: /cachelist of 10 entries, peak $BASE MB"
SUMMARY=$WORK/summary.txt
: >"$SUMMARY"
: >"$SUMMARY.cpu"
for n in "$@"; do
    rm -rf "$WORK/data"/*
    cache="$WORK/data/cache/Cache_Data/"
    mkdir -p "$WORK/data/cache" "$WORK/data/rebuild"
    echo "== $n entries"
    kept=${ZV_BENCH_CACHES:+$ZV_BENCH_CACHES/$n}
    if [ -n "$kept" ] && [ -d "$kept" ]; then
        cp -al "$kept" "${cache%/}"
    else
        write_cache "$cache" "$n"
        [ -z "$kept" ] || { mkdir -p "$ZV_BENCH_CACHES" && cp -al "${cache%/}" "$kept"; }
    fi
    du -sm "$cache" | awk '{ print "cache folder " $1 " MB" }'
    # Both read the folder the same way: one untimed listing first.
    timed ./zvtorsel.exe /cachelist /cache:"$(winpath "$cache")" /log:"$(winpath "$WORK/data/warm.txt")"
    best_of ./scale_bench.exe read "$(winpath "$cache")"
    read=$SECONDS_ readcpu=$CPU_
    if [ -z "$COPY_MAX" ] || [ "$n" -le "$COPY_MAX" ]; then
        timed cmd /c xcopy /e /i /q "$(winpath "$cache")" "$(winpath "$WORK/data/copy/")"
        copy=$SECONDS_ copymem=$PEAK_ copycpu=$CPU_ least=-
    else
        copy=- copymem=- copycpu=- least=-
        [ -z "$COPY_SECONDS" ] || partial_copy "$cache" "$COPY_SECONDS"
    fi
    best_of ./zvtorsel.exe /cachelist /cache:"$(winpath "$cache")" /log:"$(winpath "$WORK/data/list.txt")"
    list=$SECONDS_ listmem=$PEAK_ listcpu=$CPU_
    setting XlatRebuild 0
    best_of ./zvtorsel.exe /rebuild /cache:"$(winpath "$cache")" /folder:"$(winpath "$WORK/data/rebuild/")" \
        /log:"$(winpath "$WORK/data/plain.txt")"
    plain=$SECONDS_ plainmem=$PEAK_ plaincpu=$CPU_
    files=$(find "$WORK/data/rebuild" -type f | wc -l)
    rm -rf "$WORK/data/rebuild" && mkdir -p "$WORK/data/rebuild"
    setting XlatRebuild 1
    best_of ./zvtorsel.exe /rebuild /cache:"$(winpath "$cache")" /folder:"$(winpath "$WORK/data/rebuild/")" \
        /log:"$(winpath "$WORK/data/xlat.txt")"
    xlat=$SECONDS_ xlatmem=$PEAK_ xlatcpu=$CPU_
    rm -rf "$WORK/data/rebuild" "$WORK/data/copy" && mkdir -p "$WORK/data/rebuild"
    # The best of the rounds, as for the jobs.
    tree= treecpu=
    round=0
    while [ $round -lt "$ROUNDS" ]; do
        round=$((round + 1))
        rm -rf "$WORK/data/rebuild" && mkdir -p "$WORK/data/rebuild"
        before=$(server_ticks) groupbefore=$(group_ns)
        (cd "$BIN" && in_group "$WINE" ./scale_bench.exe tree "$(winpath "$cache")" "$(winpath "$WORK/data/rebuild/")") \
            >"$WORK/tree.txt" 2>&1 || { cat "$WORK/tree.txt" >&2; exit 1; }
        after=$(server_ticks) groupafter=$(group_ns)
        # With the window driver's own time, which polls twenty times a second.
        set -- $(awk '/^tree/ { print $2, $5 }' "$WORK/tree.txt")
        cpu=$(awk -v s=$((after - before)) -v t="$TICK" -v g=$((groupafter - groupbefore)) 'BEGIN { printf "%.2f", g / 1e9 + s / t }')
        if [ -z "$tree" ] || awk -v a="$1" -v b="$tree" 'BEGIN { exit !(a < b) }'; then tree=$1; fi
        if [ -z "$treecpu" ] || awk -v a="$cpu" -v b="$treecpu" 'BEGIN { exit !(a < b) }'; then treecpu=$cpu; fi
        treemem=$2
    done
    [ "$copy" = - ] || echo "xcopy /e of the folder     $copy s (processor $copycpu s), peak $copymem MB"
    if [ "$copy" = - ] && [ -n "$COPY_SECONDS" ]; then
        whole=$(find "$cache" -type f | wc -l)
        if [ "$PARTIAL_" -lt "$whole" ]; then
            echo "xcopy /e of the folder     stopped after $COPY_SECONDS s with $PARTIAL_ of $whole files copied ($HALF_ in the first half of the time)"
            # Copying into one folder only slows as it fills: when the second
            # half of the time copied no more than the first, the files left
            # take at least as long each as those of the second half, which
            # gives the whole copy's least time.
            least=$(awk -v s="$COPY_SECONDS" -v h="$HALF_" -v c="$PARTIAL_" -v w="$whole" \
                'BEGIN { if (c > h && c - h <= h) printf "%.1f", s + (w - c) * (s / 2) / (c - h); else print "-" }')
            if [ "$least" != - ]; then
                echo "xcopy /e of the folder     would take at least $least s whole (its rate fell from $HALF_ to $((PARTIAL_ - HALF_)) files a half)"
                awk -v s="$least" -v l="$list" -v p="$plain" -v x="$xlat" -v n="$n" \
                    'BEGIN { printf "wall ratios %d to the copy'"'"'s least time: cachelist/copy < %.3f rebuild-off/copy < %.3f rebuild-on/copy < %.3f\n", n, l / s, p / s, x / s }'
            fi
        else
            echo "xcopy /e of the folder     done within $COPY_SECONDS s: give it fewer seconds or the copy a size of its own"
        fi
        awk -v s="$COPY_SECONDS" -v l="$list" -v p="$plain" -v x="$xlat" -v c="$PARTIAL_" -v w="$whole" -v n="$n" \
            'BEGIN { printf "wall ratios %d to the stopped copy (%d of %d files): cachelist/copy < %.3f rebuild-off/copy < %.3f rebuild-on/copy < %.3f\n", n, c, w, l / s, p / s, x / s }'
    fi
    echo "read every file once       $read s (processor $readcpu s)"
    echo "/cachelist /cache:         $list s (processor $listcpu s), peak $listmem MB"
    echo "/rebuild, translation off  $plain s (processor $plaincpu s), peak $plainmem MB ($files files)"
    echo "/rebuild, translation on   $xlat s (processor $xlatcpu s), peak $xlatmem MB"
    echo "Rebuild Tree opened        $tree s (processor $treecpu s), peak $treemem MB"
    echo "$n $copy $list $plain $xlat $tree $listmem $plainmem $xlatmem $treemem $read $least" >>"$SUMMARY"
    echo "$n $copycpu $listcpu $plaincpu $xlatcpu $treecpu $readcpu" >>"$SUMMARY.cpu"
done
# Rows without the copy give the Rebuild Tree beside /cachelist and the memory;
# the growth of a ratio to the copy is taken over the rows that have it.
awk '
{ n[NR] = $1; t[NR] = $6 / $3
  for (j = 3; j <= 6; j++) e[NR, j] = $j / $1
  if ($2 == "-") { printf "processor ratios %d: tree/cachelist %.2f (no copy)\n", $1, t[NR]; next }
  k++; m[k] = $1; l[k] = $3 / $2; p[k] = $4 / $2; x[k] = $5 / $2
  printf "processor ratios %d: cachelist/copy %.3f rebuild-off/copy %.3f rebuild-on/copy %.3f tree/cachelist %.2f\n", $1, l[k], p[k], x[k], t[NR] }
END { if (k > 1) printf "processor growth %d to %d (ratio over ratio): cachelist %.2f rebuild-off %.2f rebuild-on %.2f\n",
          m[1], m[k], l[k] / l[1], p[k] / p[1], x[k] / x[1]
      if (NR > 1) {
          printf "processor growth %d to %d (ratio over ratio): tree %.2f\n", n[1], n[NR], t[NR] / t[1]
          printf "processor time per entry, %d over %d: cachelist %.2f rebuild-off %.2f rebuild-on %.2f tree %.2f\n",
                 n[NR], n[1], e[NR, 3] / e[1, 3], e[NR, 4] / e[1, 4], e[NR, 5] / e[1, 5], e[NR, 6] / e[1, 6]
      } }' "$SUMMARY.cpu"
# Reading every file once is Wine's own cost per file, which a folder's size
# makes grow; each job beside it, and how that ratio grows.
awk '
{ n[NR] = $1; r[NR] = $7; for (j = 3; j <= 6; j++) q[NR, j] = $j / $7
  printf "processor ratios %d to reading every file once (%.2f s): cachelist %.2f rebuild-off %.2f rebuild-on %.2f tree %.2f\n",
         $1, $7, q[NR, 3], q[NR, 4], q[NR, 5], q[NR, 6] }
END { if (NR > 1)
          printf "processor growth %d to %d beside reading every file once (ratio over ratio): read per entry %.2f, cachelist %.2f rebuild-off %.2f rebuild-on %.2f tree %.2f\n",
                 n[1], n[NR], (r[NR] / n[NR]) / (r[1] / n[1]), q[NR, 3] / q[1, 3], q[NR, 4] / q[1, 4], q[NR, 5] / q[1, 5], q[NR, 6] / q[1, 6] }' "$SUMMARY.cpu"
awk -v base="$BASE" '
{ n[NR] = $1; t[NR] = $6 / $3
  if ($2 == "-") printf "wall ratios %d: tree/cachelist %.2f (no copy)", $1, t[NR]
  else {
      k++; m[k] = $1; l[k] = $3 / $2; p[k] = $4 / $2; x[k] = $5 / $2
      printf "wall ratios %d: cachelist/copy %.3f rebuild-off/copy %.3f rebuild-on/copy %.3f tree/cachelist %.2f", $1, l[k], p[k], x[k], t[NR]
  }
  printf " peak KB per entry above the base: cachelist %.2f rebuild-off %.2f rebuild-on %.2f tree %.2f\n",
         ($7 - base) * 1024 / $1, ($8 - base) * 1024 / $1, ($9 - base) * 1024 / $1, ($10 - base) * 1024 / $1
  if ($2 == "-" && $12 != "-" && $12 != "") { b++; bn[b] = $1; bl[b] = $3 / $12; bp[b] = $4 / $12; bx[b] = $5 / $12 } }
END { if (k > 1) printf "wall growth %d to %d (ratio over ratio): cachelist %.2f rebuild-off %.2f rebuild-on %.2f\n",
          m[1], m[k], l[k] / l[1], p[k] / p[1], x[k] / x[1]
      if (k && b) printf "wall growth %d to %d (ratio over ratio, against the copy'"'"'s least time at %d): cachelist < %.2f rebuild-off < %.2f rebuild-on < %.2f\n",
          m[1], bn[b], bn[b], bl[b] / l[1], bp[b] / p[1], bx[b] / x[1]
      if (NR > 1) printf "wall growth %d to %d (ratio over ratio): tree %.2f\n", n[1], n[NR], t[NR] / t[1] }' "$SUMMARY"
