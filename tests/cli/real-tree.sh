#!/usr/bin/env bash
# A run over copies of real trees (the system's headers and Python's library, where they
# are, and a few files that mix line breaks as files edited on two systems do) with the
# default settings: no file that holds a NUL byte changes, and every other file the run
# took is byte for byte what sed writes.
#   real-tree.sh KESTO_CLI
set -euo pipefail
cli=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
: > k.INI
mkdir original
for source in /usr/include /usr/lib/python3.11 /usr/lib/python3; do
  [ -d "$source" ] && cp -r --no-preserve=mode "$source" "original/$(basename "$source")"
done
# Links (to files outside, or to folders) are not what this checks.
find original -type l -delete
mkdir original/mixed
printf '#!/bin/sh\necho the end\r\nthe\nthe other\r\nlast the' > original/mixed/script.sh
printf 'the one\r\nthe two\nthe three\r\n\nthe\n' > original/mixed/notes.txt
printf 'in the\rmiddle the\r\nthe\n\r' > original/mixed/old-mac.txt
files=$(find original -type f | wc -l)
[ "$files" -gt 1000 ] || { echo "only $files files to check: skipped"; exit 0; }
cp -r original kesto
cp -r original sed
# "the" is common in text and occurs by chance in compiled files.
"$cli" --ini k.INI --state '' -q -c -s the -r THE -d kesto -f '*.*' -R \
  --unknown-ext all-session > kesto.log
find sed -type f -print0 | xargs -0 sed -i 's/the/THE/g'

# What the run changed, and where it differs from sed; each list one name a line.
changed_by_kesto() { { diff -rq original kesto || true; } | sed -n 's|^Files original/\(.*\) and kesto/.* differ$|\1|p'; }
unlike_sed() { { diff -rq kesto sed || true; } | sed -n 's|^Files kesto/\(.*\) and sed/.* differ$|\1|p'; }
changed_by_kesto | sort > changed.txt
unlike_sed | sort > unlike.txt
with_nul=$( (cd original && tr '\n' '\0' < ../changed.txt | xargs -0 -r grep -lP '\x00' --) || true)
[ -z "$with_nul" ] || { echo "changed although they hold a NUL byte:"; echo "$with_nul"; exit 1; }
# A file that differs from sed's must be one the run left as it was (binary, too large ...).
unexplained=$(comm -12 changed.txt unlike.txt)
[ -z "$unexplained" ] || { echo "not what sed writes:"; echo "$unexplained"; exit 1; }
# A text file the run left although sed changed it must be one the log names with a reason.
left_text=$( (cd original && tr '\n' '\0' < ../unlike.txt | xargs -0 -r grep -LP '\x00' --) || true)
while IFS= read -r name; do
  [ -z "$name" ] && continue
  grep -qF -- "kesto/$name ... " kesto.log || { echo "text file left without a reason: $name"; exit 1; }
done <<< "$left_text"
binaries=$(grep -c "Binary file - not searched!" kesto.log || true)
echo "$files files: $(wc -l < changed.txt) changed as sed changes them, $binaries binary files left alone, $(wc -l < unlike.txt) left as they were where sed changed them"
