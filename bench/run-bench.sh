#!/usr/bin/env bash
# Times kesto-cli against its peers on the benchmark corpus, side by side in one run, each
# on a freshly restored tree (the restore is outside the timed part), with a plain copy of
# the tree as the floor. Prints the medians, min-max and each tool's ratio to the floor.
set -euo pipefail

build=${1:?build directory}
runs=${KESTO_BENCH_RUNS:-5}
work=${KESTO_BENCH_DIR:-/tmp/kesto-bench}
cli=$(realpath "$build/src/kesto-cli")
mkdir -p "$work"
cd "$work"

if [ ! -f pristine/pairs.sr ]; then
  rm -rf pristine
  "$build/bench/kesto_make_corpus" pristine
fi
results=results
rm -rf "$results" && mkdir -p "$results"

ini_keep="[Preferences]\nRetainBackUp=1\n"
ini_drop="[Preferences]\nRetainBackUp=0\nDeletePermanently=1\n"
restore_tree="rm -rf tree && cp -r --reflink=never pristine/tree tree"
restore_big="cp pristine/big.txt big.txt"
all_files="find tree -type f -print0 | xargs -0"

# name | prepare | command
bench() {
  local name=$1 prepare=$2 command=$3
  hyperfine --style none --runs "$runs" --warmup 1 --prepare "$prepare" \
    --export-json "$results/$name.json" --command-name "$name" "$command" > /dev/null
  printf '.' >&2
}

printf 'timing' >&2
bench "floor: cp -r of the tree" "rm -rf floor" "cp -r --reflink=never pristine/tree floor"
bench "tree, Match Case: kesto (backups kept)" "$restore_tree && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI -q -c -s planted -r replaced -d tree -R > /dev/null"
bench "tree, Match Case: kesto (backups deleted)" "$restore_tree && printf '$ini_drop' > k.INI" \
  "$cli --ini k.INI -q -c -s planted -r replaced -d tree -R > /dev/null"
bench "tree, Match Case: sed -i" "$restore_tree" "$all_files sed -i 's/planted/replaced/g'"
bench "tree, Match Case: perl -pi" "$restore_tree" "$all_files perl -pi -e 's/planted/replaced/g'"
bench "tree, Match Case: sd -s" "$restore_tree" "$all_files sd -s planted replaced"
bench "tree, Match Case: rpl -F" "$restore_tree" "rpl -q -F -R planted replaced tree"
bench "tree, any case: kesto (backups kept)" "$restore_tree && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI -q -s planted -r replaced -d tree -R > /dev/null"
bench "tree, any case: sed -i" "$restore_tree" "$all_files sed -i 's/planted/replaced/gI'"
bench "tree, any case: perl -pi" "$restore_tree" "$all_files perl -pi -e 's/planted/replaced/gi'"
bench "tree, any case: sd" "$restore_tree" "$all_files sd -f i planted replaced"
bench "tree, any case: rpl -F -i" "$restore_tree" "rpl -q -F -i -R planted replaced tree"
bench "100 pairs: kesto batch" "$restore_tree && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI -q -c -b pristine/pairs.sr -d tree -R > /dev/null"
bench "100 pairs: sed -i" "$restore_tree" "$all_files sed -i -f pristine/pairs.sed"
bench "100 pairs: perl -pi" "$restore_tree" "$all_files perl -pi -e \"\$(cat pristine/pairs.pl)\""
bench "8 MiB file: kesto" "$restore_big && printf '$ini_keep' > k.INI" \
  "$cli --ini k.INI -q -c -s planted -r replaced big.txt > /dev/null"
bench "8 MiB file: sed -i" "$restore_big" "sed -i 's/planted/replaced/g' big.txt"
bench "8 MiB file: perl -pi" "$restore_big" "perl -pi -e 's/planted/replaced/g' big.txt"
bench "8 MiB file: sd -s" "$restore_big" "sd -s planted replaced big.txt"
bench "8 MiB file: rpl -F" "$restore_big" "rpl -q -F planted replaced big.txt"
echo >&2

python3 - "$results" <<'PY'
import json, os, statistics, sys
rows = []
for name in sorted(os.listdir(sys.argv[1])):
    data = json.load(open(os.path.join(sys.argv[1], name)))["results"][0]
    times = data["times"]
    rows.append((data["command"], statistics.median(times), min(times), max(times)))
floor = next(r[1] for r in rows if r[0].startswith("floor"))
order = ["floor", "tree, Match Case", "tree, any case", "100 pairs", "8 MiB file"]
rows.sort(key=lambda r: (next(i for i, p in enumerate(order) if r[0].startswith(p)), r[1]))
print(f"{'work: tool':48} {'median s':>9} {'min-max s':>15} {'x floor':>8}")
for command, median, low, high in rows:
    print(f"{command:48} {median:9.3f} {low:7.3f}-{high:<7.3f} {median / floor:8.2f}")
PY
