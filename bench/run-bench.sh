#!/usr/bin/env bash
# Times kesto-cli against its peers on the benchmark corpus, side by side in one run, each
# on a freshly restored tree (the restore is outside the timed part), with a plain copy of
# the tree as the floor. Prints the medians, min-max and each tool's ratio to the floor.
set -euo pipefail

build=$(realpath "${1:?build directory}")
runs=${KESTO_BENCH_RUNS:-5}
cli=$(realpath "$build/src/kesto-cli")

# Every tool here writes new files, so the file system is part of what is timed. Unless
# KESTO_BENCH_DIR names a folder, the corpus lives on an ext4 file system of its own, made
# with mkfs's defaults (with a journal, as on a desktop) in an image file and mounted
# through a loop device. On an ext4 without a journal, the root of some virtual machines,
# creating a file looks at every inode of its group deleted in the last minutes, so each
# run would pay for the files the one before deleted.
if [ -n "${KESTO_BENCH_DIR:-}" ]; then
  work=$KESTO_BENCH_DIR
  mkdir -p "$work"
else
  work=/tmp/kesto-bench
  image=${KESTO_BENCH_IMAGE:-/var/tmp/kesto-bench.ext4}
  mkdir -p "$work"
  if ! mountpoint -q "$work"; then
    if [ ! -f "$image" ]; then
      truncate -s 6G "$image"
      mkfs.ext4 -q -F "$image"
    fi
    mount -o loop "$image" "$work"
  fi
fi
echo "file system: $(findmnt -n -o FSTYPE,SOURCE,OPTIONS --target "$work")" >&2
# The runs' journals go to a folder of the benchmark's own (not the user's), on another file
# system than the tree; the row "journal beside the tree" measures the other case.
export XDG_STATE_HOME=${KESTO_BENCH_STATE:-/var/tmp/kesto-bench-state}
cd "$work"

# The pass in process, its file on the same file system.
mkdir -p "$work/pass"
TMPDIR="$work/pass" "$build/bench/kesto_pass_bench" --benchmark_min_time=1 \
  --benchmark_out="$build/bench/pass.json" --benchmark_out_format=json
pass_json="$build/bench/pass.json"

if [ ! -f pristine/big.log ]; then
  rm -rf pristine
  "$build/bench/kesto_make_corpus" pristine
fi
if [ ! -f pristine/encodings/utf16/d19/file399.txt ]; then
  rm -rf pristine/encodings
  "$build/bench/kesto_make_corpus" --encodings pristine/encodings
fi
results=results
rm -rf "$results" && mkdir -p "$results"

ini_keep="[Preferences]\nRetainBackUp=1\n"
ini_drop="[Preferences]\nRetainBackUp=0\nDeletePermanently=1\n"
# Each prepare step ends with sync: the copy it made is then on disk, and no timed run
# pays for writing back what the step before it left dirty (a run that flushes its files
# would otherwise flush the whole copy).
restore_tree="rm -rf tree && cp -r --reflink=never pristine/tree tree && sync"
restore_big="cp pristine/big.txt big.txt && sync"
all_files="find tree -type f -print0 | xargs -0"

# name | prepare | command
bench() {
  local name=$1 prepare=$2 command=$3
  hyperfine --style none --runs "$runs" --warmup 1 --prepare "$prepare" \
    --export-json "$results/$name.json" --command-name "$name" "$command" > /dev/null
  printf '.' >&2
}

printf 'timing' >&2
bench "floor: cp -r of the tree" "rm -rf floor && sync" "cp -r --reflink=never pristine/tree floor"
bench "tree, Match Case: kesto (backups kept)" "$restore_tree && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI -q -c -s planted -r replaced -d tree -R > /dev/null"
bench "tree, Match Case: kesto --dry-run" "$restore_tree && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI -q -n -c -s planted -r replaced -d tree -R > /dev/null"
bench "tree, Match Case: kesto --diff" "$restore_tree && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI -q --diff -c -s planted -r replaced -d tree -R > /dev/null"
# The journal's cost: kept on the tree's own file system (where a flush also writes out
# what the run changed so far), and not kept at all.
bench "tree, Match Case: kesto (journal beside the tree)" \
  "$restore_tree && printf '$ini_keep' > k.INI" \
  "XDG_STATE_HOME=$work/state $cli --ini k.INI -q -c -s planted -r replaced -d tree -R > /dev/null"
bench "tree, Match Case: kesto (no journal)" "$restore_tree && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI --state '' -q -c -s planted -r replaced -d tree -R > /dev/null"
bench "tree, Match Case: kesto (backups deleted)" "$restore_tree && printf '$ini_drop' > k.INI" \
  "$cli --ini k.INI -q -c -s planted -r replaced -d tree -R > /dev/null"
# One thread against the default, one per core (the run's own and workers ahead of it).
bench "tree, Match Case: kesto --threads 1 (one thread)" \
  "$restore_tree && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI --threads 1 -q -c -s planted -r replaced -d tree -R > /dev/null"
bench "tree, Match Case: sed -i" "$restore_tree" "$all_files sed -i 's/planted/replaced/g'"
bench "tree, Match Case: perl -pi" "$restore_tree" "$all_files perl -pi -e 's/planted/replaced/g'"
bench "tree, Match Case: sd -s" "$restore_tree" "$all_files sd -s planted replaced"
bench "tree, Match Case: rpl -F" "$restore_tree" "rpl -q -F -R planted replaced tree"
bench "tree, any case: kesto (backups kept)" "$restore_tree && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI -q -s planted -r replaced -d tree -R > /dev/null"
# Unicode case: an ASCII search keeps the byte finders; one beyond ASCII checks that each
# file is UTF-8 and folds every letter.
bench "tree, any case: kesto --unicode-case" "$restore_tree && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI --unicode-case -q -s planted -r replaced -d tree -R > /dev/null"
bench "tree, any case beyond ASCII: kesto" "$restore_tree && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI -q -s 'plänted' -r replaced -d tree -R > /dev/null"
bench "tree, any case beyond ASCII: kesto --unicode-case" \
  "$restore_tree && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI --unicode-case -q -s 'plänted' -r replaced -d tree -R > /dev/null"
bench "tree, any case: sed -i" "$restore_tree" "$all_files sed -i 's/planted/replaced/gI'"
bench "tree, any case: perl -pi" "$restore_tree" "$all_files perl -pi -e 's/planted/replaced/gi'"
bench "tree, any case: sd" "$restore_tree" "$all_files sd -f i planted replaced"
bench "tree, any case: rpl -F -i" "$restore_tree" "rpl -q -F -i -R planted replaced tree"
# Regular expressions: one the block finder narrows down by its literal ("plan", "ted"),
# the same in the other tools, and one without any literal.
bench "regex: kesto -E (a literal in it)" "$restore_tree && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI -q -c -E -s 'plan\\w*ted' -r replaced -d tree -R > /dev/null"
bench "regex: perl -pi (a literal in it)" "$restore_tree" \
  "$all_files perl -pi -e 's/plan\\w*ted/replaced/g'"
bench "regex: sd (a literal in it)" "$restore_tree" "$all_files sd 'plan\\w*ted' replaced"
bench "regex: kesto -E (no literal)" "$restore_tree && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI -q -c -E -s '\\b(?:bel|dun){3}\\b' -r X -d tree -R > /dev/null"
bench "regex: perl -pi (no literal)" "$restore_tree" \
  "$all_files perl -pi -e 's/\\b(?:bel|dun){3}\\b/X/g'"
bench "regex: sd (no literal)" "$restore_tree" "$all_files sd '\\b(?:bel|dun){3}\\b' X"
bench "100 pairs: kesto batch" "$restore_tree && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI -q -c -b pristine/pairs.sr -d tree -R > /dev/null"
bench "100 pairs: kesto batch --threads 1 (one thread)" \
  "$restore_tree && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI --threads 1 -q -c -b pristine/pairs.sr -d tree -R > /dev/null"
bench "100 pairs, any case: kesto batch" "$restore_tree && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI -q -b pristine/pairs.sr -d tree -R > /dev/null"
bench "100 pairs, any case: perl -pi" "$restore_tree" \
  "$all_files perl -pi -e \"\$(sed 's#/g;#/gi;#g' pristine/pairs.pl)\""
bench "100 pairs: sed -i" "$restore_tree" "$all_files sed -i -f pristine/pairs.sed"
bench "100 pairs: perl -pi" "$restore_tree" "$all_files perl -pi -e \"\$(cat pristine/pairs.pl)\""
bench "8 MiB file: kesto" "$restore_big && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI -q -c -s planted -r replaced big.txt > /dev/null"
bench "8 MiB file: sed -i" "$restore_big" "sed -i 's/planted/replaced/g' big.txt"
bench "8 MiB file: perl -pi" "$restore_big" "perl -pi -e 's/planted/replaced/g' big.txt"
bench "8 MiB file: sd -s" "$restore_big" "sd -s planted replaced big.txt"
bench "8 MiB file: rpl -F" "$restore_big" "rpl -q -F planted replaced big.txt"
# The same text in UTF-8 and in UTF-16: the UTF-16 files are decoded, searched and encoded
# back.
restore_encodings="rm -rf encodings && cp -r --reflink=never pristine/encodings encodings && sync"
bench "encodings: kesto, the text in UTF-8" "$restore_encodings && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI -q -c -s planted -r replaced -d encodings/utf8 -R > /dev/null"
bench "encodings: kesto, the text in UTF-16" "$restore_encodings && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI -q -c -s planted -r replaced -d encodings/utf16 -R > /dev/null"
# The read path: a search that finds nothing reads and searches every file and writes none.
# ripgrep counts with one thread and with its own choice of threads.
nothing="qqnomatchqq"
bench "read path: kesto (no match)" "printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI -q -c -s $nothing -r x -d tree -R > /dev/null"
bench "read path: kesto --threads 1 (no match)" "printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI --threads 1 -q -c -s $nothing -r x -d tree -R > /dev/null"
bench "read path: rg -F -j1 -c" "true" "rg -F -j1 -c $nothing tree > /dev/null || true"
bench "read path: rg -F -c" "true" "rg -F -c $nothing tree > /dev/null || true"
measures=$(realpath "$build/bench/kesto_core_measures")
bench "walk: kesto" "true" "$measures walk pristine/walk > /dev/null"
bench "walk: find | sort" "true" "find pristine/walk -type f | sort > /dev/null"

# A million small files, on a file system of their own with room for the inodes: the walk
# with a search that finds nothing, against ripgrep on one thread, and the walk alone.
million=${KESTO_BENCH_MILLION:-$work/million}
if [ -z "${KESTO_BENCH_DIR:-}" ]; then
  million_image=${KESTO_BENCH_MILLION_IMAGE:-/var/tmp/kesto-bench-million.ext4}
  mkdir -p "$million"
  if ! mountpoint -q "$million"; then
    if [ ! -f "$million_image" ]; then
      truncate -s 10G "$million_image"
      mkfs.ext4 -q -F -N 1100000 "$million_image"
    fi
    mount -o loop "$million_image" "$million"
  fi
fi
if [ ! -d "$million/million/d99/d99" ]; then
  rm -rf "$million/million"
  "$build/bench/kesto_make_corpus" --million "$million"
  sync
fi
million_runs=${KESTO_BENCH_MILLION_RUNS:-3}
bench_million() {
  local name=$1 command=$2
  hyperfine --style none --runs "$million_runs" --warmup 1 \
    --export-json "$results/$name.json" --command-name "$name" "$command" > /dev/null
  printf '.' >&2
}
bench_million "million: kesto (no match)" \
  "$cli --ini k.INI -q -c -s $nothing -r x -d $million/million -R > /dev/null"
bench_million "million: rg -F -j1 -c" "rg -F -j1 -c $nothing $million/million > /dev/null || true"
bench_million "million: walk, kesto" "$measures walk $million/million > /dev/null"
bench_million "million: walk, find | sort" "find $million/million -type f | sort > /dev/null"

# The log: load and find times as the program measures them, five times.
for run in $(seq "$runs"); do
  "$measures" log pristine/big.log needle >> "$results/log.txt"
done
printf '.' >&2

# Peak memory (kilobytes) of one run each.
peak() {
  local name=$1 prepare=$2 command=$3
  bash -c "$prepare"
  /usr/bin/time -f "%M" -o "$results/rss.tmp" bash -c "$command" > /dev/null
  printf '%s\t%s\n' "$name" "$(tail -1 "$results/rss.tmp")" >> "$results/rss.txt"
}
peak "tree" "$restore_tree && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI -q -c -s planted -r replaced -d tree -R"
peak "8 MiB file" "$restore_big && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI -q -c -s planted -r replaced big.txt"
peak "100 pairs" "$restore_tree && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI -q -c -b pristine/pairs.sr -d tree -R"
peak "million files" "printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI -q -c -s $nothing -r x -d $million/million -R"
largest=$(find pristine/tree -type f -printf '%s\n' | sort -n | tail -1)

# The diff of a preview, applied by git, gives the tree the run itself writes.
bash -c "$restore_tree && printf '$ini_keep' > k.INI"
"$cli" --ini k.INI -q --diff -c -s planted -r replaced -d tree -R > "$results/tree.diff"
git apply --whitespace=nowarn "$results/tree.diff"
rm -rf patched && mv tree patched
bash -c "$restore_tree && printf '$ini_keep' > k.INI"
"$cli" --ini k.INI -q -c -s planted -r replaced -d tree -R > /dev/null
if diff -r -q -x '*.~*' tree patched > "$results/diff-check.txt"; then
  echo holds > "$results/diff-check.txt"
fi
rm -rf patched
echo >&2

python3 - "$results" "$largest" "$pass_json" <<'PY'
import json, os, re, statistics, sys
folder, largest, pass_json = sys.argv[1], int(sys.argv[2]), sys.argv[3]
rows = []
for name in sorted(os.listdir(folder)):
    if not name.endswith(".json"):
        continue
    data = json.load(open(os.path.join(folder, name)))["results"][0]
    times = data["times"]
    rows.append((data["command"], statistics.median(times), min(times), max(times)))
floor = next(r[1] for r in rows if r[0].startswith("floor"))
order = ["floor", "tree, Match Case", "tree, any case", "regex", "100 pairs", "8 MiB file", "encodings",
         "read path", "walk", "million"]
rows.sort(key=lambda r: (next(i for i, p in enumerate(order) if r[0].startswith(p)), r[1]))
print(f"{'work: tool':48} {'median s':>9} {'min-max s':>15} {'x floor':>8}")
for command, median, low, high in rows:
    print(f"{command:48} {median:9.3f} {low:7.3f}-{high:<7.3f} {median / floor:8.2f}")

median = {command: m for command, m, _, _ in rows}
def ratio(name):
    return median[name] / floor
def fastest_peer(prefix):
    return min(m for c, m in median.items() if c.startswith(prefix) and "kesto" not in c)

log = open(os.path.join(folder, "log.txt")).read()
load_ms = statistics.median(float(x) for x in re.findall(r"log load: ([0-9.]+) ms", log))
find_ms = statistics.median(float(x) for x in re.findall(r"log find: ([0-9.]+) ms", log))
rss = dict(line.rstrip("\n").split("\t") for line in open(os.path.join(folder, "rss.txt")))
rss_mb = {k: int(v) / 1024 for k, v in rss.items()}
print(f"\nlog of 2,048,000 lines: load {load_ms:.0f} ms, find {find_ms:.0f} ms (medians)")
print("peak RSS: " + ", ".join(f"{k} {v:.1f} MB" for k, v in rss_mb.items()))

throughput = {}
if pass_json and os.path.exists(pass_json):
    for b in json.load(open(pass_json))["benchmarks"]:
        throughput[b["name"]] = b.get("bytes_per_second", 0) / 1e6

def goal(number, text, holds):
    print(f"goal {number}: {text}: {'holds' if holds else 'FAILS'}")

print()
keep, anycase = ratio("tree, Match Case: kesto (backups kept)"), ratio("tree, any case: kesto (backups kept)")
peer = fastest_peer("tree, Match Case") / median["tree, Match Case: kesto (backups kept)"]
goal(1, f"one pair {keep:.2f} x floor (<= 1.3), {peer:.1f} x faster than the fastest peer (>= 2), "
        f"any case {anycase:.2f} x (<= 1.5)", keep <= 1.3 and peer >= 2 and anycase <= 1.5)
dropped = ratio("tree, Match Case: kesto (backups deleted)")
goal(2, f"backups deleted {dropped:.2f} x floor (<= 1.5)", dropped <= 1.5)
batch = ratio("100 pairs: kesto batch")
perl = median["100 pairs: perl -pi"] / median["100 pairs: kesto batch"]
goal(3, f"100 pairs {batch:.2f} x floor (<= 5), {perl:.1f} x faster than perl (>= 8)",
     batch <= 5 and perl >= 8)
nomatch = throughput.get("BM_NoMatchMatchCase", 0)
quarter = throughput.get("BM_QuarterOfLinesMatch", 0)
goal(4, f"8 MiB in process: no match {nomatch:.0f} MB/s (>= 1500), a quarter of the lines "
        f"{quarter:.0f} MB/s (>= 500)", nomatch >= 1500 and quarter >= 500)
walk = median["walk: kesto"] / median["walk: find | sort"]
goal(5, f"walk of 100,000 files {walk:.2f} x find | sort (<= 2)", walk <= 2)
goal(6, f"log load {load_ms / 1000:.2f} s (<= 2), find {find_ms / 1000:.2f} s (<= 0.5)",
     load_ms <= 2000 and find_ms <= 500)
limits = {"tree": 40, "8 MiB file": 3 * 8 + 16, "100 pairs": 5 * largest / 2**20 + 16}
rss_mb_all = dict(rss_mb)
rss_mb = {k: rss_mb_all[k] for k in limits}
goal(7, "peak RSS " + ", ".join(f"{k} {rss_mb[k]:.1f} MB (<= {limits[k]:.1f})" for k in limits),
     all(rss_mb[k] <= limits[k] for k in limits))
run = median["tree, Match Case: kesto (backups kept)"]
dry, patch = median["tree, Match Case: kesto --dry-run"], median["tree, Match Case: kesto --diff"]
applied = open(os.path.join(folder, "diff-check.txt")).read().strip() == "holds"
goal(8, f"preview: --dry-run {dry / run:.2f} x the run (<= 1), --diff {patch / run:.2f} x (<= 1.2), "
        f"git apply of the diff {'gives' if applied else 'does NOT give'} the run's tree",
     dry <= run and patch <= 1.2 * run and applied)
bare = median["tree, Match Case: kesto (no journal)"]
beside = median["tree, Match Case: kesto (journal beside the tree)"]
goal(9, f"run journal: {run / bare:.2f} x the run without one, {beside / bare:.2f} x when it is "
        f"kept on the tree's file system (<= 1.1)", run <= 1.1 * bare and beside <= 1.1 * bare)
literal_regex = median["regex: kesto -E (a literal in it)"]
bare_regex = median["regex: kesto -E (no literal)"]
perl_literal, perl_bare = median["regex: perl -pi (a literal in it)"], median["regex: perl -pi (no literal)"]
goal(10, f"regex: with a literal {literal_regex / run:.2f} x the literal run (<= 1.5), "
         f"{perl_literal / literal_regex:.1f} x faster than perl (>= 3); without one "
         f"{bare_regex / perl_bare:.2f} x perl's time (<= 1)",
     literal_regex <= 1.5 * run and perl_literal >= 3 * literal_regex and bare_regex <= perl_bare)

big = median["8 MiB file: kesto"]
sd = median["8 MiB file: sd -s"]
goal(11, f"8 MiB file {big / sd:.2f} x sd -s (<= 1); in process a quarter of the lines "
         f"{quarter:.0f} MB/s (>= 1000)", big <= sd and quarter >= 1000)
read = median["read path: kesto --threads 1 (no match)"]
read_cores = median["read path: kesto (no match)"]
rg1, rg = median["read path: rg -F -j1 -c"], median["read path: rg -F -c"]
goal(12, f"read path {read / rg1:.2f} x rg -F -j1 (<= 1.1), on every core {read_cores / rg:.2f} x "
         f"rg -F on its threads (<= 1)", read <= 1.1 * rg1 and read_cores <= rg)
one_thread = median["tree, Match Case: kesto --threads 1 (one thread)"]
batch_one_thread = median["100 pairs: kesto batch --threads 1 (one thread)"]
tree_cores = one_thread / run
batch_cores = batch_one_thread / median["100 pairs: kesto batch"]
goal(13, f"one thread per core: the one-pair tree run {tree_cores:.2f} x faster (>= 1.6), "
         f"100 pairs {batch_cores:.2f} x (>= 1.6), the read path {read / read_cores:.2f} x",
     tree_cores >= 1.6 and batch_cores >= 1.6)
anycase_batch = ratio("100 pairs, any case: kesto batch")
goal(14, f"100 pairs without Match Case {anycase_batch:.2f} x floor (<= 5)", anycase_batch <= 5)
million = median["million: kesto (no match)"] / median["million: rg -F -j1 -c"]
million_walk = median["million: walk, kesto"] / median["million: walk, find | sort"]
million_rss = rss_mb_all["million files"]
goal(15, f"a million files: {million:.2f} x rg -F -j1 (<= 1.2), peak RSS {million_rss:.0f} MB "
         f"(<= 150), walk {million_walk:.2f} x find | sort (<= 1.5)",
     million <= 1.2 and million_rss <= 150 and million_walk <= 1.5)
wide = median["encodings: kesto, the text in UTF-16"] / median["encodings: kesto, the text in UTF-8"]
goal(16, f"UTF-16 files {wide:.2f} x the same text in UTF-8 (<= 2)", wide <= 2)
unicode = median["tree, any case: kesto --unicode-case"] / median["tree, any case: kesto (backups kept)"]
beyond = (median["tree, any case beyond ASCII: kesto --unicode-case"] /
          median["tree, any case beyond ASCII: kesto"])
goal(17, f"--unicode-case {unicode:.2f} x the same case-blind run without it (<= 1.5); "
         f"a search beyond ASCII {beyond:.2f} x", unicode <= 1.5)
# Both cores by default: what the default of Threads, one per core, has to hold.
sed_big = median["8 MiB file: sed -i"]
goal(18, f"8 MiB file {big / sed_big:.2f} x sed -i (<= 1)", big <= sed_big)
tree_both = run / one_thread
batch_both = median["100 pairs: kesto batch"] / batch_one_thread
goal(19, f"both cores: the one-pair tree run {tree_both:.2f} x one thread (<= 0.75), the read "
         f"path {read_cores / rg:.2f} x rg -F -c on its threads (<= 1), 100 pairs "
         f"{batch_both:.2f} x one thread (<= 1)",
     tree_both <= 0.75 and read_cores <= rg and batch_both <= 1)
PY
